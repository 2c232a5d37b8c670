// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/plugin_loader.h"

#include <cstdlib>

#include "settings/four_char_code.h"

namespace qm::cli {
namespace {

constexpr int kPropertyListId = 16000;

}  // namespace

bool loadPlugin(const std::string& path, LoadedPlugin& plugin, std::string& error) {
  if (!plugin.library.open(path, error)) return false;
  std::string entryName = "PluginMain";
  const void* data = nullptr;
  std::size_t size = 0;
  if (plugin.library.resource("PIPL", kPropertyListId, data, size)) {
    PluginProperties properties;
    if (!readPropertyList(static_cast<const std::uint8_t*>(data), size, properties, error)) {
      error = path + ": " + error;
      return false;
    }
    if (properties.kind != fourCharCode("8BFM")) {
      error = path + " is not a filter plug-in";
      return false;
    }
    entryName = entryPointFor(properties);
    if (entryName.empty()) {
      error = path + " has no entry point for this processor";
      return false;
    }
    plugin.properties = properties;
  }
  plugin.entry = reinterpret_cast<PluginEntry>(plugin.library.symbol(entryName.c_str()));
  if (!plugin.entry) {
    error = path + " exports no " + entryName;
    return false;
  }
  return true;
}

std::string defaultPluginPath() {
#if defined(_WIN32)
  return platform::executableFolder() + "\\Quillmark.8bf";
#else
  return platform::executableFolder() + "/Quillmark.so";
#endif
}

std::string pluginPathFor(const std::string& given) {
  if (!given.empty()) return given;
  if (const char* path = std::getenv("QUILLMARK_PLUGIN")) return path;
  return defaultPluginPath();
}

}  // namespace qm::cli
