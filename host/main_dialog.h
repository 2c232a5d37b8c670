// SPDX-License-Identifier: LicenseRef-Quillmark
// Where start hands over to the main dialog. Until the dialog exists, the user's answer is
// always OK, so a run with the dialog renders the settings as they stand.
#pragma once

namespace qm {

struct InkSettings;

// True when the dialog ended with OK.
bool runMainDialog(InkSettings& settings);

}  // namespace qm
