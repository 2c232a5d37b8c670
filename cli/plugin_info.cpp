// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/plugin_info.h"

#include <sstream>

#include "settings/four_char_code.h"

namespace qm::cli {
namespace {

const char* modeName(int mode) {
  static const char* const kNames[] = {"bitmap", "grayscale", "indexed", "RGB", "CMYK", "HSL", "HSB",
                                       "multichannel", "duotone", "Lab", "gray 16", "RGB 48", "Lab 48",
                                       "CMYK 64", "deep multichannel", "duotone 16", "RGB 96", "gray 32"};
  return mode >= 0 && mode < int(std::size(kNames)) ? kNames[mode] : "unknown";
}

void line(std::ostringstream& out, const char* label, const std::string& value) {
  std::string padded = label;
  padded.resize(12, ' ');
  out << padded << value << '\n';
}

}  // namespace

std::string describePlugin(const std::string& path, const std::optional<PluginProperties>& properties) {
  std::ostringstream out;
  line(out, "file", path);
  if (!properties) {
    line(out, "properties", "none (a library without resources; entry point PluginMain)");
    return out.str();
  }
  const PluginProperties& p = *properties;
  line(out, "name", p.name);
  line(out, "category", p.category);
  line(out, "kind", fourCharCodeText(p.kind));
  line(out, "version", std::to_string(p.version >> 16) + "." + std::to_string(p.version & 0xFFFF));
  line(out, "product", p.component ? p.component->text + " (component version " +
                                         componentVersionNumbers(p.component->number) + ")"
                                   : "(no component version)");
  line(out, "entry x86", p.entryX86.empty() ? "(none)" : p.entryX86);
  line(out, "entry x64", p.entryX64.empty() ? "(none)" : p.entryX64);
  std::string modes;
  for (int mode : p.modes) modes += std::string(modes.empty() ? "" : ", ") + modeName(mode);
  line(out, "modes", modes.empty() ? "(none)" : modes);
  line(out, "scripting",
       fourCharCodeText(p.scriptingClass) + " " + fourCharCodeText(p.scriptingEvent) + ", terminology " +
           std::to_string(p.terminologyId) + ", scope \"" + p.scope + "\"");
  for (const std::string& expression : p.enableExpressions) line(out, "enabled if", expression);
  std::string cases;
  for (std::size_t i = 0; i + 3 < p.filterCases.size(); i += 4)
    cases += std::string(cases.empty() ? "" : " ") + std::to_string(p.filterCases[i]) + "/" +
             std::to_string(p.filterCases[i + 1]) + "/" + std::to_string(p.filterCases[i + 2]);
  line(out, "cases", cases.empty() ? "(none)" : cases);
  return out.str();
}

}  // namespace qm::cli
