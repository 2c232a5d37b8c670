// SPDX-License-Identifier: LicenseRef-Quillmark
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "platform/file_system.h"

namespace qm::platform {
namespace {

// The C runtime's stat refuses a folder named with a separator at its end ("C:\work\"),
// except a drive's root, which needs it.
std::string withoutTrailingSeparators(std::string path) {
  const auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  const std::size_t keep = path.size() >= 2 && path[1] == ':' ? 3 : 1;
  while (path.size() > keep && isSeparator(path.back())) path.pop_back();
  return path;
}

}  // namespace

PathInfo pathInfo(const std::string& path) {
  PathInfo info;
  struct _stat64 status {};
  if (::_stat64(withoutTrailingSeparators(path).c_str(), &status) != 0) {
    info.error = errno;
    return info;
  }
  info.kind = (status.st_mode & _S_IFREG) ? PathKind::RegularFile
              : (status.st_mode & _S_IFDIR) ? PathKind::Directory
                                            : PathKind::Other;
  info.size = std::uint64_t(status.st_size);
  return info;
}

CreateResult createNewFile(const std::string& path, const std::string&) {
  const int fd = ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  if (fd < 0) return errno == EEXIST ? CreateResult::Exists : CreateResult::Failed;
  ::_close(fd);
  return CreateResult::Created;
}

bool flushToDisk(const std::string& path) {
  const int fd = ::_open(path.c_str(), _O_RDWR | _O_BINARY);
  if (fd < 0) return false;
  const bool flushed = ::_commit(fd) == 0;
  ::_close(fd);
  return flushed;
}

// A plain rename refuses to replace an existing file on Windows.
bool replaceFile(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}

bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += "*.*";
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty drive root
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    FolderEntry entry;
    entry.name = name;
    const DWORD attributes = found.dwFileAttributes;
    entry.kind = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? PathKind::Other
                 : (attributes & FILE_ATTRIBUTE_DIRECTORY)   ? PathKind::Directory
                                                             : PathKind::RegularFile;
    entry.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    entries.push_back(entry);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return true;
}

int processId() { return ::_getpid(); }

bool isTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

const char* pathSeparators() { return "/\\"; }

}  // namespace qm::platform
