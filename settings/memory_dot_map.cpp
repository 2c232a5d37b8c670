// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/memory_dot_map.h"

#include <cstdio>

#include "platform/files.h"

namespace qm {
namespace {

// Process-wide: the dialog and the run's start and finish share it.
bool keptMap[kMemoryDotCount];

}  // namespace

std::string memoryDotPath(int slot) {
  if (slot < 0 || slot > kScratchDotSlot) return {};
  char name[64];
  std::snprintf(name, sizeof name, "%s A memory dot %d%s", "Quillmark", slot, ".q7q");
  return platform::temporaryPath(name);
}

std::string memoryDotMapPath() { return platform::temporaryPath("Quillmark memdot map 3"); }

bool isKept(int slot) { return isDotSlot(slot) && keptMap[slot]; }

void setKept(int slot, bool kept) {
  if (isDotSlot(slot)) keptMap[slot] = kept;
}

void clearKeptMap() {
  for (bool& kept : keptMap) kept = false;
}

int firstFreeSlot() {
  for (int slot = 0; slot < kMemoryDotCount; ++slot)
    if (!keptMap[slot]) return slot;
  return -1;
}

int readMap() {
  clearKeptMap();
  platform::File file;
  if (const int result = file.openForReading(memoryDotMapPath())) return result;
  std::uint32_t word = 0;
  if (const int result = platform::readWord32(file, word)) return result;  // the version
  for (int slot = 0; slot < kMemoryDotCount; ++slot) {
    if (const int result = platform::readWord32(file, word)) return result;
    keptMap[slot] = word != 0;
  }
  return 0;
}

int writeMap() {
  platform::File file;
  if (const int result = file.openForReplacing(memoryDotMapPath())) return result;
  int result = platform::writeWord32(file, kMemoryDotMapVersion);
  for (int slot = 0; slot < kMemoryDotCount && result == 0; ++slot)
    result = platform::writeWord32(file, keptMap[slot] ? 1 : 0);
  if (result == 0) result = file.commitReplacement();
  return result;
}

}  // namespace qm
