// SPDX-License-Identifier: LicenseRef-Quillmark
// The tone-only load. Strips of full rows come from the host top to bottom into a ring of
// rows in the blur's pixel format (Rgba8 or Rgba16, stored the way the colour load stores
// a document); each row's grey goes into the source, and the blur runs on as far as the
// rows stored so far reach. The blur's parts store each strip, their own columns each, in
// the same job as they blur the rows before it. The ring keeps the strip being added, the
// one before it and the rows the blur may still read behind those.
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
};

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

// A strip the host handed over, stored by the feed's parts, each its own columns.
struct Strip {
  ToneLoad* load;
  std::int32_t sampleBytes;
  ImageRect asked;
  ImageRect delivered;
  InterleavedPixels pixels;
};

// The everyday float layouts, red, green and blue first in pixels of three or four floats:
// a tile's run of samples is converted at once, then each pixel's three go in below full
// opacity. False for other layouts.
bool storeFloatRgbRun(const std::uint8_t* in, std::int32_t run, const InterleavedPixels& row, std::uint8_t* at) {
  const std::int32_t floats = row.pixelBytes / std::int32_t(sizeof(float));
  const bool everyday = row.channel[0] == 0 && row.channel[1] == 1 && row.channel[2] == 2 &&
                        (row.pixelBytes == 12 || row.pixelBytes == 16) && run <= kTileSize;
  if (!everyday) return false;
  std::uint16_t samples[4 * kTileSize];
  toneSamplesOf(in, std::size_t(run) * std::size_t(floats), samples);
  for (std::int32_t k = 0; k < run; ++k, at += 8) {
    const std::uint16_t pixel[4] = {samples[floats * k], samples[floats * k + 1], samples[floats * k + 2], 32768};
    std::memcpy(at, pixel, sizeof pixel);
  }
  return true;
}

// A float document's light as the 16-bit samples its tone is taken from, as a render of
// its colours takes them (tone_images.h).
void storeFloatRow(ImageBuffer& ring, std::int32_t slot, std::int32_t from, std::int32_t to,
                   const InterleavedPixels& row) {
  const auto* in = static_cast<const std::uint8_t*>(row.data);
  forRuns(ring, slot, from, to, [&](std::int32_t, std::int32_t run, std::uint8_t* at) {
    if (storeFloatRgbRun(in, run, row, at)) {
      in += std::size_t(run) * std::size_t(row.pixelBytes);
      return;
    }
    for (std::int32_t k = 0; k < run; ++k, in += row.pixelBytes, at += 8) {
      std::uint16_t samples[4] = {0, 0, 0, 32768};
      for (int c = 0; c < 3; ++c) {
        float light;
        std::memcpy(&light, in + std::size_t(row.channel[c]) * sizeof light, sizeof light);
        samples[c] = toneSample(light);
      }
      std::memcpy(at, samples, sizeof samples);
    }
  });
}

// Columns left .. right - 1 of document row y into its ring row (what the host leaves out
// reads 0, as in a new source), and their grey into the source.
void storeRowPart(const Strip& strip, std::int32_t y, std::int32_t left, std::int32_t right) {
  ToneLoad& load = *strip.load;
  const std::int32_t slot = y % load.ringRows;
  const ImageRect& delivered = strip.delivered;
  const bool given = strip.pixels.data && y >= delivered.top && y < delivered.bottom;
  const std::int32_t from = given ? std::clamp(delivered.left, left, right) : right;
  const std::int32_t to = given ? std::clamp(delivered.right, from, right) : right;
  const std::size_t pixelBytes = std::size_t(load.ring.bytesPerPixel);
  const auto clear = [&](std::int32_t, std::int32_t run, std::uint8_t* at) {
    std::memset(at, 0, std::size_t(run) * pixelBytes);
  };
  forRuns(load.ring, slot, left, from, clear);
  forRuns(load.ring, slot, to, right, clear);
  if (from < to) {
    InterleavedPixels row = strip.pixels;
    row.data = static_cast<const std::uint8_t*>(row.data) + std::ptrdiff_t(y - delivered.top) * row.rowBytes +
               std::ptrdiff_t(from - delivered.left) * row.pixelBytes;
    if (strip.sampleBytes == 4)
      storeFloatRow(load.ring, slot, from, to, row);
    else
      storeInterleaved(load.ring, {slot, from, slot + 1, to}, row);
  }
  forRuns(load.ring, slot, left, right, [&](std::int32_t x, std::int32_t run, const std::uint8_t* at) {
    greysOfPixels(at, run, strip.sampleBytes != 1, pixelAddress(*load.grey, x, y, 0));
  });
}

void storeStripPart(void* context, std::int32_t left, std::int32_t right) {
  const Strip& strip = *static_cast<const Strip*>(context);
  for (std::int32_t y = strip.asked.top; y < strip.asked.bottom; ++y) storeRowPart(strip, y, left, right);
}

// Each strip is stored by the parts while they blur the rows of the strips before it, so a
// strip becomes readable one advance after it came.
SourceLoad feedStrips(ToneLoad& load, const DocumentSource& source, BlurFeed& feed, std::int32_t stripRows) {
  Strip strip{&load, source.sampleBytes, {}, {}, {}};
  for (std::int32_t top = 0; top < source.height; top += stripRows) {
    strip.asked = {top, 0, std::min(source.height, top + stripRows), source.width};
    strip.delivered = {};
    strip.pixels = {};
    if (!source.fetch(source.context, strip.asked, strip.delivered, strip.pixels)) return SourceLoad::HostFailed;
    if (!feed.advance(top, {&strip, storeStripPart})) return SourceLoad::NoMemory;
  }
  if (!feed.advance(source.height)) return SourceLoad::NoMemory;
  return feed.finished() ? SourceLoad::Loaded : SourceLoad::NoMemory;
}

SourceLoad loadTone(RenderWorkingSet& set, const DocumentSource& source, float blurSize) {
  if (source.width <= 0 || source.height <= 0) return SourceLoad::Empty;
  // Float documents are taken in 16-bit samples, as a render of their colours takes them.
  const bool sixteen = source.sampleBytes != 1;
  const std::int32_t stripRows = std::int32_t(std::clamp<std::int64_t>(kStripPixels / source.width, 1, kTileSize));
  ToneLoad load;
  initImageBuffer(load.ring, nullptr);
  // The strip being stored, the strip before it (being blurred) and what the blur reads behind.
  load.ringRows = BlurFeed::rowsBehind(blurSize) + 2 * stripRows;
  load.grey = &set.source;
  if (!configureImageBuffer(&set.source, source.width, source.height, kGray8, -1, false))
    return SourceLoad::NoMemory;
  // The blurred grey takes its random phase when the render takes it, as a blur made then would.
  const std::uint32_t generator = randomState();
  const bool made = configureImageBuffer(&set.blurred, source.width, source.height, kGray8, -1, false) &&
                    configureImageBuffer(&load.ring, source.width, load.ringRows, sixteen ? kRgba16 : kRgba8, -1, false);
  seedRandom(generator);
  SourceLoad outcome = SourceLoad::NoMemory;
  if (made) {
    BlurFeed feed(sixteen, source.width, source.height, blurSize, {&load, readRing}, greySink(set.blurred, sixteen));
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
  set.toneOnlyDraws = source.sampleBytes == 4 ? 2 : 1;
  return SourceLoad::Loaded;
}

}  // namespace qm
