// SPDX-License-Identifier: LicenseRef-Quillmark
// The memory dots' files: each of the 25 slots is a preset file with picture in the
// filter's own folder ("Quillmark A memory dot 0.q7q" to "... 24.q7q"), and the kept map
// says which slots come back in later runs. The map is one table for the whole process,
// cleared and read at every start and written when a run ends, to "Quillmark memdot map 3":
// a version word (191), then one word per slot in slot order (1 kept, 0 not), big-endian.
#pragma once

#include <cstdint>
#include <string>

namespace qm {

constexpr int kMemoryDotCount = 25;
// A 26th file, never shown as a dot: a scratch copy of the settings for whole-folder work.
constexpr int kScratchDotSlot = 25;
constexpr std::uint32_t kMemoryDotMapVersion = 191;

inline bool isDotSlot(int slot) { return slot >= 0 && slot < kMemoryDotCount; }

// The preset file of a slot 0..25; empty for any other number.
std::string memoryDotPath(int slot);
std::string memoryDotMapPath();

// The kept map. Numbers outside the 25 slots read as not kept and change nothing.
bool isKept(int slot);
void setKept(int slot, bool kept);
void clearKeptMap();
// The lowest slot that is not kept, or -1 when all are.
int firstFreeSlot();

// Clears the map, then takes every slot word the file really holds (any word but 0 means
// kept); the version word is read but not judged. A missing file leaves every slot free.
// Returns the file layer's result.
int readMap();
// Replaces the map file whole; a failed write leaves the old file as it was.
int writeMap();

}  // namespace qm
