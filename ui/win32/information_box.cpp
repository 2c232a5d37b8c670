// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/information_box.h"

#include "ui/dialog_resource_ids.h"
#include "ui/win32/dialog_placement.h"
#include "ui/win32/picture_cache.h"
#include "ui/win32/resource_image_loader.h"

namespace qm::ui {
namespace {

// Checks once a second whether the main dialog is still there.
constexpr UINT_PTR kOwnerWatch = 997;
constexpr UINT kOwnerWatchMs = 1000;

struct InformationBox {
  HWND owner;
  HMODULE module;
  HWND& openBox;
  HBITMAP picture = nullptr;
  RECT area{};
};

InformationBox* boxOf(HWND dialog) { return reinterpret_cast<InformationBox*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

void open(HWND dialog, InformationBox& box) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&box));
  box.openBox = dialog;
  placeOverParent(dialog, box.owner, 2);
  HWND area = GetDlgItem(dialog, QM_INFO_PICTURE_AREA);
  if (area) {
    GetWindowRect(area, &box.area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box.area), 2);
    box.picture = LoadResourceImage(QM_JPEG_INFO_PICTURE, "JPEG", box.module, box.area.right - box.area.left,
                                    box.area.bottom - box.area.top);
  }
  SetTimer(dialog, kOwnerWatch, kOwnerWatchMs, nullptr);
}

void paint(HWND dialog, const InformationBox& box) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(dialog, &ps);
  if (!dc) return;
  FillRect(dc, &box.area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  if (box.picture) drawBitmap(dc, box.picture, box.area);
  EndPaint(dialog, &ps);
}

void close(HWND dialog, InformationBox& box) {
  KillTimer(dialog, kOwnerWatch);
  EndDialog(dialog, IDCANCEL);
  box.openBox = nullptr;
}

INT_PTR CALLBACK informationProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    open(dialog, *reinterpret_cast<InformationBox*>(lParam));
    return TRUE;
  }
  InformationBox* box = boxOf(dialog);
  if (!box) return FALSE;
  switch (message) {
    case WM_PAINT:
      paint(dialog, *box);
      return TRUE;
    case WM_TIMER:
      if (wParam == kOwnerWatch && !IsWindow(box->owner)) close(dialog, *box);
      return TRUE;
    case WM_COMMAND:
    case WM_LBUTTONUP:
      close(dialog, *box);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void showInformationBox(HWND owner, HMODULE module, HWND& openBox) {
  InformationBox box{owner, module, openBox};
  DialogBoxParamA(module, "QMINFOBOX", owner, informationProc, reinterpret_cast<LPARAM>(&box));
  openBox = nullptr;
  if (box.picture) DeleteObject(box.picture);
}

}  // namespace qm::ui
