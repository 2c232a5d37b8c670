// SPDX-License-Identifier: LicenseRef-Quillmark
// The lean source: an opaque 8-bit document loaded for a whole render is kept in three
// bytes a pixel, and everything the render reads of it (the sharp and blurred greys, the
// source colours, at zoom 1 and beyond) is what the four-byte copy gives, to the bit.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/image_buffer.h"
#include "render/source_loading.h"
#include "render/source_pixels.h"
#include "render/tone.h"
#include "render/tone_images.h"
#include "render/band.h"
#include "render/render_state.h"
#include "render/style_row.h"
#include "render/working_set.h"
#include "render/working_set_record.h"

namespace qm {
namespace {

// Wider than one tile and not a whole number of them, with every channel varying.
constexpr std::int32_t kWidth = 700;
constexpr std::int32_t kHeight = 90;

struct Document {
  std::vector<std::uint8_t> samples;
  int channels;  // 1 grey, 3 RGB, 4 RGB and opacity
};

Document makeDocument(int channels) {
  Document document{std::vector<std::uint8_t>(std::size_t(kWidth) * kHeight * std::size_t(channels)), channels};
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x)
      for (int c = 0; c < channels; ++c)
        document.samples[(std::size_t(y) * kWidth + std::size_t(x)) * std::size_t(channels) + std::size_t(c)] =
            std::uint8_t((x * (3 + c) + y * (7 - c) + (x * y) % (11 + c)) & 255);
  return document;
}

bool fetchArea(void* context, const ImageRect& area, ImageRect& delivered, InterleavedPixels& pixels) {
  const auto& document = *static_cast<const Document*>(context);
  const int n = document.channels;
  delivered = area;
  const bool colour = n >= 3;
  pixels = {document.samples.data() + (std::size_t(area.top) * kWidth + std::size_t(area.left)) * std::size_t(n),
            std::ptrdiff_t(kWidth) * n,
            n,
            {0, colour ? 1 : 0, colour ? 2 : 0},
            n == 4 ? 3 : -1};
  return true;
}

struct Loaded {
  RenderWorkingSet* set = createWorkingSet();
  ~Loaded() { releaseWorkingSet(set); }
  Loaded() = default;
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
};

void load(Loaded& loaded, Document& document, bool opaque, SourcePyramid pyramid) {
  ASSERT_NE(loaded.set, nullptr);
  DocumentSource source{&document, kWidth, kHeight, 1, fetchArea, nullptr};
  source.opaque = opaque;
  ASSERT_EQ(loadSource(*loaded.set, source, pyramid), SourceLoad::Loaded);
}

std::vector<Colour> sourceRow(const ImageBuffer& image, std::int32_t zoom, std::int32_t y) {
  std::vector<Colour> row(kWidth);
  readSourceRow({&image, 0, zoom, 3, 1}, -2, y, kWidth, row.data());
  return row;
}

TEST(LeanSource, OnlyAnOpaqueDocumentForAWholeRenderIsKeptInThreeBytes) {
  Document rgb = makeDocument(3), rgba = makeDocument(4);
  const struct {
    Document* document;
    bool opaque;
    SourcePyramid pyramid;
    std::int32_t format;
  } cases[] = {
      {&rgb, true, SourcePyramid::None, kRgb8},
      {&rgb, true, SourcePyramid::Built, kRgba8},  // previews sample the coarser levels
      {&rgba, false, SourcePyramid::None, kRgba8},
  };
  for (const auto& c : cases) {
    Loaded loaded;
    load(loaded, *c.document, c.opaque, c.pyramid);
    EXPECT_EQ(loaded.set->source.format, c.format);
  }
}

TEST(LeanSource, ColoursAndGreysReadAsFromTheFourByteCopyToTheBit) {
  for (int channels : {3, 1}) {
    SCOPED_TRACE(channels == 3 ? "RGB" : "grey");
    Document document = makeDocument(channels);
    Loaded lean, full;
    load(lean, document, true, SourcePyramid::None);
    load(full, document, false, SourcePyramid::None);
    const ImageBuffer& three = lean.set->source;
    const ImageBuffer& four = full.set->source;
    ASSERT_EQ(three.format, kRgb8);
    ASSERT_EQ(four.format, kRgba8);
    for (std::int32_t zoom : {1, 2})
      for (std::int32_t y : {0, 37, kHeight - 1}) {
        const std::vector<Colour> a = sourceRow(three, zoom, y), b = sourceRow(four, zoom, y);
        EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(Colour)), 0) << "zoom " << zoom << " row " << y;
      }
    // The blurred grey, made straight from each, and the sharpened tone read through it.
    ImageBuffer sharp[2], blurred[2];
    ToneSource tone[2]{};
    for (int i = 0; i < 2; ++i) {
      initImageBuffer(sharp[i], nullptr);
      initImageBuffer(blurred[i], nullptr);
      ASSERT_TRUE(makeToneImages(i == 0 ? three : four, 0, {0, 0, kHeight, kWidth}, blurSizeFor(50, 0), sharp[i],
                                 blurred[i], tone[i]));
      tone[i].zoom = 1;
      tone[i].sharpenAmount = 1024;  // sharpen 100: every difference of the greys shows
    }
    std::int32_t differ = 0, toneSum = 0;
    for (std::int32_t y = 0; y < kHeight; y += 7)
      for (std::int32_t x = 0; x < kWidth; ++x) {
        std::int32_t meanLean = 0, meanFull = 0;
        const std::int32_t sharpLean = sampleTone(tone[0], x, y, &meanLean);
        differ += sharpLean != sampleTone(tone[1], x, y, &meanFull) || meanLean != meanFull;
        toneSum += sharpLean;
      }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(toneSum, 0) << "the tone read something";
    // The same through the row fill, which reads whole runs of each tile.
    for (std::int32_t y : {0, 41, kHeight - 1}) {
      std::vector<BandCell> cells[2];
      for (int i = 0; i < 2; ++i) {
        auto state = std::make_unique<RenderState>();
        state->tone = tone[i];
        cells[i].assign(kWidth, BandCell{0, 0, 0});
        StyleRowContext context{};
        context.state = state.get();
        context.first = 0;
        context.last = kWidth - 1;
        context.row = y;
        context.rowCells = cells[i].data();
        context.cellCount = kWidth;
        fillToneRow(context);
      }
      EXPECT_EQ(std::memcmp(cells[0].data(), cells[1].data(), sizeof(BandCell) * kWidth), 0) << "row " << y;
    }
    for (int i = 0; i < 2; ++i) {
      releasePixels(sharp[i]);
      releasePixels(blurred[i]);
    }
  }
}

TEST(LeanSource, StoresTakeChannelsOneToThreeFromAnyLayoutAndReadWithFullOpacity) {
  ImageBuffer image;
  initImageBuffer(image, nullptr);
  ASSERT_TRUE(configureImageBuffer(&image, 600, 2, kRgb8, -1, false));
  // Blue, green, red and a spare byte, starting left of the image and across the tile edge.
  std::vector<std::uint8_t> bgrx(std::size_t(620) * 4);
  for (std::size_t i = 0; i < 620; ++i) {
    bgrx[4 * i] = std::uint8_t(i);
    bgrx[4 * i + 1] = std::uint8_t(i * 3);
    bgrx[4 * i + 2] = std::uint8_t(i * 7);
    bgrx[4 * i + 3] = 9;
  }
  storeInterleaved(image, {1, -10, 2, 610}, {bgrx.data(), 0, 4, {2, 1, 0}, 3});
  for (std::int32_t x : {0, 511, 512, 599}) {
    std::uint8_t c[4];
    getColour(image, x, 1, 0, c);
    const std::size_t i = std::size_t(x + 10);
    EXPECT_EQ(c[0], std::uint8_t(i * 7)) << x;
    EXPECT_EQ(c[1], std::uint8_t(i * 3)) << x;
    EXPECT_EQ(c[2], std::uint8_t(i)) << x;
    EXPECT_EQ(c[3], 255) << x;
    getColour(image, x, 0, 0, c);
    EXPECT_EQ(c[0] + c[1] + c[2], 0) << "row 0 was not in the area";
  }
  releasePixels(image);
}

}  // namespace
}  // namespace qm
