// SPDX-License-Identifier: LicenseRef-Quillmark
// The memory dots as the dialog sees them: 25 quick preset slots in a ring around a round
// picture, the memory dial. A click on an empty dot stores the current look in it, a click
// on a stored dot brings that look back, and while the pointer rests on a stored dot the
// dial shows a small picture of its look. This model keeps the dots' states for one dialog
// and turns each gesture into its operation; the dialog forwards its gestures here and
// draws what the view calls ask for. The slots' files and the kept map are in
// memory_dot_map.h. Slot numbers outside 0..24 are ignored everywhere.
#pragma once

#include <cstdint>

#include "engine/image_buffer.h"
#include "settings/ink_settings.h"
#include "settings/memory_dot_map.h"
#include "settings/preset_file.h"

namespace qm {

enum DotState : std::uint16_t {
  kDotEmpty = 0,
  kDotStored = 1,
  kDotCurrent = 2,  // stored or recalled last; at most one dot at a time
};
constexpr int kNoDot = -1;

// The dial image is 100 x 100; a slot's picture fills the 88 x 88 square at its centre
// (from 6, 6), and the margin around it is white.
constexpr std::int32_t kDialSide = 100;
constexpr std::int32_t kDialPictureSide = 88;
constexpr std::int32_t kDialPictureOffset = (kDialSide - kDialPictureSide) / 2;

// What the dialog does for the dots.
class MemoryDotsView {
 public:
  virtual ~MemoryDotsView() = default;
  virtual void redrawDot(int slot) = 0;
  virtual void redrawDial() = 0;
  // A recalled look is in the settings: move it into the controls and render a new preview.
  virtual void settingsRecalled() = 0;
  // Makes the 128 x 128 picture of the current preview in `picture`; false stores the look
  // without a picture.
  virtual bool makePicture(ImageBuffer& picture) = 0;
};

// Images the dots draw with, owned by the caller; either may be missing, and then the dots
// work without pictures. Both Rgba8: the dial 100 x 100, the thumbnail 128 x 128.
struct MemoryDotImages {
  ImageBuffer* dial = nullptr;
  PresetThumbnail* thumbnail = nullptr;
};

// What a gesture did, so the dialog knows whether an undo step with file is due.
enum class DotAction { None, Stored, Recalled, Forgotten, Unkept };

class MemoryDots {
 public:
  MemoryDots(InkSettings& settings, MemoryDotsView& view, MemoryDotImages images);

  // Dialog start: kept slots show as stored, then the opening look goes into the first slot
  // that is not kept, as the current dot (not kept itself).
  void restoreDots();

  // The gestures. A click on an empty dot keeps it (not with Ctrl held) and stores the look
  // in it; on a stored dot it recalls it, or with Ctrl held stops keeping it. A right-click
  // forgets a stored dot and stores into an empty one as a click does. A click on the dial
  // recalls the dot it shows, or else the current dot.
  DotAction clickDot(int slot, bool ctrlHeld);
  DotAction rightClickDot(int slot, bool ctrlHeld = false);
  DotAction clickDial();
  // The pointer over a dot, or kNoDot when it left them: a stored dot shows its picture in
  // the dial; no dot, or an empty one, clears the dial.
  void hover(int slot);

  // The operations under the gestures. store writes the look and its picture to the slot's
  // file (false, and nothing changed, when that fails), makes the slot current and shows it;
  // it leaves the kept map alone. recall names the look "dot <slot + 1>", reads the slot's
  // file into the settings (a missing file leaves the look as it was; false then), makes
  // the slot current and tells the view. forget empties the slot, stops keeping it and
  // clears the dial; unkeep only stops keeping it.
  bool store(int slot);
  bool recall(int slot);
  void forget(int slot);
  void unkeep(int slot);
  // Draws the slot's picture into the dial, or the grey ramp when its file has none.
  void showPicture(int slot);

  // For drawing.
  DotState state(int slot) const;
  int currentSlot() const;  // kNoDot when none
  int shownSlot() const { return shown_; }
  bool dialShowsPicture() const { return dialHasPicture_; }

 private:
  void makeCurrent(int slot);
  void clearDial();
  bool drawSlotPicture(int slot);
  void drawRampIntoDial();

  InkSettings& settings_;
  MemoryDotsView& view_;
  MemoryDotImages images_;
  std::uint16_t states_[kMemoryDotCount] = {};
  std::int32_t shown_ = kNoDot;
  bool dialHasPicture_ = false;
};

}  // namespace qm
