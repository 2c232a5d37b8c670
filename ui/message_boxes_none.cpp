// SPDX-License-Identifier: LicenseRef-Quillmark
// Platforms without dialogs: nothing is shown, and the caller says so another way.
#include "ui/message_boxes.h"

namespace qm::ui {

bool showMessage(const Message&, void*) { return false; }
bool showAboutBox(void*) { return false; }

}  // namespace qm::ui
