// SPDX-License-Identifier: LicenseRef-Quillmark
#include "engine/display_bitmap.h"

#include <new>

namespace qm {
namespace {

constexpr std::int32_t kPixelsPerMetre = 10;
constexpr std::uint16_t kBitsPerPixel = 24;

void putLittle16(std::uint8_t* at, std::uint16_t value) {
  at[0] = std::uint8_t(value & 0xFFu);
  at[1] = std::uint8_t(value >> 8);
}

void putLittle32(std::uint8_t* at, std::int32_t value) {
  const std::uint32_t bits = std::uint32_t(value);
  for (int k = 0; k < 4; ++k) at[k] = std::uint8_t((bits >> (8 * k)) & 0xFFu);
}

// A negative height makes the rows run top-down.
void writeHeader(std::uint8_t* at, std::int32_t width, std::int32_t height, std::uint32_t imageBytes) {
  putLittle32(at + 0, std::int32_t(kBitmapHeaderBytes));
  putLittle32(at + 4, width);
  putLittle32(at + 8, -height);
  putLittle16(at + 12, 1);  // planes
  putLittle16(at + 14, kBitsPerPixel);
  putLittle32(at + 16, 0);  // uncompressed
  putLittle32(at + 20, std::int32_t(imageBytes));
  putLittle32(at + 24, kPixelsPerMetre);
  putLittle32(at + 28, kPixelsPerMetre);
  putLittle32(at + 32, 0);  // colours used
  putLittle32(at + 36, 0);  // colours important
}

void writeRow(const ImageBuffer& image, std::int32_t y, std::uint8_t* row) {
  for (std::int32_t x = 0; x < image.width[0]; ++x) {
    std::uint8_t rgba[4];
    getColour(image, x, y, 0, rgba);
    row[0] = rgba[2];
    row[1] = rgba[1];
    row[2] = rgba[0];
    row += 3;
  }
}

}  // namespace

std::size_t displayRowBytes(std::int32_t width) {
  return (std::size_t(width < 0 ? 0 : width) * 3 + 3) & ~std::size_t(3);
}

std::vector<std::uint8_t> makeDisplayBitmap(const ImageBuffer& image) {
  if (image.format != kRgba8 || !hasPixels(image)) return {};
  const std::int32_t width = image.width[0];
  const std::int32_t height = image.height[0];
  const std::size_t rowBytes = displayRowBytes(width);
  const std::size_t imageBytes = rowBytes * std::size_t(height);
  // The header records the size in 32 bits.
  if (imageBytes > 0x7FFFFFFFu - kBitmapHeaderBytes) return {};
  std::vector<std::uint8_t> bitmap;
  try {
    bitmap.assign(kBitmapHeaderBytes + imageBytes, 0);
  } catch (const std::bad_alloc&) {
    return {};
  }
  writeHeader(bitmap.data(), width, height, std::uint32_t(imageBytes));
  for (std::int32_t y = 0; y < height; ++y)
    writeRow(image, y, bitmap.data() + kBitmapHeaderBytes + std::size_t(y) * rowBytes);
  return bitmap;
}

}  // namespace qm
