// SPDX-License-Identifier: LicenseRef-Quillmark
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "platform/files.h"

namespace qm::platform {
namespace {

int descriptorOf(void* handle) { return int(reinterpret_cast<std::intptr_t>(handle)) - 1; }
void* handleOf(int descriptor) { return reinterpret_cast<void*>(std::intptr_t(descriptor) + 1); }

}  // namespace

std::string temporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  std::string path = folder && *folder ? folder : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

File::~File() { close(); }

int File::openForReading(const std::string& path) {
  close();
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return kOpenRefused;
  // A folder opens for reading here, but is no file: refuse it as Windows does.
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
    ::close(descriptor);
    return kOpenRefused;
  }
  handle_ = handleOf(descriptor);
  return 0;
}

int File::openForWriting(const std::string& path) {
  close();
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (descriptor < 0) return kOpenRefused;
  handle_ = handleOf(descriptor);
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
}

}  // namespace qm::platform
