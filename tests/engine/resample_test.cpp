// SPDX-License-Identifier: LicenseRef-Quillmark
// Resampling, format transfer and doubling of ImageBuffers, checked against sums written
// out here from the weight tables, against plain properties (flat stays flat) and against
// the documented examples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "engine/image_buffer.h"
#include "engine/pyramid.h"
#include "engine/resample.h"

namespace qm {
namespace {

struct Destroy {
  void operator()(ImageBuffer* image) const { destroyImageBuffer(image); }
};
using Image = std::unique_ptr<ImageBuffer, Destroy>;

Image makeImage(int width, int height, std::int32_t format, std::int32_t edgeMode = 0) {
  Image image(createImageBuffer(nullptr, width, height, format, edgeMode, false));
  EXPECT_NE(image, nullptr);
  return image;
}

// value(x, y, channel) as a fraction of full scale, stored into level 0, then the pyramid.
using Pattern = std::function<float(int x, int y, int channel)>;

void paint(ImageBuffer& image, const Pattern& value) {
  for (int y = 0; y < image.height[0]; ++y)
    for (int x = 0; x < image.width[0]; ++x) {
      if (image.format == kGray8) {
        setGrey(image, x, y, 0, std::uint8_t(std::lround(value(x, y, 0) * 255.0f)));
        continue;
      }
      float c[4];
      for (int k = 0; k < 4; ++k) c[k] = value(x, y, k);
      if (image.format == kRgbaFloat) {
        setColour(image, x, y, 0, c);
        continue;
      }
      // Rounded, so that stored values are exactly the pattern's steps.
      float scaled[4];
      for (int k = 0; k < 4; ++k) scaled[k] = (std::round(c[k] * image.scale) + 0.25f) / image.scale;
      setNormalised(image, x, y, 0, scaled);
    }
  buildPyramid(image);
}

// Steep steps that differ per channel and axis, so a mirrored or shifted tap shows.
float steps(int x, int y, int channel) { return float((x * 53 + y * 97 + channel * 31) % 256) / 255.0f; }
Pattern flat(float a, float b, float c, float d) {
  return [=](int, int, int channel) { return channel == 0 ? a : channel == 1 ? b : channel == 2 ? c : d; };
}

float normalisedAt(const ImageBuffer& image, int x, int y, int level, int channel) {
  float c[4];
  getNormalised(image, x, y, level, c);
  return c[channel];
}

// The filtered value written out tap by tap with the float weights; fold maps a tap's
// column or row into the level.
using Fold = std::function<int(int coordinate, int size)>;
int clampFold(int c, int size) { return std::clamp(c, 0, size - 1); }
int wrapFold(int c, int size) { return ((c % size) + size) % size; }

float referenceSample(const ImageBuffer& image, int level, float x, float y, int channel, const Fold& foldX,
                      const Fold& foldY) {
  const auto& w = lanczosWeights().weights;
  const float fx = std::floor(x + 0.5f);
  const float fy = std::floor(y + 0.5f);
  const int i = int(fx);
  const int j = int(fy);
  const int px = int((x + 0.5f - fx) * 128.0f);
  const int py = int((y + 0.5f - fy) * 128.0f);
  double total = 0.0;
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx) {
      const int col = foldX(i + dx, image.width[level]);
      const int row = foldY(j + dy, image.height[level]);
      total += double(w[2 - dx][px]) * double(w[2 - dy][py]) * normalisedAt(image, col, row, level, channel);
    }
  return float(total);
}

float sampledAt(const ImageBuffer& image, int level, float x, float y, int channel) {
  float c[4];
  sampleLevel(image, level, x, y, c);
  return c[channel] * image.reciprocalScale;
}

// ---- sampleLevel ----

TEST(SampleLevel, MatchesTheTapSumInEveryFormat) {
  // Integer weights are truncated to 1/2048 (or 1/32768), which bounds their error.
  const struct {
    std::int32_t format;
    float tolerance;
  } cases[] = {{kRgba8, 3e-3f}, {kRgba16, 2e-4f}, {kRgbaFloat, 1e-5f}, {kGray8, 3e-3f}};
  const float positions[][2] = {{4.0f, 5.0f}, {6.3f, 4.71f}, {5.5f, 6.5f}, {7.99f, 3.02f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    Image image = makeImage(13, 11, c.format);
    paint(*image, steps);
    for (const auto& p : positions)
      for (int channel = 0; channel < (c.format == kGray8 ? 1 : 4); ++channel)
        EXPECT_NEAR(sampledAt(*image, 0, p[0], p[1], channel),
                    referenceSample(*image, 0, p[0], p[1], channel, clampFold, clampFold), c.tolerance)
            << p[0] << ", " << p[1] << " channel " << channel;
  }
}

TEST(SampleLevel, FlatImageGivesItsValueAnywhereInAnyEdgeMode) {
  for (std::int32_t edge : {0, 1, 2})
    for (std::int32_t format : {kRgba8, kRgba16, kRgbaFloat}) {
      Image image = makeImage(6, 9, format, edge);
      paint(*image, flat(0.2f, 1.0f, 0.0f, 0.6f));
      for (float x : {-3.7f, 0.0f, 2.25f, 5.9f, 12.0f}) {
        float c[4];
        sampleLevel(*image, 0, x, x * 0.7f - 1.0f, c);
        for (int k = 0; k < 4; ++k)
          EXPECT_FLOAT_EQ(c[k], normalisedAt(*image, 0, 0, 0, k) * image->scale) << "edge " << edge << " x " << x;
      }
    }
}

TEST(SampleLevel, GreyComesBackAsColourAndMissingLevelsOrPixelsReadZero) {
  Image grey = makeImage(4, 4, kGray8);
  paint(*grey, flat(0.2f, 0.0f, 0.0f, 0.0f));
  float c[4];
  sampleLevel(*grey, 0, 1.3f, 2.0f, c);
  EXPECT_EQ(std::vector<float>(c, c + 4), (std::vector<float>{51, 51, 51, 255}));
  Image image = makeImage(4, 4, kRgba8);
  paint(*image, flat(1, 1, 1, 1));
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
  Image wide = makeImage(530, 530, kRgba8);
  Image small = makeImage(30, 30, kRgba8);
  paint(*wide, steps);
  paint(*small, [&](int x, int y, int channel) { return steps(x + shift, y + shift, channel); });
  for (float at : {511.5f, 510.0f, 513.2f, 508.7f})
    for (int channel = 0; channel < 4; ++channel) {
      EXPECT_EQ(sampledAt(*wide, 0, at, at, channel), sampledAt(*small, 0, at - shift, at - shift, channel)) << at;
      EXPECT_EQ(sampledAt(*wide, 0, at, 515.0f, channel), sampledAt(*small, 0, at - shift, 15.0f, channel)) << at;
      EXPECT_EQ(sampledAt(*wide, 0, 515.0f, at, channel), sampledAt(*small, 0, 15.0f, at - shift, channel)) << at;
    }
}

// ---- wrapping ----

TEST(Wrapping, JustLeftOfATextureBlendsTheLastColumnsIn) {
  // Dark texture with a bright last column: only wrapping brings the brightness in.
  const Pattern lastColumn = [](int x, int, int channel) { return channel == 3 ? 1.0f : (x == 7 ? 1.0f : 0.0f); };
  Image wrapped = makeImage(8, 8, kRgba8, 1);
  Image clamped = makeImage(8, 8, kRgba8, 0);
  paint(*wrapped, lastColumn);
  paint(*clamped, lastColumn);
  const float u = -0.01f;
  const float v = 0.5f;
  float c[4];
  sampleImage(*wrapped, 0, 0.0f, u, v, c);
  const float x = 8.0f * u - 0.5f;
  const float y = 8.0f * v - 0.5f;
  EXPECT_NEAR(c[0], referenceSample(*wrapped, 0, x, y, 0, wrapFold, wrapFold), 3e-3f);
  EXPECT_GT(c[0], 0.4f);
  float edge[4];
  sampleImage(*clamped, 0, 0.0f, u, v, edge);
  EXPECT_LT(edge[0], 0.01f);
}

TEST(Wrapping, RepeatsWithoutEndInBothDirections) {
  Image image = makeImage(8, 4, kRgba8, 1);
  paint(*image, steps);
  for (int channel = 0; channel < 4; ++channel) {
    const float home = sampledAt(*image, 0, 2.3f, 1.5f, channel);
    for (int turns : {-3, -1, 1, 2}) {
      EXPECT_EQ(sampledAt(*image, 0, 2.3f + 8.0f * float(turns), 1.5f, channel), home) << turns;
      EXPECT_EQ(sampledAt(*image, 0, 2.3f, 1.5f + 4.0f * float(turns), channel), home) << turns;
    }
  }
}

// ---- sampleImage and resizeImage ----

float heldAndStored(const ImageBuffer& destination, float normalised) {
  return std::floor(std::clamp(normalised, 0.0f, 1.0f) * destination.scale);
}

TEST(Resize, SameSizeWithHalfBiasReadsLevelZeroAlone) {
  Image source = makeImage(9, 7, kRgba8);
  Image destination = makeImage(9, 7, kRgba8);
  paint(*source, steps);
  ASSERT_TRUE(resizeImage(source.get(), destination.get(), levelRect(source.get(), 0),
                          levelRect(destination.get(), 0), 0.5f));
  int differsFromLevelOne = 0;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x)
      for (int channel = 0; channel < 4; ++channel) {
        const float expected = heldAndStored(*destination, sampledAt(*source, 0, float(x), float(y), channel));
        const float got = normalisedAt(*destination, x, y, 0, channel) * 255.0f;
        EXPECT_NEAR(got, expected, 1.01f) << x << ", " << y << " channel " << channel;
        const float coarse = sampledAt(*source, 1, (float(x) + 0.5f) * 0.5f - 0.5f, (float(y) + 0.5f) * 0.5f - 0.5f, channel);
        if (std::fabs(got - heldAndStored(*destination, coarse)) > 4.0f) ++differsFromLevelOne;
      }
  EXPECT_GT(differsFromLevelOne, 0) << "the pattern must tell the levels apart";
}

TEST(Resize, HalvingWithHalfBiasAveragesLevelsZeroAndOne) {
  Image source = makeImage(16, 16, kRgba16);
  Image destination = makeImage(8, 8, kRgba16);
  paint(*source, steps);
  ASSERT_TRUE(resizeImage(source.get(), destination.get(), levelRect(source.get(), 0),
                          levelRect(destination.get(), 0), 0.5f));
  int blended = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const float u = float(2 * x + 1) / 16.0f;
      const float v = float(2 * y + 1) / 16.0f;
      for (int channel = 0; channel < 4; ++channel) {
        const float fine = sampledAt(*source, 0, 16.0f * u - 0.5f, 16.0f * v - 0.5f, channel);
        const float coarse = sampledAt(*source, 1, 8.0f * u - 0.5f, 8.0f * v - 0.5f, channel);
        const float expected = heldAndStored(*destination, (fine + coarse) * 0.5f);
        const float got = normalisedAt(*destination, x, y, 0, channel) * 32768.0f;
        EXPECT_NEAR(got, expected, 1.01f) << x << ", " << y << " channel " << channel;
        if (std::fabs(expected - heldAndStored(*destination, fine)) > 100.0f &&
            std::fabs(expected - heldAndStored(*destination, coarse)) > 100.0f)
          ++blended;
      }
    }
  EXPECT_GT(blended, 0) << "the pattern must tell a blend from either level";
}

TEST(Resize, FlatImageStaysFlatAtAnySize) {
  // Values the pyramid keeps exactly (0, 100 of 255, full scale, 0.5 in floats), so every
  // level agrees.
  const struct {
    std::int32_t from, to;
    float value[4];
  } cases[] = {{kRgba8, kRgba8, {0.0f, 100.0f / 255.0f, 1.0f, 1.0f}},
               {kRgba16, kRgbaFloat, {0.0f, 100.0f / 32768.0f, 1.0f, 1.0f}},
               {kRgbaFloat, kRgba16, {0.5f, 0.25f, 0.0f, 1.0f}},
               {kGray8, kRgba8, {100.0f / 255.0f, 0.0f, 0.0f, 0.0f}}};
  const int sizes[][2] = {{1, 1}, {7, 3}, {20, 20}, {37, 64}, {100, 9}};
  for (const auto& c : cases) {
    Image source = makeImage(20, 20, c.from, 1);
    paint(*source, flat(c.value[0], c.value[1], c.value[2], c.value[3]));
    float want[4];
    getNormalised(*source, 3, 3, 0, want);
    for (const auto& size : sizes) {
      SCOPED_TRACE(::testing::Message() << "format " << c.from << " to " << c.to << " size " << size[0] << "x" << size[1]);
      Image destination = makeImage(size[0], size[1], c.to);
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

TEST(Resize, FloatDestinationsKeepBrightColourButHoldOpacity) {
  Image source = makeImage(6, 6, kRgbaFloat);
  paint(*source, flat(3.0f, -0.5f, 0.5f, 2.0f));
  Image wide = makeImage(3, 3, kRgbaFloat);
  ASSERT_TRUE(resizeImage(source.get(), wide.get(), levelRect(source.get(), 0), levelRect(wide.get(), 0), 0.5f));
  float bright[4];
  getColour(*wide, 1, 1, 0, bright);
  EXPECT_NEAR(bright[0], 3.0f, 1e-4f);
  EXPECT_EQ(bright[1], 0.0f);
  EXPECT_NEAR(bright[2], 0.5f, 1e-4f);
  EXPECT_EQ(bright[3], 1.0f);
}

TEST(Resize, FillsOnlyTheDestinationRectangleAndRebuildsThePyramid) {
  Image source = makeImage(8, 8, kRgba8);
  Image destination = makeImage(16, 16, kRgba8);
  paint(*source, flat(1, 1, 1, 1));
  paint(*destination, flat(0, 0, 0, 0));
  ASSERT_TRUE(resizeImage(source.get(), destination.get(), levelRect(source.get(), 0), {4, 4, 12, 12}, 0.5f));
  EXPECT_EQ(normalisedAt(*destination, 4, 4, 0, 0), 1.0f);
  EXPECT_EQ(normalisedAt(*destination, 11, 11, 0, 0), 1.0f);
  EXPECT_EQ(normalisedAt(*destination, 3, 8, 0, 0), 0.0f);
  EXPECT_EQ(normalisedAt(*destination, 12, 8, 0, 0), 0.0f);
  EXPECT_EQ(destination->pyramidState, 2);
  EXPECT_GT(normalisedAt(*destination, 1, 1, 2, 0), 0.5f) << "level 2 sees the filled middle";
  EXPECT_LT(normalisedAt(*destination, 3, 3, 2, 0), 0.5f) << "and the empty corner";
}

TEST(Resize, RefusesMissingSameOrGreyImages) {
  Image source = makeImage(8, 8, kRgba8);
  Image grey = makeImage(4, 4, kGray8);
  paint(*source, flat(1, 1, 1, 1));
  paint(*grey, flat(0.5f, 0, 0, 0));
  grey->pyramidState = 0;
  const ImageRect rect = levelRect(source.get(), 0);
  EXPECT_FALSE(resizeImage(nullptr, source.get(), rect, rect, 0.5f));
  EXPECT_FALSE(resizeImage(source.get(), nullptr, rect, rect, 0.5f));
  EXPECT_FALSE(resizeImage(source.get(), source.get(), rect, rect, 0.5f));
  EXPECT_FALSE(resizeImage(source.get(), grey.get(), rect, levelRect(grey.get(), 0), 0.5f));
  EXPECT_EQ(getGrey(*grey, 1, 1, 0), 128);
  EXPECT_EQ(grey->pyramidState, 0);
}

// ---- transferImage ----

TEST(Transfer, SameSizeCopiesEveryPixelUnfilteredThroughNormalisedValues) {
  Image from = makeImage(9, 5, kRgba8);
  Image to = makeImage(9, 5, kRgbaFloat);
  paint(*from, steps);
  ASSERT_TRUE(transferImage(from.get(), to.get()));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x)
      for (int channel = 0; channel < 4; ++channel)
        EXPECT_NEAR(normalisedAt(*to, x, y, 0, channel), normalisedAt(*from, x, y, 0, channel), 1e-6f);
  const std::uint8_t orange[4] = {255, 128, 0, 255};
  setColour(*from, 1, 0, 0, orange);
  Image deep = makeImage(9, 5, kRgba16);
  ASSERT_TRUE(transferImage(from.get(), deep.get()));
  std::uint16_t got[4];
  getColour(*deep, 1, 0, 0, got);
  EXPECT_EQ(std::vector<int>(got, got + 4), (std::vector<int>{32768, 16448, 0, 32768}));
  EXPECT_EQ(deep->pyramidState, 2);
}

TEST(Transfer, OtherSizeResamplesWithHalfBias) {
  Image from = makeImage(16, 16, kRgba8);
  Image viaTransfer = makeImage(8, 8, kRgba8);
  Image viaResize = makeImage(8, 8, kRgba8);
  paint(*from, steps);
  ASSERT_TRUE(transferImage(from.get(), viaTransfer.get()));
  ASSERT_TRUE(resizeImage(from.get(), viaResize.get(), levelRect(from.get(), 0), levelRect(viaResize.get(), 0), 0.5f));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      for (int channel = 0; channel < 4; ++channel)
        EXPECT_EQ(normalisedAt(*viaTransfer, x, y, 0, channel), normalisedAt(*viaResize, x, y, 0, channel));
  EXPECT_EQ(viaTransfer->pyramidState, 2);
}

TEST(Transfer, GreySourcesFillColourButGreyOrMissingImagesAreRefused) {
  Image from = makeImage(3, 3, kGray8);
  Image to = makeImage(3, 3, kRgba16);
  paint(*from, flat(0.2f, 0, 0, 0));
  ASSERT_TRUE(transferImage(from.get(), to.get()));
  std::uint16_t got[4];
  getColour(*to, 2, 2, 0, got);
  EXPECT_NEAR(got[0], 6553, 1);
  EXPECT_EQ(std::vector<int>(got + 1, got + 4), (std::vector<int>{got[0], got[0], 32768}));
  EXPECT_FALSE(transferImage(to.get(), from.get()));
  EXPECT_EQ(getGrey(*from, 2, 2, 0), 51);
  EXPECT_FALSE(transferImage(nullptr, to.get()));
  EXPECT_FALSE(transferImage(to.get(), nullptr));
  releasePixels(*from);
  EXPECT_FALSE(transferImage(to.get(), from.get()));
  Image released = makeImage(3, 3, kRgba8);
  releasePixels(*released);
  EXPECT_TRUE(transferImage(to.get(), released.get())) << "nothing to fill, but still rebuilt";
  EXPECT_FALSE(hasPixels(*released));
}

// ---- doubleImage ----

std::vector<std::uint8_t> levelZero(const ImageBuffer& image) {
  std::vector<std::uint8_t> grey;
  for (int y = 0; y < image.height[0]; ++y)
    for (int x = 0; x < image.width[0]; ++x) grey.push_back(getGrey(image, x, y, 0));
  return grey;
}

// The doubled grid as a separable stencil: an even new coordinate sits on an old pixel and
// weighs its neighbours 1, 16, 1; an odd one sits between two old pixels and weighs them
// 1, 1. Old pixels repeat at the edges.
int doubledReference(const std::vector<int>& old, int width, int height, int X, int Y) {
  auto taps = [](int coordinate, int& first, std::vector<int>& weights) {
    if (coordinate % 2 == 0) {
      first = coordinate / 2 - 1;
      weights = {1, 16, 1};
    } else {
      first = coordinate / 2;
      weights = {1, 1};
    }
  };
  int x0 = 0, y0 = 0;
  std::vector<int> wx, wy;
  taps(X, x0, wx);
  taps(Y, y0, wy);
  int sum = 0, weight = 0;
  for (std::size_t b = 0; b < wy.size(); ++b)
    for (std::size_t a = 0; a < wx.size(); ++a) {
      const int col = std::clamp(x0 + int(a), 0, width - 1);
      const int row = std::clamp(y0 + int(b), 0, height - 1);
      sum += wx[a] * wy[b] * old[std::size_t(row * width + col)];
      weight += wx[a] * wy[b];
    }
  return sum / weight;
}

TEST(Double, StencilsOnAHandMadeImage) {
  const int width = 3, height = 2;
  const std::vector<int> old = {0, 255, 10, 200, 40, 90};
  Image image = makeImage(width, height, kGray8, 1);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) setGrey(*image, x, y, 0, std::uint8_t(old[std::size_t(y * width + x)]));
  ASSERT_TRUE(doubleImage(*image));
  ASSERT_EQ(image->width[0], 6);
  ASSERT_EQ(image->height[0], 4);
  EXPECT_EQ(image->format, kGray8);
  EXPECT_EQ(image->edgeMode, 1);
  for (int Y = 0; Y < 4; ++Y)
    for (int X = 0; X < 6; ++X)
      EXPECT_EQ(getGrey(*image, X, Y, 0), doubledReference(old, width, height, X, Y)) << X << ", " << Y;
  // Two of them by hand: the centre of the first 2 x 2 and the pixel on old (1, 0).
  EXPECT_EQ(getGrey(*image, 1, 1, 0), (0 + 255 + 200 + 40) / 4);
  EXPECT_EQ(getGrey(*image, 2, 0, 0), ((0 + 10 + 200 + 90) + 16 * (255 + 0 + 10 + 40) + 256 * 255) / 324);
}

TEST(Double, FlatGreyAndOnePixelStayFlatAtTwiceTheSize) {
  for (const auto& [width, height, value] : {std::tuple{5, 3, 0}, std::tuple{5, 3, 77}, std::tuple{5, 3, 255},
                                              std::tuple{1, 1, 199}}) {
    Image image = makeImage(width, height, kGray8);
    paint(*image, flat(float(value) / 255.0f, 0, 0, 0));
    ASSERT_TRUE(doubleImage(*image));
    EXPECT_EQ(levelZero(*image), std::vector<std::uint8_t>(std::size_t(4 * width * height), std::uint8_t(value)));
    EXPECT_EQ(image->width[0], 2 * width);
    EXPECT_EQ(image->height[0], 2 * height);
  }
}

TEST(Double, CrossesTileBoundaries) {
  const int width = 300, height = 2;
  Image image = makeImage(width, height, kGray8);
  paint(*image, [](int x, int y, int) { return float((x + 90 * y) % 256) / 255.0f; });
  const std::vector<std::uint8_t> before = levelZero(*image);
  const std::vector<int> old(before.begin(), before.end());
  ASSERT_TRUE(doubleImage(*image));
  ASSERT_EQ(image->width[0], 600);
  for (int Y = 0; Y < 4; ++Y)
    for (int X = 500; X < 530; ++X)
      EXPECT_EQ(getGrey(*image, X, Y, 0), doubledReference(old, width, height, X, Y)) << X << ", " << Y;
}

TEST(Double, OtherFormatsAreLeftAlone) {
  Image image = makeImage(3, 3, kRgba8);
  EXPECT_FALSE(doubleImage(*image));
  EXPECT_EQ(image->width[0], 3);
}

TEST(Wrapping, HorizontalOnlyModeRepeatsTopAndBottomRows) {
  // Bright last column and bright last row.
  const Pattern corner = [](int x, int y, int channel) {
    return channel == 3 ? 1.0f : (x == 7 || y == 7 ? 1.0f : 0.0f);
  };
  Image image = makeImage(8, 8, kRgbaFloat, 2);
  paint(*image, corner);
  const float x = 8.0f * -0.02f - 0.5f;
  const float y = 8.0f * -0.02f - 0.5f;
  EXPECT_NEAR(sampledAt(*image, 0, x, 3.0f, 1), referenceSample(*image, 0, x, 3.0f, 1, wrapFold, clampFold), 1e-5f);
  EXPECT_GT(sampledAt(*image, 0, x, 3.0f, 1), 0.4f);
  EXPECT_NEAR(sampledAt(*image, 0, 3.0f, y, 1), referenceSample(*image, 0, 3.0f, y, 1, wrapFold, clampFold), 1e-5f);
  EXPECT_LT(std::fabs(sampledAt(*image, 0, 3.0f, y, 1)), 0.01f);
}

}  // namespace
}  // namespace qm
