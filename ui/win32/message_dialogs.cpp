// SPDX-License-Identifier: LicenseRef-Quillmark
// Messages to the user as the library's own dialog resources ("REFUSAL2", ...): the
// resource gives the layout, the caller's text and title fill it, so the words live in one
// place in the code.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/platform.h"
#include "ui/message_boxes.h"
#include "ui/win32/dialog_placement.h"
#include "resources/resource_ids.h"

namespace qm::ui {
namespace {

INT_PTR CALLBACK messageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const Message& shown = *reinterpret_cast<const Message*>(lParam);
      SetWindowTextA(dialog, shown.title);
      SetDlgItemTextA(dialog, QM_MESSAGE_TEXT, shown.text);
      // The system's own error icon, shared, so nothing to free.
      SendDlgItemMessageA(dialog, QM_MESSAGE_ICON, STM_SETICON, WPARAM(LoadIcon(nullptr, IDI_ERROR)), 0);
      placeOverParent(dialog, GetParent(dialog), 2);
      return TRUE;
    }
    case WM_COMMAND:
      EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

bool showMessage(const Message& message, void* parentWindow) {
  HWND parent = static_cast<HWND>(parentWindow);
  const INT_PTR ended = DialogBoxParamA(static_cast<HINSTANCE>(platform::moduleHandle()), message.resourceName, parent,
                                        messageProc, reinterpret_cast<LPARAM>(&message));
  // Without the dialog resource (a program that links the core without our resources) the
  // system's message box still carries the words.
  if (ended == -1) MessageBoxA(parent, message.text, message.title, MB_OK | MB_ICONERROR);
  return true;
}

}  // namespace qm::ui
