// SPDX-License-Identifier: LicenseRef-Quillmark
// Single-pixel reads and writes: reads clamp to the level, writes outside it are dropped,
// and a buffer without pixels (or a level it does not have) reads 0 and takes no writes.
#include <algorithm>
#include <cstring>

#include "engine/image_buffer.h"

namespace qm {
namespace {

bool levelReadable(const ImageBuffer& image, int level) {
  return hasPixels(image) && level >= 0 && level <= image.lastLevel;
}

const std::uint8_t* clampedAddress(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level) {
  if (!levelReadable(image, level)) return nullptr;
  return pixelAddress(image, std::clamp(x, 0, image.maxX[level]), std::clamp(y, 0, image.maxY[level]), level);
}

std::uint8_t* writableAddress(ImageBuffer& image, std::int32_t x, std::int32_t y, int level) {
  if (!levelReadable(image, level)) return nullptr;
  if (x < 0 || y < 0 || x > image.maxX[level] || y > image.maxY[level]) return nullptr;
  return pixelAddress(image, x, y, level);
}

std::uint32_t readWord(const std::uint8_t* at) {
  std::uint32_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// trunc(value x scale) within 0..scale; NaN counts as 0.
float heldScaled(float value, float scale) {
  const float scaled = value * scale;
  return scaled > 0.0f ? std::min(scaled, scale) : 0.0f;
}

}  // namespace

std::uint8_t getGrey(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level) {
  const std::uint8_t* at = image.format == kGray8 ? clampedAddress(image, x, y, level) : nullptr;
  return at ? *at : 0;
}

void setGrey(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, std::uint8_t value) {
  if (image.format != kGray8) return;
  if (std::uint8_t* at = writableAddress(image, x, y, level)) *at = value;
}

void getColour(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level, std::uint8_t out[4]) {
  const bool bytes = image.format == kRgba8 || image.format == kRgb8;
  const std::uint8_t* at = bytes ? clampedAddress(image, x, y, level) : nullptr;
  if (at && image.format == kRgb8)
    std::copy(at, at + 3, out), out[3] = 255;
  else if (at)
    unpackRgba8(readWord(at), out);
  else
    std::fill(out, out + 4, std::uint8_t(0));
}

void getColour(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level, std::uint16_t out[4]) {
  const std::uint8_t* at = image.format == kRgba16 ? clampedAddress(image, x, y, level) : nullptr;
  if (at)
    std::memcpy(out, at, 4 * sizeof(std::uint16_t));
  else
    std::fill(out, out + 4, std::uint16_t(0));
}

void getColour(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level, float out[4]) {
  const std::uint8_t* at = image.format == kRgbaFloat ? clampedAddress(image, x, y, level) : nullptr;
  if (at)
    std::memcpy(out, at, 4 * sizeof(float));
  else
    std::fill(out, out + 4, 0.0f);
}

void setColour(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, const std::uint8_t in[4]) {
  if (image.format != kRgba8) return;
  if (std::uint8_t* at = writableAddress(image, x, y, level)) {
    const std::uint32_t word = packRgba8(in[0], in[1], in[2], in[3]);
    std::memcpy(at, &word, sizeof word);
  }
}

void setColour(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, const std::uint16_t in[4]) {
  if (image.format != kRgba16) return;
  if (std::uint8_t* at = writableAddress(image, x, y, level)) std::memcpy(at, in, 4 * sizeof(std::uint16_t));
}

void setColour(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, const float in[4]) {
  if (image.format != kRgbaFloat) return;
  if (std::uint8_t* at = writableAddress(image, x, y, level)) std::memcpy(at, in, 4 * sizeof(float));
}

void getNormalised(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level, float out[4]) {
  const std::uint8_t* at = clampedAddress(image, x, y, level);
  if (!at) {
    std::fill(out, out + 4, 0.0f);
    return;
  }
  switch (image.format) {
    case kGray8:
      out[0] = out[1] = out[2] = float(*at) * image.reciprocalScale;
      out[3] = 1.0f;
      return;
    case kRgba8: {
      std::uint8_t channels[4];
      unpackRgba8(readWord(at), channels);
      for (int c = 0; c < 4; ++c) out[c] = float(channels[c]) * image.reciprocalScale;
      return;
    }
    case kRgba16: {
      std::uint16_t channels[4];
      std::memcpy(channels, at, sizeof channels);
      for (int c = 0; c < 4; ++c) out[c] = float(channels[c]) * image.reciprocalScale;
      return;
    }
    default:
      std::memcpy(out, at, 4 * sizeof(float));
      return;
  }
}

void setNormalised(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, const float in[4]) {
  std::uint8_t* at = writableAddress(image, x, y, level);
  if (!at) return;
  switch (image.format) {
    case kRgba8: {
      std::uint32_t c[4];
      for (int i = 0; i < 4; ++i) c[i] = std::uint32_t(heldScaled(in[i], image.scale));
      const std::uint32_t word = packRgba8(c[0], c[1], c[2], c[3]);
      std::memcpy(at, &word, sizeof word);
      return;
    }
    case kRgba16: {
      std::uint16_t c[4];
      for (int i = 0; i < 4; ++i) c[i] = std::uint16_t(heldScaled(in[i], image.scale));
      std::memcpy(at, c, sizeof c);
      return;
    }
    case kRgbaFloat:
      std::memcpy(at, in, 4 * sizeof(float));
      return;
    default:
      return;  // grey buffers take no colour
  }
}

}  // namespace qm
