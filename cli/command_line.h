// SPDX-License-Identifier: LicenseRef-Quillmark
// The quillmark command's arguments: what to do, and the settings that travel to the
// plug-in as a scripting descriptor.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/contact_sheet.h"
#include "cli/host_descriptor.h"

namespace qm::cli {

enum class CommandKind {
  Help, Version, Styles, Blends, PluginInfo, About, Render, Sheet, Random, PresetShow, PresetSave, PresetConvert, Catalogue
};

struct Command {
  CommandKind kind = CommandKind::Help;
  std::string input;
  std::string output;
  std::string mask;
  std::string settingsFile;
  std::string presetFile;     // --preset, or the file of a preset command
  std::string pictureOutput;  // preset show --picture
  std::string pictureFrom;    // preset save and convert: the picture the look is shown on
  std::string folder;         // preset convert, catalogue
  std::string psdOutput;      // render --psd: the layered file, beside or instead of OUT
  std::string pluginPath;
  DescriptorItems settings;  // only the values given on the command line
  std::optional<std::uint32_t> seed;
  bool printSettings = false;
  bool showDialog = false;  // the plug-in's dialog first, as a paint program shows it
  bool progress = true;
  bool leanHost = false;
  int repeat = 0;
  std::int32_t cropWidth = kDefaultCropWidth;  // the contact sheet's cells
  std::int32_t cropHeight = kDefaultCropHeight;
};

// False with a one-line error for anything the command cannot accept.
bool parseCommandLine(const std::vector<std::string>& arguments, Command& command, std::string& error);

// The descriptor item --style would give, for the contact sheet's cells.
DescriptorItem styleSetting(std::int32_t style);

std::string helpText();
// "  1  diffusion" lines for every style, or every blend mode.
std::string styleList();
std::string blendList();

}  // namespace qm::cli
