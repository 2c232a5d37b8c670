// SPDX-License-Identifier: LicenseRef-Quillmark
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

bool hasDialogWindows() { return false; }

unsigned processorCount() {
  const unsigned count = std::thread::hardware_concurrency();
  return count ? count : 1;
}

std::uint32_t clockSeconds() { return std::uint32_t(std::time(nullptr)); }

}  // namespace qm::platform
