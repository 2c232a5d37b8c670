// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/undo.h"

#include "platform/files.h"
#include "settings/preset_file.h"

namespace qm {
namespace {

// The index as stored may be anything the host's memory held: only its lowest bit is used,
// so no slot outside the two is ever touched.
int currentSlot(const UndoStore& store) { return store.current & 1; }

}  // namespace

void resetUndo(UndoStore& store) {
  for (UndoSlot& slot : store.slots) {
    slot.filled = 0;
    slot.hasFile = 0;
  }
  store.current = 0;
}

std::string undoFilePath(int slot) { return platform::temporaryPath(slot == 0 ? "Quillmark undo 0" : "Quillmark undo 1"); }

void PushUndo(UndoStore& store, InkSettings& settings, bool withFile) {
  const int slotIndex = currentSlot(store) ^ 1;
  store.current = std::uint16_t(slotIndex);
  UndoSlot& slot = store.slots[slotIndex];
  slot.state = takeSnapshot(settings);
  slot.hasFile = withFile && writePreset(undoFilePath(slotIndex), settings, nullptr) == 0;
  slot.filled = 1;
}

bool Undo(UndoStore& store, InkSettings& settings) {
  const int slotIndex = currentSlot(store) ^ 1;
  const UndoSlot& slot = store.slots[slotIndex];
  if (!slot.filled) return false;
  restoreSnapshot(settings, slot.state);
  // The file adds what only a whole preset carries; a failed read has already said so in
  // its result, and the look restored from memory stands.
  if (slot.hasFile) (void)readPreset(undoFilePath(slotIndex), settings, PresetReadMode::Load, nullptr);
  store.current = std::uint16_t(slotIndex);
  return true;
}

}  // namespace qm
