// SPDX-License-Identifier: LicenseRef-Quillmark
// The tone-only load. Strips of full rows come from the host top to bottom into a ring of
// rows in the blur's pixel format (Rgba8 or Rgba16, stored the way the colour load stores
// a document); each row's grey goes into the source, and the blur runs on as far as the
// rows read so far reach. The ring keeps the rows the blur may still read and the strip
// being added.
#include <algorithm>
#include <cstring>

#include "engine/box_blur.h"
#include "platform/random_generator.h"
#include "render/source_loading.h"
#include "render/tone.h"
#include "render/working_set_record.h"

namespace qm {
namespace {

// The most pixels a strip asks of the host: as many as one tile of the colour load.
constexpr std::int64_t kStripPixels = std::int64_t(kTileSize) * kTileSize;

struct ToneLoad {
  ImageBuffer ring;  // `ringRows` rows; document row y lives in ring row y % ringRows
  std::int32_t ringRows = 0;
  ImageBuffer* grey = nullptr;
  ImageBuffer* blurred = nullptr;
};

template <typename Sample>
std::int32_t greyOf(const std::uint8_t* pixel) {
  if constexpr (sizeof(Sample) == 1) {
    std::uint32_t word;
    std::memcpy(&word, pixel, sizeof word);
    return grey8(std::int32_t(word >> 24), std::int32_t((word >> 16) & 255u), std::int32_t((word >> 8) & 255u));
  } else {
    std::uint16_t c[4];
    std::memcpy(c, pixel, sizeof c);
    return grey16(c[0], c[1], c[2]);
  }
}

// Columns left .. right - 1 of ring row `slot`, one run per tile.
template <class Each>
void forRuns(const ImageBuffer& image, std::int32_t slot, std::int32_t left, std::int32_t right, Each each) {
  for (std::int32_t x = left; x < right;) {
    const std::int32_t run = std::min(right, (x | kTileMask) + 1) - x;
    each(x, run, pixelAddress(image, x, slot, 0));
    x += run;
  }
}

void readRing(const void* context, std::int32_t y, std::int32_t left, std::int32_t right, void* pixels) {
  const ToneLoad& load = *static_cast<const ToneLoad*>(context);
  auto* out = static_cast<std::uint8_t*>(pixels);
  const std::size_t pixelBytes = std::size_t(load.ring.bytesPerPixel);
  forRuns(load.ring, y % load.ringRows, left, right, [&](std::int32_t, std::int32_t run, const std::uint8_t* at) {
    std::memcpy(out, at, std::size_t(run) * pixelBytes);
    out += std::size_t(run) * pixelBytes;
  });
}

template <typename Sample>
void takeBlurred(void* context, std::int32_t y, std::int32_t left, std::int32_t count, const void* pixels) {
  ImageBuffer& blurred = *static_cast<ToneLoad*>(context)->blurred;
  const auto* in = static_cast<const std::uint8_t*>(pixels);
  constexpr std::size_t kPixel = 4 * sizeof(Sample);
  forRuns(blurred, y, left, left + count, [&](std::int32_t, std::int32_t run, std::uint8_t* out) {
    for (std::int32_t k = 0; k < run; ++k, in += kPixel) out[k] = std::uint8_t(greyOf<Sample>(in));
  });
}

// Document row y into its ring row (cleared first: what the host leaves out reads 0, as in a
// new source), and its grey into the source.
void storeRow(ToneLoad& load, const DocumentSource& source, std::int32_t y, const ImageRect& delivered,
              const InterleavedPixels& pixels) {
  const std::int32_t slot = y % load.ringRows;
  const std::int32_t width = load.grey->width[0];
  const std::size_t pixelBytes = std::size_t(load.ring.bytesPerPixel);
  forRuns(load.ring, slot, 0, width, [&](std::int32_t, std::int32_t run, std::uint8_t* at) {
    std::memset(at, 0, std::size_t(run) * pixelBytes);
  });
  if (pixels.data && y >= delivered.top && y < delivered.bottom) {
    InterleavedPixels row = pixels;
    row.data = static_cast<const std::uint8_t*>(pixels.data) + std::ptrdiff_t(y - delivered.top) * pixels.rowBytes;
    storeInterleaved(load.ring, {slot, delivered.left, slot + 1, delivered.right}, row);
  }
  const bool sixteen = source.sampleBytes == 2;
  forRuns(load.ring, slot, 0, width, [&](std::int32_t x, std::int32_t run, const std::uint8_t* at) {
    std::uint8_t* grey = pixelAddress(*load.grey, x, y, 0);
    for (std::int32_t k = 0; k < run; ++k, at += pixelBytes)
      grey[k] = std::uint8_t(sixteen ? greyOf<std::uint16_t>(at) : greyOf<std::uint8_t>(at));
  });
}

SourceLoad feedStrips(ToneLoad& load, const DocumentSource& source, BlurFeed& feed, std::int32_t stripRows) {
  for (std::int32_t top = 0; top < source.height; top += stripRows) {
    const ImageRect asked{top, 0, std::min(source.height, top + stripRows), source.width};
    ImageRect delivered{};
    InterleavedPixels pixels{};
    if (!source.fetch(source.context, asked, delivered, pixels)) return SourceLoad::HostFailed;
    for (std::int32_t y = asked.top; y < asked.bottom; ++y) storeRow(load, source, y, delivered, pixels);
    if (!feed.advance(asked.bottom)) return SourceLoad::NoMemory;
  }
  return feed.finished() ? SourceLoad::Loaded : SourceLoad::NoMemory;
}

SourceLoad loadTone(RenderWorkingSet& set, const DocumentSource& source, float blurSize) {
  if (source.width <= 0 || source.height <= 0 || source.sampleBytes == 4) return SourceLoad::Empty;
  const bool sixteen = source.sampleBytes == 2;
  const std::int32_t stripRows = std::int32_t(std::clamp<std::int64_t>(kStripPixels / source.width, 1, kTileSize));
  ToneLoad load;
  initImageBuffer(load.ring, nullptr);
  load.ringRows = BlurFeed::rowsBehind(blurSize) + stripRows;
  load.grey = &set.source;
  load.blurred = &set.blurred;
  if (!configureImageBuffer(&set.source, source.width, source.height, kGray8, -1, false))
    return SourceLoad::NoMemory;
  // The blurred grey takes its random phase when the render takes it, as a blur made then would.
  const std::uint32_t generator = randomState();
  const bool made = configureImageBuffer(&set.blurred, source.width, source.height, kGray8, -1, false) &&
                    configureImageBuffer(&load.ring, source.width, load.ringRows, sixteen ? kRgba16 : kRgba8, -1, false);
  seedRandom(generator);
  SourceLoad outcome = SourceLoad::NoMemory;
  if (made) {
    const BlurredRowSink sink{&load, sixteen ? takeBlurred<std::uint16_t> : takeBlurred<std::uint8_t>};
    BlurFeed feed(sixteen, source.width, source.height, blurSize, {&load, readRing}, sink);
    if (feed.ready()) outcome = feedStrips(load, source, feed, stripRows);
  }
  releasePixels(load.ring);
  return outcome;
}

}  // namespace

SourceLoad loadToneOnly(RenderWorkingSet& set, const DocumentSource& source, float blurSize) {
  set.toneOnly = false;
  const SourceLoad load = loadTone(set, source, blurSize);
  if (source.finish) source.finish(source.context);
  if (load != SourceLoad::Loaded) {
    releasePixels(set.source);  // half a grey document is no source for anything
    releasePixels(set.blurred);
    return load;
  }
  set.toneOnly = true;
  set.toneOnlyBlurSize = blurSize;
  return SourceLoad::Loaded;
}

}  // namespace qm
