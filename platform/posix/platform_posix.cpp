// SPDX-License-Identifier: LicenseRef-Quillmark
#include <sys/mman.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "platform/platform.h"

namespace qm::platform {

// Linux has no debugger output channel; the line is wanted only when chasing host calls.
void debugOutput(const char* line) {
  if (std::getenv("QUILLMARK_DEBUG_OUTPUT")) std::fputs(line, stderr);
}

void* moduleHandle() { return nullptr; }

void writeDiagnostic(const char* text) {
  std::fputs(text, stderr);
  std::fputc('\n', stderr);
}

SystemMemory allocateSystemMemory(std::size_t size) {
  SystemMemory memory;
  memory.data = std::calloc(size ? size : 1, 1);
  memory.handle = memory.data;
  return memory;
}

void freeSystemMemory(SystemMemory& memory) {
  std::free(memory.handle);
  memory = SystemMemory{};
}

// Large pages were tried and left out: on the virtual machines we measured on, clearing
// 2 MiB pages on first touch cost more system time than the small pages' faults saved.
// Mapping the pages in ahead (Linux 5.14 on) roughly halves what first touching them costs
// on the virtual machines we measured; older systems refuse the advice and fault as usual.
void* allocatePixelMemory(std::size_t size, std::size_t touched) {
  void* data = mmap(nullptr, size ? size : 1, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (data == MAP_FAILED) return nullptr;
#ifdef MADV_POPULATE_WRITE
  if (touched > 0) madvise(data, std::min(touched, size), MADV_POPULATE_WRITE);
#endif
  return data;
}

void freePixelMemory(void* data, std::size_t size) {
  if (data) munmap(data, size ? size : 1);
}

bool hasDialogWindows() { return false; }

unsigned processorCount() {
  const unsigned count = std::thread::hardware_concurrency();
  return count ? count : 1;
}

std::uint32_t clockSeconds() { return std::uint32_t(std::time(nullptr)); }

}  // namespace qm::platform
