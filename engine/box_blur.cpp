// SPDX-License-Identifier: LicenseRef-Quillmark
// The blur of an image's area: its rows cut into bands, one stream (engine/blur_stream.h)
// per band on the workers, each reading the area's rows straight from the image.
#include "engine/box_blur.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "engine/blur_stream.h"
#include "engine/jobs.h"

namespace qm {
namespace {

using blur::BlurPlan;

// Rows of the area from the image, Rgb8 turned into Rgba8 words with full opacity.
struct AreaReader {
  const ImageBuffer* from;
  int level;
  ImageRect area;

  static void read(const void* context, std::int32_t y, std::int32_t left, std::int32_t right, void* pixels) {
    const AreaReader& reader = *static_cast<const AreaReader*>(context);
    const ImageBuffer& from = *reader.from;
    const std::int32_t row = reader.area.top + y;
    const std::size_t pixelBytes = std::size_t(from.bytesPerPixel);
    auto* out = static_cast<std::uint8_t*>(pixels);
    for (std::int32_t x = reader.area.left + left, end = reader.area.left + right; x < end;) {
      const std::int32_t run = std::min(end, (x | kTileMask) + 1) - x;
      const std::uint8_t* in = pixelAddress(from, x, row, reader.level);
      if (from.format == kRgb8) {
        for (std::int32_t k = 0; k < run; ++k, in += 3, out += 4) {
          const std::uint32_t word = packRgba8(in[0], in[1], in[2], 255);
          std::memcpy(out, &word, sizeof word);
        }
      } else {
        std::memcpy(out, in, std::size_t(run) * pixelBytes);
        out += std::size_t(run) * pixelBytes;
      }
      x += run;
    }
  }
};

// The job: the area's rows in as many bands as there are workers, but no band much shorter
// than the rows it must run ahead (a band repeats that many rows of the band above).
struct BlurJob {
  AreaReader reader;
  BlurPlan plan;
  BlurredRowSink sink;
  std::int32_t bandRows;
};

void blurBand(JobTask& task) {
  const BlurJob& job = *static_cast<const BlurJob*>(task.context);
  const std::int32_t width = job.reader.area.right - job.reader.area.left;
  const std::int32_t height = job.reader.area.bottom - job.reader.area.top;
  const std::int32_t first = task.layout.taskRect.top / kJobBandSize * job.bandRows;
  const std::int32_t end = std::min(height, first + job.bandRows);
  blur::inFormat(job.reader.from->format == kRgba16, job.plan, [&](const auto* format) {
    using Format = std::remove_cvref_t<decltype(*format)>;
    blur::BlurStream<Format> stream({&job.reader, AreaReader::read}, {0, width}, {0, width}, height, job.plan);
    stream.start(first);
    stream.run(end, height, job.sink);
  });
}

bool areaInside(const ImageBuffer& image, int level, const ImageRect& area) {
  return hasPixels(image) && level >= 0 && level <= image.lastLevel &&
         (image.format == kRgb8 || image.format == kRgba8 || image.format == kRgba16) && area.left >= 0 &&
         area.top >= 0 && area.left < area.right && area.top < area.bottom && area.right <= image.width[level] &&
         area.bottom <= image.height[level];
}

}  // namespace

BoxExtents boxExtents(float size) {
  if (!(size > 0.0f)) return {};  // also NaN
  const float q = std::min(size * 13.0f / 30.0f, float(kMostBoxExtent));
  return {std::int32_t(std::floor(q + 0.5f)), std::int32_t(std::floor(q))};
}

bool blurAreaRows(const ImageBuffer& from, int level, const ImageRect& area, float size, const BlurredRowSink& sink) {
  if (!sink.take || !areaInside(from, level, area)) return false;
  BlurJob job{{&from, level, area}, blur::planFor(size), sink, 0};
  const std::int32_t height = area.bottom - area.top;
  const std::int32_t shortest = std::max(kJobBandSize, 2 * blur::reachDown(job.plan));
  const std::int32_t bands = std::clamp(height / shortest, 1, workerThreadLimit());
  job.bandRows = (height + bands - 1) / bands;
  JobEnvironment environment;
  environment.context = &job;
  environment.rect = {0, 0, ((height + job.bandRows - 1) / job.bandRows) * kJobBandSize, 1};
  environment.work = blurBand;
  return runJob(bandMode, environment).reason == kJobNotStopped;
}

}  // namespace qm
