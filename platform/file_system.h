// SPDX-License-Identifier: LicenseRef-Quillmark
// The few file-system facts and moves the command needs beyond the C library: what a path
// is, a file made only if it did not exist, data forced to disk, and one file replacing
// another in a single step.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qm::platform {

enum class PathKind { Missing, RegularFile, Directory, Other };

struct PathInfo {
  PathKind kind = PathKind::Missing;
  std::uint64_t size = 0;
  int error = 0;  // errno when the path could not be examined
};
PathInfo pathInfo(const std::string& path);

enum class CreateResult { Created, Exists, Failed };
// Creates an empty file at path only when none exists there. With `permissionsOf` naming
// an existing file, the new one gets its permissions where the system has them.
CreateResult createNewFile(const std::string& path, const std::string& permissionsOf);
// Forces the written file's data to the disk; false (errno set) when that fails.
bool flushToDisk(const std::string& path);
// Moves `from` over `to` in one step, replacing an existing `to`; false (errno set) on failure.
bool replaceFile(const std::string& from, const std::string& to);

struct FolderEntry {
  std::string name;  // without the folder
  PathKind kind = PathKind::Other;  // a link is Other, whatever it points at
  bool readOnly = false;            // we may not write it
};
// The entries of a folder ("." and ".." left out), in no particular order; false when the
// folder cannot be read.
bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries);

int processId();
bool isTerminal(std::FILE* stream);

// Both folder separators of the system ('/' everywhere, '\' too on Windows).
const char* pathSeparators();

// The folder part of a path, ending in its separator (empty for a bare name), and the name
// after it.
inline std::string folderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of(pathSeparators());
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}
inline std::string fileNameOf(const std::string& path) { return path.substr(folderOf(path).size()); }

}  // namespace qm::platform
