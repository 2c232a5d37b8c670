// SPDX-License-Identifier: LicenseRef-Quillmark
// Showing the main dialog in a window of the system. Windows has one (ui/win32/); where a
// platform has none the call answers that no dialog was shown, and the run goes on with the
// settings as they stand.
#pragma once

#include "ui/main_dialog.h"

namespace qm::ui {

enum class DialogOutcome { NotShown, Ok, Cancel };

// Runs the modal dialog over `parentWindow` (null: the desktop) until OK or Cancel.
DialogOutcome runDialogWindow(const DialogSession& session, void* parentWindow);

}  // namespace qm::ui
