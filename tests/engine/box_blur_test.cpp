// SPDX-License-Identifier: LicenseRef-Quillmark
// Box passes and the blur: exact division, passes against a plain box on lines, edge
// repetition at the ends of the pass's rectangle, the order and extents of the six passes,
// opacity, what is left alone, and independence from the worker count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

#include "engine/box_blur.h"
#include "engine/box_division.h"
#include "engine/pyramid.h"
#include "tests/engine/engine_fixtures.h"

namespace qm::test {
namespace {

// Level 0 of an Rgba8 or Rgba16 buffer as plain numbers, row by row.
using Picture = std::vector<Pixel>;

// sum / n to the nearest integer, halves up, in plain integers.
std::int32_t nearest(std::int32_t sum, std::int32_t n) { return (2 * sum + n) / (2 * n); }

// One box pass as plain arithmetic over `rect`: each window summed sample by sample, the
// positions past the ends of its line within `rect` reading the end samples, divided to the
// nearest integer, halves up; the opacity comes out full.
void referencePass(Picture& picture, std::int32_t width, const ImageRect& rect, bool rows, int before, int after,
                   std::int32_t format) {
  const Picture in = picture;
  const auto at = [&](std::int32_t x, std::int32_t y) { return std::size_t(y) * std::size_t(width) + std::size_t(x); };
  for (std::int32_t y = rect.top; y < rect.bottom; ++y)
    for (std::int32_t x = rect.left; x < rect.right; ++x) {
      for (int c = 0; c < 3; ++c) {
        std::int32_t sum = 0;
        for (std::int32_t k = -before; k <= after; ++k)
          sum += std::int32_t(rows ? in[at(std::clamp(x + k, rect.left, rect.right - 1), y)][c]
                                   : in[at(x, std::clamp(y + k, rect.top, rect.bottom - 1))][c]);
        picture[at(x, y)][c] = nearest(sum, before + after + 1);
      }
      picture[at(x, y)][3] = format == kRgba8 ? 255 : 32768;
    }
}

// One pass along rows and one along columns over `rect` of a fresh ramp image, each
// against the plain box over the part of `rect` inside the level.
void expectPassesMatch(std::int32_t format, std::int32_t width, std::int32_t height, const ImageRect& rect, int before,
                       int after) {
  const ImageRect inside{std::max(rect.top, 0), std::max(rect.left, 0), std::min(rect.bottom, height),
                         std::min(rect.right, width)};
  for (bool rows : {true, false}) {
    Buffer image = ramps(width, height, format);
    Picture expected = levelPixels(*image);
    referencePass(expected, width, inside, rows, before, after, format);
    if (rows)
      boxRowsTask(*image, 0, rect, before, after);
    else
      boxColumnsTask(*image, 0, rect, before, after);
    EXPECT_TRUE(levelPixels(*image) == expected)
        << "format " << format << (rows ? " rows " : " columns ") << before << ", " << after;
  }
}

TEST(BoxDivision, EightBitSumsDivideExactlyForEveryWindowABlurMakes) {
  // Sizes 2 to 300 make windows of up to 2 x 130 + 1 samples; the 16-bit arithmetic serves
  // the windows whose sums fit in 16 bits.
  for (std::int32_t n = 1; n <= 261; ++n) {
    const BoxDivision division(n);
    const bool narrow = n >= 2 && n <= 256;
    std::int32_t wrong = 0, wrongNarrow = 0;
    for (std::int32_t sum = 0; sum <= 255 * n; ++sum) {
      wrong += division.eightBit(sum) != nearest(sum, n);
      if (narrow) wrongNarrow += division.eightBitNarrow(std::uint16_t(sum)) != nearest(sum, n);
    }
    ASSERT_EQ(wrong, 0) << "n = " << n;
    ASSERT_EQ(wrongNarrow, 0) << "16-bit arithmetic, n = " << n;
  }
}

TEST(BoxDivision, SixteenBitSumsDivideExactlyForEveryWindowABlurMakes) {
  // Every sum for some windows; for all others the sums at both sides of every step of the
  // result, up to the largest window (where 8-bit sums are checked the same way).
  for (std::int32_t n : {1, 2, 3, 7, 15, 130, 261}) {
    const BoxDivision division(n);
    std::int32_t wrong = 0;
    for (std::int32_t sum = 0; sum <= 32768 * n; ++sum) wrong += division.sixteenBit(sum) != nearest(sum, n);
    ASSERT_EQ(wrong, 0) << "n = " << n;
  }
  std::vector<std::int32_t> windows(261);
  std::iota(windows.begin(), windows.end(), 1);
  windows.insert(windows.end(), {1000, 4095, kMostBoxWindow});
  for (std::int32_t n : windows) {
    const BoxDivision division(n);
    std::int32_t wrong = 0;
    // The mean steps where sum + floor(n / 2) passes a multiple of n; a rounded reciprocal
    // would slip to the neighbouring result next to a step.
    for (std::int32_t mean = 0; mean <= 65535; ++mean)
      for (std::int32_t sum = mean * n - n / 2 - 2; sum <= mean * n - n / 2 + 1; ++sum) {
        if (sum >= 0 && sum <= 65535 * n) wrong += division.sixteenBit(sum) != nearest(sum, n);
        if (sum >= 0 && sum <= 255 * n) wrong += division.eightBit(sum) != nearest(sum, n);
      }
    ASSERT_EQ(wrong, 0) << "n = " << n;
  }
}

TEST(BoxPass, RowsAndColumnsMatchThePlainBoxWithLinesEndingAtTheRectangle) {
  // More than one band and strip, runs of columns ending at the edge of the level, windows
  // longer than the lines; the opacity comes out full.
  const int windows[][2] = {{0, 1}, {1, 0}, {2, 5}, {7, 7}, {40, 3}, {130, 130}};
  for (std::int32_t format : {kRgba8, kRgba16})
    for (const auto& window : windows) expectPassesMatch(format, 150, 141, {0, 0, 141, 150}, window[0], window[1]);
  // Lines repeat the samples at the rectangle's edges, not the level's, and nothing outside
  // it changes.
  const struct {
    const char* what;
    std::int32_t format, width, height;
    ImageRect rect;
    int before, after;
  } cases[] = {
      {"off the tile grid and across the tile edge at 512", kRgba8, 530, 70, {3, 5, 68, 527}, 3, 6},
      {"reaching past the level on every side", kRgba16, 40, 30, {-10, -3, 90, 100}, 2, 2},
      {"one column", kRgba8, 1, 9, {0, 0, 9, 1}, 3, 4},
      {"one row", kRgba16, 9, 1, {0, 0, 1, 9}, 5, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    expectPassesMatch(c.format, c.width, c.height, c.rect, c.before, c.after);
  }
}

TEST(BoxPass, ExtentsAreHeldWithinZeroAndTheMostAndNothingIsWrittenWithoutAWindowOrToFloatOrGrey) {
  Buffer held = ramps(12, 5, kRgba8);
  Buffer plain = ramps(12, 5, kRgba8);
  boxRowsTask(*held, 0, levelRect(held.get(), 0), -3, 1000000);
  boxRowsTask(*plain, 0, levelRect(plain.get(), 0), 0, kMostBoxExtent);
  EXPECT_TRUE(levelPixels(*held) == levelPixels(*plain));
  // The opacity below full would become full if a pass had written anything.
  for (std::int32_t format : {kRgba8, kRgbaFloat, kGray8}) {
    Buffer image = ramps(70, 70, format);
    const Picture before = levelPixels(*image);
    const ImageRect rect = levelRect(image.get(), 0);
    boxRowsTask(*image, 0, rect, 0, 0);
    boxColumnsTask(*image, 0, rect, 0, 0);
    boxRowsTask(*image, 0, rect, -4, -1);
    for (float size : {1.0f, -2.0f, std::numeric_limits<float>::quiet_NaN()}) blurImage(*image, 0, rect, size);
    if (format != kRgba8) {  // windows, but in formats the blur leaves alone
      blurImage(*image, 0, rect, 10.0f);
      boxRowsTask(*image, 0, rect, 2, 2);
    }
    EXPECT_TRUE(levelPixels(*image) == before) << "format " << format;
  }
}

TEST(Blur, SizeGivesTheTwoExtentsOfTheSixPassesRunInOrder) {
  const struct {
    float size;
    std::int32_t a, b;  // rounded and truncated
  } cases[] = {
      {2.0f, 1, 0},          // q = 0.867
      {3.5f, 2, 1},          // q = 1.517
      {2.5f, 1, 1},          // q = 1.083
      {50.0f / 3.0f, 7, 7},  // diameter 50
      {300.0f, 130, 130},
      {1.0f, 0, 0},  // q = 0.433: no window at all
      {0.0f, 0, 0},
      {-4.0f, 0, 0},
      {std::numeric_limits<float>::quiet_NaN(), 0, 0},
      {1e30f, kMostBoxExtent, kMostBoxExtent},
  };
  for (const auto& c : cases) {
    const BoxExtents extents = boxExtents(c.size);
    EXPECT_EQ(extents.rounded, c.a) << c.size;
    EXPECT_EQ(extents.truncated, c.b) << c.size;
    if (c.a == 0 || c.a > 7) continue;  // no window, or windows wider than the image (the single passes have those)
    for (std::int32_t format : {kRgba8, kRgba16}) {
      Buffer image = ramps(83, 131, format);
      Picture expected = levelPixels(*image);
      const ImageRect rect = levelRect(image.get(), 0);
      for (const auto& [before, after] : {std::pair{c.b, c.a}, std::pair{c.a, c.b}, std::pair{c.a - 1, c.a}})
        for (bool rows : {true, false}) referencePass(expected, 83, rect, rows, before, after, format);
      blurImage(*image, 0, rect, c.size);
      EXPECT_TRUE(levelPixels(*image) == expected) << "format " << format << " size " << c.size;
    }
  }
}

TEST(Blur, OnlyTheGivenLevelChangesAndNotWithTheWorkerCount) {
  Picture results[2];
  for (int workers : {1, 2}) {
    Processors pretend(workers);
    Buffer image = ramps(600, 400, kRgba8);  // level 1 is several bands and strips
    ASSERT_TRUE(buildPyramid(*image));
    const Picture levelZero = levelPixels(*image);
    blurImage(*image, 1, levelRect(image.get(), 1), 20.0f);
    EXPECT_EQ(pixelAt(*image, 3, 3, 1)[3], 255) << "level 1 was filtered";
    EXPECT_EQ(levelPixels(*image), levelZero);
    results[workers - 1] = levelPixels(*image, 1);
  }
  EXPECT_EQ(results[0], results[1]);
}

TEST(BlurArea, EqualsTheAreaCopiedAndBlurredInPlace) {
  struct Case {
    int level;
    std::int32_t left, top, width, height;
    float size;
  } cases[] = {
      {0, 500, 7, 600, 90, 50.0f / 3.0f},  // runs cross the source's tiles at other columns than the copy's
      {0, 0, 0, 1100, 70, 2.0f},           // the whole level, one-sided first window
      {1, 3, 5, 200, 30, 3.5f},            // a coarser level
      {0, 1023, 40, 1, 1, 9.0f},           // a single pixel at a tile's last column
  };
  for (const std::int32_t format : {kRgba8, kRgba16})
    for (const Case& c : cases) {
      Buffer source = ramps(1100, 160, format);
      Buffer expected = makeBuffer(c.width, c.height, format);
      fillLevel0(*expected,
                 [&](std::int32_t x, std::int32_t y) { return pixelAt(*source, c.left + x, c.top + y, c.level); });
      blurImage(*expected, 0, levelRect(expected.get(), 0), c.size);
      Buffer blurred = makeBuffer(c.width, c.height, format);
      const Picture sourceBefore = levelPixels(*source);
      ASSERT_TRUE(blurAreaInto(*source, c.level, c.left, c.top, *blurred, c.size));
      EXPECT_TRUE(levelPixels(*blurred) == levelPixels(*expected))
          << "format " << format << " left " << c.left << " level " << c.level;
      EXPECT_TRUE(levelPixels(*source) == sourceBefore) << "the source was written";
    }
}

TEST(BlurArea, RefusesAreasOutsideTheLevelAndOtherFormatsLeavingTheTargetAlone) {
  Buffer source = ramps(100, 80, kRgba8);
  Buffer wide = ramps(100, 80, kRgba16);
  Buffer floats = makeBuffer(40, 30, kRgbaFloat);
  Buffer target = ramps(40, 30, kRgba8);
  const Picture before = levelPixels(*target);
  EXPECT_FALSE(blurAreaInto(*source, 0, 61, 0, *target, 5.0f)) << "past the right edge";
  EXPECT_FALSE(blurAreaInto(*source, 0, 0, 51, *target, 5.0f)) << "past the bottom";
  EXPECT_FALSE(blurAreaInto(*source, 0, -1, 0, *target, 5.0f)) << "left of the level";
  EXPECT_FALSE(blurAreaInto(*source, 1, 20, 0, *target, 5.0f)) << "past level 1";
  EXPECT_FALSE(blurAreaInto(*source, 9, 0, 0, *target, 5.0f)) << "no such level";
  EXPECT_FALSE(blurAreaInto(*wide, 0, 0, 0, *target, 5.0f)) << "another format";
  EXPECT_FALSE(blurAreaInto(*target, 0, 0, 0, *target, 5.0f)) << "itself";
  EXPECT_TRUE(levelPixels(*target) == before);
  EXPECT_FALSE(blurAreaInto(*floats, 0, 0, 0, *floats, 5.0f));
  EXPECT_TRUE(blurAreaInto(*source, 0, 60, 50, *target, 5.0f)) << "the last area that fits";
}

}  // namespace
}  // namespace qm::test
