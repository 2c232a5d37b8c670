// SPDX-License-Identifier: LicenseRef-Quillmark
// The command's preset and random-look commands: a preset file shown, written or brought up
// to date, and a random look printed. Pictures of a look are rendered by the plug-in itself,
// through the substitute host, from the centre of a picture the user names.
#pragma once

#include <string>

#include "cli/command_line.h"
#include "cli/host_descriptor.h"

namespace qm::cli {

// Each returns the exit status; on failure `error` holds the one line to print.
int showPreset(const Command& command, std::string& error);
int savePreset(const Command& command, std::string& error);
int convertPresets(const Command& command, std::string& error);
int printRandomLook(const Command& command, std::string& error);

// The look a command asks for: the --settings file, then the --preset file's look over it,
// then the look options. 0, or the exit status of the failure.
int lookOfCommand(const Command& command, DescriptorItems& look, std::string& error);

// All ten values of a preset file as settings items (values it lacks at their defaults);
// false with the reason when the file is no preset we can read.
bool presetItems(const std::string& path, DescriptorItems& items, std::string& error);

}  // namespace qm::cli
