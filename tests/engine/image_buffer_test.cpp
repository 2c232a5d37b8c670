// SPDX-License-Identifier: LicenseRef-Quillmark
// The engine's image: level chain, tiles, clamped access, copies, line transfer, loading,
// and its screen bitmap (the header byte for byte, the row padding, the order of the
// colour bytes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "engine/display_bitmap.h"
#include "tests/engine/engine_fixtures.h"

namespace qm::test {
namespace {

using Sizes = std::vector<std::int32_t>;

Sizes chain(const std::int32_t* sizes, const ImageBuffer& image) { return {sizes, sizes + image.lastLevel + 1}; }

// A Gray8 ramp whose every pixel differs: x + 16 y.
Buffer greyRamp(std::int32_t width, std::int32_t height) {
  Buffer image = makeBuffer(width, height, kGray8);
  fillLevel0(*image, [](std::int32_t x, std::int32_t y) { return Pixel{double(x + 16 * y), 0, 0, 0}; });
  return image;
}

const Pixel kZero{0, 0, 0, 0};

TEST(ImageBufferLevels, ChainsHalveAxesSeparatelyAndRoundOddSizesUpToEvenAndTheSizeFiguresFollow) {
  const struct {
    std::int32_t width, height;
    Sizes widths, heights;
  } cases[] = {
      {1, 1, {1}, {1}},
      {5, 5, {5, 4, 2, 1}, {5, 4, 2, 1}},  // 3 becomes 4
      {1000, 1000, {1000, 500, 250, 126, 64, 32, 16, 8, 4, 2, 1}, {1000, 500, 250, 126, 64, 32, 16, 8, 4, 2, 1}},
      {12, 7, {12, 6, 4, 2, 1}, {7, 4, 2, 1, 1}},
      {1, 8, {1, 1, 1, 1}, {8, 4, 2, 1}},
  };
  for (const auto& c : cases) {
    Buffer image = makeBuffer(c.width, c.height, kGray8);
    EXPECT_EQ(chain(image->width, *image), c.widths) << c.width << " x " << c.height;
    EXPECT_EQ(chain(image->height, *image), c.heights) << c.width << " x " << c.height;
  }
  Buffer one = makeBuffer(1, 1, kRgba8);
  EXPECT_EQ(one->width[1], 0);
  EXPECT_EQ(one->tileCount, 1);
  Buffer line = makeBuffer(1 << 20, 1, kGray8);
  EXPECT_EQ(line->lastLevel, kMaxLevels - 1);
  EXPECT_EQ(line->width[kMaxLevels - 1], 2) << "the 21st level (1 x 1) is never made";
  // The size figures follow the chain.
  Buffer image = makeBuffer(5, 5, kRgba16);
  EXPECT_EQ(image->totalBytes, (25 + 16 + 4 + 1) * 8);
  EXPECT_EQ(image->maxX[1], 3);
  EXPECT_FLOAT_EQ(image->nominalWidth[3], 5.0f / 8.0f);
  Buffer bordered = makeBuffer(5, 5, kGray8, 0, true);
  EXPECT_EQ(bordered->format, kRgba8) << "a border forces Rgba8";
  EXPECT_EQ(chain(bordered->width, *bordered), (Sizes{7, 6, 4, 3}));
  EXPECT_EQ(levelRect(image.get(), 1).right, 4);
  EXPECT_EQ(levelRect(image.get(), image->lastLevel + 1).bottom, 0);
}

TEST(ImageBufferConfigure, RefusesBadRequestsReplacesPixelsAndDestroyFreesOnlyOwnedRecords) {
  ImageBuffer embedded;
  initImageBuffer(embedded, nullptr);
  EXPECT_FALSE(configureImageBuffer(nullptr, 4, 4, kRgba8, 0, false));
  EXPECT_FALSE(configureImageBuffer(&embedded, 0, 4, kRgba8, 0, false));
  EXPECT_FALSE(configureImageBuffer(&embedded, 4, -1, kRgba8, 0, false));
  EXPECT_FALSE(configureImageBuffer(&embedded, 4, 4, 7, 0, false)) << "no such format";
  EXPECT_FALSE(configureImageBuffer(&embedded, kMaxBufferSide + 1, 1, kGray8, 0, false));
  EXPECT_FALSE(configureImageBuffer(&embedded, 1 << 16, (1 << 15) + 1, kGray8, 0, false)) << "over 2^31 pixels";
  EXPECT_FALSE(hasPixels(embedded)) << "a refusal leaves nothing allocated";
  EXPECT_EQ(embedded.tiles, nullptr);
  ASSERT_TRUE(configureImageBuffer(&embedded, 600, 20, kRgba16, 0, false));
  ASSERT_TRUE(configureImageBuffer(&embedded, 3, 2, kGray8, -1, false));
  EXPECT_EQ(embedded.tileCount, 3);
  releasePixels(embedded);
  EXPECT_EQ(embedded.released, 1);
  ASSERT_TRUE(configureImageBuffer(&embedded, 2, 2, kRgba8, 0, false)) << "a released record can be configured again";
  EXPECT_EQ(embedded.released, 0);
  ImageBuffer* pointer = &embedded;
  destroyImageBuffer(pointer);
  EXPECT_EQ(pointer, &embedded) << "an embedded record stays; only its pixels go";
  EXPECT_FALSE(hasPixels(embedded));

  ImageBuffer* created = createImageBuffer(nullptr, 2, 2, kRgba8, 0, false);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->ownedRecord, 1);
  destroyImageBuffer(created);
  EXPECT_EQ(created, nullptr);
}

TEST(ImageBufferConfigure, ReconfiguringToTheSameShapeKeepsThePixelsAndDrawsANewPhase) {
  ImageBuffer image;
  initImageBuffer(image, nullptr);
  ASSERT_TRUE(reconfigureImageBuffer(&image, 600, 20, kRgba16, -1, false)) << "an empty record is configured";
  setPixel(image, 599, 19, 0, {1, 2, 3, 4});
  const ImageTile* tiles = image.tiles;
  const double phase = image.randomPhase;
  image.pyramidState = 2;
  ASSERT_TRUE(reconfigureImageBuffer(&image, 600, 20, kRgba16, -1, false));
  EXPECT_EQ(image.tiles, tiles);
  EXPECT_EQ(pixelAt(image, 599, 19), (Pixel{1, 2, 3, 4}));
  EXPECT_NE(image.randomPhase, phase);
  EXPECT_EQ(image.pyramidState, 0);
  // Any other size, format or edge mode gets fresh, cleared pixels.
  for (const auto& [width, format, edge] :
       {std::tuple{601, kRgba16, -1}, std::tuple{600, kRgba8, -1}, std::tuple{600, kRgba16, 0}}) {
    setPixel(image, 0, 0, 0, {1, 1, 1, 1});
    ASSERT_TRUE(reconfigureImageBuffer(&image, width, 20, format, edge, false));
    EXPECT_EQ(image.width[0], width);
    EXPECT_EQ(image.format, format);
    EXPECT_EQ(image.edgeMode, edge);
    EXPECT_EQ(pixelAt(image, 0, 0), kZero) << width << " " << format << " " << edge;
  }
  EXPECT_FALSE(reconfigureImageBuffer(&image, 0, 20, kRgba16, -1, false));
  releasePixels(image);
}

TEST(ImageBufferTiles, TwoTileColumnsOf512PixelRowsKeepNeighboursApart) {
  Buffer image = makeBuffer(513, 600, kRgba16);
  EXPECT_EQ(image->tilesPerRow[0], 2);
  EXPECT_EQ(image->tiles[image->firstTile[0] + 1].x0, 512);
  EXPECT_EQ(image->tiles[image->firstTile[0] + 3].rows, 88) << "the last tile row holds what is left";
  EXPECT_EQ(pixelAddress(*image, 512, 1, 0) - pixelAddress(*image, 512, 0, 0), 512 * 8) << "partial tile rows too";
  EXPECT_EQ(image->firstTile[1], 4);
  EXPECT_EQ(image->tilesPerRow[1], 1) << "level 1 is 258 x 300";
  std::int64_t expected = 2 * 600 * 512 * 8;
  for (int level = 1; level <= image->lastLevel; ++level) expected += std::int64_t(image->height[level]) * 512 * 8;
  EXPECT_EQ(tileBytes(*image), expected);

  Buffer grey = makeBuffer(513, 513, kGray8);
  const int corner[4][2] = {{511, 511}, {512, 511}, {511, 512}, {512, 512}};
  for (int i = 0; i < 4; ++i) setGrey(*grey, corner[i][0], corner[i][1], 0, std::uint8_t(i + 1));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(getGrey(*grey, corner[i][0], corner[i][1], 0), i + 1) << i;
  EXPECT_EQ(getGrey(*grey, 0, 0, 0), 0) << "fresh tiles are zero";
}

TEST(ImageBufferAccess, ReadsClampWritesOutsideAreDroppedAndOtherFormatsReadZeros) {
  Buffer image = greyRamp(7, 3);
  for (std::int32_t y = 0; y < 3; ++y) {
    EXPECT_EQ(getGrey(*image, -3, y, 0), getGrey(*image, 0, y, 0));
    EXPECT_EQ(getGrey(*image, 17, y, 0), getGrey(*image, 6, y, 0));
  }
  EXPECT_EQ(getGrey(*image, 2, -5, 0), 2);
  EXPECT_EQ(getGrey(*image, 2, 99, 0), 2 + 32);
  EXPECT_EQ(getGrey(*image, 100, 100, 0), 6 + 32);

  const std::vector<Pixel> before = levelPixels(*image);
  const int outside[][3] = {{-3, 1, 0}, {17, 1, 0}, {7, 1, 0}, {1, 3, 0}, {1, -1, 0}, {1, 1, image->lastLevel + 1}};
  for (const auto& at : outside) setGrey(*image, at[0], at[1], at[2], 200);
  EXPECT_EQ(levelPixels(*image), before);
  // Reads of another format or level, or of released pixels, give zeros; such writes are ignored.
  Buffer colour = makeBuffer(5, 5, kRgba8);
  const std::uint8_t narrow[4] = {10, 20, 30, 40};
  setColour(*colour, 0, 0, 0, narrow);
  EXPECT_EQ(colourAs<std::uint16_t>(*colour, 0, 0), kZero) << "a 16-bit read of an 8-bit buffer";
  const std::uint16_t wide[4] = {1, 1, 1, 1};
  setColour(*colour, 0, 0, 0, wide);
  EXPECT_EQ(pixelAt(*colour, 0, 0), (Pixel{10, 20, 30, 40}));
  EXPECT_EQ(pixelAt(*colour, 0, 0, colour->lastLevel + 1), kZero);
  EXPECT_EQ(getGrey(*colour, 0, 0, 0), 0) << "a grey read of a colour buffer";
  releasePixels(*colour);
  EXPECT_FALSE(hasPixels(*colour));
  setColour(*colour, 0, 0, 0, narrow);
  EXPECT_EQ(pixelAt(*colour, 0, 0), kZero);
  std::uint8_t line[16] = {};
  EXPECT_EQ(lineTransfer(*colour, 0, 1, 0, 4, line, false, false), 0);
}

TEST(ImageBufferNormalised, IntegersRoundTripEveryValueAndHoldTheRangeFloatsKeepItAndGreyOnlyReads) {
  for (const auto& [format, full] : {std::pair{kRgba8, 255.0}, std::pair{kRgba16, 32768.0}}) {
    Buffer image = makeBuffer(1, 1, format);
    for (double v = 0; v <= full; ++v) {
      const Pixel in{v, full - v, 0, full};
      float normalised[4];
      setPixel(*image, 0, 0, 0, in);
      getNormalised(*image, 0, 0, 0, normalised);
      setNormalised(*image, 0, 0, 0, normalised);
      ASSERT_EQ(pixelAt(*image, 0, 0), in) << "format " << format;
    }
  }
  // Out of range, integer formats hold the values, floats keep them and grey ignores them.
  const float in[4] = {1.5f, 0.5f, -0.25f, 1.0f};
  Buffer sixteen = makeBuffer(1, 1, kRgba16);
  Buffer floats = makeBuffer(1, 1, kRgbaFloat);
  Buffer grey = makeBuffer(1, 1, kGray8);
  setGrey(*grey, 0, 0, 0, 51);
  for (ImageBuffer* image : {sixteen.get(), floats.get(), grey.get()}) setNormalised(*image, 0, 0, 0, in);
  EXPECT_EQ(pixelAt(*sixteen, 0, 0), (Pixel{32768, 16384, 0, 32768}));
  EXPECT_EQ(pixelAt(*floats, 0, 0), (Pixel{1.5, 0.5, -0.25, 1.0}));
  EXPECT_EQ(getGrey(*grey, 0, 0, 0), 51);
  float out[4];  // grey reads as grey in the colour channels, fully opaque
  getNormalised(*grey, 0, 0, 0, out);
  for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(out[k], 0.2f) << k;
  EXPECT_FLOAT_EQ(out[3], 1.0f);
}

TEST(ImageBufferCopy, CopiesEveryLevelAndRefusesDifferentShapes) {
  Buffer from = makeBuffer(600, 5, kRgba16);
  Buffer to = makeBuffer(600, 5, kRgba16);
  for (int level = 0; level <= from->lastLevel; ++level)
    for (std::int32_t x = 0; x < from->width[level]; ++x)
      setPixel(*from, x, from->maxY[level], level, {double(x), double(level), 7, 32768});
  from->pyramidState = 2;
  ASSERT_TRUE(copyPixels(*from, *to));
  EXPECT_EQ(levelPixels(*to, kAllLevels), levelPixels(*from, kAllLevels));
  EXPECT_EQ(to->pyramidState, 2);

  Buffer source = makeBuffer(12, 12, kRgba8);
  setPixel(*source, 0, 0, 0, {1, 2, 3, 4});
  Buffer narrower = makeBuffer(11, 12, kRgba8);
  Buffer deeper = makeBuffer(12, 12, kRgba16);
  Buffer bordered = makeBuffer(10, 10, kRgba8, 0, true);  // 12 x 12 at level 0, another chain
  Buffer released = makeBuffer(12, 12, kRgba8);
  releasePixels(*released);
  for (ImageBuffer* target : {narrower.get(), deeper.get(), bordered.get(), released.get()}) {
    EXPECT_FALSE(copyPixels(*source, *target));
    EXPECT_EQ(pixelAt(*target, 0, 0), kZero) << "nothing copied";
  }
}

TEST(LanczosWeightTables, EveryPhaseSumsExactlyAndTheWeightsSlideWithIt) {
  const LanczosWeights& w = lanczosWeights();
  for (int p = 0; p < 128; ++p) {
    std::int32_t sum2048 = 0, sum32768 = 0;
    float sum = 0.0f;
    for (int j = 0; j < 5; ++j) {
      sum2048 += w.weights2048[j][p];
      sum32768 += w.weights32768[j][p];
      sum += w.weights[j][p];
      if (j < 4) {  // the fifth integer tap takes up the truncation
        EXPECT_LE(std::abs(w.weights2048[j][p] - w.weights[j][p] * 2048.0f), 1.0f) << p << " " << j;
        EXPECT_LE(std::abs(w.weights32768[j][p] - w.weights[j][p] * 32768.0f), 1.0f) << p << " " << j;
      }
    }
    EXPECT_EQ(sum2048, 2048) << p;
    EXPECT_EQ(sum32768, 32768) << p;
    EXPECT_NEAR(sum, 1.0f, 1e-6f) << p;
    EXPECT_GE(w.weights[1][p], w.weights[1][std::max(p - 1, 0)]) << p;
  }
  EXPECT_EQ(w.weights2048[0][0], 0) << "phase 0 leaves the first tap out";
  EXPECT_EQ(w.weights32768[4][127], 0) << "phase 127 leaves the last tap out";
  EXPECT_LT(w.weights[4][0], 0.0f) << "the outer lobe is negative";
  EXPECT_GT(w.weights[3][0], 0.4f);
  EXPECT_GT(w.weights[1][127], 0.4f);
}

TEST(ImageBufferLines, RowsReadAndColumnsWriteAcrossTilesClippedToTheLevel) {
  Buffer wide = ramps(600, 4, kRgba16);
  std::vector<std::uint16_t> row(4 * 710, 0xBEEF);
  EXPECT_EQ(lineTransfer(*wide, 0, 2, -5, 700, row.data(), false, false), 600);
  for (std::int32_t x = 0; x < 600; ++x)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(row[std::size_t(4 * x + c)], pixelAt(*wide, x, 2)[std::size_t(c)]) << x;
  EXPECT_EQ(row[4 * 600], 0xBEEF) << "nothing past the level";
  EXPECT_EQ(lineTransfer(*wide, 0, 4, 0, 600, row.data(), false, false), 0) << "row outside the level";
  EXPECT_EQ(lineTransfer(*wide, 0, 2, 700, 800, row.data(), false, false), 0);

  Buffer tall = makeBuffer(3, 600, kRgba8);
  std::vector<std::uint32_t> column(600);
  for (std::size_t i = 0; i < column.size(); ++i)
    column[i] = packRgba8(std::uint32_t(i & 255), std::uint32_t(i >> 8), 9, 255);
  EXPECT_EQ(lineTransfer(*tall, 0, 1, 505, 1000, column.data(), true, true), 95);
  EXPECT_EQ(pixelAt(*tall, 1, 505), (Pixel{0, 0, 9, 255})) << "the run starts with the buffer's first pixel";
  EXPECT_EQ(pixelAt(*tall, 1, 599)[0], 94);
  EXPECT_EQ(pixelAt(*tall, 1, 504), kZero) << "above the run stays as it was";
  EXPECT_EQ(pixelAt(*tall, 0, 512), kZero) << "the neighbouring column stays as it was";
  std::vector<std::uint32_t> back(600, 0);
  EXPECT_EQ(lineTransfer(*tall, 0, 1, 505, 600, back.data(), false, true), 95);
  EXPECT_TRUE(std::equal(back.begin(), back.begin() + 95, column.begin()));
}

TEST(ImageBufferLines, GreyBothWaysButFloatNever) {
  Buffer grey = greyRamp(5, 3);
  std::uint8_t row[5];
  ASSERT_EQ(lineTransfer(*grey, 0, 1, 1, 4, row, false, false), 3);
  EXPECT_EQ(row[0], 17);
  EXPECT_EQ(row[2], 19);
  std::uint8_t column[3] = {200, 201, 202};
  ASSERT_EQ(lineTransfer(*grey, 0, 4, -2, 3, column, true, true), 3);
  EXPECT_EQ(getGrey(*grey, 4, 0, 0), 200);
  EXPECT_EQ(getGrey(*grey, 4, 2, 0), 202);
  std::vector<float> line(16, 0.5f);
  EXPECT_EQ(lineTransfer(*makeBuffer(4, 4, kRgbaFloat), 0, 0, 0, 4, line.data(), true, false), 0) << "no float lines";
}

TEST(ImageBufferLoading, RawGreyAndRgbBytes) {
  ImageBuffer image;
  initImageBuffer(image, nullptr);
  const std::uint8_t grey[6] = {0, 50, 100, 150, 200, 250};
  ASSERT_TRUE(loadRawImage(image, grey, 3, 2, 1));
  EXPECT_EQ(image.format, kGray8);
  EXPECT_EQ(image.pyramidState, 1);
  EXPECT_EQ(getGrey(image, 2, 0, 0), 100);
  EXPECT_EQ(getGrey(image, 0, 1, 0), 150);
  const std::uint8_t rgb[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  ASSERT_TRUE(loadRawImage(image, rgb, 2, 2, 3));
  EXPECT_EQ(image.format, kRgba8);
  EXPECT_EQ(pixelAt(image, 1, 1), (Pixel{10, 11, 12, 255}));
  EXPECT_FALSE(loadRawImage(image, rgb, 2, 2, 2));
  EXPECT_FALSE(loadRawImage(image, nullptr, 2, 2, 3));
  releasePixels(image);
}

// The everyday RGB rows, 8- and 16-bit, at every length around the steps of four pixels and
// the six that the shuffled steps leave to the word by word ones, from rows that end at
// their last byte (the 16-bit words of eight bytes must not read past it), and across a
// tile's edge.
TEST(ImageBufferLoading, RgbRowsOfEveryLengthKeepTheirSamplesAndBecomeOpaque) {
  std::vector<std::int32_t> widths = {513, 600};
  for (std::int32_t width = 1; width <= 40; ++width) widths.push_back(width);
  for (const std::int32_t sampleBytes : {1, 2}) {
    const bool deep = sampleBytes == 2;
    for (const std::int32_t width : widths) {
      Buffer image = makeBuffer(width, 2, deep ? kRgba16 : kRgba8);
      const std::size_t samples = std::size_t(width) * 2 * 3;
      std::vector<std::uint8_t> bytes(samples * std::size_t(sampleBytes));
      // Every bit of a 16-bit sample in use, above the opacity's 32768 too.
      const auto sample = [&](std::size_t i) { return deep ? double((i * 7919 + 1) & 0xFFFF) : double((i * 7 + 1) & 0xFF); };
      for (std::size_t i = 0; i < samples; ++i) {
        const auto value = std::uint16_t(sample(i));
        if (deep)
          std::memcpy(bytes.data() + 2 * i, &value, 2);
        else
          bytes[i] = std::uint8_t(value);
      }
      const InterleavedPixels layout{bytes.data(), std::ptrdiff_t(width) * 3 * sampleBytes, 3 * sampleBytes, {0, 1, 2}, -1};
      storeInterleaved(*image, {0, 0, 2, width}, layout);
      for (std::int32_t y = 0; y < 2; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
          const std::size_t at = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
          ASSERT_EQ(pixelAt(*image, x, y), (Pixel{sample(at), sample(at + 1), sample(at + 2), deep ? 32768.0 : 255.0}))
              << sampleBytes << " bytes a sample, width " << width << ", pixel " << x << ", " << y;
        }
    }
  }
}

TEST(ImageBufferLoading, Pixels32AreBlueGreenRed) {
  Buffer image = makeBuffer(600, 2, kRgba8);
  std::vector<std::uint8_t> pixels(600 * 2 * 4);
  for (std::size_t i = 0; i < 1200; ++i) {
    pixels[i * 4] = std::uint8_t(i);
    pixels[i * 4 + 1] = std::uint8_t(i >> 8);
    pixels[i * 4 + 2] = 77;
    pixels[i * 4 + 3] = 3;  // ignored
  }
  ASSERT_TRUE(fillFromPixels32(pixels.data(), *image));
  EXPECT_EQ(pixelAt(*image, 599, 1), (Pixel{77, 1199 >> 8, 1199 & 255, 255})) << "pixel 1199";
  EXPECT_FALSE(fillFromPixels32(pixels.data(), *makeBuffer(600, 2, kRgba16)));
}

TEST(ImageBufferLoading, InterleavedAreasClipWithTheirSamples) {
  Buffer image = makeBuffer(4, 4, kRgbaFloat);
  // A 3 x 3 area one pixel above and left of the image; samples opacity, blue, red, green
  // and a spare one, on unaligned rows.
  std::vector<std::uint8_t> bytes(1 + 3 * 3 * 5 * sizeof(float));
  for (int i = 0; i < 3 * 3; ++i) {
    const float pixel[5] = {0.5f, float(i) * 3, float(i), float(i) * 2, -9.0f};
    std::memcpy(bytes.data() + 1 + std::size_t(i) * sizeof pixel, pixel, sizeof pixel);
  }
  const InterleavedPixels layout{bytes.data() + 1, 3 * 5 * sizeof(float), 5 * sizeof(float), {2, 3, 1}, 0};
  storeInterleaved(*image, {-1, -1, 2, 2}, layout);
  EXPECT_EQ(pixelAt(*image, 0, 0), (Pixel{4, 8, 12, 0.5})) << "area pixel (1, 1), number 4";
  EXPECT_EQ(pixelAt(*image, 1, 1)[0], 8.0);
  EXPECT_EQ(pixelAt(*image, 2, 2), kZero) << "outside the area";
}

TEST(DisplayBitmap, HeaderIsLittleEndianTopDownTwentyFourBitForColourImagesWithPixelsOnly) {
  Buffer image = makeBuffer(300, 2, kRgba8);
  const std::vector<std::uint8_t> bitmap = makeDisplayBitmap(*image);
  // 300 pixels of 3 bytes is already a multiple of 4: 900 bytes a row, 1800 in all.
  const std::vector<std::uint8_t> header = {40,   0,    0,    0,     // header size
                                            0x2C, 0x01, 0,    0,     // width 300
                                            0xFE, 0xFF, 0xFF, 0xFF,  // height -2: rows top-down
                                            1,    0,                 // planes
                                            24,   0,                 // bits per pixel
                                            0,    0,    0,    0,     // uncompressed
                                            0x08, 0x07, 0,    0,     // pixel bytes 1800
                                            10,   0,    0,    0,     // pixels per metre across
                                            10,   0,    0,    0,     // and down
                                            0,    0,    0,    0,     // colours used
                                            0,    0,    0,    0};    // colours important
  ASSERT_EQ(bitmap.size(), 40u + 1800u);
  EXPECT_EQ(std::vector<std::uint8_t>(bitmap.begin(), bitmap.begin() + 40), header);
  // Only colour images with pixels have one.
  releasePixels(*image);
  EXPECT_TRUE(makeDisplayBitmap(*image).empty());
  EXPECT_TRUE(makeDisplayBitmap(*makeBuffer(4, 4, kGray8)).empty());
  EXPECT_TRUE(makeDisplayBitmap(*makeBuffer(4, 4, kRgba16)).empty());
}

TEST(DisplayBitmap, RowsAreBlueGreenRedFromTheTopPaddedToFourBytesWithZeros) {
  const std::size_t rowBytes[] = {4, 8, 12, 12, 16};
  for (int width = 1; width <= 5; ++width) {
    SCOPED_TRACE(width);
    // Distinct channels everywhere: red follows x, green follows y, blue both.
    Buffer image = makeBuffer(width, 3, kRgba8);
    fillLevel0(*image, [](std::int32_t x, std::int32_t y) { return Pixel{double(x), 100.0 + y, 200.0 + x + y, 7}; });
    const std::vector<std::uint8_t> bitmap = makeDisplayBitmap(*image);
    const std::size_t row = rowBytes[width - 1];
    EXPECT_EQ(displayRowBytes(width), row);
    ASSERT_EQ(bitmap.size(), kBitmapHeaderBytes + 3 * row);
    EXPECT_EQ(bitmap[20], 3 * row) << "pixel byte count in the header";
    std::vector<std::uint8_t> rows;  // from the top: blue, green and red, then zeros to the end of the row
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < width; ++x)
        rows.insert(rows.end(), {std::uint8_t(200 + x + y), std::uint8_t(100 + y), std::uint8_t(x)});
      rows.resize(std::size_t(y + 1) * row, 0);
    }
    EXPECT_EQ(std::vector<std::uint8_t>(bitmap.begin() + kBitmapHeaderBytes, bitmap.end()), rows);
  }
}

}  // namespace
}  // namespace qm::test
