// SPDX-License-Identifier: LicenseRef-Quillmark
// Where start hands over to the main dialog: the dialog edits the settings in place, with
// its preview rendered from the run's working set. Where the system has no dialog window
// the answer is OK, so the run renders the settings as they stand.
#pragma once

#include <cstdint>

#include "ui/dialog_window.h"

namespace qm {

struct FilterState;

// How the dialog ended, or that none could be shown. Every preview starts the generator at
// `renderSeed`; so must the final render, so that the document gets what the preview showed.
ui::DialogOutcome RunSettingsDialog(FilterState& state, std::uint32_t renderSeed);

}  // namespace qm
