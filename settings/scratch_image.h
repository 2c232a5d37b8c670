// SPDX-License-Identifier: LicenseRef-Quillmark
// Small pictures on their way between a preset file, the thumbnail and the memory dial: an
// Rgba8 image of its own, and the copy of a corner of one image into another.
#pragma once

#include "engine/image_buffer.h"

namespace qm {

// An Rgba8 image of its own for a picture on its way, its pixels released when it goes.
class ScratchImage {
 public:
  ScratchImage() { initImageBuffer(image, nullptr); }
  ~ScratchImage() { releasePixels(image); }
  ScratchImage(const ScratchImage&) = delete;
  ScratchImage& operator=(const ScratchImage&) = delete;
  // Edges repeat, so the pyramid can be built for resampling.
  bool make(std::int32_t width, std::int32_t height) {
    return configureImageBuffer(&image, width, height, kRgba8, 0, false);
  }
  ImageBuffer image;
};

// The top-left width x height pixels of `from` (level 0) into `to`, from (toX, toY) on.
inline void copyCorner(const ImageBuffer& from, std::int32_t width, std::int32_t height, ImageBuffer& to,
                       std::int32_t toX, std::int32_t toY) {
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t colour[4];
      getColour(from, x, y, 0, colour);
      setColour(to, x + toX, y + toY, 0, colour);
    }
}

}  // namespace qm
