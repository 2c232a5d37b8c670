// SPDX-License-Identifier: LicenseRef-Quillmark
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <atomic>

#include "platform/file_system.h"
#include "platform/files.h"

namespace qm::platform {
namespace {

HANDLE handleOf(void* handle) { return static_cast<HANDLE>(handle); }

void* openFile(const std::string& path, DWORD access, DWORD disposition) {
  HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

// A name no other file has had in this folder, so CREATE_NEW rarely needs a second try.
std::string freshName(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  return folder + "~quillmark-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + ".tmp";
}

}  // namespace

std::string temporaryFolder() {
  char folder[MAX_PATH + 1];
  const DWORD length = GetTempPathA(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return "C:\\Windows\\Temp\\";
  return std::string(folder, length);
}

File::~File() { close(); }

int File::openForReading(const std::string& path) {
  close();
  handle_ = openFile(path, GENERIC_READ, OPEN_EXISTING);
  return handle_ ? 0 : kOpenRefused;
}

int File::openForWriting(const std::string& path) {
  close();
  handle_ = openFile(path, GENERIC_WRITE, OPEN_ALWAYS);
  return handle_ ? 0 : kOpenRefused;
}

int File::openForReplacing(const std::string& path) {
  close();
  const std::size_t separator = path.find_last_of("\\/");
  const std::string folder = separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string fresh = freshName(folder);
    if (void* file = openFile(fresh, GENERIC_WRITE, CREATE_NEW)) {
      handle_ = file;
      freshPath_ = fresh;
      finalPath_ = path;
      return 0;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  return kOpenRefused;
}

int File::commitReplacement() {
  if (!handle_ || freshPath_.empty()) return kWriteFailed;
  const bool flushed = FlushFileBuffers(handleOf(handle_)) != 0;
  CloseHandle(handleOf(handle_));
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
  auto* at = static_cast<BYTE*>(bytes);
  while (handle_ && count > 0) {
    DWORD got = 0;
    const DWORD asked = count > 0x10000000 ? 0x10000000 : DWORD(count);
    if (!ReadFile(handleOf(handle_), at, asked, &got, nullptr) || got == 0) return kReadFailed;
    at += got;
    count -= got;
  }
  return handle_ ? 0 : kReadFailed;
}

int File::write(const void* bytes, std::size_t count) {
  const auto* at = static_cast<const BYTE*>(bytes);
  while (handle_ && count > 0) {
    DWORD put = 0;
    const DWORD asked = count > 0x10000000 ? 0x10000000 : DWORD(count);
    if (!WriteFile(handleOf(handle_), at, asked, &put, nullptr) || put == 0) return kWriteFailed;
    at += put;
    count -= put;
  }
  return handle_ ? 0 : kWriteFailed;
}

int File::truncateHere() { return handle_ && SetEndOfFile(handleOf(handle_)) ? 0 : kWriteFailed; }

void File::close() {
  if (handle_) CloseHandle(handleOf(handle_));
  handle_ = nullptr;
  if (!freshPath_.empty()) DeleteFileA(freshPath_.c_str());
  freshPath_.clear();
  finalPath_.clear();
}

}  // namespace qm::platform
