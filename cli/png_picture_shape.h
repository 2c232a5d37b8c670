// SPDX-License-Identifier: LicenseRef-Quillmark
// What a PNG header makes of a picture: its channels and depth, checked against what the
// host holds and against the size of the file, before any pixel memory is allocated. Both
// PNG readers (cli/png_reader.h) decide by it, so they accept and refuse the same headers.
#pragma once

#include <cstdint>
#include <string>

#include "cli/raster_image.h"

namespace qm::cli::png {

struct PngShape {
  std::uint32_t width;
  std::uint32_t height;
  int bitDepth;
  int colorType;
};

// Fills image's sizes, channels and sample type (not its pixels); on a layout the host
// does not hold, a size beyond the limits or a file far too small for its pixels, false
// with the cause in error.
bool shapePicture(const PngShape& shape, std::uint64_t fileSize, RasterImage& image, std::string& error);

}  // namespace qm::cli::png
