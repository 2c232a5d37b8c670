// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/dialog_window.h"

namespace qm::ui {

DialogOutcome runDialogWindow(const DialogSession&, void*) { return DialogOutcome::NotShown; }

}  // namespace qm::ui
