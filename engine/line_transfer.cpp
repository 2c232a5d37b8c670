// SPDX-License-Identifier: LicenseRef-Quillmark
// Whole rows or columns between a level and a flat buffer, for passes that filter lines.
#include <algorithm>
#include <cstring>

#include "engine/image_buffer.h"

namespace qm {
namespace {

// A row crosses tiles every 512 pixels; inside a tile it is contiguous.
void transferRow(ImageBuffer& image, int level, std::int32_t y, std::int32_t start, std::int32_t end,
                 std::uint8_t* line, bool write) {
  const std::size_t pixelBytes = std::size_t(image.bytesPerPixel);
  for (std::int32_t x = start; x < end;) {
    const std::int32_t run = std::min(end, (x | kTileMask) + 1) - x;
    std::uint8_t* at = pixelAddress(image, x, y, level);
    const std::size_t bytes = std::size_t(run) * pixelBytes;
    if (write)
      std::memcpy(at, line, bytes);
    else
      std::memcpy(line, at, bytes);
    line += bytes;
    x += run;
  }
}

// A column steps one tile row (512 pixels) at a time inside a tile.
void transferColumn(ImageBuffer& image, int level, std::int32_t x, std::int32_t start, std::int32_t end,
                    std::uint8_t* line, bool write) {
  const std::size_t pixelBytes = std::size_t(image.bytesPerPixel);
  const std::size_t stride = std::size_t(kTileSize) * pixelBytes;
  for (std::int32_t y = start; y < end;) {
    const std::int32_t run = std::min(end, (y | kTileMask) + 1) - y;
    std::uint8_t* at = pixelAddress(image, x, y, level);
    for (std::int32_t i = 0; i < run; ++i, at += stride, line += pixelBytes) {
      if (write)
        std::memcpy(at, line, pixelBytes);
      else
        std::memcpy(line, at, pixelBytes);
    }
    y += run;
  }
}

}  // namespace

std::int32_t lineTransfer(ImageBuffer& image, int level, std::int32_t line, std::int32_t from, std::int32_t to,
                          void* buffer, bool write, bool vertical) {
  if (!buffer || !hasPixels(image) || level < 0 || level > image.lastLevel || image.format == kRgbaFloat) return 0;
  const std::int32_t length = vertical ? image.height[level] : image.width[level];
  const std::int32_t across = vertical ? image.width[level] : image.height[level];
  if (line < 0 || line >= across) return 0;
  const std::int32_t start = std::max(from, 0);
  const std::int32_t end = std::min(to, length);
  if (start >= end) return 0;
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  if (vertical)
    transferColumn(image, level, line, start, end, bytes, write);
  else
    transferRow(image, level, line, start, end, bytes, write);
  return end - start;
}

}  // namespace qm
