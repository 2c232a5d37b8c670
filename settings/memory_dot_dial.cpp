// SPDX-License-Identifier: LicenseRef-Quillmark
// The memory dial's picture: a slot's preset picture at 88 x 88 in the middle of the dial
// image, or the grey ramp while the slot has none.

#include "settings/memory_dots.h"
#include "settings/scratch_image.h"

namespace qm {
namespace {

constexpr std::uint8_t kWhite[4] = {255, 255, 255, 255};

bool dialUsable(const ImageBuffer* dial) {
  return dial && hasPixels(*dial) && dial->format == kRgba8 && dial->width[0] >= kDialSide &&
         dial->height[0] >= kDialSide;
}

}  // namespace

void MemoryDots::showPicture(int slot) {
  if (!isDotSlot(slot)) return;
  if (dialUsable(images_.dial)) {
    for (std::int32_t y = 0; y < kDialSide; ++y)
      for (std::int32_t x = 0; x < kDialSide; ++x) setColour(*images_.dial, x, y, 0, kWhite);
    if (!drawSlotPicture(slot)) drawRampIntoDial();
  }
  dialHasPicture_ = true;
  shown_ = slot;
  view_.redrawDial();
}

bool MemoryDots::drawSlotPicture(int slot) {
  PresetThumbnail none;
  PresetThumbnail& thumbnail = images_.thumbnail ? *images_.thumbnail : none;
  // Preset pictures are opaque, and resampling keeps them so.
  ScratchImage picture;
  if (!readPicture(memoryDotPath(slot), thumbnail, picture.image, kDialPictureSide)) return false;
  copyCorner(picture.image, kDialPictureSide, kDialPictureSide, *images_.dial, kDialPictureOffset, kDialPictureOffset);
  return true;
}

// The thumbnail's ramp (row y of 128 is grey 255 - y) scaled to the picture's square.
void MemoryDots::drawRampIntoDial() {
  for (std::int32_t y = 0; y < kDialPictureSide; ++y) {
    const auto grey = std::uint8_t(255 - y * kPresetPictureSide / kDialPictureSide);
    const std::uint8_t colour[4] = {grey, grey, grey, 255};
    for (std::int32_t x = 0; x < kDialPictureSide; ++x)
      setColour(*images_.dial, x + kDialPictureOffset, y + kDialPictureOffset, 0, colour);
  }
}

}  // namespace qm
