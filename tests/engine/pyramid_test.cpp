// SPDX-License-Identifier: LicenseRef-Quillmark
// Pyramid reduction: uniform images per format, every level against a tap-by-tap reference
// that clamps its reads, single-precision rounding of large 16-bit sums, the edge column,
// the build's special cases, and independence from the worker count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/pyramid.h"
#include "tests/engine/engine_fixtures.h"

namespace qm::test {
namespace {

int channelsOf(const ImageBuffer& image) { return image.format == kGray8 ? 1 : 4; }

Buffer uniform(std::int32_t width, std::int32_t height, std::int32_t format, double value, std::int32_t edge = 0) {
  Buffer image = makeBuffer(width, height, format, edge);
  fillLevel0(*image, [&](std::int32_t, std::int32_t) { return Pixel{value, value, value, value}; });
  return image;
}

constexpr int kWeight[6][6] = {
    {0, 1, 4, 4, 1, 0},       {1, 16, 64, 64, 16, 1}, {4, 64, 256, 256, 64, 4},
    {4, 64, 256, 256, 64, 4}, {1, 16, 64, 64, 16, 1}, {0, 1, 4, 4, 1, 0},
};

float tap(const ImageBuffer& image, int level, std::int32_t x, std::int32_t y, int dx, int dy, int c) {
  return float(pixelAt(image, 2 * x + dx - 2, 2 * y + dy - 2, level)[c]) * float(kWeight[dy][dx]);
}

// The reduction of one destination sample, tap by tap in the kernel's order through the
// clamping accessors: integer formats keep a single-precision running sum (or, when not
// `rounding`, an exact one), divide it by 1630 and hold it at the format maximum; floats
// take the single-precision reciprocal of 1640 and are held within 0..65535.
float reference(const ImageBuffer& image, int level, std::int32_t x, std::int32_t y, int c, bool rounding = true) {
  if (image.format == kRgbaFloat) {
    float sum = 0.0f;
    for (int dy = 0; dy < 6; ++dy)
      for (int dx = 0; dx < 6; ++dx)
        if (kWeight[dy][dx] != 0) sum += tap(image, level, x, y, dx, dy, c);
    return std::clamp(sum * (1.0f / 1640.0f), 0.0f, 65535.0f);
  }
  std::int32_t sum = 0;
  for (int dy = 0; dy < 6; ++dy)
    for (int dx = 0; dx < 6; ++dx) {
      const float t = tap(image, level, x, y, dx, dy, c);  // exact: at most 32768 x 256
      if (kWeight[dy][dx] != 0) sum = rounding ? std::int32_t(float(sum) + t) : sum + std::int32_t(t);
    }
  return float(std::min(sum / 1630, image.format == kRgba16 ? 32768 : 255));
}

// Compares every sample of levels first .. last (every coarser level by default) with the
// reference; the message names the first difference.
::testing::AssertionResult matchesReference(const ImageBuffer& image, int first = 1, int last = kMaxLevels) {
  for (int level = first; level <= std::min(last, int(image.lastLevel)); ++level)
    for (std::int32_t y = 0; y < image.height[level]; ++y)
      for (std::int32_t x = 0; x < image.width[level]; ++x)
        for (int c = 0; c < channelsOf(image); ++c) {
          const float expected = reference(image, level - 1, x, y, c);
          const float actual = float(pixelAt(image, x, y, level)[c]);
          if (expected != actual)
            return ::testing::AssertionFailure() << "level " << level << " (" << x << ", " << y << ") channel " << c
                                                 << ": " << actual << " instead of " << expected;
        }
  return ::testing::AssertionSuccess();
}

TEST(PyramidUniform, IntegerFormatsDivideBy1630AndHoldAtTheirMaximumFloatsBy1640) {
  // value x 1640 / 1630, truncated: 100 stays (100.6), 200 becomes 201, full scale would
  // pass the maximum at every level.
  const struct {
    std::int32_t format;
    double value, reduced;
  } cases[] = {{kGray8, 100, 100},      {kRgba8, 100, 100},      {kGray8, 200, 201},
               {kRgba8, 200, 201},      {kGray8, 255, 255},      {kRgba8, 255, 255},
               {kRgba16, 10000, 10061}, {kRgba16, 32768, 32768}, {kRgbaFloat, 0.5, 0.5}};
  for (const auto& c : cases) {
    Buffer image = uniform(37, 21, c.format, c.value);
    ASSERT_TRUE(buildPyramid(*image));
    // A value that comes back unchanged comes back at every level.
    const int last = c.reduced == c.value ? image->lastLevel : 1;
    int wrong = 0;
    for (int level = 1; level <= last; ++level)
      for (const Pixel& pixel : levelPixels(*image, level))
        for (int k = 0; k < channelsOf(*image); ++k) wrong += std::fabs(pixel[k] - c.reduced) > 1e-6;
    EXPECT_EQ(wrong, 0) << "format " << c.format << " value " << c.value;
  }
}

TEST(PyramidReference, EveryLevelOfEveryFormatMatchesLargeSixteenBitSumsRoundingLikeSinglePrecision) {
  // 5 x 5 reduces to 4 x 4, whose last column and row centre on source pixels past the edge;
  // level 1 of the last two is wider or taller than a tile, and reads across level 0's.
  const std::int32_t sizes[][2] = {{37, 23}, {5, 5}, {1, 9}, {2, 1}, {130, 3}, {3, 131}, {1030, 40}, {40, 1030}};
  // The 16-bit images must hold samples where the exact sum divides to another result than
  // the rounded one, or the match would not show the rounding.
  int rounded = 0;
  for (std::int32_t format : {kGray8, kRgba8, kRgba16, kRgbaFloat})
    for (const auto& [width, height] : sizes) {
      Buffer image = ramps(width, height, format);
      buildPyramid(*image);
      EXPECT_TRUE(matchesReference(*image)) << "format " << format << ", " << width << " x " << height;
      for (std::int32_t y = 0; format == kRgba16 && y < image->height[1]; ++y)
        for (std::int32_t x = 0; x < image->width[1]; ++x)
          for (int c = 0; c < 4; ++c) rounded += reference(*image, 0, x, y, c, false) != reference(*image, 0, x, y, c);
    }
  EXPECT_GT(rounded, 0);
}

TEST(PyramidReference, TheLastColumnAndRowReadBeyondTheLevelAsTheEdge) {
  // Only the last source pixel is lit: the destination pixel over the edge takes it with
  // the weights of three tap columns (648 + 162 + 10 of 1640), not just its own (648).
  Buffer row = makeBuffer(4, 1, kGray8);
  setGrey(*row, 3, 0, 0, 255);
  buildPyramid(*row);
  EXPECT_EQ(getGrey(*row, 1, 0, 1), 128) << "255 x 820 / 1630";
  EXPECT_EQ(getGrey(*row, 0, 0, 1), 1) << "255 x 10 / 1630: the far tap only";
  Buffer column = makeBuffer(1, 4, kGray8);
  setGrey(*column, 0, 3, 0, 255);
  buildPyramid(*column);
  EXPECT_EQ(getGrey(*column, 0, 1, 1), 128);
}

TEST(PyramidBuild, OnePixelIsStillMarkedBuiltAndEdgeModeMinusOneBuildsNothing) {
  Buffer one = uniform(1, 1, kRgba8, 77);
  ASSERT_EQ(one->lastLevel, 0);
  EXPECT_TRUE(buildPyramid(*one));
  EXPECT_EQ(one->pyramidState, 2);
  EXPECT_EQ(pixelAt(*one, 0, 0)[1], 77);
  Buffer image = uniform(20, 20, kGray8, 200, -1);
  EXPECT_TRUE(buildPyramid(*image));
  EXPECT_EQ(getGrey(*image, 0, 0, 1), 0) << "fresh tiles hold zeros";
  EXPECT_EQ(image->pyramidState, 0);
}

TEST(PyramidBuild, EveryWorkerCountBuildsTheReference) {
  for (int workers : {1, 2, 3}) {
    Processors pretend(workers);
    Buffer image = ramps(700, 300, kRgba8);
    ASSERT_TRUE(buildPyramid(*image));
    EXPECT_EQ(image->pyramidState, 2);
    EXPECT_TRUE(matchesReference(*image)) << workers << " workers";
  }
}

TEST(PyramidTask, ClipsToTheDestinationLevelAndSkipsLevelsPastTheLast) {
  // One task over more than the level and wider than a tile of the job: level 1 is right
  // and level 2 untouched.
  Buffer image = ramps(300, 9, kRgba16);
  reduceLevelTask(*image, 0, ImageRect{-5, -7, 1000, 1000});
  EXPECT_TRUE(matchesReference(*image, 1, 1));
  EXPECT_EQ(pixelAt(*image, 0, 0, 2), (Pixel{0, 0, 0, 0}));
  const std::vector<Pixel> before = levelPixels(*image, kAllLevels);
  reduceLevelTask(*image, image->lastLevel, ImageRect{0, 0, 10, 10});
  reduceLevelTask(*image, -1, ImageRect{0, 0, 10, 10});
  EXPECT_EQ(levelPixels(*image, kAllLevels), before);
}

}  // namespace
}  // namespace qm::test
