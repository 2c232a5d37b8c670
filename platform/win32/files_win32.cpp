// SPDX-License-Identifier: LicenseRef-Quillmark
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/files.h"

namespace qm::platform {
namespace {

HANDLE handleOf(void* handle) { return static_cast<HANDLE>(handle); }

void* openFile(const std::string& path, DWORD access, DWORD disposition) {
  HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
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
}

}  // namespace qm::platform
