// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/control_tips.h"

#include <commctrl.h>

#include "ui/control_table.h"

namespace qm::ui {

HWND addControlTips(HWND dialog, HINSTANCE module) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  if (!InitCommonControlsEx(&controls)) return nullptr;
  HWND tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, module, nullptr);
  if (!tips) return nullptr;
  SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, 320);
  for (int id = 0; id < kControlCount; ++id) {
    const char* hint = controlHint(id);
    HWND control = GetDlgItem(dialog, id);
    if (!hint || !control) continue;
    TOOLINFOA tool{};
    // The size every version of the tip control accepts: a plug-in cannot choose the
    // host's version of the common controls.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = dialog;
    tool.hinst = module;
    tool.lpszText = const_cast<char*>(hint);
    // A button is a window of its own, and the tip watches it; the dial is a hidden
    // static, so the tip watches its area of the dialog instead.
    if (GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE) {
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.uId = reinterpret_cast<UINT_PTR>(control);
    } else {
      tool.uFlags = TTF_SUBCLASS;
      tool.uId = UINT_PTR(id);
      GetWindowRect(control, &tool.rect);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&tool.rect), 2);
    }
    SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  return tips;
}

}  // namespace qm::ui
