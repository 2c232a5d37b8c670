// SPDX-License-Identifier: LicenseRef-Quillmark
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstring>

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

namespace {

// A resource of a shared library is an ELF note in one of its loaded PT_NOTE segments, named
// by the resource's type and typed by its number (resources/property_list_note.S makes the
// plug-in's property list so). The notes are read where the loader mapped them.
struct NoteSearch {
  ElfW(Addr) base;
  const char* libraryName;
  const char* type;
  std::uint32_t id;
  const void* data = nullptr;
  std::size_t size = 0;
};

std::size_t roundedUp(std::size_t value, std::size_t alignment) { return (value + alignment - 1) & ~(alignment - 1); }

bool findNote(const std::uint8_t* at, std::size_t length, std::size_t alignment, NoteSearch& search) {
  const std::size_t nameSize = std::strlen(search.type) + 1;
  while (length >= 12) {
    std::uint32_t header[3];  // name size, descriptor size, type
    std::memcpy(header, at, sizeof header);
    const std::size_t nameSpan = roundedUp(header[0], alignment);
    const std::size_t dataSpan = roundedUp(header[1], alignment);
    if (nameSpan > length - 12 || dataSpan > length - 12 - nameSpan) return false;
    if (header[0] == nameSize && header[2] == search.id && std::memcmp(at + 12, search.type, nameSize) == 0) {
      search.data = at + 12 + nameSpan;
      search.size = header[1];
      return true;
    }
    at += 12 + nameSpan + dataSpan;
    length -= 12 + nameSpan + dataSpan;
  }
  return false;
}

int searchLibrary(dl_phdr_info* info, std::size_t, void* context) {
  auto& search = *static_cast<NoteSearch*>(context);
  if (info->dlpi_addr != search.base || !info->dlpi_name || std::strcmp(info->dlpi_name, search.libraryName) != 0)
    return 0;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_NOTE) continue;
    const auto* at = reinterpret_cast<const std::uint8_t*>(info->dlpi_addr + segment.p_vaddr);
    if (findNote(at, segment.p_memsz, segment.p_align == 8 ? 8 : 4, search)) break;
  }
  return 1;  // this was the library, found or not
}

}  // namespace

bool DynamicLibrary::resource(const char* type, int id, const void*& data, std::size_t& size) const {
  data = nullptr;
  size = 0;
  link_map* map = nullptr;
  if (!handle_ || dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name) return false;
  NoteSearch search{map->l_addr, map->l_name, type, std::uint32_t(id)};
  dl_iterate_phdr(searchLibrary, &search);
  data = search.data;
  size = search.size;
  return data != nullptr;
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
