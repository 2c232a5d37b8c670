// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/tone_images.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/box_blur.h"

namespace qm {
namespace {

ImageRect clipped(const ImageRect& area, const ImageBuffer& image, std::int32_t level) {
  return {std::max(area.top, 0), std::max(area.left, 0), std::min(area.bottom, image.height[level]),
          std::min(area.right, image.width[level])};
}

// Rgba8 and Rgba16 rows copied as they are.
void copyArea(ImageBuffer& from, std::int32_t level, const ImageRect& area, ImageBuffer& to) {
  const std::int32_t width = area.right - area.left;
  std::vector<std::uint8_t> line(std::size_t(width) * std::size_t(from.bytesPerPixel));
  for (std::int32_t y = area.top; y < area.bottom; ++y) {
    lineTransfer(from, level, y, area.left, area.right, line.data(), false, false);
    lineTransfer(to, 0, y - area.top, 0, width, line.data(), true, false);
  }
}

// Float light into 16-bit samples, held within 0..32768 as the tone scale expects.
void convertArea(const ImageBuffer& from, std::int32_t level, const ImageRect& area, ImageBuffer& to) {
  for (std::int32_t y = area.top; y < area.bottom; ++y) {
    for (std::int32_t x = area.left; x < area.right; ++x) {
      float c[4];
      getColour(from, x, y, level, c);
      std::uint16_t s[4];
      for (int i = 0; i < 4; ++i) s[i] = std::uint16_t(std::clamp(c[i], 0.0f, 1.0f) * 32768.0f);
      setColour(to, x - area.left, y - area.top, 0, s);
    }
  }
}

}  // namespace

std::int32_t blurReach(float size) {
  const BoxExtents e = boxExtents(size);
  return 2 * e.rounded + e.truncated;
}

float blurSizeFor(std::int32_t diameter, std::int32_t level) {
  const float size = float(diameter) / 3.0f / std::ldexp(1.0f, level);
  return std::clamp(size, 2.0f, 300.0f);
}

bool makeToneImages(const ImageBuffer& source, std::int32_t level, const ImageRect& wanted, float blurSize,
                    ImageBuffer& sharpCopy, ImageBuffer& blurred, ToneSource& tone) {
  const ImageRect area = clipped(wanted, source, level);
  const std::int32_t width = std::max(area.right - area.left, 1);
  const std::int32_t height = std::max(area.bottom - area.top, 1);
  const bool isFloat = source.format == kRgbaFloat;
  const std::int32_t format = isFloat ? kRgba16 : source.format;
  // The blurred copy has no pyramid: edge mode -1 keeps it to level 0.
  if (!configureImageBuffer(&blurred, width, height, format, -1, false)) return false;
  ImageBuffer& readable = const_cast<ImageBuffer&>(source);  // lineTransfer only reads here
  if (isFloat) {
    if (!configureImageBuffer(&sharpCopy, width, height, kRgba16, -1, false)) return false;
    convertArea(source, level, area, sharpCopy);
    copyArea(sharpCopy, 0, {0, 0, height, width}, blurred);
    tone.image = &sharpCopy;
    tone.imageLevel = 0;
    tone.imageLeft = area.left;
    tone.imageTop = area.top;
  } else {
    copyArea(readable, level, area, blurred);
    tone.image = &source;
    tone.imageLevel = level;
    tone.imageLeft = 0;
    tone.imageTop = 0;
  }
  blurImage(blurred, 0, levelRect(&blurred, 0), blurSize);
  tone.blurred = &blurred;
  tone.blurredLeft = area.left;
  tone.blurredTop = area.top;
  tone.level = level;
  return true;
}

}  // namespace qm
