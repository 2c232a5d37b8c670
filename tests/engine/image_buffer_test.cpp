// SPDX-License-Identifier: LicenseRef-Quillmark
// The engine's image: level chain, tiles, clamped access, copies, line transfer, loading.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "engine/image_buffer.h"

namespace qm {
namespace {

struct BufferDeleter {
  void operator()(ImageBuffer* image) const { destroyImageBuffer(image); }
};
using Buffer = std::unique_ptr<ImageBuffer, BufferDeleter>;

Buffer makeBuffer(std::int32_t width, std::int32_t height, std::int32_t format, bool bordered = false) {
  Buffer image(createImageBuffer(nullptr, width, height, format, 0, bordered));
  EXPECT_NE(image, nullptr) << width << " x " << height << " format " << format;
  return image;
}

std::vector<std::int32_t> widths(const ImageBuffer& image) {
  return {image.width, image.width + image.lastLevel + 1};
}
std::vector<std::int32_t> heights(const ImageBuffer& image) {
  return {image.height, image.height + image.lastLevel + 1};
}

// A Gray8 ramp whose every pixel differs: x + 16 y.
Buffer greyRamp(std::int32_t width, std::int32_t height) {
  Buffer image = makeBuffer(width, height, kGray8);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) setGrey(*image, x, y, 0, std::uint8_t(x + 16 * y));
  return image;
}

std::vector<std::uint8_t> levelBytes(const ImageBuffer& image, int level) {
  std::vector<std::uint8_t> bytes;
  for (std::int32_t y = 0; y < image.height[level]; ++y)
    for (std::int32_t x = 0; x < image.width[level]; ++x) {
      const std::uint8_t* at = pixelAddress(image, x, y, level);
      bytes.insert(bytes.end(), at, at + image.bytesPerPixel);
    }
  return bytes;
}

// ---- Level chain ----

TEST(ImageBufferLevels, OneByOneHasExactlyOneLevel) {
  Buffer image = makeBuffer(1, 1, kRgba8);
  EXPECT_EQ(image->lastLevel, 0);
  EXPECT_EQ(image->coarseLevel, 0);
  EXPECT_EQ(image->width[1], 0);
  EXPECT_EQ(image->tileCount, 1);
}

TEST(ImageBufferLevels, OddSizesOfThreeOrMoreRoundUpToEven) {
  struct Case {
    std::int32_t size;
    std::vector<std::int32_t> chain;
  } cases[] = {
      {5, {5, 4, 2, 1}},        // 3 becomes 4
      {2, {2, 1}},
      {3, {3, 2, 1}},
      {6, {6, 4, 2, 1}},        // 6 halves to 3, then 4
      {7, {7, 4, 2, 1}},
      {9, {9, 6, 4, 2, 1}},     // 5 becomes 6
      {1000, {1000, 500, 250, 126, 64, 32, 16, 8, 4, 2, 1}},
  };
  for (const Case& c : cases) {
    Buffer image = makeBuffer(c.size, c.size, kGray8);
    EXPECT_EQ(widths(*image), c.chain) << c.size;
    EXPECT_EQ(heights(*image), c.chain) << c.size;
    EXPECT_EQ(image->coarseLevel, std::max(0, int(c.chain.size()) - 4)) << c.size;
  }
}

TEST(ImageBufferLevels, AxesShrinkSeparatelyUntilBothAreOne) {
  Buffer image = makeBuffer(12, 7, kGray8);
  EXPECT_EQ(widths(*image), (std::vector<std::int32_t>{12, 6, 4, 2, 1}));
  EXPECT_EQ(heights(*image), (std::vector<std::int32_t>{7, 4, 2, 1, 1}));
  Buffer line = makeBuffer(1, 8, kGray8);
  EXPECT_EQ(widths(*line), (std::vector<std::int32_t>{1, 1, 1, 1}));
  EXPECT_EQ(heights(*line), (std::vector<std::int32_t>{8, 4, 2, 1}));
}

TEST(ImageBufferLevels, ChainStopsAfterTwentyLevels) {
  Buffer image = makeBuffer(1 << 20, 1, kGray8);
  EXPECT_EQ(image->lastLevel, kMaxLevels - 1);
  EXPECT_EQ(image->width[kMaxLevels - 1], 2) << "the 21st level (1 x 1) is never made";
}

TEST(ImageBufferLevels, SizeFiguresFollowTheChain) {
  Buffer image = makeBuffer(5, 5, kRgba16);
  EXPECT_EQ(image->totalBytes, (25 + 16 + 4 + 1) * 8);
  EXPECT_EQ(image->maxX[1], 3);
  EXPECT_FLOAT_EQ(image->scaleCorrectionX[1], 0.625f) << "(5 / 4) / 2";
  EXPECT_FLOAT_EQ(image->nominalWidth[1], 2.5f);
  EXPECT_FLOAT_EQ(image->nominalWidth[3], 5.0f / 8.0f);
  EXPECT_FLOAT_EQ(image->scale, 32768.0f);

  Buffer wide = makeBuffer(10, 5, kRgba8);
  EXPECT_FLOAT_EQ(wide->aspectX, 2.0f);
  EXPECT_FLOAT_EQ(wide->aspectY, 1.0f);
  EXPECT_FLOAT_EQ(wide->halfPixelX, 0.05f);
}

TEST(ImageBufferLevels, BorderAddsTwoToEveryLevelAndForcesRgba8) {
  Buffer image = makeBuffer(5, 5, kGray8, true);
  EXPECT_EQ(image->format, kRgba8);
  EXPECT_EQ(image->bytesPerPixel, 4);
  EXPECT_EQ(widths(*image), (std::vector<std::int32_t>{7, 6, 4, 3}));
  EXPECT_FLOAT_EQ(image->unpaddedWidth[1], 4.0f);
  EXPECT_EQ(image->referenceWidth, 7);
}

TEST(ImageBufferLevels, LevelRectangles) {
  Buffer image = makeBuffer(5, 3, kGray8);
  const ImageRect level1 = levelRect(image.get(), 1);
  EXPECT_EQ(level1.bottom, 2);
  EXPECT_EQ(level1.right, 4);
  const ImageRect beyond = levelRect(image.get(), image->lastLevel + 1);
  EXPECT_EQ(beyond.bottom - beyond.top, 0);
  EXPECT_EQ(levelRect(nullptr, 0).right, 0);
}

// ---- Configuration failures ----

TEST(ImageBufferConfigure, RefusesBadRequestsAndLeavesNothingAllocated) {
  ImageBuffer image;
  initImageBuffer(image, nullptr);
  EXPECT_FALSE(configureImageBuffer(nullptr, 4, 4, kRgba8, 0, false));
  EXPECT_FALSE(configureImageBuffer(&image, 0, 4, kRgba8, 0, false));
  EXPECT_FALSE(configureImageBuffer(&image, 4, -1, kRgba8, 0, false));
  EXPECT_FALSE(configureImageBuffer(&image, 4, 4, 7, 0, false)) << "no such format";
  EXPECT_FALSE(configureImageBuffer(&image, INT32_MAX, INT32_MAX, kRgbaFloat, 0, false));
  EXPECT_FALSE(configureImageBuffer(&image, kMaxBufferSide + 1, 1, kGray8, 0, false));
  EXPECT_FALSE(configureImageBuffer(&image, 1 << 16, (1 << 15) + 1, kGray8, 0, false)) << "over 2^31 pixels";
  EXPECT_FALSE(hasPixels(image));
  EXPECT_EQ(image.tiles, nullptr);
  EXPECT_EQ(createImageBuffer(nullptr, 0, 0, kRgba8, 0, false), nullptr);
}

TEST(ImageBufferConfigure, ConfiguringAgainReplacesThePixels) {
  ImageBuffer image;
  initImageBuffer(image, nullptr);
  ASSERT_TRUE(configureImageBuffer(&image, 600, 20, kRgba16, 0, false));
  ASSERT_TRUE(configureImageBuffer(&image, 3, 2, kGray8, -1, false));
  EXPECT_EQ(image.tileCount, 3);
  EXPECT_EQ(image.edgeMode, -1);
  EXPECT_EQ(image.released, 0);
  releasePixels(image);
  EXPECT_EQ(image.released, 1);
  ASSERT_TRUE(configureImageBuffer(&image, 2, 2, kRgba8, 0, false)) << "a released record can be configured again";
  EXPECT_EQ(image.released, 0);
  releasePixels(image);
}

TEST(ImageBufferConfigure, DestroyFreesOnlyRecordsItCreated) {
  ImageBuffer* created = createImageBuffer(nullptr, 2, 2, kRgba8, 0, false);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->ownedRecord, 1);
  destroyImageBuffer(created);
  EXPECT_EQ(created, nullptr);

  ImageBuffer embedded;
  initImageBuffer(embedded, nullptr);
  ASSERT_TRUE(configureImageBuffer(&embedded, 2, 2, kRgba8, 0, false));
  ImageBuffer* pointer = &embedded;
  destroyImageBuffer(pointer);
  EXPECT_EQ(pointer, &embedded) << "an embedded record stays; only its pixels go";
  EXPECT_FALSE(hasPixels(embedded));
}

// ---- Tiles ----

TEST(ImageBufferTiles, EveryTileRowIs512PixelsEvenInThePartialTile) {
  Buffer image = makeBuffer(513, 600, kRgba16);
  EXPECT_EQ(image->tilesPerRow[0], 2);
  const ImageTile& second = image->tiles[image->firstTile[0] + 1];
  EXPECT_EQ(second.x0, 512);
  EXPECT_EQ(second.rows, 512);
  EXPECT_EQ(image->tiles[image->firstTile[0] + 3].rows, 88) << "the last tile row holds what is left";
  EXPECT_EQ(pixelAddress(*image, 512, 1, 0) - pixelAddress(*image, 512, 0, 0), 512 * 8);
  EXPECT_EQ(image->firstTile[1], 4);
  EXPECT_EQ(image->tilesPerRow[1], 1) << "level 1 is 258 x 300";
  // Level 0: 4 tiles of 512-pixel rows; every further level fits one tile.
  std::int64_t expected = 2 * 600 * 512 * 8;
  for (int level = 1; level <= image->lastLevel; ++level) expected += std::int64_t(image->height[level]) * 512 * 8;
  EXPECT_EQ(tileBytes(*image), expected);
}

TEST(ImageBufferTiles, NeighboursAcrossTileEdgesStayApart) {
  Buffer image = makeBuffer(513, 513, kGray8);
  setGrey(*image, 511, 511, 0, 1);
  setGrey(*image, 512, 511, 0, 2);
  setGrey(*image, 511, 512, 0, 3);
  setGrey(*image, 512, 512, 0, 4);
  EXPECT_EQ(getGrey(*image, 511, 511, 0), 1);
  EXPECT_EQ(getGrey(*image, 512, 511, 0), 2);
  EXPECT_EQ(getGrey(*image, 511, 512, 0), 3);
  EXPECT_EQ(getGrey(*image, 512, 512, 0), 4);
  EXPECT_EQ(getGrey(*image, 0, 0, 0), 0) << "fresh tiles are zero";
}

// ---- Access ----

TEST(ImageBufferAccess, ReadsClampToTheLevel) {
  Buffer image = greyRamp(7, 3);
  for (std::int32_t y = 0; y < 3; ++y) {
    EXPECT_EQ(getGrey(*image, -3, y, 0), getGrey(*image, 0, y, 0));
    EXPECT_EQ(getGrey(*image, 7 + 10, y, 0), getGrey(*image, 6, y, 0));
  }
  EXPECT_EQ(getGrey(*image, 2, -5, 0), 2);
  EXPECT_EQ(getGrey(*image, 2, 99, 0), 2 + 32);
  EXPECT_EQ(getGrey(*image, 100, 100, 0), 6 + 32);
}

TEST(ImageBufferAccess, WritesOutsideTheLevelAreDropped) {
  Buffer image = greyRamp(7, 3);
  const std::vector<std::uint8_t> before = levelBytes(*image, 0);
  setGrey(*image, -3, 1, 0, 200);
  setGrey(*image, 7 + 10, 1, 0, 200);
  setGrey(*image, 7, 1, 0, 200);
  setGrey(*image, 1, 3, 0, 200);
  setGrey(*image, 1, -1, 0, 200);
  setGrey(*image, 1, 1, image->lastLevel + 1, 200);
  EXPECT_EQ(levelBytes(*image, 0), before);
}

TEST(ImageBufferAccess, ReleasedBufferReadsZeroAndIgnoresWrites) {
  Buffer image = makeBuffer(4, 4, kRgba8);
  const std::uint8_t white[4] = {255, 255, 255, 255};
  setColour(*image, 1, 1, 0, white);
  releasePixels(*image);
  EXPECT_EQ(image->released, 1);
  EXPECT_FALSE(hasPixels(*image));
  setColour(*image, 1, 1, 0, white);
  std::uint8_t out[4] = {9, 9, 9, 9};
  getColour(*image, 1, 1, 0, out);
  EXPECT_EQ(out[0] | out[1] | out[2] | out[3], 0);
  float normalised[4] = {9, 9, 9, 9};
  getNormalised(*image, 1, 1, 0, normalised);
  EXPECT_EQ(normalised[3], 0.0f);
  std::uint8_t line[16] = {};
  EXPECT_EQ(lineTransfer(*image, 0, 1, 0, 4, line, false, false), 0);
}

TEST(ImageBufferAccess, ReadsOfAnotherFormatOrLevelGiveZeros) {
  Buffer image = makeBuffer(5, 5, kRgba8);
  const std::uint8_t colour[4] = {10, 20, 30, 40};
  for (int level = 0; level <= image->lastLevel; ++level) setColour(*image, 0, 0, level, colour);
  std::uint16_t wide[4] = {1, 1, 1, 1};
  getColour(*image, 0, 0, 0, wide);
  EXPECT_EQ(wide[0] | wide[1] | wide[2] | wide[3], 0);
  const std::uint16_t wideColour[4] = {1, 2, 3, 4};
  setColour(*image, 0, 0, 0, wideColour);  // wrong format: ignored
  std::uint8_t out[4];
  getColour(*image, 0, 0, 0, out);
  EXPECT_EQ(out[0], 10);
  getColour(*image, 0, 0, image->lastLevel + 1, out);
  EXPECT_EQ(out[0] | out[1] | out[2] | out[3], 0);
  EXPECT_EQ(getGrey(*image, 0, 0, 0), 0) << "a grey read of a colour buffer";
}

TEST(ImageBufferAccess, Rgba8IsOneWordWithChannelOneOnTop) {
  Buffer image = makeBuffer(2, 1, kRgba8);
  const std::uint8_t colour[4] = {0x11, 0x22, 0x33, 0x44};
  setColour(*image, 1, 0, 0, colour);
  const std::uint8_t* at = pixelAddress(*image, 1, 0, 0);
  std::uint32_t word;
  std::memcpy(&word, at, 4);
  EXPECT_EQ(word, 0x11223344u);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(at[kRgba8ByteOf[c]], colour[c]) << c;
  std::uint8_t back[4];
  unpackRgba8(packRgba8(1, 2, 3, 4), back);
  EXPECT_EQ(back[0], 1);
  EXPECT_EQ(back[3], 4);
}

// ---- Normalised access ----

TEST(ImageBufferNormalised, IntegerFormatsRoundTripEveryValue) {
  Buffer eight = makeBuffer(1, 1, kRgba8);
  for (int v = 0; v < 256; ++v) {
    const std::uint8_t in[4] = {std::uint8_t(v), std::uint8_t(255 - v), 0, 255};
    setColour(*eight, 0, 0, 0, in);
    float n[4];
    getNormalised(*eight, 0, 0, 0, n);
    setNormalised(*eight, 0, 0, 0, n);
    std::uint8_t out[4];
    getColour(*eight, 0, 0, 0, out);
    ASSERT_TRUE(std::equal(in, in + 4, out)) << v;
  }
  Buffer sixteen = makeBuffer(1, 1, kRgba16);
  for (int v = 0; v <= 32768; ++v) {
    const std::uint16_t in[4] = {std::uint16_t(v), std::uint16_t(32768 - v), 0, 32768};
    setColour(*sixteen, 0, 0, 0, in);
    float n[4];
    getNormalised(*sixteen, 0, 0, 0, n);
    setNormalised(*sixteen, 0, 0, 0, n);
    std::uint16_t out[4];
    getColour(*sixteen, 0, 0, 0, out);
    ASSERT_TRUE(std::equal(in, in + 4, out)) << v;
  }
}

TEST(ImageBufferNormalised, ScalesTruncateAndHoldWithinRange) {
  Buffer sixteen = makeBuffer(1, 1, kRgba16);
  const float in[4] = {1.0f, 0.5f, 2.0f, -1.0f};
  setNormalised(*sixteen, 0, 0, 0, in);
  std::uint16_t out[4];
  getColour(*sixteen, 0, 0, 0, out);
  EXPECT_EQ(out[0], 32768);
  EXPECT_EQ(out[1], 16384);
  EXPECT_EQ(out[2], 32768) << "held at full scale";
  EXPECT_EQ(out[3], 0);

  // An 8-bit colour moved into a 16-bit buffer through the normalised values.
  Buffer eight = makeBuffer(1, 1, kRgba8);
  const std::uint8_t colour[4] = {255, 128, 0, 255};
  setColour(*eight, 0, 0, 0, colour);
  float n[4];
  getNormalised(*eight, 0, 0, 0, n);
  setNormalised(*sixteen, 0, 0, 0, n);
  getColour(*sixteen, 0, 0, 0, out);
  EXPECT_EQ(out[0], 32768);
  EXPECT_EQ(out[1], 16448) << "trunc(128 / 255 x 32768)";
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(out[3], 32768);
}

TEST(ImageBufferNormalised, FloatsPassThroughAndGreyIsReadOnly) {
  Buffer floats = makeBuffer(1, 1, kRgbaFloat);
  const float in[4] = {1.5f, -0.25f, 0.125f, 1.0f};
  setNormalised(*floats, 0, 0, 0, in);
  float out[4];
  getColour(*floats, 0, 0, 0, out);
  EXPECT_TRUE(std::equal(in, in + 4, out));

  Buffer grey = makeBuffer(1, 1, kGray8);
  setGrey(*grey, 0, 0, 0, 51);
  setNormalised(*grey, 0, 0, 0, in);
  EXPECT_EQ(getGrey(*grey, 0, 0, 0), 51) << "colour writes into grey are ignored";
  getNormalised(*grey, 0, 0, 0, out);
  EXPECT_FLOAT_EQ(out[0], 0.2f);
  EXPECT_FLOAT_EQ(out[2], 0.2f);
  EXPECT_FLOAT_EQ(out[3], 1.0f);
}

// ---- Copy ----

TEST(ImageBufferCopy, CopiesEveryLevelAndThePyramidState) {
  Buffer from = makeBuffer(600, 5, kRgba16);
  Buffer to = makeBuffer(600, 5, kRgba16);
  for (int level = 0; level <= from->lastLevel; ++level)
    for (std::int32_t x = 0; x < from->width[level]; ++x) {
      const std::uint16_t colour[4] = {std::uint16_t(x), std::uint16_t(level), 7, 32768};
      setColour(*from, x, from->maxY[level], level, colour);
    }
  from->pyramidState = 2;
  ASSERT_TRUE(copyPixels(*from, *to));
  for (int level = 0; level <= from->lastLevel; ++level) EXPECT_EQ(levelBytes(*to, level), levelBytes(*from, level));
  EXPECT_EQ(to->pyramidState, 2);
}

TEST(ImageBufferCopy, RefusesDifferentShapes) {
  Buffer from = makeBuffer(12, 12, kRgba8);
  const std::uint8_t colour[4] = {1, 2, 3, 4};
  setColour(*from, 0, 0, 0, colour);
  Buffer narrower = makeBuffer(11, 12, kRgba8);
  Buffer deeper = makeBuffer(12, 12, kRgba16);
  Buffer bordered = makeBuffer(10, 10, kRgba8, true);  // 12 x 12 at level 0, another chain
  Buffer released = makeBuffer(12, 12, kRgba8);
  releasePixels(*released);
  for (ImageBuffer* to : {narrower.get(), deeper.get(), bordered.get(), released.get()}) {
    EXPECT_FALSE(copyPixels(*from, *to));
    EXPECT_EQ(getGrey(*to, 0, 0, 0), 0);
    std::uint8_t out[4];
    getColour(*to, 0, 0, 0, out);
    EXPECT_EQ(out[0], 0) << "nothing copied";
  }
}

// ---- Weights ----

TEST(LanczosWeightTables, EveryPhaseSumsExactly) {
  const LanczosWeights& w = lanczosWeights();
  for (int p = 0; p < 128; ++p) {
    std::int32_t sum2048 = 0, sum32768 = 0;
    float sum = 0.0f;
    for (int j = 0; j < 5; ++j) {
      sum2048 += w.weights2048[j][p];
      sum32768 += w.weights32768[j][p];
      sum += w.weights[j][p];
      if (j < 4) {
        // The first four integer taps are the float ones truncated.
        EXPECT_LE(std::abs(w.weights2048[j][p] - w.weights[j][p] * 2048.0f), 1.0f) << p << " " << j;
        EXPECT_LE(std::abs(w.weights32768[j][p] - w.weights[j][p] * 32768.0f), 1.0f) << p << " " << j;
      }
    }
    EXPECT_EQ(sum2048, 2048) << p;
    EXPECT_EQ(sum32768, 32768) << p;
    EXPECT_NEAR(sum, 1.0f, 1e-6f) << p;
  }
}

TEST(LanczosWeightTables, WeightsMoveWithThePhase) {
  const LanczosWeights& w = lanczosWeights();
  // Phase 0 leans on taps 2 and 3 and leaves the first tap out; phase 127 leans on taps 1
  // and 2 and leaves the last tap out. In between the weight slides over steadily.
  EXPECT_EQ(w.weights2048[0][0], 0);
  EXPECT_EQ(w.weights32768[4][127], 0);
  EXPECT_GT(w.weights[3][0], 0.4f);
  EXPECT_GT(w.weights[1][127], 0.4f);
  EXPECT_LT(w.weights[4][0], 0.0f) << "the outer lobe is negative";
  EXPECT_LT(w.weights[0][127], 0.0f);
  for (int p = 0; p < 128; ++p) EXPECT_GT(w.weights[2][p], 0.5f) << "the middle tap carries most " << p;
  for (int p = 1; p < 128; ++p) EXPECT_GE(w.weights[1][p], w.weights[1][p - 1]) << p;
}

TEST(LanczosWeightTables, BuiltOnceForAllThreads) {
  std::vector<const LanczosWeights*> seen(4, nullptr);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i) threads.emplace_back([&seen, i] { seen[i] = &lanczosWeights(); });
  for (std::thread& t : threads) t.join();
  for (const LanczosWeights* table : seen) EXPECT_EQ(table, &lanczosWeights());
}

// ---- Line transfer ----

TEST(ImageBufferLines, RowsReadAcrossTilesAndClipToTheLevel) {
  Buffer image = makeBuffer(600, 4, kRgba16);
  for (std::int32_t x = 0; x < 600; ++x) {
    const std::uint16_t colour[4] = {std::uint16_t(x), std::uint16_t(x * 2), std::uint16_t(x * 3), 32768};
    setColour(*image, x, 2, 0, colour);
  }
  std::vector<std::uint16_t> line(4 * 710, 0xBEEF);
  EXPECT_EQ(lineTransfer(*image, 0, 2, -5, 700, line.data(), false, false), 600);
  for (std::int32_t x : {0, 511, 512, 599}) {
    EXPECT_EQ(line[4 * x], x);
    EXPECT_EQ(line[4 * x + 2], x * 3);
    EXPECT_EQ(line[4 * x + 3], 32768);
  }
  EXPECT_EQ(line[4 * 600], 0xBEEF) << "nothing past the level";
  EXPECT_EQ(lineTransfer(*image, 0, 4, 0, 600, line.data(), false, false), 0) << "row outside the level";
  EXPECT_EQ(lineTransfer(*image, 0, 2, 700, 800, line.data(), false, false), 0);
}

TEST(ImageBufferLines, ColumnsWriteAcrossTilesAndClipToTheLevel) {
  Buffer image = makeBuffer(3, 600, kRgba8);
  std::vector<std::uint32_t> line(600);
  for (std::size_t i = 0; i < line.size(); ++i) line[i] = packRgba8(std::uint32_t(i & 255), std::uint32_t(i >> 8), 9, 255);
  EXPECT_EQ(lineTransfer(*image, 0, 1, 505, 1000, line.data(), true, true), 95);
  std::uint8_t out[4];
  getColour(*image, 1, 505, 0, out);
  EXPECT_EQ(out[0], 0) << "the run starts with the buffer's first pixel";
  getColour(*image, 1, 512, 0, out);
  EXPECT_EQ(out[0], 7);
  getColour(*image, 1, 599, 0, out);
  EXPECT_EQ(out[0], 94);
  getColour(*image, 1, 504, 0, out);
  EXPECT_EQ(out[3], 0) << "above the run stays as it was";
  getColour(*image, 0, 512, 0, out);
  EXPECT_EQ(out[3], 0) << "the neighbouring column stays as it was";

  std::vector<std::uint32_t> back(600, 0);
  EXPECT_EQ(lineTransfer(*image, 0, 1, 505, 600, back.data(), false, true), 95);
  EXPECT_TRUE(std::equal(back.begin(), back.begin() + 95, line.begin()));
}

TEST(ImageBufferLines, GreyBothWaysAndFloatNever) {
  Buffer grey = greyRamp(5, 3);
  std::uint8_t row[5];
  ASSERT_EQ(lineTransfer(*grey, 0, 1, 1, 4, row, false, false), 3);
  EXPECT_EQ(row[0], 17);
  EXPECT_EQ(row[2], 19);
  std::uint8_t column[3] = {200, 201, 202};
  ASSERT_EQ(lineTransfer(*grey, 0, 4, -2, 3, column, true, true), 3);
  EXPECT_EQ(getGrey(*grey, 4, 0, 0), 200);
  EXPECT_EQ(getGrey(*grey, 4, 2, 0), 202);

  Buffer floats = makeBuffer(4, 4, kRgbaFloat);
  std::vector<float> line(16, 0.5f);
  EXPECT_EQ(lineTransfer(*floats, 0, 0, 0, 4, line.data(), true, false), 0);
  float out[4];
  getColour(*floats, 0, 0, 0, out);
  EXPECT_EQ(out[0], 0.0f);
}

// ---- Loading level 0 ----

TEST(ImageBufferLoading, RawGreyAndRgbBytes) {
  ImageBuffer image;
  initImageBuffer(image, nullptr);
  const std::uint8_t grey[6] = {0, 50, 100, 150, 200, 250};
  ASSERT_TRUE(loadRawImage(image, grey, 3, 2, 1));
  EXPECT_EQ(image.format, kGray8);
  EXPECT_EQ(image.edgeMode, 0);
  EXPECT_EQ(image.pyramidState, 1);
  EXPECT_EQ(getGrey(image, 2, 0, 0), 100);
  EXPECT_EQ(getGrey(image, 0, 1, 0), 150);

  const std::uint8_t rgb[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  ASSERT_TRUE(loadRawImage(image, rgb, 2, 2, 3));
  EXPECT_EQ(image.format, kRgba8);
  std::uint8_t out[4];
  getColour(image, 1, 1, 0, out);
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[1], 11);
  EXPECT_EQ(out[2], 12);
  EXPECT_EQ(out[3], 255);

  EXPECT_FALSE(loadRawImage(image, rgb, 2, 2, 2));
  EXPECT_FALSE(loadRawImage(image, nullptr, 2, 2, 3));
  releasePixels(image);
}

TEST(ImageBufferLoading, Pixels32AreBlueGreenRed) {
  Buffer image = makeBuffer(600, 2, kRgba8);
  std::vector<std::uint8_t> pixels(600 * 2 * 4);
  for (std::size_t i = 0; i < 1200; ++i) {
    pixels[i * 4] = std::uint8_t(i);          // blue
    pixels[i * 4 + 1] = std::uint8_t(i >> 8);  // green
    pixels[i * 4 + 2] = 77;                    // red
    pixels[i * 4 + 3] = 3;                     // ignored
  }
  ASSERT_TRUE(fillFromPixels32(pixels.data(), *image));
  std::uint8_t out[4];
  getColour(*image, 599, 1, 0, out);  // pixel 1199
  EXPECT_EQ(out[0], 77);
  EXPECT_EQ(out[1], 1199 >> 8);
  EXPECT_EQ(out[2], 1199 & 255);
  EXPECT_EQ(out[3], 255);

  Buffer deep = makeBuffer(600, 2, kRgba16);
  EXPECT_FALSE(fillFromPixels32(pixels.data(), *deep));
}

TEST(ImageBufferLoading, InterleavedAreasClipWithTheirSamples) {
  Buffer image = makeBuffer(4, 4, kRgbaFloat);
  // A 3 x 3 area starting one pixel above and left of the image; samples in the order
  // opacity, blue, red, green, and one spare sample, on unaligned rows.
  std::vector<std::uint8_t> bytes(1 + 3 * 3 * 5 * sizeof(float));
  for (int i = 0; i < 3 * 3; ++i) {
    const float pixel[5] = {0.5f, float(i) * 3, float(i), float(i) * 2, -9.0f};
    std::memcpy(bytes.data() + 1 + std::size_t(i) * sizeof pixel, pixel, sizeof pixel);
  }
  const InterleavedPixels layout{bytes.data() + 1, 3 * 5 * sizeof(float), 5 * sizeof(float), {2, 3, 1}, 0};
  storeInterleaved(*image, {-1, -1, 2, 2}, layout);
  float out[4];
  getColour(*image, 0, 0, 0, out);  // area pixel (1, 1), number 4
  EXPECT_EQ(out[0], 4.0f);
  EXPECT_EQ(out[1], 8.0f);
  EXPECT_EQ(out[2], 12.0f);
  EXPECT_EQ(out[3], 0.5f);
  getColour(*image, 1, 1, 0, out);  // number 8
  EXPECT_EQ(out[0], 8.0f);
  getColour(*image, 2, 2, 0, out);
  EXPECT_EQ(out[3], 0.0f) << "outside the area";
}

TEST(ImageBufferLoading, GreySamplesFillThreeChannelsAcrossTiles) {
  Buffer image = makeBuffer(1030, 2, kRgba16);
  std::vector<std::uint16_t> samples(1030 * 2 * 2);
  for (std::size_t i = 0; i < 1030 * 2; ++i) {
    samples[2 * i] = std::uint16_t(i * 13);
    samples[2 * i + 1] = std::uint16_t(i);
  }
  const InterleavedPixels layout{samples.data(), 1030 * 4, 4, {0, 0, 0}, 1};
  storeInterleaved(*image, {0, 0, 2, 1030}, layout);
  for (std::int32_t x : {0, 511, 512, 1023, 1024, 1029}) {
    std::uint16_t out[4];
    getColour(*image, x, 1, 0, out);
    const std::size_t i = 1030 + std::size_t(x);
    EXPECT_EQ(out[0], std::uint16_t(i * 13)) << x;
    EXPECT_EQ(out[2], std::uint16_t(i * 13)) << x;
    EXPECT_EQ(out[3], std::uint16_t(i)) << x;
  }
}

}  // namespace
}  // namespace qm
