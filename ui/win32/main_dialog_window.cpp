// SPDX-License-Identifier: LicenseRef-Quillmark
// The main dialog as a modal window of the system: its procedure turns each message into a
// call of the controller (ui/main_dialog.h) and lets the view paint.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <windowsx.h>

#include <exception>
#include <string>

#include "platform/platform.h"
#include "ui/control_table.h"
#include "ui/dialog_window.h"
#include "ui/win32/dialog_placement.h"
#include "ui/win32/win32_dialog_view.h"

namespace qm::ui {
namespace {

constexpr const char* kTemplate = "DISSOLVESANSPARAM";
// The end code of a dialog that stopped on an error; it is thrown again once the dialog is gone.
constexpr INT_PTR kFailed = -2;
constexpr int kFieldTextCapacity = 64;

// What runDialogWindow hands the window, and what the window leaves for it.
struct DialogRun {
  const DialogSession& session;
  HMODULE module;
  std::exception_ptr failure;
};

// The view and the controller for the life of the window.
struct DialogWindow {
  DialogWindow(HWND dialog, DialogRun& owner)
      : view(dialog, owner.module), controller(owner.session, view), run(owner) {
    view.attach(controller);
  }
  Win32DialogView view;
  MainDialog controller;
  DialogRun& run;
  bool tracksLeave = false;
};

DialogWindow* windowOf(HWND dialog) { return reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

Point pointOf(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

// The dialog's answer for messages whose result is not the procedure's return value.
INT_PTR answer(HWND dialog, LONG_PTR result) {
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR open(HWND dialog, DialogRun& run) {
  placeOverParent(dialog, GetParent(dialog), 3);
  auto* window = new DialogWindow(dialog, run);
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(window));
  window->view.prepareControls();
  window->controller.open();
  window->view.opened();
  // The first tab stop takes the focus.
  return TRUE;
}

// Leaving the dialog's face (for a child control or another window) ends a hover.
void trackLeave(HWND dialog, DialogWindow& window) {
  if (window.tracksLeave) return;
  TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, dialog, 0};
  window.tracksLeave = TrackMouseEvent(&track) != 0;
}

void command(HWND dialog, DialogWindow& window, WPARAM wParam) {
  int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  MainDialog& controller = window.controller;
  // Enter with no default button on hand reads as OK.
  if (id == IDOK) id = kOkButton;
  if (id >= kFirstItemCommand) return controller.command(id);
  const std::int32_t kind = kindOf(id);
  if (kind == kKindList) {
    if (code == CBN_SELCHANGE)
      controller.listSelectionChanged(id, int(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0)));
    return;
  }
  if (kind == kKindNumericField) {
    if (code != EN_CHANGE) return;
    char text[kFieldTextCapacity] = {};
    GetDlgItemTextA(dialog, id, text, kFieldTextCapacity);
    return controller.fieldTextChanged(id, text);
  }
  // A drawn button reports a quick second click as a double click; it is a click all the same.
  if (code == BN_CLICKED || (kind == kKindCheckBox && code == BN_DOUBLECLICKED)) controller.command(id);
}

INT_PTR handle(HWND dialog, DialogWindow& window, UINT message, WPARAM wParam, LPARAM lParam) {
  MainDialog& controller = window.controller;
  Win32DialogView& view = window.view;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      controller.buttonDown(pointOf(lParam), message == WM_RBUTTONDOWN || message == WM_RBUTTONDBLCLK,
                            (wParam & MK_CONTROL) != 0);
      return TRUE;
    case WM_MOUSEMOVE:
      trackLeave(dialog, window);
      controller.mouseMove(pointOf(lParam));
      return TRUE;
    case WM_MOUSELEAVE:
      window.tracksLeave = false;
      if (controller.capturedControl() == -1) controller.mouseMove({-1, -1});
      return TRUE;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      controller.buttonUp();
      return TRUE;
    case WM_CAPTURECHANGED:
      // Taken away by the system (a window popped up): the press ends as a release would.
      if (!view.releasingCapture() && controller.capturedControl() != -1) controller.buttonUp();
      return TRUE;
    case WM_TIMER:
      controller.timerFired(int(wParam));
      return TRUE;
    case WM_COMMAND:
      command(dialog, window, wParam);
      return TRUE;
    case WM_PAINT:
      view.paint();
      return TRUE;
    case WM_ERASEBKGND:
      view.eraseBackground(reinterpret_cast<HDC>(wParam));
      return answer(dialog, 1);
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<INT_PTR>(GetStockObject(HOLLOW_BRUSH));
    case WM_DRAWITEM:
      if (wParam != kGrayCheck) return FALSE;
      view.drawCheckBox(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_SETCURSOR:
      if (!view.applyCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam))) return FALSE;
      return answer(dialog, TRUE);
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK mainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogRun* run = nullptr;
  try {
    if (message == WM_INITDIALOG) {
      run = reinterpret_cast<DialogRun*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, 0);
      return open(dialog, *run);
    }
    DialogWindow* window = windowOf(dialog);
    if (!window) return FALSE;
    run = &window->run;
    if (message == WM_DESTROY) {
      SetWindowLongPtrA(dialog, DWLP_USER, 0);
      KillTimer(dialog, kCommitTimer);
      delete window;
      return FALSE;
    }
    return handle(dialog, *window, message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the system's code: the dialog closes and the error goes on
    // from runDialogWindow.
    if (run && !run->failure) run->failure = std::current_exception();
    EndDialog(dialog, kFailed);
    return TRUE;
  }
}

}  // namespace

DialogOutcome runDialogWindow(const DialogSession& session, void* parentWindow) {
  DialogRun run{session, static_cast<HMODULE>(platform::moduleHandle()), nullptr};
  const INT_PTR ended = DialogBoxParamA(run.module, kTemplate, static_cast<HWND>(parentWindow), mainDialogProc,
                                        reinterpret_cast<LPARAM>(&run));
  if (run.failure) std::rethrow_exception(run.failure);
  if (ended == kOkButton) return DialogOutcome::Ok;
  if (ended == -1 || ended == 0) return DialogOutcome::NotShown;
  return DialogOutcome::Cancel;
}

}  // namespace qm::ui
