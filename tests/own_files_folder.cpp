// SPDX-License-Identifier: LicenseRef-Quillmark
// Every test process keeps the filter's own files (cached settings, memory dots, undo) in a
// fresh folder of its own, removed at exit: a render in one test must not hand its look to
// the next, and no test may touch the user's real files. Commands the tests start inherit it.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class OwnFilesFolder {
 public:
  OwnFilesFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillmark-test-state-XXXXXX").string();
    if (::mkdtemp(pattern.data())) {
      folder_ = pattern;
      ::setenv("XDG_STATE_HOME", folder_.c_str(), 1);
    }
  }
  ~OwnFilesFolder() {
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }

 private:
  std::string folder_;
};

const OwnFilesFolder ownFilesFolder;

}  // namespace
