// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/version_report.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include <jpeglib.h>
#include <libdeflate.h>
#include <png.h>
#include <tiffio.h>
#include <tiffvers.h>
#include <zlib.h>

#include "cli/plugin_loader.h"
#include "quillmark_version.h"

namespace qm::cli {
namespace {

std::string dotted(long number, long scale) {
  return std::to_string(number / (scale * scale)) + "." + std::to_string(number / scale % scale) + "." +
         std::to_string(number % scale);
}

// "LIBTIFF, Version 4.5.0\nCopyright ..." gives "4.5.0".
std::string tiffRunTimeVersion() {
  const std::string text = TIFFGetVersion();
  const std::string marker = "Version ";
  const std::size_t at = text.find(marker);
  if (at == std::string::npos) return text.substr(0, text.find('\n'));
  const std::size_t from = at + marker.size();
  return text.substr(from, text.find_first_of("\n ", from) - from);
}

void line(std::ostringstream& out, const char* label, const std::string& value) {
  std::string padded = label;
  padded.resize(12, ' ');
  out << padded << value << '\n';
}

}  // namespace

const char* commandVersion() { return QUILLMARK_VERSION; }

std::vector<LibraryVersion> libraryVersions() {
  return {
      {"libpng", PNG_LIBPNG_VER_STRING, png_get_libpng_ver(nullptr)},
      {"zlib", ZLIB_VERSION, zlibVersion()},
      {"libtiff",
       std::to_string(TIFFLIB_MAJOR_VERSION) + "." + std::to_string(TIFFLIB_MINOR_VERSION) + "." +
           std::to_string(TIFFLIB_MICRO_VERSION),
       tiffRunTimeVersion()},
#if defined(LIBJPEG_TURBO_VERSION_NUMBER)
      {"libjpeg-turbo", dotted(LIBJPEG_TURBO_VERSION_NUMBER, 1000) + " (libjpeg " + std::to_string(JPEG_LIB_VERSION) + ")",
       ""},
#else
      {"libjpeg", std::to_string(JPEG_LIB_VERSION), ""},
#endif
      {"libdeflate", LIBDEFLATE_VERSION_STRING, ""},
  };
}

VersionReport versionReport(const std::string& pluginPath) {
  VersionReport report;
  std::ostringstream out;
  line(out, "quillmark", commandVersion());
  line(out, "plug-in", pluginPath);
  LoadedPlugin plugin;
  std::string error;
  if (!loadPlugin(pluginPath, plugin, error)) {
    report.problem = error;
    line(out, "", "cannot be loaded: " + error);
  } else if (!plugin.properties || !plugin.properties->component) {
    report.problem = pluginPath + " names no version (a plug-in older than this command?)";
    line(out, "", "version unknown: its property list names none");
  } else {
    const ComponentVersion& component = *plugin.properties->component;
    const std::string numbers = componentVersionNumbers(component.number);
    std::string version = "version " + component.text;
    if (component.text != commandVersion()) {
      report.problem = pluginPath + " is version " + component.text + ", not the command's " + commandVersion();
      version += " (not the command's version)";
    } else if (component.text.rfind(numbers, 0) != 0) {
      report.problem = pluginPath + " names version " + component.text + " but numbers it " + numbers;
      version += " (numbered " + numbers + ")";
    }
    line(out, "", version);
  }
  out << "libraries   built with, running with\n";
  for (const LibraryVersion& library : libraryVersions()) {
    std::string name = "  " + library.name;
    name.resize(17, ' ');
    std::string built = library.builtWith;
    built.resize(std::max<std::size_t>(built.size() + 2, 20), ' ');
    out << name << built << (library.runsWith.empty() ? "(no run-time version call)" : library.runsWith) << '\n';
  }
  report.text = out.str();
  return report;
}

}  // namespace qm::cli
