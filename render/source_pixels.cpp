// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/source_pixels.h"

#include <algorithm>
#include <cstring>

namespace qm {
namespace {

Colour fromRgba8(const std::uint8_t* at) {
  std::uint32_t word;
  std::memcpy(&word, at, sizeof word);
  constexpr float k = 1.0f / 255.0f;
  return {float(word >> 24) * k, float((word >> 16) & 255u) * k, float((word >> 8) & 255u) * k,
          float(word & 255u) * k};
}

// No opacity sample: full, the same float an Rgba8 opacity of 255 gives.
Colour fromRgb8(const std::uint8_t* at) {
  constexpr float k = 1.0f / 255.0f;
  return {float(at[0]) * k, float(at[1]) * k, float(at[2]) * k, float(255u) * k};
}

Colour fromRgba16(const std::uint8_t* at) {
  std::uint16_t c[4];
  std::memcpy(c, at, sizeof c);
  constexpr float k = 1.0f / 32768.0f;
  return {float(c[0]) * k, float(c[1]) * k, float(c[2]) * k, float(c[3]) * k};
}

Colour fromFloat(const std::uint8_t* at) {
  float c[4];
  std::memcpy(c, at, sizeof c);
  return {c[0], c[1], c[2], c[3]};
}

using Reader = Colour (*)(const std::uint8_t*);

Reader readerFor(std::int32_t format) {
  switch (format) {
    case kRgb8: return fromRgb8;
    case kRgba8: return fromRgba8;
    case kRgba16: return fromRgba16;
    case kRgbaFloat: return fromFloat;
    default: return nullptr;
  }
}

// Zoom 1: whole runs inside one tile without a lookup per pixel.
void readStraightRow(const ImageBuffer& image, int level, Reader read, std::int32_t from, std::int32_t y,
                     std::int32_t count, Colour* out) {
  y = std::clamp(y, 0, image.maxY[level]);
  const std::int32_t last = image.maxX[level];
  std::int32_t i = 0;
  while (i < count) {
    const std::int32_t x = std::clamp(from + i, 0, last);
    const bool inside = from + i >= 0 && from + i <= last;
    const std::int32_t run = inside ? std::min({count - i, last - x + 1, kTileSize - (x & kTileMask)}) : 1;
    const std::uint8_t* at = pixelAddress(image, x, y, level);
    for (std::int32_t k = 0; k < run; ++k, at += image.bytesPerPixel) out[i + k] = read(at);
    i += run;
  }
}

}  // namespace

void readSourceRow(const SourceMapping& mapping, std::int32_t x, std::int32_t y, std::int32_t count, Colour* out) {
  const ImageBuffer* image = mapping.image;
  const int level = mapping.level;
  const Reader read = image ? readerFor(image->format) : nullptr;
  if (!read || !hasPixels(*image) || level < 0 || level > image->lastLevel) {
    std::fill(out, out + count, Colour{0.0f, 0.0f, 0.0f, 1.0f});
    return;
  }
  const std::int32_t sy = (y * mapping.zoom + mapping.offsetY) >> level;
  if (mapping.zoom == 1 && level == 0) {
    readStraightRow(*image, level, read, x + mapping.offsetX, sy, count, out);
    return;
  }
  const std::int32_t clampedY = std::clamp(sy, 0, image->maxY[level]);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t sx = std::clamp(((x + i) * mapping.zoom + mapping.offsetX) >> level, 0, image->maxX[level]);
    out[i] = read(pixelAddress(*image, sx, clampedY, level));
  }
}

}  // namespace qm
