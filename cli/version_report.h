// SPDX-License-Identifier: LicenseRef-Quillmark
// What `quillmark --version` prints: the command's own version, the plug-in it would load with
// the version that plug-in's property list names, and the image libraries the command was
// built with and runs with.
#pragma once

#include <string>
#include <vector>

namespace qm::cli {

// The command's version, as tools/version printed it when the command was built.
const char* commandVersion();

struct LibraryVersion {
  std::string name;
  std::string builtWith;  // from the library's headers
  std::string runsWith;   // from the library itself; empty where it offers no call for it
};
std::vector<LibraryVersion> libraryVersions();

struct VersionReport {
  std::string text;     // for the standard output, whatever the plug-in's state
  std::string problem;  // empty when the plug-in loads and names the command's version
};

// Loads the plug-in at pluginPath (not calling it) to read its version.
VersionReport versionReport(const std::string& pluginPath);

}  // namespace qm::cli
