// SPDX-License-Identifier: LicenseRef-Quillmark
// Pyramid reduction: uniform images per format, every level against a tap-by-tap reference
// that clamps its reads, single-precision rounding of large 16-bit sums, the edge column,
// the build's special cases, and independence from the worker count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/image_buffer.h"
#include "tests/engine/engine_fixtures.h"
#include "engine/jobs.h"
#include "engine/pyramid.h"

namespace qm {
namespace {

using test::Buffer;
using test::makeBuffer;
using test::Processors;

// Channel c of pixel (x, y) of any format as a float in the format's own units.
float sampleAt(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level, int c) {
  switch (image.format) {
    case kGray8: return getGrey(image, x, y, level);
    case kRgba8: {
      std::uint8_t v[4];
      getColour(image, x, y, level, v);
      return v[c];
    }
    case kRgba16: {
      std::uint16_t v[4];
      getColour(image, x, y, level, v);
      return v[c];
    }
    default: {
      float v[4];
      getColour(image, x, y, level, v);
      return v[c];
    }
  }
}

void setPixel(ImageBuffer& image, std::int32_t x, std::int32_t y, const float value[4]) {
  switch (image.format) {
    case kGray8: setGrey(image, x, y, 0, std::uint8_t(value[0])); return;
    case kRgba8: {
      const std::uint8_t v[4] = {std::uint8_t(value[0]), std::uint8_t(value[1]), std::uint8_t(value[2]),
                                 std::uint8_t(value[3])};
      setColour(image, x, y, 0, v);
      return;
    }
    case kRgba16: {
      const std::uint16_t v[4] = {std::uint16_t(value[0]), std::uint16_t(value[1]), std::uint16_t(value[2]),
                                  std::uint16_t(value[3])};
      setColour(image, x, y, 0, v);
      return;
    }
    default: setColour(image, x, y, 0, value); return;
  }
}

int channelsOf(const ImageBuffer& image) { return image.format == kGray8 ? 1 : 4; }

Buffer uniform(std::int32_t width, std::int32_t height, std::int32_t format, float value) {
  Buffer image = makeBuffer(width, height, format);
  const float pixel[4] = {value, value, value, value};
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) setPixel(*image, x, y, pixel);
  return image;
}

// Each channel a different ramp, folded into the sample range; `base` moves 16-bit samples
// up into the range whose sums pass 2^24.
Buffer ramps(std::int32_t width, std::int32_t height, std::int32_t format, std::uint32_t base = 0) {
  Buffer image = makeBuffer(width, height, format);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t ux = std::uint32_t(x), uy = std::uint32_t(y);
      const std::uint32_t raw[4] = {ux * 7 + uy * 3, ux * uy + 11, ux * 29 + uy * 301, 255 - ux + uy * 5};
      float pixel[4];
      for (int c = 0; c < 4; ++c) {
        if (format == kRgba16)
          pixel[c] = float(base + (raw[c] * 1201) % (32769 - base));
        else if (format == kRgbaFloat)
          pixel[c] = float(raw[c] % 1000) / 999.0f;
        else
          pixel[c] = float(raw[c] % 256);
      }
      setPixel(*image, x, y, pixel);
    }
  return image;
}

constexpr int kWeight[6][6] = {
    {0, 1, 4, 4, 1, 0},       {1, 16, 64, 64, 16, 1}, {4, 64, 256, 256, 64, 4},
    {4, 64, 256, 256, 64, 4}, {1, 16, 64, 64, 16, 1}, {0, 1, 4, 4, 1, 0},
};

// The reduction of one destination sample, tap by tap in the kernel's order through the
// clamping accessors: integer formats keep a single-precision running sum truncated after
// every addition, then multiply by the single-precision reciprocal of 1630 and hold at the
// format maximum; floats divide by 1640 and are held within 0..65535.
float reference(const ImageBuffer& image, int level, std::int32_t x, std::int32_t y, int c) {
  if (image.format == kRgbaFloat) {
    float sum = 0.0f;
    for (int dy = 0; dy < 6; ++dy)
      for (int dx = 0; dx < 6; ++dx)
        if (kWeight[dy][dx] != 0) sum += sampleAt(image, 2 * x + dx - 2, 2 * y + dy - 2, level, c) * float(kWeight[dy][dx]);
    return std::clamp(sum * 0.0006097561f, 0.0f, 65535.0f);
  }
  std::int32_t sum = 0;
  for (int dy = 0; dy < 6; ++dy)
    for (int dx = 0; dx < 6; ++dx)
      if (kWeight[dy][dx] != 0) {
        const float tap = sampleAt(image, 2 * x + dx - 2, 2 * y + dy - 2, level, c) * float(kWeight[dy][dx]);
        sum = std::int32_t(float(sum) + tap);
      }
  const float most = image.format == kRgba16 ? 32768.0f : 255.0f;
  return std::trunc(std::min(float(sum) * 0.00061349693f, most));
}

// Compares every sample of levels first .. last (every coarser level by default) with the
// reference; the message names the first difference.
::testing::AssertionResult matchesReference(const ImageBuffer& image, int first = 1, int last = kMaxLevels) {
  for (int level = first; level <= std::min(last, int(image.lastLevel)); ++level)
    for (std::int32_t y = 0; y < image.height[level]; ++y)
      for (std::int32_t x = 0; x < image.width[level]; ++x)
        for (int c = 0; c < channelsOf(image); ++c) {
          const float expected = reference(image, level - 1, x, y, c);
          const float actual = sampleAt(image, x, y, level, c);
          if (expected != actual)
            return ::testing::AssertionFailure() << "level " << level << " (" << x << ", " << y << ") channel " << c
                                                 << ": " << actual << " instead of " << expected;
        }
  return ::testing::AssertionSuccess();
}

std::vector<std::uint8_t> allLevelBytes(const ImageBuffer& image) {
  std::vector<std::uint8_t> bytes;
  for (int level = 0; level <= image.lastLevel; ++level)
    for (std::int32_t y = 0; y < image.height[level]; ++y) {
      for (std::int32_t x = 0; x < image.width[level]; ++x) {
        const std::uint8_t* at = pixelAddress(image, x, y, level);
        bytes.insert(bytes.end(), at, at + image.bytesPerPixel);
      }
    }
  return bytes;
}

// ---- Uniform images ----

TEST(PyramidUniform, EightBitFullScaleIsHeldAtEveryLevel) {
  for (std::int32_t format : {kGray8, kRgba8}) {
    Buffer image = uniform(37, 21, format, 255);
    buildPyramid(*image);
    for (int level = 1; level <= image->lastLevel; ++level)
      for (int c = 0; c < channelsOf(*image); ++c)
        EXPECT_EQ(sampleAt(*image, image->width[level] - 1, 0, level, c), 255.0f)
            << "format " << format << " level " << level << ": 256 before holding";
  }
}

TEST(PyramidUniform, DividingBy1630KeepsOneHundredAndBrightensTwoHundred) {
  for (std::int32_t format : {kGray8, kRgba8}) {
    Buffer hundred = uniform(40, 40, format, 100);
    buildPyramid(*hundred);
    for (int level = 1; level <= hundred->lastLevel; ++level)
      EXPECT_EQ(sampleAt(*hundred, 0, 0, level, 0), 100.0f) << "format " << format << " level " << level;
    Buffer twoHundred = uniform(40, 40, format, 200);
    buildPyramid(*twoHundred);
    EXPECT_EQ(sampleAt(*twoHundred, 3, 5, 1, 0), 201.0f) << "format " << format;
  }
}

TEST(PyramidUniform, SixteenBitValuesBrightenAndAreHeldAt32768) {
  Buffer full = uniform(30, 30, kRgba16, 32768);
  buildPyramid(*full);
  for (int level = 1; level <= full->lastLevel; ++level) EXPECT_EQ(sampleAt(*full, 0, 0, level, 2), 32768.0f);
  Buffer middle = uniform(30, 30, kRgba16, 10000);
  buildPyramid(*middle);
  EXPECT_EQ(sampleAt(*middle, 7, 7, 1, 0), 10061.0f) << "trunc(10000 x 1640 / 1630)";
}

TEST(PyramidUniform, FloatHalfStaysHalf) {
  Buffer image = uniform(33, 17, kRgbaFloat, 0.5f);
  buildPyramid(*image);
  for (int level = 1; level <= image->lastLevel; ++level)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(sampleAt(*image, 0, 0, level, c), 0.5f, 1e-6f) << "level " << level;
}

// ---- Against the tap-by-tap reference ----

TEST(PyramidReference, EveryLevelOfEveryFormatMatches) {
  struct Case {
    std::int32_t width, height;
  } sizes[] = {{37, 23}, {5, 5}, {1, 9}, {2, 1}, {130, 3}, {3, 131}};
  for (std::int32_t format : {kGray8, kRgba8, kRgba16, kRgbaFloat})
    for (const Case& size : sizes) {
      Buffer image = ramps(size.width, size.height, format);
      buildPyramid(*image);
      EXPECT_TRUE(matchesReference(*image)) << "format " << format << ", " << size.width << " x " << size.height;
    }
}

TEST(PyramidReference, ReadsAcrossTileEdgesInBothDirections) {
  // Level 1 is wider (and taller) than a tile, and its tasks read across level 0's tiles.
  for (bool wide : {true, false}) {
    Buffer image = wide ? ramps(1030, 40, kRgba8) : ramps(40, 1030, kRgba8);
    buildPyramid(*image);
    EXPECT_TRUE(matchesReference(*image)) << (wide ? "wide" : "tall");
  }
}

TEST(PyramidReference, LargeSixteenBitSumsRoundLikeSinglePrecision) {
  Buffer image = ramps(64, 64, kRgba16, 20000);
  // The image must hold samples where the exact sum divides to another result than the
  // rounded one, or this test would not see the rounding.
  int differing = 0;
  for (std::int32_t y = 0; y < image->height[1]; ++y)
    for (std::int32_t x = 0; x < image->width[1]; ++x)
      for (int c = 0; c < 4; ++c) {
        std::int64_t exact = 0;
        for (int dy = 0; dy < 6; ++dy)
          for (int dx = 0; dx < 6; ++dx)
            exact += std::int64_t(sampleAt(*image, 2 * x + dx - 2, 2 * y + dy - 2, 0, c)) * kWeight[dy][dx];
        if (std::min<std::int64_t>(exact / 1630, 32768) != std::int64_t(reference(*image, 0, x, y, c))) ++differing;
      }
  ASSERT_GT(differing, 0);
  buildPyramid(*image);
  EXPECT_TRUE(matchesReference(*image));
}

TEST(PyramidReference, SinglePrecisionReciprocalDividesLikeIntegersOnceHeld) {
  // The integer formats divide in integers; that equals the single-precision product for
  // every sum a float can hold, up to the largest 16-bit sum.
  const float reciprocal = 0.00061349693f;
  std::int64_t mismatches = 0;
  for (std::int64_t sum = 0, step = 1; sum <= std::int64_t(1640) * 65535; sum += step) {
    if (sum >= (std::int64_t(2) << 23) * step) step *= 2;  // only sums a float holds
    const float product = float(sum) * reciprocal;
    if (std::min<std::int64_t>(std::int64_t(product), 32768) != std::min<std::int64_t>(sum / 1630, 32768)) ++mismatches;
    if (sum <= 1640 * 255 && std::min<std::int64_t>(std::int64_t(product), 255) != std::min<std::int64_t>(sum / 1630, 255))
      ++mismatches;
  }
  EXPECT_EQ(mismatches, 0);
}

// ---- Edges ----

TEST(PyramidEdges, TheLastColumnAndRowReadBeyondTheLevelAsTheEdge) {
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

TEST(PyramidEdges, DestinationPixelsPastTheSourceRepeatItsEdge) {
  // 5 -> 4: destination column 3 centres on source columns 6 and 7, both past the edge.
  Buffer image = ramps(5, 5, kRgba8);
  buildPyramid(*image);
  ASSERT_EQ(image->width[1], 4);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(sampleAt(*image, 3, 3, 1, c), reference(*image, 0, 3, 3, c));
}

// ---- Building ----

TEST(PyramidBuild, OnePixelHasNoCoarserLevelAndIsStillMarkedBuilt) {
  Buffer image = uniform(1, 1, kRgba8, 77);
  ASSERT_EQ(image->lastLevel, 0);
  buildPyramid(*image);
  EXPECT_EQ(image->pyramidState, 2);
  EXPECT_EQ(sampleAt(*image, 0, 0, 0, 1), 77.0f);
}

TEST(PyramidBuild, EdgeModeMinusOneBuildsNothing) {
  Buffer image = makeBuffer(20, 20, kGray8, -1);
  for (std::int32_t y = 0; y < 20; ++y)
    for (std::int32_t x = 0; x < 20; ++x) setGrey(*image, x, y, 0, 200);
  buildPyramid(*image);
  EXPECT_EQ(getGrey(*image, 0, 0, 1), 0) << "fresh tiles hold zeros";
  EXPECT_EQ(image->pyramidState, 0);
}

TEST(PyramidBuild, ResultDoesNotDependOnTheWorkerCount) {
  std::vector<std::uint8_t> results[3];
  for (int workers : {1, 2, 3}) {
    Processors pretend(workers);
    Buffer image = ramps(700, 300, kRgba8);
    buildPyramid(*image);
    EXPECT_EQ(image->pyramidState, 2);
    results[workers - 1] = allLevelBytes(*image);
  }
  EXPECT_EQ(results[0], results[1]);
  EXPECT_EQ(results[0], results[2]);
}

TEST(PyramidTask, ClipsToTheDestinationLevelAndSkipsLevelsPastTheLast) {
  // One task over more than the level and wider than a tile of the job: level 1 is right
  // and level 2 untouched.
  Buffer image = ramps(300, 9, kRgba16);
  reduceLevelTask(*image, 0, ImageRect{-5, -7, 1000, 1000});
  EXPECT_TRUE(matchesReference(*image, 1, 1));
  for (int c = 0; c < 4; ++c) EXPECT_EQ(sampleAt(*image, 0, 0, 2, c), 0.0f);

  const std::vector<std::uint8_t> before = allLevelBytes(*image);
  reduceLevelTask(*image, image->lastLevel, ImageRect{0, 0, 10, 10});
  reduceLevelTask(*image, -1, ImageRect{0, 0, 10, 10});
  EXPECT_EQ(allLevelBytes(*image), before);
}

}  // namespace
}  // namespace qm
