// SPDX-License-Identifier: LicenseRef-Quillmark
// Loading the plug-in the way a host does. Where the library carries a property list (the
// Windows .8bf), the entry point's name comes from it, for this program's processor;
// elsewhere the entry point is PluginMain.
#pragma once

#include <optional>
#include <string>

#include "cli/property_list_reader.h"
#include "cli/substitute_host.h"
#include "platform/dynamic_library.h"

namespace qm::cli {

struct LoadedPlugin {
  platform::DynamicLibrary library;
  PluginEntry entry = nullptr;
  std::optional<PluginProperties> properties;
};

bool loadPlugin(const std::string& path, LoadedPlugin& plugin, std::string& error);

// The plug-in beside the running program.
std::string defaultPluginPath();
// The plug-in a command runs: the one given, else $QUILLMARK_PLUGIN, else the default.
std::string pluginPathFor(const std::string& given);

}  // namespace qm::cli
