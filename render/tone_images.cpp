// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/tone_images.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/box_blur.h"
#include "engine/jobs.h"

namespace qm {
namespace {

ImageRect clipped(const ImageRect& area, const ImageBuffer& image, std::int32_t level) {
  return {std::max(area.top, 0), std::max(area.left, 0), std::min(area.bottom, image.height[level]),
          std::min(area.right, image.width[level])};
}

// Rgba8 and Rgba16 rows copied as they are, float light into 16-bit samples held within
// 0..32768 as the tone scale expects; rows `rows` of the area (area coordinates).
struct AreaCopy {
  const ImageBuffer* from;
  std::int32_t level;
  ImageRect area;
  ImageBuffer* to;
};

void copyRows(const AreaCopy& copy, std::int32_t first, std::int32_t end) {
  const ImageRect& area = copy.area;
  const std::int32_t width = area.right - area.left;
  if (copy.from->format == kRgbaFloat) {
    for (std::int32_t y = area.top + first; y < area.top + end; ++y)
      for (std::int32_t x = area.left; x < area.right; ++x) {
        float c[4];
        getColour(*copy.from, x, y, copy.level, c);
        std::uint16_t s[4];
        for (int i = 0; i < 4; ++i) s[i] = std::uint16_t(std::clamp(c[i], 0.0f, 1.0f) * 32768.0f);
        setColour(*copy.to, x - area.left, y - area.top, 0, s);
      }
    return;
  }
  ImageBuffer& readable = const_cast<ImageBuffer&>(*copy.from);  // lineTransfer only reads here
  std::vector<std::uint8_t> line(std::size_t(width) * std::size_t(copy.from->bytesPerPixel));
  for (std::int32_t y = area.top + first; y < area.top + end; ++y) {
    lineTransfer(readable, copy.level, y, area.left, area.right, line.data(), false, false);
    lineTransfer(*copy.to, 0, y - area.top, 0, width, line.data(), true, false);
  }
}

// The copy runs as a job in bands of rows, so that both processors share it (and the first
// touch of the new buffer's pages). The bands need no cell memory: one shared cell stands
// in for it and is never written.
BandCell unusedBand{};
void* noBandMemory(void*, std::size_t) { return &unusedBand; }
void copyBand(JobTask& task) {
  const ImageRect& rows = task.layout.taskRect;
  copyRows(*static_cast<const AreaCopy*>(task.context), rows.top, rows.bottom);
}

void copyArea(const ImageBuffer& from, std::int32_t level, const ImageRect& area, ImageBuffer& to) {
  AreaCopy copy{&from, level, area, &to};
  JobEnvironment environment;
  environment.context = &copy;
  environment.renderRect = {0, 0, area.bottom - area.top, 1};
  environment.render = copyBand;
  environment.allocateBand = noBandMemory;
  const JobOutcome outcome = runJob(JobRenderBand, bandMode, JobParams{}, environment);
  if (outcome.cancelled) copyRows(copy, 0, area.bottom - area.top);  // a band failed: all of it here
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
  if (isFloat) {
    if (!configureImageBuffer(&sharpCopy, width, height, kRgba16, -1, false)) return false;
    copyArea(source, level, area, sharpCopy);
    copyArea(sharpCopy, 0, {0, 0, height, width}, blurred);
    tone.image = &sharpCopy;
    tone.imageLevel = 0;
    tone.imageLeft = area.left;
    tone.imageTop = area.top;
  } else {
    copyArea(source, level, area, blurred);
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
