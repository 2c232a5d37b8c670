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

bool DynamicLibrary::resource(const char* type, int id, const void*& data, std::size_t& size) const {
  data = nullptr;
  size = 0;
  if (!handle_) return false;
  const auto module = static_cast<HMODULE>(handle_);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  data = loaded ? LockResource(loaded) : nullptr;
  size = data ? std::size_t(SizeofResource(module, found)) : 0;
  return data != nullptr;
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
