// SPDX-License-Identifier: LicenseRef-Quillmark
// Two-step undo for the dialog: the store holds the two newest states and Undo swaps
// between them, so pressing it again steps forward again. Small changes (a slider, a list,
// a typed number) keep the look in memory only; changes that replace the whole settings
// (loading a preset, recalling a memory dot) also write the state as a preset file, so that
// everything a preset carries comes back.
//
// UndoStore is a plain record with no constructor: the host's FilterState embeds it, so it
// holds whatever the host's memory held until resetUndo.
#pragma once

#include <cstdint>
#include <string>

#include "settings/ink_settings.h"

namespace qm {

struct UndoSlot {
  Preset state;          // the look and its name
  std::uint8_t filled;   // the slot holds a state
  std::uint8_t hasFile;  // and a whole preset file of it, "Quillmark undo <slot>"
};

struct UndoStore {
  UndoSlot slots[2];
  std::uint16_t current;  // the slot holding the newest state (only its lowest bit counts)
};

// Every filter run: both slots empty, slot 0 current.
void resetUndo(UndoStore& store);

// Records the settings as the newest state, in the slot after the current one. With a file,
// the whole settings are also written to that slot's undo file; the slot counts as having
// one only when the file was written whole, so a stale file from an earlier step is never
// read back in its place.
void PushUndo(UndoStore& store, InkSettings& settings, bool withFile);

// Brings back the other slot's state (from its file too, when it has one; an unreadable file
// leaves the look restored from memory) and makes it the current one. Nothing happens while
// the other slot is empty. True when the settings were restored.
bool Undo(UndoStore& store, InkSettings& settings);

// The undo file of slot 0 or 1 in the filter's own folder.
std::string undoFilePath(int slot);

}  // namespace qm
