// SPDX-License-Identifier: LicenseRef-Quillmark
// Loading a library at run time and finding a function in it, as a host loads a plug-in.
#pragma once

#include <cstddef>
#include <string>

namespace qm::platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // False with a one-line reason when the file cannot be loaded.
  bool open(const std::string& path, std::string& error);
  // Null when the library has no such export.
  void* symbol(const char* name) const;
  // The bytes of a resource of the library (Windows resources by type name and number; in
  // an ELF shared library, a note of the loaded library named by the type and typed by the
  // number); false where the library has none.
  bool resource(const char* type, int id, const void*& data, std::size_t& size) const;
  void close();

 private:
  void* handle_ = nullptr;
};

// The folder of the running program, ending without a separator.
std::string executableFolder();

}  // namespace qm::platform
