// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/progress_window.h"

#include <cstdio>

#include "ui/dialog_resource_ids.h"

namespace qm::ui {
namespace {

INT_PTR CALLBACK progressProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

void centreOver(HWND window, HWND owner) {
  RECT outer{}, inner{};
  GetWindowRect(owner, &outer);
  GetWindowRect(window, &inner);
  const int x = (outer.left + outer.right - (inner.right - inner.left)) / 2;
  const int y = (outer.top + outer.bottom - (inner.bottom - inner.top)) / 2;
  SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}

// The window's own messages (painting above all), without letting the user act meanwhile.
void letItPaint(HWND window) {
  MSG message;
  while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  UpdateWindow(window);
}

}  // namespace

void ProgressWindow::open(HWND owner, HMODULE module, const std::string& title, const std::string& doing) {
  if (window_) {
    SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    return;
  }
  window_ = CreateDialogParamA(module, "QMPROGRESS", owner, progressProc, 0);
  if (!window_) return;
  SetWindowTextA(window_, title.c_str());
  SetDlgItemTextA(window_, QM_PROGRESS_DOING, doing.c_str());
  shown_ = -1;
  centreOver(window_, owner);
  show(0);
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

void ProgressWindow::show(int percent) {
  if (!window_ || percent == shown_) return;
  shown_ = percent;
  char text[16];
  std::snprintf(text, sizeof text, "%d%%", percent);
  SetDlgItemTextA(window_, QM_PROGRESS_PERCENT, text);
  letItPaint(window_);
}

void ProgressWindow::close() {
  if (!window_) return;
  DestroyWindow(window_);
  window_ = nullptr;
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace qm::ui
