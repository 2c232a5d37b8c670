// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/memory_dots.h"

#include <cstdio>

namespace qm {

MemoryDots::MemoryDots(InkSettings& settings, MemoryDotsView& view, MemoryDotImages images)
    : settings_(settings), view_(view), images_(images) {}

DotState MemoryDots::state(int slot) const { return isDotSlot(slot) ? DotState(states_[slot]) : kDotEmpty; }

int MemoryDots::currentSlot() const {
  for (int slot = 0; slot < kMemoryDotCount; ++slot)
    if (states_[slot] == kDotCurrent) return slot;
  return kNoDot;
}

void MemoryDots::restoreDots() {
  for (std::uint16_t& dotState : states_) dotState = kDotEmpty;
  shown_ = kNoDot;
  dialHasPicture_ = false;
  for (int slot = 0; slot < kMemoryDotCount; ++slot)
    if (isKept(slot)) {
      states_[slot] = kDotStored;
      view_.redrawDot(slot);
    }
  if (const int freeSlot = firstFreeSlot(); freeSlot != kNoDot) (void)store(freeSlot);
}

DotAction MemoryDots::clickDot(int slot, bool ctrlHeld) {
  if (!isDotSlot(slot)) return DotAction::None;
  if (states_[slot] != kDotEmpty) {
    if (ctrlHeld) {
      unkeep(slot);
      return DotAction::Unkept;
    }
    recall(slot);
    return DotAction::Recalled;
  }
  setKept(slot, !ctrlHeld);
  if (store(slot)) return DotAction::Stored;
  // Nothing was stored, so nothing may come back as kept in the next run.
  setKept(slot, false);
  return DotAction::None;
}

DotAction MemoryDots::rightClickDot(int slot, bool ctrlHeld) {
  if (!isDotSlot(slot)) return DotAction::None;
  if (states_[slot] == kDotEmpty) return clickDot(slot, ctrlHeld);
  forget(slot);
  return DotAction::Forgotten;
}

DotAction MemoryDots::clickDial() {
  const int slot = shown_ != kNoDot ? shown_ : currentSlot();
  if (slot == kNoDot) return DotAction::None;
  recall(slot);
  return DotAction::Recalled;
}

void MemoryDots::hover(int slot) {
  if (slot != kNoDot && !isDotSlot(slot)) return;
  if (slot == kNoDot || states_[slot] == kDotEmpty) {
    // Only a change is drawn: the pointer moves off the dots far more often than onto them.
    if (shown_ != kNoDot || dialHasPicture_) clearDial();
    return;
  }
  if (slot != shown_) showPicture(slot);
}

bool MemoryDots::store(int slot) {
  if (!isDotSlot(slot)) return false;
  ImageBuffer* picture = images_.thumbnail ? images_.thumbnail->image : nullptr;
  if (picture && !view_.makePicture(*picture)) picture = nullptr;
  if (writePreset(memoryDotPath(slot), settings_, picture) != 0) return false;
  makeCurrent(slot);
  showPicture(slot);
  return true;
}

bool MemoryDots::recall(int slot) {
  if (!isDotSlot(slot)) return false;
  char name[32];
  std::snprintf(name, sizeof name, "dot %d", slot + 1);
  setText(settings_.settingsName, name);
  const bool read = readPreset(memoryDotPath(slot), settings_, PresetReadMode::Load, nullptr).result == 0;
  makeCurrent(slot);
  view_.settingsRecalled();
  return read;
}

void MemoryDots::forget(int slot) {
  if (!isDotSlot(slot)) return;
  states_[slot] = kDotEmpty;
  setKept(slot, false);
  view_.redrawDot(slot);
  clearDial();
}

void MemoryDots::unkeep(int slot) {
  if (!isDotSlot(slot)) return;
  setKept(slot, false);
  view_.redrawDot(slot);  // a kept dot is drawn with its own mark
}

void MemoryDots::makeCurrent(int slot) {
  for (int other = 0; other < kMemoryDotCount; ++other)
    if (other != slot && states_[other] == kDotCurrent) {
      states_[other] = kDotStored;
      view_.redrawDot(other);
    }
  states_[slot] = kDotCurrent;
  view_.redrawDot(slot);
}

void MemoryDots::clearDial() {
  dialHasPicture_ = false;
  shown_ = kNoDot;
  view_.redrawDial();
}

}  // namespace qm
