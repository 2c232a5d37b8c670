// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/png_picture_shape.h"

namespace qm::cli::png {

namespace {

// PNG's colour types.
constexpr int kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgbAlpha = 6;

bool takeColourType(int colorType, RasterImage& image, std::string& error) {
  switch (colorType) {
    case kGrey: image.colorChannels = 1; image.hasAlpha = false; return true;
    case kGreyAlpha: image.colorChannels = 1; image.hasAlpha = true; return true;
    case kRgb: image.colorChannels = 3; image.hasAlpha = false; return true;
    case kRgbAlpha: image.colorChannels = 3; image.hasAlpha = true; return true;
    default:
      error = "PNG colour type " + std::to_string(colorType) + " is not supported";
      return false;
  }
}

}  // namespace

bool shapePicture(const PngShape& shape, std::uint64_t fileSize, RasterImage& image, std::string& error) {
  if (shape.colorType == kPalette) {
    error = "indexed-colour (palette) PNG is not supported; convert it to RGB or grey";
    return false;
  }
  if (shape.bitDepth != 8 && shape.bitDepth != 16) {
    error = std::to_string(shape.bitDepth) + "-bit PNG is not supported; convert it to 8-bit grey or RGB";
    return false;
  }
  if (!takeColourType(shape.colorType, image, error)) return false;
  image.type = shape.bitDepth == 16 ? SampleType::UInt16 : SampleType::UInt8;
  if (!checkImageSize(shape.width, shape.height, image.channels(), image.type, error)) return false;
  image.width = std::int32_t(shape.width);
  image.height = std::int32_t(shape.height);
  // Deflate expands at most 1032 times: a file far too small for its pixels is corrupt.
  const std::uint64_t decoded = std::uint64_t(image.rowBytes()) * std::uint64_t(image.height);
  if (decoded / 1100 > fileSize) {
    error = "the file is far too small for a PNG of " + std::to_string(image.width) + " x " +
            std::to_string(image.height) + " pixels: it is truncated or corrupt";
    return false;
  }
  return true;
}

}  // namespace qm::cli::png
