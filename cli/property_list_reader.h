// SPDX-License-Identifier: LicenseRef-Quillmark
// Reading a plug-in's property list as a host does: what the plug-in is called, where its
// entry point is for each processor, which image modes it takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm::cli {

// 'cmpt': the plug-in's own version (resources/property_list.h), not its interface's.
struct ComponentVersion {
  std::uint32_t number = 0;  // (major << 16) | (minor << 8) | patch
  std::string text;          // the full version, e.g. "4.0.0+g1a2b3c4"
};

struct PluginProperties {
  std::uint32_t kind = 0;       // '8BFM' for a filter
  std::uint32_t version = 0;    // interface version, major in the high 16 bits
  std::optional<ComponentVersion> component;  // none in a plug-in older than 'cmpt'
  std::string name;
  std::string category;
  std::string entryX86;         // 'wx86'
  std::string entryX64;         // '8664'
  std::vector<int> modes;       // image mode numbers the 'mode' flags admit
  std::uint32_t scriptingClass = 0;
  std::uint32_t scriptingEvent = 0;
  int terminologyId = 0;
  std::string scope;
  std::vector<std::string> enableExpressions;
  std::vector<std::uint8_t> filterCases;  // 4 bytes per case, cases 1..7
};

// False with a one-line reason for a list that is short, of another version, whose
// properties run past its end, or whose 'cmpt' is cut short (no number and terminated text). Property lengths are read rounded up to 4 bytes, so lists
// written with exact lengths read as well as padded ones.
bool readPropertyList(const std::uint8_t* bytes, std::size_t size, PluginProperties& properties,
                      std::string& error);

// "4.0.0" from a 'cmpt' number.
std::string componentVersionNumbers(std::uint32_t number);

// The entry point for this program's processor.
const std::string& entryPointFor(const PluginProperties& properties);

}  // namespace qm::cli
