// SPDX-License-Identifier: LicenseRef-Quillmark
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/file_system.h"
#include "platform/signal_safe_path.h"

namespace qm::platform {
namespace {

SignalSafePath temporaryFile;
void (*interruptHandler)(int) = nullptr;

// The C runtime puts the default handler back before it calls ours: set ours again first,
// so that a second Ctrl-C reaches it too.
void onInterrupt(int signal) {
  std::signal(SIGINT, onInterrupt);
  interruptHandler(signal);
}

}  // namespace

PathInfo pathInfo(const std::string& path) {
  PathInfo info;
  struct _stat64 status {};
  if (::_stat64(path.c_str(), &status) != 0) {
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

int processId() { return ::_getpid(); }

bool isTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

const char* pathSeparators() { return "/\\"; }

void catchInterrupt(void (*handler)(int)) {
  interruptHandler = handler;
  std::signal(SIGINT, onInterrupt);
}

void catchTermination(void (*handler)(int)) {
  for (int signal : {SIGBREAK, SIGTERM}) std::signal(signal, handler);
}

bool rememberTemporaryFile(const std::string& path) { return temporaryFile.set(path); }

void forgetTemporaryFile() { temporaryFile.clear(); }

// The system runs the handlers of Ctrl-C and Ctrl-Break on a thread of their own while the
// writer may still hold the file open, in which case it cannot be removed: a best effort.
void exitAtOnce(int status) {
  if (const char* path = temporaryFile.get()) DeleteFileA(path);
  std::_Exit(status);
}

}  // namespace qm::platform
