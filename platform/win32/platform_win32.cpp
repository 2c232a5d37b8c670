// SPDX-License-Identifier: LicenseRef-Quillmark
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <ctime>

#include "platform/platform.h"

namespace qm::platform {

void debugOutput(const char* line) { OutputDebugStringA(line); }

void* moduleHandle() {
  HMODULE module = nullptr;
  // The address of a function inside this library names the library, whatever its file is called.
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&moduleHandle), &module);
  return module;
}

void writeDiagnostic(const char* text) {
  OutputDebugStringA(text);
  OutputDebugStringA("\n");
}

SystemMemory allocateSystemMemory(std::size_t size) {
  SystemMemory memory;
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size ? size : 1);
  if (!handle) return memory;
  memory.data = GlobalLock(handle);
  if (!memory.data) {
    GlobalFree(handle);
    return memory;
  }
  memory.handle = handle;
  return memory;
}

void freeSystemMemory(SystemMemory& memory) {
  if (memory.handle) {
    GlobalUnlock(static_cast<HGLOBAL>(memory.handle));
    GlobalFree(static_cast<HGLOBAL>(memory.handle));
  }
  memory = SystemMemory{};
}

// Committed pages come zero-filled. Large pages need a privilege ordinary users lack, so
// none are asked for.
void* allocatePixelMemory(std::size_t size, std::size_t) {
  return VirtualAlloc(nullptr, size ? size : 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void freePixelMemory(void* data, std::size_t) {
  if (data) VirtualFree(data, 0, MEM_RELEASE);
}

bool hasDialogWindows() { return true; }

unsigned processorCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors ? unsigned(info.dwNumberOfProcessors) : 1u;
}

std::uint32_t clockSeconds() { return std::uint32_t(std::time(nullptr)); }

}  // namespace qm::platform
