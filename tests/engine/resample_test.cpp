// SPDX-License-Identifier: LicenseRef-Quillmark
// Resampling, format transfer and doubling of ImageBuffers, checked against sums written
// out here from the weight tables, against plain properties (flat stays flat) and against
// the documented examples.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <tuple>
#include <vector>

#include "engine/pyramid.h"
#include "engine/resample.h"
#include "tests/engine/engine_fixtures.h"

namespace qm::test {
namespace {

// A new image with value(x, y, channel), a fraction of full scale, in level 0 and the
// pyramid built from it.
using Pattern = std::function<float(int x, int y, int channel)>;

Buffer painted(std::int32_t width, std::int32_t height, std::int32_t format, const Pattern& value,
               std::int32_t edgeMode = 0) {
  Buffer image = makeBuffer(width, height, format, edgeMode);
  fillLevel0(*image, [&](std::int32_t x, std::int32_t y) {
    Pixel pixel;
    for (int k = 0; k < 4; ++k)
      pixel[k] = format == kRgbaFloat ? value(x, y, k) : std::round(double(value(x, y, k)) * image->scale);
    return pixel;
  });
  buildPyramid(*image);
  return image;
}

// Steep steps that differ per channel and axis, so a mirrored or shifted tap shows.
float steps(int x, int y, int channel) { return float((x * 53 + y * 97 + channel * 31) % 256) / 255.0f; }
// Dark but for the last column and row of an 8 x 8 image, opaque.
float lastColumnAndRow(int x, int y, int channel) { return channel == 3 || x == 7 || y == 7 ? 1.0f : 0.0f; }
Pattern flat(std::array<float, 4> value) {
  return [value](int, int, int k) { return value[std::size_t(k)]; };
}

float normalisedAt(const ImageBuffer& image, int x, int y, int level, int channel) {
  float c[4];
  getNormalised(image, x, y, level, c);
  return c[channel];
}

// The filtered value written out tap by tap with the float weights; fold maps a tap's
// column or row into the level.
using Fold = int (*)(int coordinate, int size);
int clampFold(int c, int size) { return std::clamp(c, 0, size - 1); }
int wrapFold(int c, int size) { return ((c % size) + size) % size; }

float referenceSample(const ImageBuffer& image, int level, float x, float y, int channel, Fold foldX = clampFold,
                      Fold foldY = clampFold) {
  const auto& w = lanczosWeights().weights;
  const float fx = std::floor(x + 0.5f);
  const float fy = std::floor(y + 0.5f);
  const int px = int((x + 0.5f - fx) * 128.0f);
  const int py = int((y + 0.5f - fy) * 128.0f);
  double total = 0.0;
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx) {
      const int col = foldX(int(fx) + dx, image.width[level]);
      const int row = foldY(int(fy) + dy, image.height[level]);
      total += double(w[2 - dx][px]) * double(w[2 - dy][py]) * normalisedAt(image, col, row, level, channel);
    }
  return float(total);
}

float sampledAt(const ImageBuffer& image, int level, float x, float y, int channel) {
  float c[4];
  sampleLevel(image, level, x, y, c);
  return c[channel] * image.reciprocalScale;
}

TEST(SampleLevel, MatchesTheTapSumInEveryFormat) {
  // Integer weights are truncated to 1/2048 (or 1/32768), which bounds their error.
  const float positions[][2] = {{4.0f, 5.0f}, {6.3f, 4.71f}, {5.5f, 6.5f}, {7.99f, 3.02f}};
  for (const auto& [format, tolerance] :
       {std::pair{kRgba8, 3e-3f}, std::pair{kRgba16, 2e-4f}, std::pair{kRgbaFloat, 1e-5f}, std::pair{kGray8, 3e-3f}}) {
    SCOPED_TRACE(format);
    Buffer image = painted(13, 11, format, steps);
    for (const auto& p : positions)
      for (int channel = 0; channel < (format == kGray8 ? 1 : 4); ++channel)
        EXPECT_NEAR(sampledAt(*image, 0, p[0], p[1], channel), referenceSample(*image, 0, p[0], p[1], channel),
                    tolerance)
            << p[0] << ", " << p[1] << " channel " << channel;
  }
}

TEST(SampleLevel, GreyComesBackAsColourAndMissingLevelsOrPixelsReadZero) {
  Buffer grey = painted(4, 4, kGray8, flat({0.2f, 0.0f, 0.0f, 0.0f}));
  float c[4];
  sampleLevel(*grey, 0, 1.3f, 2.0f, c);
  EXPECT_EQ(std::vector<float>(c, c + 4), (std::vector<float>{51, 51, 51, 255}));
  Buffer image = painted(4, 4, kRgba8, flat({1, 1, 1, 1}));
  for (int level : {-1, image->lastLevel + 1, 0}) {
    if (level == 0) releasePixels(*image);
    std::fill(c, c + 4, 9.0f);
    sampleLevel(*image, level, 1.0f, 1.0f, c);
    EXPECT_EQ(std::vector<float>(c, c + 4), std::vector<float>(4, 0.0f)) << "level " << level;
  }
}

TEST(SampleLevel, TileSeamsReadTheSameAsTheMiddleOfATile) {
  // A footprint across the seam at 512 takes the careful path; the same content placed in
  // a small image takes the direct one.
  const int shift = 500;
  Buffer wide = painted(530, 530, kRgba8, steps);
  Buffer small = painted(30, 30, kRgba8, [](int x, int y, int c) { return steps(x + shift, y + shift, c); });
  for (float at : {511.5f, 510.0f, 513.2f, 508.7f})
    for (int channel = 0; channel < 4; ++channel) {
      EXPECT_EQ(sampledAt(*wide, 0, at, at, channel), sampledAt(*small, 0, at - shift, at - shift, channel)) << at;
      EXPECT_EQ(sampledAt(*wide, 0, at, 515.0f, channel), sampledAt(*small, 0, at - shift, 15.0f, channel)) << at;
      EXPECT_EQ(sampledAt(*wide, 0, 515.0f, at, channel), sampledAt(*small, 0, 15.0f, at - shift, channel)) << at;
    }
}

TEST(Wrapping, EachEdgeModeBringsInTheFarSideOnlyAlongTheAxesItWrapsAndRepeatsWithoutEnd) {
  // A dark texture with a bright last column and last row, sampled just left of it and
  // just above it: only wrapping brings the brightness in.
  for (const auto& [edgeMode, foldX, foldY] :
       {std::tuple{0, &clampFold, &clampFold}, std::tuple{1, &wrapFold, &wrapFold},
        std::tuple{-1, &wrapFold, &wrapFold}, std::tuple{2, &wrapFold, &clampFold}}) {
    Buffer image = painted(8, 8, kRgba8, lastColumnAndRow, edgeMode);
    for (const auto& [u, v, wrapped] :
         {std::tuple{-0.02f, 0.4375f, foldX == &wrapFold}, std::tuple{0.4375f, -0.02f, foldY == &wrapFold}}) {
      SCOPED_TRACE(::testing::Message() << "edge mode " << edgeMode << " at " << u << ", " << v);
      float sampled[4];
      sampleImage(*image, 0, 0.0f, u, v, sampled);
      EXPECT_NEAR(sampled[0], referenceSample(*image, 0, 8.0f * u - 0.5f, 8.0f * v - 0.5f, 0, foldX, foldY), 3e-3f);
      EXPECT_TRUE(wrapped ? sampled[0] > 0.4f : sampled[0] < 0.01f) << sampled[0];
    }
  }
  // However far away.
  Buffer image = painted(8, 4, kRgba8, steps, 1);
  for (int channel = 0; channel < 4; ++channel) {
    const float home = sampledAt(*image, 0, 2.3f, 1.5f, channel);
    for (int turns : {-3, -1, 1, 2}) {
      EXPECT_EQ(sampledAt(*image, 0, 2.3f + 8.0f * float(turns), 1.5f, channel), home) << turns;
      EXPECT_EQ(sampledAt(*image, 0, 2.3f, 1.5f + 4.0f * float(turns), channel), home) << turns;
    }
  }
}

float heldAndStored(const ImageBuffer& destination, float normalised) {
  return std::floor(std::clamp(normalised, 0.0f, 1.0f) * destination.scale);
}

TEST(Resize, HalfBiasReadsLevelZeroAloneAtTheSameSizeAndBlendsItWithLevelOneWhenHalving) {
  // The mip level is log2(source / destination width) - 0.5: -0.5 (held at 0) and 0.5.
  const struct {
    std::int32_t format, fromWidth, fromHeight, toWidth, toHeight;
    float blend, margin;
  } cases[] = {{kRgba8, 9, 7, 9, 7, 0.0f, 4.0f}, {kRgba16, 16, 16, 8, 8, 0.5f, 100.0f}};
  for (const auto& c : cases) {
    Buffer source = painted(c.fromWidth, c.fromHeight, c.format, steps);
    Buffer destination = makeBuffer(c.toWidth, c.toHeight, c.format);
    ASSERT_TRUE(resizeImage(source.get(), destination.get(), levelRect(source.get(), 0),
                            levelRect(destination.get(), 0), 0.5f));
    int telling = 0;
    for (int y = 0; y < c.toHeight; ++y)
      for (int x = 0; x < c.toWidth; ++x) {
        const float u = (float(x) + 0.5f) / float(c.toWidth);
        const float v = (float(y) + 0.5f) / float(c.toHeight);
        for (int channel = 0; channel < 4; ++channel) {
          const auto at = [&](int level) {
            return sampledAt(*source, level, float(source->width[level]) * u - 0.5f,
                             float(source->height[level]) * v - 0.5f, channel);
          };
          const float fine = at(0);
          const float coarse = at(1);
          const float expected = heldAndStored(*destination, fine + (coarse - fine) * c.blend);
          const float got = normalisedAt(*destination, x, y, 0, channel) * destination->scale;
          EXPECT_NEAR(got, expected, 1.01f)
              << "format " << c.format << " at " << x << ", " << y << " channel " << channel;
          // The pattern must tell the result from that of another blend.
          if ((c.blend == 0.0f || std::fabs(expected - heldAndStored(*destination, fine)) > c.margin) &&
              std::fabs(expected - heldAndStored(*destination, coarse)) > c.margin)
            ++telling;
        }
      }
    EXPECT_GT(telling, 0) << "format " << c.format;
  }
}

TEST(Resize, FlatImageStaysFlatAtAnySizeHeldWithinTheDestinationsRange) {
  // Values the pyramid keeps exactly (0, 100 of 255, full scale, 0.5 in floats), so every
  // level agrees. A float destination keeps bright colour but holds opacity within 0..1;
  // other destinations hold every channel there.
  const struct {
    std::int32_t from, to;
    std::array<float, 4> value;
  } cases[] = {{kRgba8, kRgba8, {0.0f, 100.0f / 255.0f, 1.0f, 1.0f}},
               {kRgba16, kRgbaFloat, {0.0f, 100.0f / 32768.0f, 1.0f, 1.0f}},
               {kRgbaFloat, kRgba16, {0.5f, 0.25f, 0.0f, 1.0f}},
               {kGray8, kRgba8, {100.0f / 255.0f, 0.0f, 0.0f, 0.0f}},
               {kRgbaFloat, kRgbaFloat, {3.0f, -0.5f, 0.5f, 2.0f}},
               {kRgbaFloat, kRgba8, {3.0f, -0.5f, 0.5f, 2.0f}}};
  const int sizes[][2] = {{1, 1}, {7, 3}, {20, 20}, {37, 64}, {100, 9}};
  for (const auto& c : cases) {
    Buffer source = painted(20, 20, c.from, flat(c.value), 1);
    float want[4];
    getNormalised(*source, 3, 3, 0, want);
    for (int k = 0; k < 4; ++k) want[k] = std::clamp(want[k], 0.0f, c.to == kRgbaFloat && k < 3 ? 65535.0f : 1.0f);
    for (const auto& size : sizes) {
      SCOPED_TRACE(::testing::Message() << "format " << c.from << " to " << c.to << ", " << size[0] << "x" << size[1]);
      Buffer destination = makeBuffer(size[0], size[1], c.to);
      ASSERT_TRUE(resizeImage(source.get(), destination.get(), levelRect(source.get(), 0),
                              levelRect(destination.get(), 0), 0.5f));
      const float unit = destination->format == kRgbaFloat ? 1e-4f : 1.01f / destination->scale;
      for (int y = 0; y < size[1]; ++y)
        for (int x = 0; x < size[0]; ++x)
          for (int channel = 0; channel < 4; ++channel)
            ASSERT_NEAR(normalisedAt(*destination, x, y, 0, channel), want[channel], unit) << x << ", " << y;
    }
  }
}

TEST(Resize, FillsOnlyTheDestinationRectangleAndRebuildsThePyramid) {
  Buffer source = painted(8, 8, kRgba8, flat({1, 1, 1, 1}));
  Buffer destination = painted(16, 16, kRgba8, flat({0, 0, 0, 0}));
  ASSERT_TRUE(resizeImage(source.get(), destination.get(), levelRect(source.get(), 0), {4, 4, 12, 12}, 0.5f));
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(normalisedAt(*destination, i, 8, 0, 0), i >= 4 && i < 12 ? 1.0f : 0.0f) << "column " << i;
    EXPECT_EQ(normalisedAt(*destination, 8, i, 0, 0), i >= 4 && i < 12 ? 1.0f : 0.0f) << "row " << i;
  }
  EXPECT_EQ(destination->pyramidState, 2);
  EXPECT_GT(normalisedAt(*destination, 1, 1, 2, 0), 0.5f) << "level 2 sees the filled middle";
  EXPECT_LT(normalisedAt(*destination, 3, 3, 2, 0), 0.5f) << "and the empty corner";
}

TEST(Resize, ResizeAndTransferRefuseMissingSameOrGreyImagesTouchingNothing) {
  Buffer source = painted(8, 8, kRgba8, flat({1, 1, 1, 1}));
  Buffer grey = painted(4, 4, kGray8, flat({0.5f, 0, 0, 0}));
  grey->pyramidState = 0;
  const ImageRect rect = levelRect(source.get(), 0);
  EXPECT_FALSE(resizeImage(nullptr, source.get(), rect, rect, 0.5f));
  EXPECT_FALSE(resizeImage(source.get(), nullptr, rect, rect, 0.5f));
  EXPECT_FALSE(resizeImage(source.get(), source.get(), rect, rect, 0.5f));
  EXPECT_FALSE(resizeImage(source.get(), grey.get(), rect, levelRect(grey.get(), 0), 0.5f));
  EXPECT_FALSE(transferImage(nullptr, source.get()));
  EXPECT_FALSE(transferImage(source.get(), nullptr));
  EXPECT_FALSE(transferImage(source.get(), grey.get()));
  EXPECT_EQ(getGrey(*grey, 1, 1, 0), 128);
  EXPECT_EQ(grey->pyramidState, 0);
  releasePixels(*grey);
  EXPECT_FALSE(transferImage(source.get(), grey.get())) << "grey without pixels";
}

TEST(Transfer, SameSizeConvertsEveryPixelThroughNormalisedValuesOtherSizesResampleAndEmptyOnesAreRebuilt) {
  Buffer from = painted(9, 5, kRgba8, steps);
  Buffer to = makeBuffer(9, 5, kRgbaFloat);
  ASSERT_TRUE(transferImage(from.get(), to.get()));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x)
      for (int channel = 0; channel < 4; ++channel)
        EXPECT_NEAR(normalisedAt(*to, x, y, 0, channel), normalisedAt(*from, x, y, 0, channel), 1e-6f);
  setPixel(*from, 1, 0, 0, {255, 128, 0, 255});
  Buffer deep = makeBuffer(9, 5, kRgba16);
  ASSERT_TRUE(transferImage(from.get(), deep.get()));
  EXPECT_EQ(pixelAt(*deep, 1, 0), (Pixel{32768, 16448, 0, 32768})) << "orange";
  EXPECT_EQ(deep->pyramidState, 2);
  // Another size is a resize with bias 0.5, the pyramid rebuilt too.
  Buffer large = painted(16, 16, kRgba8, steps);
  Buffer viaTransfer = makeBuffer(8, 8, kRgba8);
  Buffer viaResize = makeBuffer(8, 8, kRgba8);
  ASSERT_TRUE(transferImage(large.get(), viaTransfer.get()));
  ASSERT_TRUE(
      resizeImage(large.get(), viaResize.get(), levelRect(large.get(), 0), levelRect(viaResize.get(), 0), 0.5f));
  EXPECT_EQ(levelPixels(*viaTransfer, kAllLevels), levelPixels(*viaResize, kAllLevels));
  Buffer released = makeBuffer(9, 5, kRgba8);
  releasePixels(*released);
  EXPECT_TRUE(transferImage(from.get(), released.get())) << "nothing to fill, but still rebuilt";
  EXPECT_FALSE(hasPixels(*released));
}

// The doubled grid as a separable stencil: an even new coordinate sits on an old pixel and
// weighs its neighbours 1, 16, 1; an odd one sits between two old pixels and weighs them
// 1, 1. Old pixels repeat at the edges.
int doubledReference(const std::vector<int>& old, int width, int height, int X, int Y) {
  using Taps = std::vector<std::pair<int, int>>;  // old coordinate, weight
  const auto taps = [](int c) {
    return c % 2 == 0 ? Taps{{c / 2 - 1, 1}, {c / 2, 16}, {c / 2 + 1, 1}} : Taps{{c / 2, 1}, {c / 2 + 1, 1}};
  };
  int sum = 0, weight = 0;
  for (const auto& [row, wy] : taps(Y))
    for (const auto& [col, wx] : taps(X)) {
      sum += wx * wy * old[std::size_t(std::clamp(row, 0, height - 1) * width + std::clamp(col, 0, width - 1))];
      weight += wx * wy;
    }
  return sum / weight;
}

// Doubles a Gray8 image of the old pixels (row by row) and compares the new columns
// from .. to - 1 with the stencil.
Buffer expectDoubledByStencil(const std::vector<int>& old, int width, int height, int from, int to) {
  Buffer image = makeBuffer(width, height, kGray8, 1);
  fillLevel0(*image, [&](int x, int y) { return Pixel{double(old[std::size_t(y * width + x)]), 0, 0, 0}; });
  EXPECT_TRUE(doubleImage(*image));
  EXPECT_EQ(image->width[0], 2 * width);
  EXPECT_EQ(image->height[0], 2 * height);
  EXPECT_EQ(image->format, kGray8);
  EXPECT_EQ(image->edgeMode, 1);
  for (int Y = 0; Y < 2 * height; ++Y)
    for (int X = from; X < to; ++X)
      EXPECT_EQ(getGrey(*image, X, Y, 0), doubledReference(old, width, height, X, Y)) << X << ", " << Y;
  return image;
}

TEST(Double, StencilsOnHandMadeAndFlatImagesAndAcrossTilesForGreyOnly) {
  Buffer image = expectDoubledByStencil({0, 255, 10, 200, 40, 90}, 3, 2, 0, 6);
  // Two of them by hand: the centre of the first 2 x 2 and the pixel on old (1, 0).
  EXPECT_EQ(getGrey(*image, 1, 1, 0), (0 + 255 + 200 + 40) / 4);
  EXPECT_EQ(getGrey(*image, 2, 0, 0), ((0 + 10 + 200 + 90) + 16 * (255 + 0 + 10 + 40) + 256 * 255) / 324);
  std::vector<int> old;
  for (int i = 0; i < 600; ++i) old.push_back((i % 300 + 90 * (i / 300)) % 256);
  expectDoubledByStencil(old, 300, 2, 500, 530);
  // Flat images, one pixel among them, stay flat at twice the size.
  for (const auto& [width, height, value] :
       {std::tuple{5, 3, 0}, std::tuple{5, 3, 77}, std::tuple{5, 3, 255}, std::tuple{1, 1, 199}}) {
    const std::vector<int> pixels(std::size_t(width * height), value);
    EXPECT_EQ(levelPixels(*expectDoubledByStencil(pixels, width, height, 0, 2 * width)),
              std::vector<Pixel>(4 * pixels.size(), Pixel{double(value), 0, 0, 0}));
  }
  Buffer colour = makeBuffer(3, 3, kRgba8);
  EXPECT_FALSE(doubleImage(*colour));
  EXPECT_EQ(colour->width[0], 3);
}

}  // namespace
}  // namespace qm::test
