// SPDX-License-Identifier: LicenseRef-Quillmark
// The host's scripting descriptor: on replay it brings the settings (and says whether to
// show the dialog); after a run we hand back the settings we used, for the host to record.
// Every value read is brought into its range before anything can use it.
#pragma once

#include "host/plugin_interface.h"

namespace qm {

struct InkSettings;
struct FilterState;

// The host offers descriptors with complete procedure tables of the versions we know.
bool descriptorUsable(const pi::FilterRecord& record);
// Hosts whose descriptors we do not trust are treated as offering none.
bool hostSuppliesDescriptor(const pi::FilterRecord& record);

// Reads the settings from the descriptor (defaults first) and decides whether the dialog is
// shown; returns the show-dialog flag of the state.
bool readScriptingParameters(pi::FilterRecord& record, InkSettings& settings, FilterState& state);
void writeScriptingParameters(pi::FilterRecord& record, const InkSettings& settings);

}  // namespace qm
