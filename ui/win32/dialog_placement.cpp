// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/dialog_placement.h"

#include <algorithm>

namespace qm::ui {
namespace {

RECT workAreaNear(const RECT& area) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &info)) return info.rcWork;
  RECT desktop{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0);
  return desktop;
}

RECT primaryWorkArea() {
  RECT desktop{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0)) GetWindowRect(GetDesktopWindow(), &desktop);
  return desktop;
}

// Brings [start, start + size) inside [low, high); a box larger than the range keeps its
// top or left edge visible.
LONG keepInside(LONG start, LONG size, LONG low, LONG high) { return std::max(low, std::min(start, high - size)); }

}  // namespace

void placeOverParent(HWND dialog, HWND parent, int downDivisor) {
  RECT box{};
  if (!GetWindowRect(dialog, &box)) return;
  RECT over{};
  if (!parent || !IsWindow(parent) || IsIconic(parent) || !GetWindowRect(parent, &over)) over = primaryWorkArea();
  const LONG width = box.right - box.left;
  const LONG height = box.bottom - box.top;
  LONG left = over.left + (over.right - over.left - width) / 2;
  LONG top = over.top + (over.bottom - over.top - height) / std::max(downDivisor, 1);
  const RECT work = workAreaNear(over);
  left = keepInside(left, width, work.left, work.right);
  top = keepInside(top, height, work.top, work.bottom);
  SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace qm::ui
