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

// Pixel memory is asked for in large pages where the system gives them for the asking, and
// mapped in ahead (Linux 5.14 on): on the virtual machines we measure on, first writing 24 MB
// of small pages took 70-150 ms, of large pages 10-20 ms, however the small ones were mapped.
// Systems that refuse either advice fault 4 KiB pages as usual.
void* allocatePixelMemory(std::size_t size, std::size_t touched) {
  void* data = mmap(nullptr, size ? size : 1, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (data == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
  madvise(data, size, MADV_HUGEPAGE);
#endif
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
