// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/main_dialog.h"

#include "host/dialog_document.h"
#include "host/filter_state.h"
#include "host/host_image.h"
#include "host/module_state.h"
#include "ui/dialog_window.h"

namespace qm {

ui::DialogOutcome RunSettingsDialog(FilterState& state, std::uint32_t renderSeed) {
  ModuleState& module = moduleState();
  // Without a working set there is nothing to preview; start reports the memory when it renders.
  if (!provideWorkingSet(state)) return ui::DialogOutcome::NotShown;
  DialogDocument document;
  const ui::DialogSession session{module.settings, &state.undo, &state.preview, state.render, &document, renderSeed};
  module.dialogOpen = true;
  const ui::DialogOutcome outcome = ui::runDialogWindow(session, hostWindow(*module.record));
  module.dialogOpen = false;
  return outcome;
}

}  // namespace qm
