// SPDX-License-Identifier: LicenseRef-Quillmark
#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "platform/dynamic_library.h"

namespace qm::platform {

DynamicLibrary::~DynamicLibrary() { close(); }

bool DynamicLibrary::open(const std::string& path, std::string& error) {
  close();
  // Local binding: the plug-in's own copy of the core must not be mixed with the host's.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* reason = dlerror();
    error = "cannot load the plug-in " + path + ": " + (reason ? reason : "unknown reason");
    return false;
  }
  return true;
}

void* DynamicLibrary::symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

// Shared libraries here carry no resources.
bool DynamicLibrary::resource(const char*, int, const void*& data, std::size_t& size) const {
  data = nullptr;
  size = 0;
  return false;
}

void DynamicLibrary::close() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}

std::string executableFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  std::string full(path, std::size_t(length));
  const std::size_t slash = full.rfind('/');
  return slash == std::string::npos ? "." : full.substr(0, slash);
}

}  // namespace qm::platform
