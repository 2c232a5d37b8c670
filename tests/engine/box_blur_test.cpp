// SPDX-License-Identifier: LicenseRef-Quillmark
// The blur: exact division, the extents of a size, the six passes against plain boxes on
// lines with the edges of the area repeating, what is refused, and independence from the
// worker count and the cut into bands.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <numeric>
#include <utility>
#include <string>
#include <vector>

#include "engine/box_blur.h"
#include "engine/box_division.h"
#include "engine/jobs.h"
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

TEST(BoxDivision, EightBitSumsDivideExactlyForEveryWindowABlurMakes) {
  // Sizes 2 to 300 make windows of up to 2 x 130 + 1 samples; the 16-bit arithmetic serves
  // the windows whose sums fit in 16 bits.
  for (std::int32_t n = 1; n <= 261; ++n) {
    const BoxDivision division(n);
    const bool narrow = n >= 2 && n <= 256;
    std::int32_t wrong = 0, wrongNarrow = 0;
    std::vector<std::uint16_t> sums;
    for (std::int32_t sum = 0; sum <= 255 * n; ++sum) {
      wrong += division.eightBit(sum) != nearest(sum, n);
      if (narrow) wrongNarrow += division.eightBitNarrow(std::uint16_t(sum)) != nearest(sum, n);
      sums.push_back(std::uint16_t(sum));
    }
    ASSERT_EQ(wrong, 0) << "n = " << n;
    ASSERT_EQ(wrongNarrow, 0) << "16-bit arithmetic, n = " << n;
    if (!narrow) continue;
    // The row at once, in whichever build the processor runs (many at a time, the rest one
    // by one), and not a byte past its end.
    std::vector<std::uint8_t> row(sums.size() + 1, 0xA5);
    division.eightBitNarrowRow(sums.data(), row.data(), sums.size());
    for (std::size_t i = 0; i < sums.size(); ++i) wrongNarrow += row[i] != nearest(std::int32_t(i), n);
    ASSERT_EQ(wrongNarrow, 0) << "a row of 16-bit sums, n = " << n;
    ASSERT_EQ(row.back(), 0xA5) << "n = " << n;
  }
}

// Both ways of dividing 16-bit sums, one at a time and a row at once (whose vector code
// takes eight at a time and the rest one by one), against the plain mean.
std::int32_t wrongSixteenBitMeans(const BoxDivision& division, const std::vector<std::int32_t>& sums) {
  std::vector<std::uint16_t> row(sums.size());
  division.sixteenBitRow(sums.data(), row.data(), sums.size());
  std::int32_t wrong = 0;
  for (std::size_t i = 0; i < sums.size(); ++i) {
    const std::int32_t mean = nearest(sums[i], division.n());
    wrong += (division.sixteenBit(sums[i]) != mean) + (row[i] != mean);
  }
  return wrong;
}

TEST(BoxDivision, SixteenBitSumsDivideExactlyForEveryWindowABlurMakes) {
  // Every sum for some windows; for all others the sums at both sides of every step of the
  // result, up to the largest window (where 8-bit sums are checked the same way).
  for (std::int32_t n : {1, 2, 3, 7, 15, 130, 261}) {
    std::vector<std::int32_t> sums(std::size_t(32768 * n + 1));
    std::iota(sums.begin(), sums.end(), 0);
    ASSERT_EQ(wrongSixteenBitMeans(BoxDivision(n), sums), 0) << "n = " << n;
  }
  std::vector<std::int32_t> windows(261);
  std::iota(windows.begin(), windows.end(), 1);
  windows.insert(windows.end(), {1000, 4095, kMostBoxWindow});
  for (std::int32_t n : windows) {
    const BoxDivision division(n);
    std::int32_t wrong = 0;
    std::vector<std::int32_t> sums;
    // The mean steps where sum + floor(n / 2) passes a multiple of n; a rounded reciprocal
    // would slip to the neighbouring result next to a step.
    for (std::int32_t mean = 0; mean <= 65535; ++mean)
      for (std::int32_t sum = mean * n - n / 2 - 2; sum <= mean * n - n / 2 + 1; ++sum) {
        if (sum >= 0 && sum <= 65535 * n) sums.push_back(sum);
        if (sum >= 0 && sum <= 255 * n) wrong += division.eightBit(sum) != nearest(sum, n);
      }
    sums.push_back(65535 * n);  // the largest mean, 65535, once more at the row's end
    wrong += wrongSixteenBitMeans(division, sums);
    ASSERT_EQ(wrong, 0) << "n = " << n;
  }
}

// The blur as plain arithmetic: the area copied, then the six passes of its extents.
Picture referenceBlur(const ImageBuffer& source, int level, const ImageRect& area, float size) {
  const std::int32_t width = area.right - area.left, height = area.bottom - area.top;
  Picture picture;
  for (std::int32_t y = area.top; y < area.bottom; ++y)
    for (std::int32_t x = area.left; x < area.right; ++x) picture.push_back(pixelAt(source, x, y, level));
  const BoxExtents e = boxExtents(size);
  const std::int32_t a = std::min(e.rounded, kMostBoxExtent), b = std::min(e.truncated, kMostBoxExtent);
  std::vector<std::pair<int, int>> windows = {{b, a}, {a, b}};
  if (a >= 1) windows.push_back({a - 1, a});
  for (const auto& [before, after] : windows)
    for (bool rows : {true, false})
      referencePass(picture, width, {0, 0, height, width}, rows, before, after, source.format);
  return picture;
}

// The rows a blur hands over, each kept as plain numbers (channels 1..3), and how many pixels
// of each row came.
struct TakenRows {
  std::int32_t format = kRgba8;
  std::int32_t width = 0;
  Picture pixels;
  std::vector<int> times;
  std::mutex lock;

  TakenRows(std::int32_t format_, std::int32_t width_, std::int32_t height)
      : format(format_), width(width_), pixels(std::size_t(width_) * std::size_t(height)), times(std::size_t(height)) {}

  BlurredRowSink sink() { return {this, take}; }

  static void take(void* context, std::int32_t y, std::int32_t left, std::int32_t count, const void* row) {
    auto& self = *static_cast<TakenRows*>(context);
    const std::lock_guard<std::mutex> guard(self.lock);
    self.times.at(std::size_t(y)) += count;
    for (std::int32_t i = 0; i < count; ++i) {
      Pixel& p = self.pixels.at(std::size_t(y) * std::size_t(self.width) + std::size_t(left + i));
      if (self.format == kRgba16) {
        const auto* samples = static_cast<const std::uint16_t*>(row) + 4 * i;
        p = {double(samples[0]), double(samples[1]), double(samples[2]), 0};
      } else {
        const auto* bytes = static_cast<const std::uint8_t*>(row) + 4 * i;
        p = {double(bytes[kRgba8ByteOf[0]]), double(bytes[kRgba8ByteOf[1]]), double(bytes[kRgba8ByteOf[2]]), 0};
      }
    }
  }
};

// Channels 1..3 of a picture; the blur carries the opacity along without promising it.
Picture colourOnly(Picture picture) {
  for (Pixel& p : picture) p[3] = 0;
  return picture;
}

TEST(Blur, SizeGivesTheTwoExtents) {
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
  }
}

TEST(Blur, EqualsSixPlainBoxPassesOverTheAreaWithItsEdgesRepeating) {
  struct Case {
    const char* what;
    int level;
    ImageRect area;
    float size;
  } cases[] = {
      {"the whole level, one-sided first window", 0, {0, 0, 160, 1100}, 2.0f},
      {"off the tile grid, across the tile edge at 512", 0, {7, 500, 97, 1100}, 50.0f / 3.0f},
      {"unequal extents", 0, {3, 10, 150, 300}, 3.5f},
      {"windows far longer than the area, of more than 256 samples", 0, {20, 30, 61, 95}, 300.0f},
      {"a coarser level", 1, {5, 3, 35, 203}, 3.5f},
      {"no window at all: the area as it is", 0, {11, 12, 40, 70}, 1.0f},
      {"one row", 0, {9, 0, 10, 300}, 9.0f},
      {"one column", 0, {0, 1023, 160, 1024}, 9.0f},
      {"a single pixel at a tile's last column", 0, {40, 1023, 41, 1024}, 9.0f},
  };
  for (const std::int32_t format : {kRgba8, kRgba16}) {
    Buffer source = ramps(1100, 160, format);
    ASSERT_TRUE(buildPyramid(*source));
    const Picture sourceBefore = levelPixels(*source, kAllLevels);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (format == kRgba8 ? ", 8-bit" : ", 16-bit"));
      const std::int32_t width = c.area.right - c.area.left, height = c.area.bottom - c.area.top;
      TakenRows taken(format, width, height);
      ASSERT_TRUE(blurAreaRows(*source, c.level, c.area, c.size, taken.sink()));
      EXPECT_TRUE(taken.pixels == colourOnly(referenceBlur(*source, c.level, c.area, c.size)));
      EXPECT_EQ(std::count(taken.times.begin(), taken.times.end(), width), height) << "every row once";
    }
    EXPECT_TRUE(levelPixels(*source, kAllLevels) == sourceBefore) << "the source was written";
  }
}

TEST(Blur, RowsDoNotDependOnTheWorkerCountOrTheCutIntoBands) {
  // Tall enough for as many bands as workers, each running ahead into the band above.
  Buffer source = ramps(300, 700, kRgba8);
  const ImageRect area{13, 2, 690, 297};
  const float size = 50.0f / 3.0f;
  const Picture expected = colourOnly(referenceBlur(*source, 0, area, size));
  for (int workers : {1, 2, 3, 5}) {
    Processors pretend(workers);
    TakenRows taken(kRgba8, area.right - area.left, area.bottom - area.top);
    ASSERT_TRUE(blurAreaRows(*source, 0, area, size, taken.sink()));
    EXPECT_TRUE(taken.pixels == expected) << workers << " workers";
  }
}

TEST(Blur, RefusesAreasOutsideTheLevelAndOtherFormatsTakingNothing) {
  Buffer source = ramps(100, 80, kRgba8);
  Buffer floats = makeBuffer(40, 30, kRgbaFloat);
  Buffer grey = makeBuffer(40, 30, kGray8);
  TakenRows taken(kRgba8, 100, 80);
  const BlurredRowSink sink = taken.sink();
  EXPECT_FALSE(blurAreaRows(*source, 0, {0, 61, 30, 101}, 5.0f, sink)) << "past the right edge";
  EXPECT_FALSE(blurAreaRows(*source, 0, {51, 0, 81, 40}, 5.0f, sink)) << "past the bottom";
  EXPECT_FALSE(blurAreaRows(*source, 0, {0, -1, 30, 39}, 5.0f, sink)) << "left of the level";
  EXPECT_FALSE(blurAreaRows(*source, 0, {5, 5, 5, 40}, 5.0f, sink)) << "no rows";
  EXPECT_FALSE(blurAreaRows(*source, 1, {0, 20, 30, 60}, 5.0f, sink)) << "past level 1";
  EXPECT_FALSE(blurAreaRows(*source, 9, {0, 0, 1, 1}, 5.0f, sink)) << "no such level";
  EXPECT_FALSE(blurAreaRows(*floats, 0, {0, 0, 30, 40}, 5.0f, sink)) << "float";
  EXPECT_FALSE(blurAreaRows(*grey, 0, {0, 0, 30, 40}, 5.0f, sink)) << "grey";
  EXPECT_FALSE(blurAreaRows(*source, 0, {0, 0, 30, 40}, 5.0f, {})) << "no sink";
  EXPECT_EQ(std::count(taken.times.begin(), taken.times.end(), 0), 80);
  EXPECT_TRUE(blurAreaRows(*source, 0, {0, 0, 80, 100}, 5.0f, sink)) << "the whole level";
}

// Rows of an image served from a ring that holds only the rows a fed blur may still read:
// every row that leaves the ring is overwritten with nonsense, so a stream reading one it
// was promised not to need gives a wrong picture.
struct StripRing {
  const ImageBuffer* image;
  std::int32_t capacity;
  std::vector<std::uint8_t> rows;  // capacity rows of 4-sample pixels
  // The row in each slot; the parts of a job store it side by side (the same value).
  std::vector<std::atomic<std::int32_t>> held;
  std::size_t rowBytes;

  StripRing(const ImageBuffer& image_, std::int32_t capacity_)
      : image(&image_), capacity(capacity_), held(std::size_t(capacity_)),
        rowBytes(std::size_t(image_.width[0]) * std::size_t(image_.bytesPerPixel)) {
    rows.resize(rowBytes * std::size_t(capacity));
    for (auto& row : held) row.store(-1, std::memory_order_relaxed);
  }

  void add(std::int32_t y) { addColumns(y, 0, image->width[0]); }

  // Part of a row, as a fed blur's parts store a strip; the slot holds row y once any part of
  // it is stored (the parts store all of a row in the same job).
  void addColumns(std::int32_t y, std::int32_t left, std::int32_t right) {
    const std::size_t slot = std::size_t(y % capacity);
    held[slot].store(y, std::memory_order_relaxed);
    for (std::int32_t x = left; x < right; ++x)
      std::memcpy(rows.data() + slot * rowBytes + std::size_t(x) * std::size_t(image->bytesPerPixel),
                  pixelAddress(*image, x, y, 0), std::size_t(image->bytesPerPixel));
  }

  static void read(const void* context, std::int32_t y, std::int32_t left, std::int32_t right, void* pixels) {
    const auto& ring = *static_cast<const StripRing*>(context);
    const std::size_t slot = std::size_t(y % ring.capacity);
    const std::size_t pixel = std::size_t(ring.image->bytesPerPixel);
    if (ring.held[slot].load(std::memory_order_relaxed) != y) {
      std::memset(pixels, 0x5A, std::size_t(right - left) * pixel);  // a row no longer (or not yet) held
      return;
    }
    std::memcpy(pixels, ring.rows.data() + slot * ring.rowBytes + std::size_t(left) * pixel,
                std::size_t(right - left) * pixel);
  }
};

TEST(BlurFeed, RowsArrivingInStripsGiveTheBlurOfTheWholeArea) {
  struct Case {
    const char* what;
    std::int32_t width, height;
    float size;
    std::int32_t strip;
    int workers;
  } cases[] = {
      {"a row at a time, parts of columns side by side", 1100, 90, 50.0f / 3.0f, 1, 3},
      {"strips of 7, one part", 300, 120, 3.5f, 7, 1},
      {"strips of 40 rows, windows longer than the area is high", 300, 50, 300.0f, 40, 2},
      {"all at once", 530, 70, 9.0f, 70, 2},
      {"no window", 40, 20, 1.0f, 3, 2},
  };
  for (const std::int32_t format : {kRgba8, kRgba16})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (format == kRgba8 ? ", 8-bit" : ", 16-bit"));
      Processors pretend(c.workers);
      Buffer source = ramps(c.width, c.height, format);
      StripRing ring(*source, BlurFeed::rowsBehind(c.size) + c.strip);
      TakenRows taken(format, c.width, c.height);
      BlurFeed feed(format == kRgba16, c.width, c.height, c.size, {&ring, StripRing::read}, taken.sink());
      ASSERT_TRUE(feed.ready());
      for (std::int32_t top = 0; top < c.height; top += c.strip) {
        EXPECT_FALSE(feed.finished());
        const std::int32_t end = std::min(c.height, top + c.strip);
        for (std::int32_t y = top; y < end; ++y) ring.add(y);
        ASSERT_TRUE(feed.advance(end));
      }
      EXPECT_TRUE(feed.finished());
      EXPECT_TRUE(taken.pixels == colourOnly(referenceBlur(*source, 0, {0, 0, c.height, c.width}, c.size)));
      EXPECT_EQ(std::count(taken.times.begin(), taken.times.end(), c.width), c.height) << "every pixel once";
    }
}

// A strip stored by the parts themselves, their own columns each, while they blur the rows
// before it: the parts' columns cover the area once, and the rows come out as before.
struct PartStore {
  StripRing* ring;
  std::int32_t top, end;
  std::mutex lock;
  std::vector<std::pair<std::int32_t, std::int32_t>> columns;

  static void store(void* context, std::int32_t left, std::int32_t right) {
    auto& self = *static_cast<PartStore*>(context);
    for (std::int32_t y = self.top; y < self.end; ++y) self.ring->addColumns(y, left, right);
    const std::lock_guard<std::mutex> guard(self.lock);
    self.columns.emplace_back(left, right);
  }
};

TEST(BlurFeed, PartsStoreTheNextStripOnTheirOwnColumnsWhileTheyBlur) {
  const std::int32_t width = 1100, height = 130, strip = 16;
  const float size = 50.0f / 3.0f;
  for (int workers : {1, 3}) {
    Processors pretend(workers);
    Buffer source = ramps(width, height, kRgba8);
    // The strip being stored, the one being blurred and the rows read behind them.
    StripRing ring(*source, BlurFeed::rowsBehind(size) + 2 * strip);
    TakenRows taken(kRgba8, width, height);
    BlurFeed feed(false, width, height, size, {&ring, StripRing::read}, taken.sink());
    PartStore store{&ring, 0, 0, {}, {}};
    for (std::int32_t top = 0; top < height; top += strip) {
      store.top = top;
      store.end = std::min(height, top + strip);
      store.columns.clear();
      ASSERT_TRUE(feed.advance(top, {&store, PartStore::store}));
      std::sort(store.columns.begin(), store.columns.end());
      ASSERT_FALSE(store.columns.empty());
      EXPECT_EQ(store.columns.front().first, 0);
      EXPECT_EQ(store.columns.back().second, width);
      for (std::size_t i = 1; i < store.columns.size(); ++i)
        EXPECT_EQ(store.columns[i].first, store.columns[i - 1].second) << "the parts' columns cut the area";
      if (workers > 1) {
        EXPECT_GT(store.columns.size(), 1u);
      }
    }
    ASSERT_TRUE(feed.advance(height));
    EXPECT_TRUE(feed.finished());
    EXPECT_TRUE(taken.pixels == colourOnly(referenceBlur(*source, 0, {0, 0, height, width}, size)));
  }
}

TEST(BlurFeed, RefusesWhatCannotBeBlurredAndReportsAFailedJob) {
  TakenRows taken(kRgba8, 10, 10);
  Buffer source = ramps(10, 10, kRgba8);
  StripRing ring(*source, 20);
  EXPECT_FALSE(BlurFeed(false, 0, 10, 5.0f, {&ring, StripRing::read}, taken.sink()).ready());
  EXPECT_FALSE(BlurFeed(false, 10, 10, 5.0f, {}, taken.sink()).ready());
  BlurFeed unready(false, 10, -1, 5.0f, {&ring, StripRing::read}, taken.sink());
  EXPECT_FALSE(unready.advance(10));
  EXPECT_FALSE(unready.finished());
  for (std::int32_t y = 0; y < 10; ++y) ring.add(y);
  BlurFeed feed(false, 10, 10, 5.0f, {&ring, StripRing::read}, taken.sink());
  {
    FailingTasks failing;
    EXPECT_FALSE(feed.advance(10));
  }
  EXPECT_EQ(std::count(taken.times.begin(), taken.times.end(), 0), 10) << "nothing taken";
}

}  // namespace
}  // namespace qm::test
