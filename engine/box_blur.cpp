// SPDX-License-Identifier: LicenseRef-Quillmark
// The box passes. A task filters up to 64 lines side by side: the rows of its band or the
// columns of its strip are the lanes, and it steps along them one position at a time. A
// position is 64 pixels as they lie in memory, four samples each, and every step does the
// same arithmetic on all of those samples (add the ones entering the window, take away the
// ones leaving it, divide), which the compiler turns into vector code. The opacity samples
// are carried along rather than picked out, and overwritten with full opacity at the end.
// Positions the window still needs after their pixels were overwritten stay in a ring, so
// a pass works in place.
//
// A column pass moves each row of its strip as one contiguous run; a row pass moves up to
// 64 columns of its band at a time, turned on their side. Both ask the memory for their
// next pixels ahead of use: 64 rows read side by side, or a column of rows 2 KB apart, are
// patterns the processor does not foresee by itself.
#include "engine/box_blur.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "engine/box_division.h"
#include "engine/jobs.h"

namespace qm {
namespace {

constexpr int kLanes = kJobBandSize;  // rows of a band, columns of a strip
constexpr int kChannels = 4;
constexpr int kSamples = kLanes * kChannels;  // one position of all lanes
constexpr int kRun = 64;                      // columns a row pass moves at once
constexpr int kAhead = 4;                     // rows a column pass asks for before it needs them
static_assert(2 * kMostBoxExtent + 1 <= kMostBoxWindow);

// Asks for the cache lines of pixels first .. end - 1 of row y (all inside the level).
// Inlined on purpose: as a call of its own the compiler would drop it for having no effect.
[[gnu::always_inline]] inline void prefetchRun(const ImageBuffer& image, int level, std::int32_t y,
                                               std::int32_t first, std::int32_t end) {
  constexpr std::size_t kLine = 64;
  const std::size_t pixel = std::size_t(image.bytesPerPixel);
  for (std::int32_t x = first; x < end;) {
    const std::int32_t run = std::min(end, (x | kTileMask) + 1) - x;
    const std::uint8_t* at = pixelAddress(image, x, y, level);
    for (std::size_t offset = 0; offset < std::size_t(run) * pixel; offset += kLine) __builtin_prefetch(at + offset);
    x += run;
  }
}

// Sets the opacity of all pixels of a position, a pixel at a time as one word.
template <class Word, Word kKeep, Word kOpaque>
void makeOpaque(void* samples) {
  auto* bytes = static_cast<std::uint8_t*>(samples);
  for (int lane = 0; lane < kLanes; ++lane) {
    Word pixel;
    std::memcpy(&pixel, bytes + lane * sizeof(Word), sizeof(Word));
    pixel = (pixel & kKeep) | kOpaque;
    std::memcpy(bytes + lane * sizeof(Word), &pixel, sizeof(Word));
  }
}

// Full opacity as a pixel word: Rgba8 a native word, Rgba16 four 16-bit values in memory.
constexpr std::uint32_t kRgba8Opaque = packRgba8(0, 0, 0, 255);
constexpr int kRgba16OpacityShift = std::endian::native == std::endian::little ? 48 : 0;
constexpr std::uint64_t kRgba16OpacityBits = std::uint64_t(0xFFFF) << kRgba16OpacityShift;
constexpr std::uint64_t kRgba16Opaque = std::uint64_t(32768) << kRgba16OpacityShift;

// The sample type, the type of the window sums and the division of one kind of pass; the
// division also sets the opacity.
//
// Rgba8 with windows of up to 256 samples: the sums and half a window more fit 16 bits
// (255.5 x 256 < 2^16), which doubles the samples per vector operation. Larger windows take
// Rgba8Wide.
struct Rgba8Narrow {
  using Sample = std::uint8_t;
  using Sum = std::uint16_t;
  static constexpr std::int32_t kMostWindow = 256;
  static void divide(const BoxDivision& division, const Sum* __restrict sums, Sample* __restrict out) {
    for (int i = 0; i < kSamples; ++i) out[i] = Sample(division.eightBitNarrow(sums[i]));
    makeOpaque<std::uint32_t, ~kRgba8Opaque, kRgba8Opaque>(out);
  }
};

struct Rgba8Wide {
  using Sample = std::uint8_t;
  using Sum = std::int32_t;
  static void divide(const BoxDivision& division, const Sum* __restrict sums, Sample* __restrict out) {
    for (int i = 0; i < kSamples; ++i) out[i] = Sample(division.eightBit(sums[i]));
    makeOpaque<std::uint32_t, ~kRgba8Opaque, kRgba8Opaque>(out);
  }
};

struct Rgba16Wide {
  using Sample = std::uint16_t;
  using Sum = std::int32_t;
  static void divide(const BoxDivision& division, const Sum* __restrict sums, Sample* __restrict out) {
    for (int i = 0; i < kSamples; ++i) out[i] = Sample(division.sixteenBit(sums[i]));
    makeOpaque<std::uint64_t, ~kRgba16OpacityBits, kRgba16Opaque>(out);
  }
};

// One window, positions p - before .. p + after, slid along all lanes at once; position p
// of a line of length n reads as position clamp(p, 0, n - 1).
template <class Format>
class SlidingWindow {
 public:
  using Sample = typename Format::Sample;
  using Sum = typename Format::Sum;

  SlidingWindow(std::int32_t before, std::int32_t after)
      : before_(before), after_(after), slots_(before + after + 2), division_(before + after + 1),
        ring_(std::size_t(slots_) * kSamples) {}

  // lines.fetch(p, samples) copies position p in; lines.output(p) is where the result of
  // position p goes and lines.emitted(p) says it is there. Positions are fetched in order,
  // each once, and always before they are emitted.
  template <class Lines>
  void run(Lines& lines) {
    length_ = lines.length();
    fetched_ = 0;
    fetchSlot_ = 0;
    std::fill(ring_.begin(), ring_.end(), Sample(0));  // lanes a narrower group leaves empty stay 0
    fetchUpTo(after_, lines);
    std::fill(std::begin(sums_), std::end(sums_), Sum(0));
    for (std::int32_t k = -before_; k <= after_; ++k) add(slot(std::clamp(k, 0, length_ - 1) % slots_));
    emit(0, lines);
    // Slots of the positions entering and leaving, stepped along instead of divided out.
    std::int32_t entering = std::min(after_, length_ - 1) % slots_;
    std::int32_t leaving = 0;
    for (std::int32_t p = 1; p < length_; ++p) {
      fetchUpTo(p + after_, lines);
      if (p + after_ < length_) entering = next(entering);
      if (p - before_ - 1 > 0) leaving = next(leaving);
      slide(slot(entering), slot(leaving));
      emit(p, lines);
    }
  }

 private:
  template <class Lines>
  void fetchUpTo(std::int32_t position, Lines& lines) {
    for (const std::int32_t last = std::min(position, length_ - 1); fetched_ <= last; ++fetched_) {
      lines.fetch(fetched_, slot(fetchSlot_));
      fetchSlot_ = next(fetchSlot_);
    }
  }

  // The ring holds the window and the position that just left it; position p is in slot
  // p mod slots.
  std::int32_t next(std::int32_t index) const { return index + 1 == slots_ ? 0 : index + 1; }
  Sample* slot(std::int32_t index) { return ring_.data() + std::size_t(index) * kSamples; }

  void add(const Sample* __restrict entering) {
    for (int i = 0; i < kSamples; ++i) sums_[i] = Sum(sums_[i] + entering[i]);
  }
  // Every window sum fits the Sum type, so narrowing each new sum to it loses nothing.
  void slide(const Sample* __restrict entering, const Sample* __restrict leaving) {
    for (int i = 0; i < kSamples; ++i) sums_[i] = Sum(sums_[i] + entering[i] - leaving[i]);
  }
  template <class Lines>
  void emit(std::int32_t position, Lines& lines) {
    Sample* out = lines.output(position);
    Format::divide(division_, sums_, out);
    lines.emitted(position);
  }

  const std::int32_t before_;
  const std::int32_t after_;
  const std::int32_t slots_;
  const BoxDivision division_;
  std::vector<Sample> ring_;
  std::int32_t length_ = 0;
  std::int32_t fetched_ = 0;
  std::int32_t fetchSlot_ = 0;
  alignas(16) Sum sums_[kSamples];
};

template <class Sample>
Sample* tileRun(ImageBuffer& image, int level, std::int32_t y, std::int32_t x) {
  return reinterpret_cast<Sample*>(pixelAddress(image, x, y, level));
}

// Where a run starting at column x must end: after kRun columns, at the next tile or at end.
std::int32_t runEnd(std::int32_t x, std::int32_t end) { return std::min({x + kRun, (x | kTileMask) + 1, end}); }

// The same, when the run is also read shifted by `shift` columns: it must not cross a tile
// of either.
std::int32_t runEnd(std::int32_t x, std::int32_t end, std::int32_t shift) {
  return std::min(runEnd(x, end), ((x + shift) | kTileMask) + 1 - shift);
}

// Blocks of pixels turned on their side with vector shuffles: 4 x 4 pixels of 4 bytes, or
// 2 x 2 of 8 bytes, one 16-byte vector per row of a block.
using FourWords = std::uint32_t __attribute__((vector_size(16)));
using TwoWords = std::uint64_t __attribute__((vector_size(16)));

template <std::size_t kPixelBytes>
struct PixelBlock {
  using Vector = std::conditional_t<kPixelBytes == 4, FourWords, TwoWords>;
  static constexpr int kSide = int(16 / kPixelBytes);

  static void turn(Vector v[kSide]) {
    if constexpr (kSide == 4) {
      const Vector t0 = __builtin_shufflevector(v[0], v[1], 0, 4, 1, 5);
      const Vector t1 = __builtin_shufflevector(v[0], v[1], 2, 6, 3, 7);
      const Vector t2 = __builtin_shufflevector(v[2], v[3], 0, 4, 1, 5);
      const Vector t3 = __builtin_shufflevector(v[2], v[3], 2, 6, 3, 7);
      v[0] = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
      v[1] = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
      v[2] = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
      v[3] = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
    } else {
      const Vector t0 = __builtin_shufflevector(v[0], v[1], 0, 2);
      v[1] = __builtin_shufflevector(v[0], v[1], 1, 3);
      v[0] = t0;
    }
  }
};

// Copies pixel j of row r (rows[r] + j pixels) to lanes[j] + r pixels, for r < rowCount and
// j < count, or back the other way.
template <std::size_t kPixelBytes, bool kBack>
void turnPixels(std::uint8_t* const rows[kLanes], int rowCount, int count, std::uint8_t* lanes,
                std::size_t laneBytes) {
  using Block = PixelBlock<kPixelBytes>;
  constexpr int kSide = Block::kSide;
  auto lane = [&](int r, int j) { return lanes + std::size_t(j) * laneBytes + std::size_t(r) * kPixelBytes; };
  auto pixel = [&](int r, int j) { return rows[r] + std::size_t(j) * kPixelBytes; };
  const int fullRows = rowCount - rowCount % kSide;
  const int fullColumns = count - count % kSide;
  for (int r = 0; r < fullRows; r += kSide)
    for (int j = 0; j < fullColumns; j += kSide) {
      typename Block::Vector v[kSide];
#pragma GCC unroll 4
      for (int i = 0; i < kSide; ++i) std::memcpy(&v[i], kBack ? lane(r, j + i) : pixel(r + i, j), 16);
      Block::turn(v);
#pragma GCC unroll 4
      for (int i = 0; i < kSide; ++i) std::memcpy(kBack ? pixel(r + i, j) : lane(r, j + i), &v[i], 16);
    }
  for (int r = 0; r < rowCount; ++r)
    for (int j = r < fullRows ? fullColumns : 0; j < count; ++j) {
      if constexpr (kBack)
        std::memcpy(pixel(r, j), lane(r, j), kPixelBytes);
      else
        std::memcpy(lane(r, j), pixel(r, j), kPixelBytes);
    }
}

// The rows of a band as lanes; position p is column band.left + p. Columns go between the
// images and the lanes in runs of up to kRun, which never cross a tile. The lines are read
// from `input` and the results written to the band's own image.
template <class Format>
class BandRows {
 public:
  using Sample = typename Format::Sample;
  static constexpr std::size_t kPixelBytes = kChannels * sizeof(Sample);

  BandRows(ImageBuffer& image, int level, const ImageRect& band, const BoxInput& input)
      : image_(image), level_(level), band_(band), input_(input), storeEnd_(runEnd(band.left, band.right)) {}

  std::int32_t length() const { return band_.right - band_.left; }

  // While the lanes work through one run, the next is asked for, a row per column.
  void fetch(std::int32_t position, Sample* samples) {
    const std::int32_t x = band_.left + position;
    if (x >= loadEnd_) {
      loadStart_ = x;
      loadEnd_ = runEnd(x, band_.right, input_.left);
      load(x, loadEnd_);
    }
    const std::int32_t row = band_.top + (x - loadStart_);
    const std::int32_t next = runEnd(loadEnd_, band_.right, input_.left);
    if (row < band_.bottom && next > loadEnd_)
      prefetchRun(*input_.image, input_.level, row + input_.top, loadEnd_ + input_.left, next + input_.left);
    std::memcpy(samples, in_[x - loadStart_], sizeof in_[0]);
  }

  Sample* output(std::int32_t position) { return out_[band_.left + position - storeStart_]; }

  // Positions arrive in order, so a run is complete when its last column is emitted.
  void emitted(std::int32_t position) {
    if (band_.left + position + 1 < storeEnd_) return;
    store(storeStart_, storeEnd_);
    storeStart_ = storeEnd_;
    storeEnd_ = runEnd(storeStart_, band_.right);
  }

 private:
  void load(std::int32_t first, std::int32_t end) {
    std::uint8_t* rows[kLanes];
    const int rowCount = band_.bottom - band_.top;
    for (int r = 0; r < rowCount; ++r)
      rows[r] = pixelAddress(*input_.image, first + input_.left, band_.top + r + input_.top, input_.level);
    turnPixels<kPixelBytes, false>(rows, rowCount, end - first, reinterpret_cast<std::uint8_t*>(in_[0]),
                                   sizeof in_[0]);
  }

  void store(std::int32_t first, std::int32_t end) {
    std::uint8_t* rows[kLanes];
    const int rowCount = band_.bottom - band_.top;
    for (int r = 0; r < rowCount; ++r) rows[r] = pixelAddress(image_, first, band_.top + r, level_);
    turnPixels<kPixelBytes, true>(rows, rowCount, end - first, reinterpret_cast<std::uint8_t*>(out_[0]),
                                  sizeof out_[0]);
  }

  ImageBuffer& image_;
  const int level_;
  const ImageRect band_;
  const BoxInput input_;
  std::int32_t loadStart_ = 0;
  std::int32_t loadEnd_ = 0;
  std::int32_t storeStart_ = band_.left;
  std::int32_t storeEnd_;
  alignas(16) Sample in_[kRun][kSamples] = {};
  alignas(16) Sample out_[kRun][kSamples] = {};
};

// The columns of a strip as lanes; position p is row strip.top + p. A full strip inside one
// tile takes its results right in the tile's rows. Columns are always filtered in place.
template <class Format>
class StripColumns {
 public:
  using Sample = typename Format::Sample;

  StripColumns(ImageBuffer& image, int level, const ImageRect& strip)
      : image_(image), level_(level), strip_(strip),
        oneTile_((strip.left >> kTileShift) == ((strip.right - 1) >> kTileShift)),
        inPlace_(oneTile_ && strip.right - strip.left == kLanes),
        bytes_(std::size_t(strip.right - strip.left) * kChannels * sizeof(Sample)) {}

  std::int32_t length() const { return strip_.bottom - strip_.top; }

  void fetch(std::int32_t position, Sample* samples) {
    const std::int32_t y = strip_.top + position;
    if (position + kAhead < length()) prefetchRun(image_, level_, y + kAhead, strip_.left, strip_.right);
    if (inPlace_)
      std::memcpy(samples, tileRun<Sample>(image_, level_, y, strip_.left), kSamples * sizeof(Sample));
    else if (oneTile_)
      std::memcpy(samples, tileRun<Sample>(image_, level_, y, strip_.left), bytes_);
    else
      lineTransfer(image_, level_, y, strip_.left, strip_.right, samples, false, false);
  }

  Sample* output(std::int32_t position) {
    return inPlace_ ? tileRun<Sample>(image_, level_, strip_.top + position, strip_.left) : copy_;
  }

  void emitted(std::int32_t position) {
    const std::int32_t y = strip_.top + position;
    if (inPlace_) return;
    if (oneTile_)
      std::memcpy(tileRun<Sample>(image_, level_, y, strip_.left), copy_, bytes_);
    else
      lineTransfer(image_, level_, y, strip_.left, strip_.right, copy_, true, false);
  }

 private:
  ImageBuffer& image_;
  const int level_;
  const ImageRect strip_;
  const bool oneTile_;
  const bool inPlace_;
  const std::size_t bytes_;
  alignas(16) Sample copy_[kSamples] = {};
};

ImageRect clipToLevel(const ImageBuffer& image, int level, const ImageRect& rect) {
  return {std::max(rect.top, 0), std::max(rect.left, 0), std::min(rect.bottom, image.height[level]),
          std::min(rect.right, image.width[level])};
}

bool filterable(const ImageBuffer& image, int level) {
  return hasPixels(image) && level >= 0 && level <= image.lastLevel &&
         (image.format == kRgba8 || image.format == kRgba16);
}

std::int32_t heldExtent(std::int32_t extent) { return std::clamp(extent, 0, kMostBoxExtent); }

// Groups of up to 64 rows (or columns) of `rect`, each filtered along its lines;
// linesOf(group) gives the lines of a group.
template <class Format, class LinesOf>
void filterGroups(const ImageRect& rect, std::int32_t before, std::int32_t after, bool rowsAreLanes,
                  const LinesOf& linesOf) {
  SlidingWindow<Format> window(before, after);
  const std::int32_t first = rowsAreLanes ? rect.top : rect.left;
  const std::int32_t end = rowsAreLanes ? rect.bottom : rect.right;
  for (std::int32_t start = first; start < end; start += kLanes) {
    const std::int32_t stop = std::min(start + kLanes, end);
    const ImageRect group = rowsAreLanes ? ImageRect{start, rect.left, stop, rect.right}
                                         : ImageRect{rect.top, start, rect.bottom, stop};
    auto lines = linesOf(group, static_cast<const Format*>(nullptr));
    window.run(lines);
  }
}

// The pass in the sample format of the image: 16-bit, or 8-bit with narrow or wide sums.
template <class LinesOf>
void filterInFormat(const ImageBuffer& image, const ImageRect& rect, std::int32_t before, std::int32_t after,
                    bool rowsAreLanes, const LinesOf& linesOf) {
  if (image.format == kRgba16)
    filterGroups<Rgba16Wide>(rect, before, after, rowsAreLanes, linesOf);
  else if (before + after + 1 <= Rgba8Narrow::kMostWindow)
    filterGroups<Rgba8Narrow>(rect, before, after, rowsAreLanes, linesOf);
  else
    filterGroups<Rgba8Wide>(rect, before, after, rowsAreLanes, linesOf);
}

// Whether the rectangle, shifted as the input reads it, lies inside the input's level, in
// the image's format.
bool inputCovers(const BoxInput& input, const ImageBuffer& image, const ImageRect& rect) {
  const ImageBuffer& from = *input.image;
  return filterable(from, input.level) && from.format == image.format && rect.left + input.left >= 0 &&
         rect.top + input.top >= 0 && rect.right + input.left <= from.width[input.level] &&
         rect.bottom + input.top <= from.height[input.level];
}

// One box pass as a job: bands of rows or strips of columns.
struct BoxPass {
  ImageBuffer* image;
  int level;
  std::int32_t before;
  std::int32_t after;
  BoxInput input;
};

void boxRowsWork(JobTask& task) {
  const BoxPass& pass = *static_cast<const BoxPass*>(task.context);
  boxRowsTask(*pass.image, pass.level, task.layout.taskRect, pass.before, pass.after, pass.input);
}

void boxColumnsWork(JobTask& task) {
  const BoxPass& pass = *static_cast<const BoxPass*>(task.context);
  boxColumnsTask(*pass.image, pass.level, task.layout.taskRect, pass.before, pass.after);
}

enum class Along { Rows, Columns };

bool runPass(ImageBuffer& image, int level, const ImageRect& rect, Along along, std::int32_t before,
             std::int32_t after, const BoxInput& input = {}) {
  BoxPass pass{&image, level, before, after, input};
  JobEnvironment environment;
  environment.context = &pass;
  environment.rect = rect;
  environment.work = along == Along::Rows ? boxRowsWork : boxColumnsWork;
  return runJob(along == Along::Rows ? bandMode : stripMode, environment).reason == kJobNotStopped;
}

// The six passes; the first reads from `input` when it has an image. False at the first
// pass that failed.
bool runBlurPasses(ImageBuffer& image, int level, const ImageRect& rect, float size, const BoxInput& input) {
  const BoxExtents extents = boxExtents(size);
  const std::int32_t a = extents.rounded;
  const std::int32_t b = extents.truncated;
  return runPass(image, level, rect, Along::Rows, b, a, input) && runPass(image, level, rect, Along::Columns, b, a) &&
         runPass(image, level, rect, Along::Rows, a, b) && runPass(image, level, rect, Along::Columns, a, b) &&
         (a < 1 || (runPass(image, level, rect, Along::Rows, a - 1, a) &&
                    runPass(image, level, rect, Along::Columns, a - 1, a)));
}

}  // namespace

BoxExtents boxExtents(float size) {
  if (!(size > 0.0f)) return {};  // also NaN
  const float q = std::min(size * 13.0f / 30.0f, float(kMostBoxExtent));
  return {std::int32_t(std::floor(q + 0.5f)), std::int32_t(std::floor(q))};
}

bool blurImage(ImageBuffer& image, int level, const ImageRect& rect, float size) {
  return runBlurPasses(image, level, rect, size, {});
}

bool blurAreaInto(const ImageBuffer& from, int fromLevel, std::int32_t left, std::int32_t top, ImageBuffer& to,
                  float size) {
  const BoxInput input{&from, fromLevel, left, top};
  if (&from == &to || !filterable(to, 0) || !inputCovers(input, to, levelRect(&to, 0))) return false;
  return runBlurPasses(to, 0, levelRect(&to, 0), size, input);
}

void boxRowsTask(ImageBuffer& image, int level, const ImageRect& rect, int before, int after,
                 const BoxInput& input) {
  const bool inPlace = input.image == nullptr || input.image == &image;
  const BoxInput from = inPlace ? BoxInput{&image, level, 0, 0} : input;
  before = heldExtent(before);
  after = heldExtent(after);
  // In place a window of one pixel changes nothing; from another image it is a copy.
  if ((inPlace && before == 0 && after == 0) || !filterable(image, level)) return;
  const ImageRect clipped = clipToLevel(image, level, rect);
  if (clipped.top >= clipped.bottom || clipped.left >= clipped.right || !inputCovers(from, image, clipped)) return;
  filterInFormat(image, clipped, before, after, true, [&](const ImageRect& band, const auto* format) {
    using Format = std::remove_cvref_t<decltype(*format)>;
    return BandRows<Format>(image, level, band, from);
  });
}

void boxColumnsTask(ImageBuffer& image, int level, const ImageRect& rect, int before, int after) {
  before = heldExtent(before);
  after = heldExtent(after);
  if ((before == 0 && after == 0) || !filterable(image, level)) return;
  const ImageRect clipped = clipToLevel(image, level, rect);
  if (clipped.top >= clipped.bottom || clipped.left >= clipped.right) return;
  filterInFormat(image, clipped, before, after, false, [&](const ImageRect& strip, const auto* format) {
    using Format = std::remove_cvref_t<decltype(*format)>;
    return StripColumns<Format>(image, level, strip);
  });
}

}  // namespace qm
