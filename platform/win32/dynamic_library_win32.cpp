// SPDX-License-Identifier: LicenseRef-Quillmark
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/dynamic_library.h"

namespace qm::platform {

DynamicLibrary::~DynamicLibrary() { close(); }

bool DynamicLibrary::open(const std::string& path, std::string& error) {
  close();
  handle_ = LoadLibraryA(path.c_str());
  if (!handle_) {
    error = "cannot load the plug-in " + path + " (system error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  return true;
}

void* DynamicLibrary::symbol(const char* name) const {
  return handle_ ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)) : nullptr;
}

void DynamicLibrary::close() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

std::string executableFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (!length || length >= MAX_PATH) return ".";
  std::string full(path, length);
  const std::size_t slash = full.find_last_of("\\/");
  return slash == std::string::npos ? "." : full.substr(0, slash);
}

}  // namespace qm::platform
