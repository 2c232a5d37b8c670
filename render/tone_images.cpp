// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/tone_images.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/box_blur.h"
#include "engine/jobs.h"
#include "render/tone.h"

namespace qm {
namespace {

ImageRect clipped(const ImageRect& area, const ImageBuffer& image, std::int32_t level) {
  return {std::max(area.top, 0), std::max(area.left, 0), std::min(area.bottom, image.height[level]),
          std::min(area.right, image.width[level])};
}

// Float light into 16-bit samples held within 0..32768, as the tone scale expects; rows
// `first` .. `end` - 1 of the area (area coordinates).
struct AreaCopy {
  const ImageBuffer* from;
  std::int32_t level;
  ImageRect area;
  ImageBuffer* to;
};

void copyRows(const AreaCopy& copy, std::int32_t first, std::int32_t end) {
  const ImageRect& area = copy.area;
  for (std::int32_t y = area.top + first; y < area.top + end; ++y)
    for (std::int32_t x = area.left; x < area.right; ++x) {
      float c[4];
      getColour(*copy.from, x, y, copy.level, c);
      std::uint16_t s[4];
      for (int i = 0; i < 4; ++i) s[i] = toneSample(c[i]);
      setColour(*copy.to, x - area.left, y - area.top, 0, s);
    }
}

// The copy runs as a job in bands of rows, so that both processors share it (and the first
// touch of the new buffer's pages).
void copyBand(JobTask& task) {
  const ImageRect& rows = task.layout.taskRect;
  copyRows(*static_cast<const AreaCopy*>(task.context), rows.top, rows.bottom);
}

void copyFloatArea(const ImageBuffer& from, std::int32_t level, const ImageRect& area, ImageBuffer& to) {
  AreaCopy copy{&from, level, area, &to};
  JobEnvironment environment;
  environment.context = &copy;
  environment.rect = {0, 0, area.bottom - area.top, 1};
  environment.work = copyBand;
  const JobOutcome outcome = runJob(bandMode, environment);
  if (outcome.cancelled) copyRows(copy, 0, area.bottom - area.top);  // a band failed: all of it here
}

bool blurGreyInto(const ImageBuffer& from, std::int32_t level, const ImageRect& area, float size,
                  ImageBuffer& blurred) {
  const bool sixteenBit = from.format == kRgba16;
  return blurAreaRows(from, level, area, size, greySink(blurred, sixteenBit));
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
  // A view that samples nothing of the level gets one blank pixel of each.
  const bool blank = area.right <= area.left || area.bottom <= area.top;
  const std::int32_t width = blank ? 1 : area.right - area.left;
  const std::int32_t height = blank ? 1 : area.bottom - area.top;
  const bool isFloat = source.format == kRgbaFloat;
  // Both are written whole, so a render of the same area keeps their memory from the last.
  // The blurred copy has no pyramid: edge mode -1 keeps it to level 0.
  const auto make = blank ? configureImageBuffer : reconfigureImageBuffer;
  if (!make(&blurred, width, height, kGray8, -1, false)) return false;
  if (isFloat && !make(&sharpCopy, width, height, kRgba16, -1, false)) return false;
  tone.image = isFloat ? &sharpCopy : &source;
  tone.imageLevel = isFloat ? 0 : level;
  tone.imageLeft = isFloat ? area.left : 0;
  tone.imageTop = isFloat ? area.top : 0;
  tone.blurred = &blurred;
  tone.blurredLeft = area.left;
  tone.blurredTop = area.top;
  tone.level = level;
  if (blank) return true;
  if (!isFloat) return blurGreyInto(source, level, area, blurSize, blurred);
  copyFloatArea(source, level, area, sharpCopy);
  return blurGreyInto(sharpCopy, 0, levelRect(&sharpCopy, 0), blurSize, blurred);
}

}  // namespace qm
