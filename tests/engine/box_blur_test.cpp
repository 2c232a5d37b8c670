// SPDX-License-Identifier: LicenseRef-Quillmark
// Box passes and the blur: exact division, passes against a plain running box on lines,
// edge repetition at the ends of the pass's rectangle, the order and extents of the six
// passes, opacity, and what is left alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "engine/box_blur.h"
#include "engine/box_division.h"
#include "engine/image_buffer.h"
#include "tests/engine/engine_fixtures.h"
#include "engine/jobs.h"

namespace qm {
namespace {

using test::Buffer;
using test::makeBuffer;
using test::Processors;

// Level 0 of an Rgba8 or Rgba16 buffer as plain numbers, row by row.
using Pixel = std::array<std::int32_t, 4>;
struct Picture {
  std::int32_t width = 0, height = 0;
  std::vector<Pixel> pixels;
  Pixel& at(std::int32_t x, std::int32_t y) { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
  bool operator==(const Picture&) const = default;
};

Picture read(const ImageBuffer& image) {
  Picture picture{image.width[0], image.height[0], {}};
  for (std::int32_t y = 0; y < picture.height; ++y)
    for (std::int32_t x = 0; x < picture.width; ++x) {
      Pixel pixel{};
      if (image.format == kRgba8) {
        std::uint8_t v[4];
        getColour(image, x, y, 0, v);
        std::copy(v, v + 4, pixel.begin());
      } else {
        std::uint16_t v[4];
        getColour(image, x, y, 0, v);
        std::copy(v, v + 4, pixel.begin());
      }
      picture.pixels.push_back(pixel);
    }
  return picture;
}

void write(ImageBuffer& image, const Picture& picture) {
  for (std::int32_t y = 0; y < picture.height; ++y)
    for (std::int32_t x = 0; x < picture.width; ++x) {
      const Pixel& p = picture.pixels[std::size_t(y) * std::size_t(picture.width) + std::size_t(x)];
      if (image.format == kRgba8) {
        const std::uint8_t v[4] = {std::uint8_t(p[0]), std::uint8_t(p[1]), std::uint8_t(p[2]), std::uint8_t(p[3])};
        setColour(image, x, y, 0, v);
      } else {
        const std::uint16_t v[4] = {std::uint16_t(p[0]), std::uint16_t(p[1]), std::uint16_t(p[2]), std::uint16_t(p[3])};
        setColour(image, x, y, 0, v);
      }
    }
}

Buffer flat(std::int32_t width, std::int32_t height, std::int32_t format, Pixel value) {
  Buffer image = makeBuffer(width, height, format);
  write(*image, Picture{width, height, std::vector<Pixel>(std::size_t(width) * std::size_t(height), value)});
  return image;
}

// Ramps of different directions and slopes per channel over the whole sample range, and an
// opacity that is rarely full, so that the passes have to set it.
Buffer ramps(std::int32_t width, std::int32_t height, std::int32_t format) {
  const std::int32_t most = format == kRgba8 ? 255 : 32768;
  Picture picture{width, height, {}};
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x)
      picture.pixels.push_back({(x * 9 + y * 2) * most / (width * 9 + height * 2),
                                (x * 37 + y * 53) % (most + 1),
                                most - (x * y) % (most + 1),
                                (x + y) % 7});
  Buffer image = makeBuffer(width, height, format);
  write(*image, picture);
  return image;
}

// sum / n to the nearest integer, halves up, in plain integers.
std::int32_t nearest(std::int32_t sum, std::int32_t n) { return (2 * sum + n) / (2 * n); }

// The sums of n samples of at most `most` on both sides of every step of the rounded mean,
// where a rounded reciprocal would slip to the neighbouring result: the mean steps where
// sum + floor(n / 2) passes a multiple of n.
template <class Check>
void forEachRoundingEdge(std::int32_t n, std::int32_t most, Check check) {
  for (std::int32_t mean = 0; mean <= most; ++mean)
    for (std::int32_t offset : {-2, -1, 0, 1}) {
      const std::int32_t sum = mean * n - n / 2 + offset;
      if (sum >= 0 && sum <= most * n) check(sum);
    }
}

// One box pass as plain arithmetic, line by line over `rect`: the running sum of the window
// with positions past the line's ends reading its end samples, divided to the nearest
// integer, halves up.
void referencePass(Picture& picture, const ImageRect& rect, bool rows, int before, int after, std::int32_t opaque) {
  const std::int32_t lines = rows ? rect.bottom - rect.top : rect.right - rect.left;
  const std::int32_t length = rows ? rect.right - rect.left : rect.bottom - rect.top;
  const std::int32_t n = before + after + 1;
  for (std::int32_t line = 0; line < lines; ++line) {
    auto sample = [&](std::int32_t position) -> Pixel& {
      return rows ? picture.at(rect.left + position, rect.top + line) : picture.at(rect.left + line, rect.top + position);
    };
    std::vector<Pixel> in;
    for (std::int32_t p = 0; p < length; ++p) in.push_back(sample(p));
    auto clamped = [&](std::int32_t p) { return in[std::size_t(std::clamp(p, 0, length - 1))]; };
    for (int c = 0; c < 3; ++c) {
      std::int32_t sum = 0;
      for (std::int32_t k = -before; k <= after; ++k) sum += clamped(k)[c];
      sample(0)[c] = nearest(sum, n);
      for (std::int32_t p = 1; p < length; ++p) {
        sum += clamped(p + after)[c] - clamped(p - before - 1)[c];
        sample(p)[c] = nearest(sum, n);
      }
    }
    for (std::int32_t p = 0; p < length; ++p) sample(p)[3] = opaque;
  }
}

std::int32_t opaqueOf(std::int32_t format) { return format == kRgba8 ? 255 : 32768; }

// ---- Division ----

TEST(BoxDivision, EightBitSumsDivideExactlyForEveryWindowABlurMakes) {
  // Sizes 2 to 300 make windows of up to 2 x 130 + 1 samples.
  for (std::int32_t n = 1; n <= 261; ++n) {
    const BoxDivision division(n);
    std::int32_t wrong = 0;
    for (std::int32_t sum = 0; sum <= 255 * n; ++sum) wrong += division.eightBit(sum) != nearest(sum, n);
    ASSERT_EQ(wrong, 0) << "n = " << n;
  }
}

TEST(BoxDivision, SixteenBitArithmeticDividesEightBitSumsExactlyWhileTheyFit) {
  for (std::int32_t n = 2; n <= 257; ++n) {
    const BoxDivision division(n);
    std::int32_t wrong = 0;
    for (std::int32_t sum = 0; sum <= 255 * n; ++sum) wrong += division.eightBitNarrow(std::uint16_t(sum)) != nearest(sum, n);
    ASSERT_EQ(wrong, 0) << "n = " << n;
  }
}

TEST(BoxDivision, SixteenBitSumsDivideExactlyForEveryWindowABlurMakes) {
  // Every sum for some windows; for all others the sums at both ends of every quotient,
  // where a rounded reciprocal would slip to the neighbouring quotient.
  for (std::int32_t n : {1, 2, 3, 7, 15, 130, 261}) {
    const BoxDivision division(n);
    std::int32_t wrong = 0;
    for (std::int32_t sum = 0; sum <= 32768 * n; ++sum) wrong += division.sixteenBit(sum) != nearest(sum, n);
    ASSERT_EQ(wrong, 0) << "n = " << n;
  }
  for (std::int32_t n = 1; n <= 261; ++n) {
    const BoxDivision division(n);
    std::int32_t wrong = 0;
    forEachRoundingEdge(n, 65535, [&](std::int32_t sum) { wrong += division.sixteenBit(sum) != nearest(sum, n); });
    ASSERT_EQ(wrong, 0) << "n = " << n;
  }
}

TEST(BoxDivision, StaysExactUpToTheLargestWindow) {
  for (std::int32_t n : {1000, 4095, kMostBoxWindow}) {
    const BoxDivision division(n);
    forEachRoundingEdge(n, 255, [&](std::int32_t sum) { ASSERT_EQ(division.eightBit(sum), nearest(sum, n)) << n; });
    forEachRoundingEdge(n, 65535, [&](std::int32_t sum) { ASSERT_EQ(division.sixteenBit(sum), nearest(sum, n)) << n; });
  }
}

// ---- Single passes against the plain running box ----

TEST(BoxPass, RowsAndColumnsMatchThePlainRunningBox) {
  struct Window {
    int before, after;
  } windows[] = {{0, 1}, {1, 0}, {2, 5}, {7, 7}, {40, 3}, {130, 130}};
  for (std::int32_t format : {kRgba8, kRgba16})
    for (const Window& w : windows)
      for (bool rows : {true, false}) {
        // More than one band and strip, runs of columns ending at the edge of the level.
        Buffer image = ramps(150, 141, format);
        Picture expected = read(*image);
        const ImageRect rect = levelRect(image.get(), 0);
        referencePass(expected, rect, rows, w.before, w.after, opaqueOf(format));
        if (rows)
          boxRowsTask(*image, 0, rect, w.before, w.after);
        else
          boxColumnsTask(*image, 0, rect, w.before, w.after);
        EXPECT_TRUE(read(*image) == expected)
            << "format " << format << (rows ? " rows " : " columns ") << w.before << ", " << w.after;
      }
}

TEST(BoxPass, LinesEndAtTheRectangleAndTheRestIsLeftAlone) {
  // A rectangle off the tile grid and across the tile edge at 512: lines repeat the samples
  // at the rectangle's edges, not the level's, and nothing outside changes.
  for (bool rows : {true, false}) {
    Buffer image = ramps(530, 70, kRgba8);
    Picture expected = read(*image);
    const ImageRect rect{3, 5, 68, 527};
    referencePass(expected, rect, rows, 3, 6, 255);
    if (rows)
      boxRowsTask(*image, 0, rect, 3, 6);
    else
      boxColumnsTask(*image, 0, rect, 3, 6);
    EXPECT_TRUE(read(*image) == expected) << (rows ? "rows" : "columns");
  }
}

TEST(BoxPass, RectanglesReachingPastTheLevelAreCut) {
  Buffer image = ramps(40, 30, kRgba16);
  Picture expected = read(*image);
  referencePass(expected, levelRect(image.get(), 0), false, 2, 2, 32768);
  boxColumnsTask(*image, 0, ImageRect{-10, -3, 90, 100}, 2, 2);
  EXPECT_TRUE(read(*image) == expected);
}

TEST(BoxPass, UniformImagesStayUnchangedWhateverTheWindow) {
  for (std::int32_t format : {kRgba8, kRgba16}) {
    const Pixel value = format == kRgba8 ? Pixel{10, 200, 255, 255} : Pixel{0, 20000, 32768, 32768};
    Buffer image = flat(97, 70, format, value);
    const Picture before = read(*image);
    const ImageRect rect = levelRect(image.get(), 0);
    for (int extent : {1, 4, 130}) {
      boxRowsTask(*image, 0, rect, extent, extent - 1);
      boxColumnsTask(*image, 0, rect, extent - 1, extent);
    }
    EXPECT_TRUE(read(*image) == before) << "format " << format;
  }
}

TEST(BoxPass, OpacityComesOutFull) {
  Buffer eight = flat(20, 3, kRgba8, {10, 20, 30, 0});
  boxRowsTask(*eight, 0, levelRect(eight.get(), 0), 1, 1);
  std::uint8_t v8[4];
  getColour(*eight, 19, 2, 0, v8);
  EXPECT_EQ((std::array<int, 4>{v8[0], v8[1], v8[2], v8[3]}), (std::array<int, 4>{10, 20, 30, 255}));

  Buffer sixteen = flat(3, 20, kRgba16, {1000, 2000, 3000, 0});
  boxColumnsTask(*sixteen, 0, levelRect(sixteen.get(), 0), 0, 1);
  std::uint16_t v16[4];
  getColour(*sixteen, 0, 19, 0, v16);
  EXPECT_EQ((std::array<int, 4>{v16[0], v16[1], v16[2], v16[3]}), (std::array<int, 4>{1000, 2000, 3000, 32768}));
}

TEST(BoxPass, ALineOfOneSampleKeepsItsValue) {
  Buffer tall = ramps(1, 9, kRgba8);
  Picture expected = read(*tall);
  for (Pixel& p : expected.pixels) p[3] = 255;
  boxRowsTask(*tall, 0, levelRect(tall.get(), 0), 3, 4);
  EXPECT_TRUE(read(*tall) == expected);

  Buffer wide = ramps(9, 1, kRgba16);
  expected = read(*wide);
  for (Pixel& p : expected.pixels) p[3] = 32768;
  boxColumnsTask(*wide, 0, levelRect(wide.get(), 0), 5, 0);
  EXPECT_TRUE(read(*wide) == expected);
}

TEST(BoxPass, AnEmptyWindowDoesNotTouchTheImage) {
  // The opacity of 0 would become full if the pass had written anything.
  Buffer image = ramps(70, 70, kRgba8);
  const Picture before = read(*image);
  boxRowsTask(*image, 0, levelRect(image.get(), 0), 0, 0);
  boxColumnsTask(*image, 0, levelRect(image.get(), 0), 0, 0);
  boxRowsTask(*image, 0, levelRect(image.get(), 0), -4, -1);
  EXPECT_TRUE(read(*image) == before);
}

TEST(BoxPass, ExtentsAreHeldWithinZeroAndTheMost) {
  Buffer held = ramps(12, 5, kRgba8);
  Buffer plain = ramps(12, 5, kRgba8);
  boxRowsTask(*held, 0, levelRect(held.get(), 0), -3, 1000000);
  boxRowsTask(*plain, 0, levelRect(plain.get(), 0), 0, kMostBoxExtent);
  EXPECT_TRUE(read(*held) == read(*plain));
}

TEST(BoxPass, FloatAndGreyImagesAreNotFiltered) {
  for (std::int32_t format : {kRgbaFloat, kGray8}) {
    Buffer image = makeBuffer(30, 20, format);
    for (std::int32_t y = 0; y < 20; ++y)
      for (std::int32_t x = 0; x < 30; ++x) {
        const float value[4] = {float(x) / 30.0f, float(y) / 20.0f, 0.25f, 0.0f};
        setColour(*image, x, y, 0, value);
        setGrey(*image, x, y, 0, std::uint8_t(x * 8 + y));
      }
    std::vector<std::uint8_t> before(pixelAddress(*image, 0, 0, 0), pixelAddress(*image, 0, 19, 0) + 30 * image->bytesPerPixel);
    blurImage(*image, 0, levelRect(image.get(), 0), 10.0f);
    boxRowsTask(*image, 0, levelRect(image.get(), 0), 2, 2);
    const std::vector<std::uint8_t> after(pixelAddress(*image, 0, 0, 0),
                                          pixelAddress(*image, 0, 19, 0) + 30 * image->bytesPerPixel);
    EXPECT_EQ(after, before) << "format " << format;
  }
}

// ---- The blur ----

TEST(Blur, SizeGivesTheTwoExtents) {
  struct Case {
    float size;
    std::int32_t rounded, truncated;
  } cases[] = {
      {2.0f, 1, 0},       // q = 0.867
      {3.5f, 2, 1},       // q = 1.517
      {2.5f, 1, 1},       // q = 1.083
      {50.0f / 3.0f, 7, 7},  // diameter 50
      {300.0f, 130, 130},
      {1.0f, 0, 0},       // q = 0.433: no window at all
      {0.0f, 0, 0},
      {-4.0f, 0, 0},
      {std::numeric_limits<float>::quiet_NaN(), 0, 0},
      {1e30f, kMostBoxExtent, kMostBoxExtent},
  };
  for (const Case& c : cases) {
    const BoxExtents extents = boxExtents(c.size);
    EXPECT_EQ(extents.rounded, c.rounded) << c.size;
    EXPECT_EQ(extents.truncated, c.truncated) << c.size;
  }
}

TEST(Blur, RunsTheSixPassesInOrder) {
  struct Case {
    float size;
    int a, b;
  } cases[] = {{2.0f, 1, 0}, {3.5f, 2, 1}, {50.0f / 3.0f, 7, 7}};
  for (std::int32_t format : {kRgba8, kRgba16})
    for (const Case& c : cases) {
      Buffer image = ramps(83, 131, format);
      Picture expected = read(*image);
      const ImageRect rect = levelRect(image.get(), 0);
      const std::int32_t opaque = opaqueOf(format);
      referencePass(expected, rect, true, c.b, c.a, opaque);
      referencePass(expected, rect, false, c.b, c.a, opaque);
      referencePass(expected, rect, true, c.a, c.b, opaque);
      referencePass(expected, rect, false, c.a, c.b, opaque);
      referencePass(expected, rect, true, c.a - 1, c.a, opaque);
      referencePass(expected, rect, false, c.a - 1, c.a, opaque);
      blurImage(*image, 0, rect, c.size);
      EXPECT_TRUE(read(*image) == expected) << "format " << format << " size " << c.size;
    }
}

TEST(Blur, WithoutAWindowNothingChanges) {
  Buffer image = ramps(40, 40, kRgba8);
  const Picture before = read(*image);
  blurImage(*image, 0, levelRect(image.get(), 0), 1.0f);
  blurImage(*image, 0, levelRect(image.get(), 0), -2.0f);
  EXPECT_TRUE(read(*image) == before);
}

TEST(Blur, OnlyTheGivenLevelChanges) {
  Buffer image = ramps(60, 50, kRgba8);
  const Picture levelZero = read(*image);
  std::uint8_t before[4], after[4];
  getColour(*image, 3, 3, 1, before);
  blurImage(*image, 1, levelRect(image.get(), 1), 4.0f);
  getColour(*image, 3, 3, 1, after);
  EXPECT_EQ(after[3], 255) << "level 1 was filtered";
  EXPECT_TRUE(read(*image) == levelZero);
}

TEST(Blur, ResultDoesNotDependOnTheWorkerCount) {
  Picture results[2];
  for (int workers : {1, 2}) {
    Processors pretend(workers);
    Buffer image = ramps(300, 200, kRgba8);
    blurImage(*image, 0, levelRect(image.get(), 0), 20.0f);
    results[workers - 1] = read(*image);
  }
  EXPECT_TRUE(results[0] == results[1]);
}

// ---- Blurring an area of another image ----

// The area (left, top, width x height) of a level as a picture of its own.
Picture areaOf(const ImageBuffer& image, int level, std::int32_t left, std::int32_t top, std::int32_t width,
               std::int32_t height) {
  Buffer copy = makeBuffer(width, height, image.format);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint16_t wide[4];
      std::uint8_t narrow[4];
      if (image.format == kRgba8) {
        getColour(image, left + x, top + y, level, narrow);
        setColour(*copy, x, y, 0, narrow);
      } else {
        getColour(image, left + x, top + y, level, wide);
        setColour(*copy, x, y, 0, wide);
      }
    }
  return read(*copy);
}

TEST(BlurArea, EqualsTheAreaCopiedAndBlurredInPlace) {
  struct Case {
    int level;
    std::int32_t left, top, width, height;
    float size;
  } cases[] = {
      {0, 500, 7, 600, 90, 50.0f / 3.0f},  // runs cross the source's tiles at other columns than the copy's
      {0, 0, 0, 1100, 70, 2.0f},            // the whole level, one-sided first window
      {1, 3, 5, 200, 30, 3.5f},             // a coarser level
      {0, 1023, 40, 1, 1, 9.0f},            // a single pixel at a tile's last column
  };
  for (const std::int32_t format : {kRgba8, kRgba16})
    for (const Case& c : cases) {
      Buffer source = ramps(1100, 160, format);
      Buffer expected = makeBuffer(c.width, c.height, format);
      write(*expected, areaOf(*source, c.level, c.left, c.top, c.width, c.height));
      blurImage(*expected, 0, levelRect(expected.get(), 0), c.size);
      Buffer blurred = makeBuffer(c.width, c.height, format);
      const Picture sourceBefore = read(*source);
      ASSERT_TRUE(blurAreaInto(*source, c.level, c.left, c.top, *blurred, c.size));
      EXPECT_TRUE(read(*blurred) == read(*expected)) << "format " << format << " left " << c.left << " level " << c.level;
      EXPECT_TRUE(read(*source) == sourceBefore) << "the source was written";
    }
}

TEST(BlurArea, RefusesAreasOutsideTheLevelAndOtherFormatsLeavingTheTargetAlone) {
  Buffer source = ramps(100, 80, kRgba8);
  Buffer wide = ramps(100, 80, kRgba16);
  Buffer floats = makeBuffer(40, 30, kRgbaFloat);
  Buffer target = flat(40, 30, kRgba8, {9, 9, 9, 9});
  const Picture before = read(*target);
  EXPECT_FALSE(blurAreaInto(*source, 0, 61, 0, *target, 5.0f)) << "past the right edge";
  EXPECT_FALSE(blurAreaInto(*source, 0, 0, 51, *target, 5.0f)) << "past the bottom";
  EXPECT_FALSE(blurAreaInto(*source, 0, -1, 0, *target, 5.0f)) << "left of the level";
  EXPECT_FALSE(blurAreaInto(*source, 1, 20, 0, *target, 5.0f)) << "past level 1";
  EXPECT_FALSE(blurAreaInto(*source, 9, 0, 0, *target, 5.0f)) << "no such level";
  EXPECT_FALSE(blurAreaInto(*wide, 0, 0, 0, *target, 5.0f)) << "another format";
  EXPECT_FALSE(blurAreaInto(*target, 0, 0, 0, *target, 5.0f)) << "itself";
  EXPECT_TRUE(read(*target) == before);
  EXPECT_FALSE(blurAreaInto(*floats, 0, 0, 0, *floats, 5.0f));
  EXPECT_TRUE(blurAreaInto(*source, 0, 60, 50, *target, 5.0f)) << "the last area that fits";
}

}  // namespace
}  // namespace qm
