// SPDX-License-Identifier: LicenseRef-Quillmark
#include <sys/mman.h>

#include <cstdint>
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

namespace {

// Transparent large pages are 2 MiB on the machines we build for; a region must be aligned
// to that for the kernel to back it with them.
constexpr std::size_t kLargePage = std::size_t(2) << 20;

std::size_t roundedToLargePages(std::size_t size) { return (size + kLargePage - 1) / kLargePage * kLargePage; }

}  // namespace

void* allocatePixelMemory(std::size_t size) {
  const std::size_t bytes = roundedToLargePages(size ? size : 1);
  // Over-asked by one large page, then trimmed to an aligned region.
  void* mapped = mmap(nullptr, bytes + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
  if (aligned > start) munmap(mapped, aligned - start);
  const std::size_t tail = kLargePage - (aligned - start);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
  void* data = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  madvise(data, bytes, MADV_HUGEPAGE);  // advice only: without large pages it still works
#endif
  return data;
}

void freePixelMemory(void* data, std::size_t size) {
  if (data) munmap(data, roundedToLargePages(size ? size : 1));
}

bool hasDialogWindows() { return false; }

unsigned processorCount() {
  const unsigned count = std::thread::hardware_concurrency();
  return count ? count : 1;
}

std::uint32_t clockSeconds() { return std::uint32_t(std::time(nullptr)); }

}  // namespace qm::platform
