// SPDX-License-Identifier: LicenseRef-Quillmark
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "platform/file_system.h"
#include "platform/signal_safe_path.h"

namespace qm::platform {
namespace {

SignalSafePath temporaryFile;

// An ignored signal stays ignored; one blocked by whoever started us is let through.
void catchSignal(int signal, void (*handler)(int)) {
  struct sigaction previous {};
  if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return;
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(signal, &action, nullptr);
  sigset_t unblocked;
  sigemptyset(&unblocked);
  sigaddset(&unblocked, signal);
  ::sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);
}

}  // namespace

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

int processId() { return int(::getpid()); }

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

const char* pathSeparators() { return "/"; }

void catchInterrupt(void (*handler)(int)) { catchSignal(SIGINT, handler); }

void catchTermination(void (*handler)(int)) {
  for (int signal : {SIGHUP, SIGQUIT, SIGTERM, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ})
    catchSignal(signal, handler);
}

bool rememberTemporaryFile(const std::string& path) { return temporaryFile.set(path); }

void forgetTemporaryFile() { temporaryFile.clear(); }

// unlink and _exit are safe in a signal handler.
void exitAtOnce(int status) {
  if (const char* path = temporaryFile.get()) ::unlink(path);
  ::_exit(status);
}

}  // namespace qm::platform
