// SPDX-License-Identifier: LicenseRef-Quillmark
// Halving one level into the next.
//
// The 6 x 6 kernel is (w x w) / 16 with w = (1, 16, 64, 64, 16, 1), except its four corners,
// where that product is 1/16 and the kernel has 0. So 16 x the weighted sum equals the
// w-weighted sum along the row of the w-weighted sums down each source column, less the four
// corner taps: a task filters every source column once and every destination pixel once,
// in exact integers, instead of taking 32 taps per pixel.
//
// The integer formats are defined by a running sum in single precision, truncated after
// every addition. Below 2^24 each partial sum is an integer a float holds exactly, so the
// truncations change nothing and an integer sum is the same number; 8-bit sums stay below
// 1640 x 255. And trunc(sum x the single-precision reciprocal of 1630), held at the format
// maximum, equals sum / 1630 held the same way for every sum a float can hold up to
// 1640 x 65535 (the tests check this exhaustively), so the division is done in integers
// too, alike on every build whatever its float evaluation. Only 16-bit sums pass 2^24; see
// exactSum16.
#include "engine/pyramid.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "engine/jobs.h"

namespace qm {
namespace {

constexpr int kTaps = 6;  // dy and dx run -2 .. 3 around the source pair 2x, 2x + 1
constexpr std::uint32_t kWeight[kTaps][kTaps] = {
    {0, 1, 4, 4, 1, 0},         {1, 16, 64, 64, 16, 1}, {4, 64, 256, 256, 64, 4},
    {4, 64, 256, 256, 64, 4},   {1, 16, 64, 64, 16, 1}, {0, 1, 4, 4, 1, 0},
};
constexpr std::uint32_t kAxisWeight[kTaps] = {1, 16, 64, 64, 16, 1};

constexpr bool separatesExceptCorners() {
  for (int dy = 0; dy < kTaps; ++dy)
    for (int dx = 0; dx < kTaps; ++dx) {
      const bool corner = (dy == 0 || dy == kTaps - 1) && (dx == 0 || dx == kTaps - 1);
      if (kAxisWeight[dy] * kAxisWeight[dx] != 16 * kWeight[dy][dx] + (corner ? 1 : 0)) return false;
    }
  return true;
}
static_assert(separatesExceptCorners());

constexpr std::uint32_t kIntegerDivisor = 1630;
constexpr float kFloatReciprocal = 0.0006097561f;  // 1 / 1640
constexpr float kFloatCeiling = 65535.0f;

constexpr std::int32_t kChunk = kJobTileSize;            // destination columns done at once
constexpr std::int32_t kSpan = 2 * kChunk + kTaps - 2;   // source columns they read
constexpr int kBlock = 16;  // a fixed inner count lets the compiler vectorise the column sums

constexpr int roundUp(int value, int step) { return (value + step - 1) / step * step; }

// Source row y, columns first .. first + count - 1, into `out`; columns outside the level
// repeat its edge columns.
void readSpan(const ImageBuffer& image, int level, std::int32_t y, std::int32_t first, std::int32_t count,
              std::uint8_t* out) {
  const std::size_t pixel = std::size_t(image.bytesPerPixel);
  const std::int32_t width = image.width[level];
  const std::int32_t end = first + count;
  std::int32_t x = first;
  for (; x < std::min(0, end); ++x, out += pixel) std::memcpy(out, pixelAddress(image, 0, y, level), pixel);
  for (const std::int32_t inside = std::min(end, width); x < inside;) {
    const std::int32_t run = std::min(inside, (x | kTileMask) + 1) - x;
    std::memcpy(out, pixelAddress(image, x, y, level), std::size_t(run) * pixel);
    out += std::size_t(run) * pixel;
    x += run;
  }
  for (; x < end; ++x, out += pixel) std::memcpy(out, pixelAddress(image, width - 1, y, level), pixel);
}

// Destination row y, columns first .. first + count - 1, all inside the level.
void writeSpan(ImageBuffer& image, int level, std::int32_t y, std::int32_t first, std::int32_t count,
               const std::uint8_t* in) {
  const std::size_t pixel = std::size_t(image.bytesPerPixel);
  for (std::int32_t x = first, end = first + count; x < end;) {
    const std::int32_t run = std::min(end, (x | kTileMask) + 1) - x;
    std::memcpy(pixelAddress(image, x, y, level), in, std::size_t(run) * pixel);
    in += std::size_t(run) * pixel;
    x += run;
  }
}

// The six source rows 2y - 2 .. 2y + 3 (clamped to the level) under destination row y, over
// the source columns of one chunk. Moving down one row reads only the two new rows.
template <class Sample, int Channels>
class SourceRows {
 public:
  static constexpr int kElements = roundUp(kSpan * Channels, kBlock);

  SourceRows(const ImageBuffer& image, int level, std::int32_t firstColumn, std::int32_t columns)
      : image_(image), level_(level), firstColumn_(firstColumn), columns_(columns) {}

  void moveTo(std::int32_t y) {
    const int fresh = y == lastY_ + 1 ? 2 : kTaps;
    for (int tap = kTaps - fresh; tap < kTaps; ++tap) {
      const std::int32_t sourceY = std::clamp(2 * y - 2 + tap, 0, image_.height[level_] - 1);
      readSpan(image_, level_, sourceY, firstColumn_, columns_, reinterpret_cast<std::uint8_t*>(slot(y, tap)));
    }
    lastY_ = y;
  }

  // Tap 0..5 of the current destination row; element (2k + dx) x Channels + c is channel c
  // of the tap column dx of the chunk's destination column k.
  const Sample* row(int tap) const { return slot(lastY_, tap); }

 private:
  Sample* slot(std::int32_t y, int tap) { return rows_[(2 * y + 4 + tap) % kTaps]; }
  const Sample* slot(std::int32_t y, int tap) const { return rows_[(2 * y + 4 + tap) % kTaps]; }

  const ImageBuffer& image_;
  const int level_;
  const std::int32_t firstColumn_;
  const std::int32_t columns_;
  std::int32_t lastY_ = -2;
  alignas(16) Sample rows_[kTaps][kElements] = {};
};

// Per source column: the w-weighted sum of the six rows, and the sum of the outer two (the
// corner taps).
template <class Sample>
void columnSums(const Sample* const rows[kTaps], int elements, std::uint32_t* __restrict sums,
                std::uint32_t* __restrict outer) {
  const Sample* __restrict r0 = rows[0];
  const Sample* __restrict r1 = rows[1];
  const Sample* __restrict r2 = rows[2];
  const Sample* __restrict r3 = rows[3];
  const Sample* __restrict r4 = rows[4];
  const Sample* __restrict r5 = rows[5];
  for (int start = 0; start < elements; start += kBlock)
    for (int i = start; i < start + kBlock; ++i) {
      const std::uint32_t edge = std::uint32_t(r0[i]) + r5[i];
      sums[i] = edge + 16 * (std::uint32_t(r1[i]) + r4[i]) + 64 * (std::uint32_t(r2[i]) + r3[i]);
      outer[i] = edge;
    }
}

// 16-bit sums reach 1640 x 32768, past 2^24, where single-precision additions round. The
// first two kernel rows add up to less than 2^24 even for samples of 65535, so only the 22
// additions after them can round, each by at most half a unit in the last place of its
// result. The rounded sum therefore lies within 22 such half-units of the exact one: when
// that whole range divides to the same result, it is the result; otherwise the 22 taps are
// added again, rounding as single precision does.
constexpr std::uint32_t kExactBelow = std::uint32_t(1) << 24;
constexpr int kExactRows = 2;
constexpr std::uint32_t kRoundingAdditions = 22;

constexpr std::uint32_t weightOfRows(int rows) {
  std::uint32_t sum = 0;
  for (int dy = 0; dy < rows; ++dy)
    for (int dx = 0; dx < kTaps; ++dx) sum += kWeight[dy][dx];
  return sum;
}
static_assert(weightOfRows(kExactRows) * 65535 < kExactBelow);

constexpr std::uint32_t kMostDrift = kRoundingAdditions * 4;

// At most half a unit in the last place of single-precision values up to v, for v below 2^27.
std::uint32_t halfUnit(std::uint32_t v) {
  if (v < kExactBelow) return 0;
  if (v < (kExactBelow << 1)) return 1;
  return v < (kExactBelow << 2) ? 2 : 4;
}

// The nearest single-precision value to v (ties to even), for v below 2^31.
std::uint32_t nearestFloat(std::uint32_t v) {
  if (v <= kExactBelow) return v;
  const int shift = std::bit_width(v) - 24;
  const std::uint32_t unit = std::uint32_t(1) << shift;
  const std::uint32_t low = v & (unit - 1);
  std::uint32_t rounded = v - low;
  if (low > unit / 2 || (low == unit / 2 && (rounded & unit) != 0)) rounded += unit;
  return rounded;
}

template <int Channels>
std::uint32_t roundedSum(const std::uint16_t* const rows[kTaps], int element) {
  std::uint32_t sum = 0;
  for (int dy = 0; dy < kTaps; ++dy)
    for (int dx = 0; dx < kTaps; ++dx) {
      const std::uint32_t sum1 = sum + rows[dy][element + dx * Channels] * kWeight[dy][dx];
      sum = dy < kExactRows ? sum1 : nearestFloat(sum1);
    }
  return sum;
}

std::uint32_t held(std::uint32_t sum, std::uint32_t most) { return std::min(sum / kIntegerDivisor, most); }

template <int Channels>
std::uint16_t exactSum16(std::uint32_t sum, const std::uint16_t* const rows[kTaps], int element) {
  constexpr std::uint32_t kMost = 32768;
  if (sum <= kExactBelow) return std::uint16_t(held(sum, kMost));
  const std::uint32_t drift = kRoundingAdditions * halfUnit(sum + kMostDrift);
  const std::uint32_t low = held(sum - drift, kMost);
  if (low == held(sum + drift, kMost)) return std::uint16_t(low);
  return std::uint16_t(held(roundedSum<Channels>(rows, element), kMost));
}

template <class Sample, int Channels>
void reduceIntegerRow(const SourceRows<Sample, Channels>& source, std::int32_t columns, Sample* out) {
  constexpr int kElements = SourceRows<Sample, Channels>::kElements;
  constexpr int kOut = kChunk * Channels;
  alignas(16) std::uint32_t down[kElements];
  alignas(16) std::uint32_t outer[kElements];
  alignas(16) std::uint32_t sums[kOut] = {};
  const Sample* rows[kTaps];
  for (int tap = 0; tap < kTaps; ++tap) rows[tap] = source.row(tap);
  columnSums(rows, roundUp((2 * columns + kTaps - 2) * Channels, kBlock), down, outer);
  for (std::int32_t k = 0; k < columns; ++k)
    for (int c = 0; c < Channels; ++c) {
      const std::uint32_t* v = down + 2 * k * Channels + c;
      const std::uint32_t* o = outer + 2 * k * Channels + c;
      const std::uint32_t across = v[0] + v[5 * Channels] + 16 * (v[Channels] + v[4 * Channels]) +
                                   64 * (v[2 * Channels] + v[3 * Channels]);
      sums[k * Channels + c] = (across - o[0] - o[5 * Channels]) >> 4;
    }
  if constexpr (sizeof(Sample) == 1) {
    for (int i = 0; i < kOut; ++i) out[i] = Sample(held(sums[i], 255));  // all of them: a fixed count vectorises
  } else {
    for (std::int32_t i = 0; i < columns * Channels; ++i)
      out[i] = exactSum16<Channels>(sums[i], rows, 2 * (i / Channels) * Channels + i % Channels);
  }
}

// Float taps in the kernel's order, held within 0..65535 (NaN gives 0).
void reduceFloatRow(const SourceRows<float, 4>& source, std::int32_t columns, float* out) {
  for (std::int32_t k = 0; k < columns; ++k)
    for (int c = 0; c < 4; ++c) {
      float sum = 0.0f;
      for (int dy = 0; dy < kTaps; ++dy) {
        const float* tap = source.row(dy) + 2 * k * 4 + c;
        for (int dx = 0; dx < kTaps; ++dx)
          if (kWeight[dy][dx] != 0) sum += tap[dx * 4] * float(kWeight[dy][dx]);
      }
      const float value = sum * kFloatReciprocal;
      out[k * 4 + c] = value > 0.0f ? std::min(value, kFloatCeiling) : 0.0f;
    }
}

template <class Sample, int Channels>
void reduceRect(ImageBuffer& image, int level, const ImageRect& rect) {
  alignas(16) Sample out[kChunk * Channels];
  for (std::int32_t left = rect.left; left < rect.right; left += kChunk) {
    const std::int32_t columns = std::min(rect.right - left, kChunk);
    SourceRows<Sample, Channels> source(image, level, 2 * left - 2, 2 * columns + kTaps - 2);
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
      source.moveTo(y);
      if constexpr (std::is_same_v<Sample, float>)
        reduceFloatRow(source, columns, out);
      else
        reduceIntegerRow(source, columns, out);
      writeSpan(image, level + 1, y, left, columns, reinterpret_cast<const std::uint8_t*>(out));
    }
  }
}

// One job per level: the tiles of level + 1, each made from level.
struct LevelReduction {
  ImageBuffer* image;
  int level;
};

void reduceTask(JobTask& task) {
  const LevelReduction& reduction = *static_cast<const LevelReduction*>(task.context);
  reduceLevelTask(*reduction.image, reduction.level, task.layout.taskRect);
}

}  // namespace

bool buildPyramid(ImageBuffer& image) {
  if (image.edgeMode == -1) return true;
  for (int level = 0; level < image.lastLevel; ++level) {
    LevelReduction reduction{&image, level};
    JobEnvironment environment;
    environment.context = &reduction;
    environment.rect = levelRect(&image, level + 1);
    environment.work = reduceTask;
    if (runJob(tileMode, environment).reason != kJobNotStopped) return false;
  }
  image.pyramidState = 2;
  return true;
}

void reduceLevelTask(ImageBuffer& image, int level, const ImageRect& rect) {
  if (!hasPixels(image) || level < 0 || level + 1 > image.lastLevel) return;
  const ImageRect clipped{std::max(rect.top, 0), std::max(rect.left, 0), std::min(rect.bottom, image.height[level + 1]),
                          std::min(rect.right, image.width[level + 1])};
  if (clipped.top >= clipped.bottom || clipped.left >= clipped.right) return;
  switch (image.format) {
    case kGray8: reduceRect<std::uint8_t, 1>(image, level, clipped); break;
    case kRgba8: reduceRect<std::uint8_t, 4>(image, level, clipped); break;
    case kRgba16: reduceRect<std::uint16_t, 4>(image, level, clipped); break;
    case kRgbaFloat: reduceRect<float, 4>(image, level, clipped); break;
    default: break;
  }
}

}  // namespace qm
