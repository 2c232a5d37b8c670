// SPDX-License-Identifier: LicenseRef-Quillmark
// The picture of a preset as the dialog's pictures and the catalogue want it.
#include <algorithm>

#include "engine/pyramid.h"
#include "engine/resample.h"
#include "settings/preset_file_blocks.h"

namespace qm {

void fillGreyRamp(ImageBuffer& image) {
  if (!hasPixels(image)) return;
  for (std::int32_t y = 0; y < image.height[0]; ++y) {
    const auto grey = std::uint8_t(std::max(255 - y, 0));
    const std::uint8_t colour[4] = {grey, grey, grey, 255};
    for (std::int32_t x = 0; x < image.width[0]; ++x) setColour(image, x, y, 0, colour);
  }
  (void)buildPyramid(image);
}

bool readPicture(const std::string& path, PresetThumbnail& thumbnail, ImageBuffer& target, std::int32_t size) {
  if (thumbnail.image) fillGreyRamp(*thumbnail.image);
  thumbnail.width = thumbnail.height = 0;
  InkSettings untouched{};
  if (!readPreset(path, untouched, PresetReadMode::PictureOnly, &thumbnail).pictureDelivered) return false;
  // The picture alone, without the ramp around it, with its own pyramid to sample from.
  ScratchImage picture;
  if (!picture.make(thumbnail.width, thumbnail.height)) return false;
  copyCorner(*thumbnail.image, thumbnail.width, thumbnail.height, picture.image, 0, 0);
  if (!buildPyramid(picture.image)) return false;
  if (size < 1 || !reconfigureImageBuffer(&target, size, size, kRgba8, 0, false)) return false;
  return transferImage(&picture.image, &target);
}

}  // namespace qm
