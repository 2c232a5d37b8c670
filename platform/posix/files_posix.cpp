// SPDX-License-Identifier: LicenseRef-Quillmark
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/file_system.h"
#include "platform/files.h"

namespace qm::platform {
namespace {

int descriptorOf(void* handle) { return int(reinterpret_cast<std::intptr_t>(handle)) - 1; }
void* handleOf(int descriptor) { return reinterpret_cast<void*>(std::intptr_t(descriptor) + 1); }

std::string withoutTrailingSlashes(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  return path;
}

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  // A session without HOME (a service, a stripped environment) still has a password entry.
  std::vector<char> scratch(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, scratch.data(), scratch.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  return {};
}

// The base of per-user state, without its last slash: XDG_STATE_HOME when absolute (a
// relative one is to be ignored), else ~/.local/state. False without a home.
bool findStateFolder(std::string& folder) {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') {
    folder = withoutTrailingSlashes(state);
    return true;
  }
  const std::string home = homeFolder();
  folder = withoutTrailingSlashes(home) + "/.local/state";
  return !home.empty();
}

// Every missing folder on the way is made for the user alone; existing ones are left as
// they are. Whether the last one is usable is judged afterwards.
void makeFolders(const std::string& path) {
  for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
    (void)::mkdir(path.substr(0, at).c_str(), 0700);
  (void)::mkdir(path.c_str(), 0700);
}

// Ours and private: a real folder (not a link to one) owned by us, closed to everyone else.
// Looked at through one descriptor, so what is checked is what is changed.
bool makePrivate(const std::string& folder) {
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) return false;
  struct stat status {};
  bool usable = ::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid();
  if (usable && (status.st_mode & 077) != 0) usable = ::fchmod(descriptor, 0700) == 0;
  ::close(descriptor);
  return usable;
}

// A name no other file has had in this folder, so O_EXCL rarely needs a second try.
std::string freshName(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  return folder + ".quillmark-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
}

// The process's umask, read by setting it and putting it back at once.
mode_t currentUmask() {
  const mode_t mask = ::umask(0077);
  ::umask(mask);
  return mask;
}

}  // namespace

std::string temporaryFolder() {
  std::string base;
  if (!findStateFolder(base)) return kNoFolder;
  const std::string folder = base + "/quillmark";
  makeFolders(folder);
  return makePrivate(folder) ? folder + "/" : kNoFolder;
}

File::~File() { close(); }

int File::openForReading(const std::string& path) {
  close();
  // Non-blocking, so that a pipe planted at the path cannot hold the open; it is refused
  // below with everything else that is no plain file.
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (descriptor < 0) return kOpenRefused;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
      ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(descriptor);
    return kOpenRefused;
  }
  handle_ = handleOf(descriptor);
  return 0;
}

int File::openForWriting(const std::string& path) {
  close();
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (descriptor < 0) return kOpenRefused;
  handle_ = handleOf(descriptor);
  return 0;
}

int File::openForReplacing(const std::string& path) {
  close();
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string fresh = freshName(folder);
    const int descriptor = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor >= 0) {
      handle_ = handleOf(descriptor);
      freshPath_ = fresh;
      finalPath_ = path;
      return 0;
    }
    if (errno != EEXIST) break;
  }
  return kOpenRefused;
}

int File::commitReplacement() {
  if (!handle_ || freshPath_.empty()) return kWriteFailed;
  const int descriptor = descriptorOf(handle_);
  // The file replaced keeps the permissions its owner gave it; a new one gets what the
  // user's umask gives any new file (the fresh file was made private while it was written).
  struct stat old {};
  if (::lstat(finalPath_.c_str(), &old) == 0 && S_ISREG(old.st_mode))
    (void)::fchmod(descriptor, old.st_mode & 0777);
  else
    (void)::fchmod(descriptor, 0666 & ~currentUmask());
  const bool flushed = ::fsync(descriptor) == 0;
  ::close(descriptor);
  handle_ = nullptr;
  if (!flushed || !replaceFile(freshPath_, finalPath_)) {
    close();
    return kWriteFailed;
  }
  freshPath_.clear();
  finalPath_.clear();
  return 0;
}

int File::read(void* bytes, std::size_t count) {
  if (!handle_) return kReadFailed;
  auto* at = static_cast<std::uint8_t*>(bytes);
  while (count > 0) {
    const ssize_t got = ::read(descriptorOf(handle_), at, count);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return kReadFailed;
    at += got;
    count -= std::size_t(got);
  }
  return 0;
}

int File::write(const void* bytes, std::size_t count) {
  if (!handle_) return kWriteFailed;
  const auto* at = static_cast<const std::uint8_t*>(bytes);
  while (count > 0) {
    const ssize_t put = ::write(descriptorOf(handle_), at, count);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return kWriteFailed;
    at += put;
    count -= std::size_t(put);
  }
  return 0;
}

int File::truncateHere() {
  if (!handle_) return kWriteFailed;
  const off_t here = ::lseek(descriptorOf(handle_), 0, SEEK_CUR);
  return here >= 0 && ::ftruncate(descriptorOf(handle_), here) == 0 ? 0 : kWriteFailed;
}

void File::close() {
  if (handle_) ::close(descriptorOf(handle_));
  handle_ = nullptr;
  if (!freshPath_.empty()) (void)::unlink(freshPath_.c_str());
  freshPath_.clear();
  finalPath_.clear();
}

}  // namespace qm::platform
