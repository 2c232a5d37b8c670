// SPDX-License-Identifier: LicenseRef-Quillmark
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/file_system.h"

namespace qm::platform {
PathInfo pathInfo(const std::string& path) {
  PathInfo info;
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    info.error = errno;
    return info;
  }
  info.kind = S_ISREG(status.st_mode) ? PathKind::RegularFile
              : S_ISDIR(status.st_mode) ? PathKind::Directory
                                        : PathKind::Other;
  info.size = std::uint64_t(status.st_size);
  return info;
}

CreateResult createNewFile(const std::string& path, const std::string& permissionsOf) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? CreateResult::Exists : CreateResult::Failed;
  struct stat model {};
  if (!permissionsOf.empty() && ::stat(permissionsOf.c_str(), &model) == 0 && S_ISREG(model.st_mode))
    (void)::fchmod(fd, model.st_mode & 07777);
  ::close(fd);
  return CreateResult::Created;
}

bool flushToDisk(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool flushed = ::fsync(fd) == 0;
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return flushed;
}

bool replaceFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  DIR* listing = ::opendir(folder.c_str());
  if (!listing) return false;
  const int folderDescriptor = ::dirfd(listing);
  while (const dirent* found = ::readdir(listing)) {
    const std::string name = found->d_name;
    if (name == "." || name == "..") continue;
    FolderEntry entry;
    entry.name = name;
    struct stat status {};
    if (::fstatat(folderDescriptor, found->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
      entry.kind = PathKind::Missing;  // gone since it was listed
    } else {
      entry.kind = S_ISREG(status.st_mode)   ? PathKind::RegularFile
                   : S_ISDIR(status.st_mode) ? PathKind::Directory
                                             : PathKind::Other;
    }
    // Like the read-only mark elsewhere: the owner's write permission cleared, even for a
    // user the system would let write anyway.
    entry.readOnly = (entry.kind != PathKind::Missing && (status.st_mode & S_IWUSR) == 0) ||
                     ::faccessat(folderDescriptor, found->d_name, W_OK, AT_EACCESS) != 0;
    entries.push_back(std::move(entry));
  }
  ::closedir(listing);
  return true;
}

int processId() { return int(::getpid()); }

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

const char* pathSeparators() { return "/"; }

}  // namespace qm::platform
