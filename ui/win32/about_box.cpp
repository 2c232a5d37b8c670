// SPDX-License-Identifier: LicenseRef-Quillmark
// The about box ("ABOUTBOX"): our picture, the mark over the dialog's face, and a button
// that opens our web page.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "platform/platform.h"
#include "ui/message_boxes.h"
#include "ui/win32/dialog_placement.h"
#include "ui/win32/resource_picture.h"
#include "resources/resource_ids.h"

namespace qm::ui {
namespace {

constexpr const char* kWebPage = "https://quillmark.invalid/";

struct AboutBox {
  HMODULE module = nullptr;
  BgraPicture picture;
  HBITMAP mark = nullptr;
  HBITMAP mask = nullptr;

  AboutBox() = default;
  AboutBox(const AboutBox&) = delete;
  AboutBox& operator=(const AboutBox&) = delete;
  ~AboutBox() {
    if (mark) DeleteObject(mark);
    if (mask) DeleteObject(mask);
  }
};

SIZE bitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  return {info.bmWidth, info.bmHeight};
}

// The classic transparent blit: AND the mask (black on the mark) punches the mark's shape
// into the background, OR the image (black around the mark) fills it.
void drawMark(HDC dc, const RECT& area, const AboutBox& box) {
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  if (!box.mark || !box.mask) return;
  const SIZE size = bitmapSize(box.mark);
  const int side = std::min({int(size.cx), int(area.right - area.left), int(area.bottom - area.top)});
  const int width = size.cx > 0 ? int(size.cx) * side / int(std::max(size.cx, size.cy)) : 0;
  const int height = size.cy > 0 ? int(size.cy) * side / int(std::max(size.cx, size.cy)) : 0;
  const int left = area.left + (area.right - area.left - width) / 2;
  const int top = area.top + (area.bottom - area.top - height) / 2;
  HDC source = CreateCompatibleDC(dc);
  if (!source) return;
  SetStretchBltMode(dc, COLORONCOLOR);
  // A one-bit mask takes its colours from the destination: 0 the text colour, 1 the background.
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  HGDIOBJ previous = SelectObject(source, box.mask);
  StretchBlt(dc, left, top, width, height, source, 0, 0, size.cx, size.cy, SRCAND);
  SelectObject(source, box.mark);
  StretchBlt(dc, left, top, width, height, source, 0, 0, size.cx, size.cy, SRCPAINT);
  SelectObject(source, previous);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
  DeleteDC(source);
}

void drawItem(const DRAWITEMSTRUCT& item, const AboutBox& box) {
  if (item.CtlID == QM_ABOUT_PICTURE_AREA) drawPicture(item.hDC, item.rcItem, box.picture);
  if (item.CtlID == QM_ABOUT_MARK_AREA) drawMark(item.hDC, item.rcItem, box);
}

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
      placeOverParent(dialog, GetParent(dialog), 3);
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* box = reinterpret_cast<const AboutBox*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
      if (!box) return FALSE;
      drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), *box);
      return TRUE;
    }
    case WM_COMMAND: {
      const int command = LOWORD(wParam);
      if (command == QM_ABOUT_WEB_PAGE) ShellExecuteA(dialog, "open", kWebPage, nullptr, nullptr, SW_SHOWNORMAL);
      EndDialog(dialog, command);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

bool showAboutBox(void* parentWindow) {
  AboutBox box;
  box.module = static_cast<HMODULE>(platform::moduleHandle());
  loadJpegResource(box.module, QM_ABOUT_PICTURE, box.picture);
  box.mark = LoadBitmapA(box.module, MAKEINTRESOURCEA(QM_ABOUT_MARK));
  box.mask = LoadBitmapA(box.module, MAKEINTRESOURCEA(QM_ABOUT_MASK));
  const INT_PTR ended = DialogBoxParamA(box.module, "ABOUTBOX", static_cast<HWND>(parentWindow), aboutProc,
                                        reinterpret_cast<LPARAM>(&box));
  if (ended == -1)
    MessageBoxA(static_cast<HWND>(parentWindow), "Quillmark 4.0\nInk art from photographs.", "About",
                MB_OK | MB_ICONINFORMATION);
  return true;
}

}  // namespace qm::ui
