// SPDX-License-Identifier: LicenseRef-Quillmark
// The blur as a stream, shared by the blur of an image's area and the blur fed a row at a
// time. The six passes form stages: the first reads the area's rows and runs the row
// passes before the first column pass on each; every column pass starts a stage that makes
// its rows from the stage before, a running sum per sample down the columns, and runs the
// row passes after it on each row it makes. A stage keeps its last rows in a ring as long
// as the next stage's window, and the last hands its rows to the sink.
//
// A row pass slides its window along one row, the four samples of a pixel side by side in
// one vector; the sums are divided afterwards, the whole row at once. A column pass works
// on whole rows, every sample a lane: add the row entering the window, take away the one
// leaving it, divide. Both loops are plain enough for the compiler to turn into vector code.
//
// Included by engine/box_blur.cpp and engine/blur_feed.cpp only (see the exemption below).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/box_blur.h"
#include "engine/box_division.h"
#include "engine/column_sums.h"

namespace qm::blur {

constexpr int kChannels = 4;

// The vector helpers below are inline and never cross a library's edge; a 32-bit build
// without SSE would only warn that their calling convention differs from one with it. The
// compiler gives that warning where the templates are made, at the end of the file that
// includes this one, so the exemption stays on to the end of it.
#pragma GCC diagnostic ignored "-Wpsabi"

// Sixteen bytes as vectors of bytes, 16-bit and 32-bit lanes. A pixel's samples are widened
// to its sums' lanes by interleaving with zeros, which the processor does in one step per
// width; the row passes keep a pixel's four sums in the low lanes.
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
using Halves16 = std::uint16_t __attribute__((vector_size(16)));
using Words16 = std::int32_t __attribute__((vector_size(16)));

inline Bytes16 zeroInterleaved(Bytes16 low) {
  return __builtin_shufflevector(low, Bytes16{}, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
}
inline Halves16 halfZeroInterleaved(Halves16 low) {
  return __builtin_shufflevector(low, Halves16{}, 0, 8, 1, 9, 2, 10, 3, 11);
}
template <class To, class From>
To sameBits(From from) {
  To to;
  std::memcpy(&to, &from, sizeof to);
  return to;
}

// The sample type, the type of the sums and the division of one kind of blur, and a pixel's
// four samples as sums in a vector's low lanes.
// Rgba8 with windows of up to 256 samples: the sums fit 16 bits (255 x 256 < 2^16), which
// doubles the samples per vector operation. Larger windows take Rgba8Wide.
struct Rgba8Narrow {
  using Sample = std::uint8_t;
  using Sum = std::uint16_t;
  using Lanes = Halves16;
  static constexpr std::int32_t kMostWindow = 256;
  static constexpr bool kDividesRowsApart = true;
  static Sample divide(const BoxDivision& division, Sum sum) { return Sample(division.eightBitNarrow(sum)); }
  static void divideRow(const BoxDivision& division, const Sum* sums, Sample* out, std::size_t count) {
    division.eightBitNarrowRow(sums, out, count);
  }
  static void slideSums(Sum* sums, const Sample* entering, const Sample* leaving, std::size_t count) {
    slideColumnSums(sums, entering, leaving, count);
  }
  static Lanes widen(Bytes16 pixel) { return sameBits<Lanes>(zeroInterleaved(pixel)); }
};

struct Rgba8Wide {
  using Sample = std::uint8_t;
  using Sum = std::int32_t;
  using Lanes = Words16;
  static constexpr bool kDividesRowsApart = false;
  static Sample divide(const BoxDivision& division, Sum sum) { return Sample(division.eightBit(sum)); }
  static Lanes widen(Bytes16 pixel) {
    return sameBits<Lanes>(halfZeroInterleaved(sameBits<Halves16>(zeroInterleaved(pixel))));
  }
};

struct Rgba16Wide {
  using Sample = std::uint16_t;
  using Sum = std::int32_t;
  using Lanes = Words16;
  // Its rows of sums are divided apart from making them, by the row division's vector code.
  static constexpr bool kDividesRowsApart = true;
  static Sample divide(const BoxDivision& division, Sum sum) { return Sample(division.sixteenBit(sum)); }
  static void divideRow(const BoxDivision& division, const Sum* sums, Sample* out, std::size_t count) {
    division.sixteenBitRow(sums, out, count);
  }
  static void slideSums(Sum* __restrict sums, const Sample* __restrict entering, const Sample* __restrict leaving,
                        std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) sums[i] = Sum(sums[i] + entering[i] - leaving[i]);
  }
  static Lanes widen(Bytes16 pixel) { return sameBits<Lanes>(halfZeroInterleaved(sameBits<Halves16>(pixel))); }
};

struct Window {
  std::int32_t before;
  std::int32_t after;
  std::int32_t size() const { return before + after + 1; }
};

struct Columns {
  std::int32_t left;
  std::int32_t right;
};

// The passes of a blur size as stages: the row windows of the first stage, then per column
// pass its window and the row windows after it. Passes without a window are left out.
struct BlurPlan {
  struct Stage {
    Window column{0, 0};  // unused by the first stage
    std::vector<Window> rows;
  };
  std::vector<Stage> stages;
  std::int32_t widestWindow = 1;
};

inline std::int32_t heldExtent(std::int32_t extent) { return std::clamp(extent, 0, kMostBoxExtent); }

inline BlurPlan planFor(float size) {
  const BoxExtents extents = boxExtents(size);
  const std::int32_t a = heldExtent(extents.rounded);
  const std::int32_t b = heldExtent(extents.truncated);
  std::vector<Window> pairs = {{b, a}, {a, b}};
  if (a >= 1) pairs.push_back({a - 1, a});
  BlurPlan plan;
  plan.stages.emplace_back();
  for (const Window& window : pairs) {
    if (window.size() == 1) continue;
    plan.stages.back().rows.push_back(window);
    plan.stages.push_back({window, {}});
    plan.widestWindow = std::max(plan.widestWindow, window.size());
  }
  return plan;
}

// The rows of a band, pass by pass. Row y of a stage is made once, in order; the stage
// before has made every row its column window reads by then.
template <class Format>
class BlurStream {
 public:
  using Sample = typename Format::Sample;
  using Sum = typename Format::Sum;

  // Input columns `in` of the area (what the row passes see; their ends repeat), of which the
  // columns `out` go to the sink; both as left .. right - 1.
  BlurStream(const BlurredRowReader& reader, Columns in, Columns out, std::int32_t height, const BlurPlan& plan)
      : reader_(reader), in_(in), out_(out), width_(in.right - in.left), height_(height),
        rowSamples_(std::size_t(width_) * kChannels), stages_(plan.stages.size()) {
    for (std::size_t s = 0; s < stages_.size(); ++s) {
      Stage& stage = stages_[s];
      stage.column = plan.stages[s].column;
      stage.columnDivision = BoxDivision(stage.column.size());
      for (const Window& window : plan.stages[s].rows) stage.rows.push_back({window, BoxDivision(window.size())});
      if (s > 0) stage.sums.assign(rowSamples_, Sum(0));
      // A stage keeps as many rows as the next one's window and the row that just left it.
      if (s + 1 < stages_.size())
        stage.ringRows = plan.stages[s + 1].column.size() + 1;
      stage.ring.resize(std::size_t(stage.ringRows) * rowSamples_);
    }
    rowIn_.resize(rowSamples_);
    rowOut_.resize(rowSamples_);
    rowSums_.resize(rowSamples_);
  }

  // Starts the stream at row `first`: each stage starts where the window of the stage after
  // it first reaches.
  void start(std::int32_t first) {
    next_ = first;
    for (std::size_t s = stages_.size(); s-- > 0;) {
      stages_[s].first = stages_[s].made = first;
      first = std::max(0, first - stages_[s].column.before);
    }
  }

  // Hands rows next .. end - 1 to the sink, as long as every row they read lies below
  // `readable` (the first row the reader cannot give yet).
  void run(std::int32_t end, std::int32_t readable, const BlurredRowSink& sink) {
    Stage& last = stages_.back();
    const std::size_t skip = std::size_t(out_.left - in_.left) * kChannels;
    for (; next_ < end && lastRowReadFor(next_) < readable; ++next_) {
      const Sample* row = make(stages_.size() - 1, next_);
      ++last.made;
      sink.take(sink.context, next_, out_.left, out_.right - out_.left, row + skip);
    }
  }

  std::int32_t next() const { return next_; }

 private:
  // The last row of the area that row y of the result reads: every column window's after.
  std::int32_t lastRowReadFor(std::int32_t y) const {
    for (const Stage& stage : stages_) y += stage.column.after;
    return clampRow(y);
  }

 private:
  struct RowPass {
    Window window;
    BoxDivision division;
  };
  struct Stage {
    Window column{0, 0};
    BoxDivision columnDivision{1};
    std::vector<RowPass> rows;
    std::vector<Sum> sums;
    std::vector<Sample> ring;
    std::int32_t ringRows = 1;
    std::int32_t first = 0;
    std::int32_t made = 0;  // the next row to make

    Sample* ringRow(std::int32_t y, std::size_t rowSamples) {
      return ring.data() + std::size_t(y % ringRows) * rowSamples;
    }
  };

  std::int32_t clampRow(std::int32_t y) const { return std::clamp(y, 0, height_ - 1); }

  // Makes every row of stage s up to `last` that is not made yet.
  void makeUpTo(std::size_t s, std::int32_t last) {
    Stage& stage = stages_[s];
    while (stage.made <= last) {
      make(s, stage.made);
      ++stage.made;
    }
  }

  // Row y of stage s, in its ring slot (or, for the last stage, in a row of its own).
  const Sample* make(std::size_t s, std::int32_t y) {
    Stage& stage = stages_[s];
    Sample* target = s + 1 < stages_.size() ? stage.ringRow(y, rowSamples_) : rowOut_.data();
    Sample* made = stage.rows.empty() ? target : rowIn_.data();
    if (s == 0)
      readSourceRow(y, made);
    else
      columnRow(s, y, made);
    for (std::size_t i = 0; i < stage.rows.size(); ++i) {
      const bool lastPass = i + 1 == stage.rows.size();
      Sample* out = lastPass ? target : (made == rowIn_.data() ? rowOut_.data() : rowIn_.data());
      rowPass(made, out, stage.rows[i]);
      made = out;
    }
    return target;
  }

  void readSourceRow(std::int32_t y, Sample* out) const { reader_.read(reader_.context, y, in_.left, in_.right, out); }

  // The column window of stage s at row y, from the rows of stage s - 1, divided into `out`.
  void columnRow(std::size_t s, std::int32_t y, Sample* __restrict out) {
    Stage& stage = stages_[s];
    Stage& before = stages_[s - 1];
    const Window window = stage.column;
    makeUpTo(s - 1, clampRow(y + window.after));
    Sum* __restrict sums = stage.sums.data();
    const std::size_t n = rowSamples_;
    if (y == stage.first) {
      std::fill(stage.sums.begin(), stage.sums.end(), Sum(0));
      for (std::int32_t k = -window.before; k <= window.after; ++k) {
        const Sample* __restrict row = before.ringRow(clampRow(y + k), n);
        for (std::size_t i = 0; i < n; ++i) sums[i] = Sum(sums[i] + row[i]);
      }
      divideAll(stage.columnDivision, sums, out, n);
      return;
    }
    const Sample* __restrict entering = before.ringRow(clampRow(y + window.after), n);
    const Sample* __restrict leaving = before.ringRow(clampRow(y - 1 - window.before), n);
    const BoxDivision division = stage.columnDivision;
    // Every window sum fits the Sum type, so narrowing each new sum to it loses nothing.
    if constexpr (Format::kDividesRowsApart) {
      Format::slideSums(sums, entering, leaving, n);
      Format::divideRow(division, sums, out, n);
    } else {
      for (std::size_t i = 0; i < n; ++i) {
        const Sum sum = Sum(sums[i] + entering[i] - leaving[i]);
        sums[i] = sum;
        out[i] = Format::divide(division, sum);
      }
    }
  }

  // One row pass: the sums slide along the row a pixel at a time, four samples side by side.
  void rowPass(const Sample* __restrict in, Sample* __restrict out, const RowPass& pass) {
    const std::int32_t last = width_ - 1;
    const auto pixel = [in, last](std::int32_t x) { return loadPixel(in + std::size_t(std::clamp(x, 0, last)) * kChannels); };
    Sum* __restrict sums = rowSums_.data();
    const Window window = pass.window;
    Lanes sum{};
    for (std::int32_t k = -window.before; k <= window.after; ++k) sum += pixel(k);
    keepSums(sums, sum);
    // Inside the row no position needs clamping.
    const std::int32_t innerEnd = std::max(1, width_ - window.after);
    std::int32_t x = 1;
    for (; x < std::min(innerEnd, window.before + 1); ++x)
      keepSums(sums + std::size_t(x) * kChannels, sum += pixel(x + window.after) - pixel(x - window.before - 1));
    const Sample* enter = in + std::size_t(x + window.after) * kChannels;
    const Sample* leave = in + std::size_t(x - window.before - 1) * kChannels;
    for (; x < innerEnd; ++x, enter += kChannels, leave += kChannels) {
      sum += loadPixel(enter) - loadPixel(leave);
      keepSums(sums + std::size_t(x) * kChannels, sum);
    }
    for (; x < width_; ++x)
      keepSums(sums + std::size_t(x) * kChannels, sum += pixel(x + window.after) - pixel(x - window.before - 1));
    divideAll(pass.division, sums, out, rowSamples_);
  }

  // The division by value: byte stores may alias anything, so one read through a reference
  // would be read again after every store.
  static void divideAll(const BoxDivision division, const Sum* __restrict sums, Sample* __restrict out, std::size_t n) {
    if constexpr (Format::kDividesRowsApart) {
      Format::divideRow(division, sums, out, n);
    } else {
      for (std::size_t i = 0; i < n; ++i) out[i] = Format::divide(division, sums[i]);
    }
  }

  // A pixel's four samples as four sums in a vector's low lanes; 16-bit sums wrap while
  // sliding but always come back within range.
  using Lanes = typename Format::Lanes;
  // Through a scalar: a vector filled by a short copy would go through memory and stall.
  static Lanes loadPixel(const Sample* pixel) {
    using Longs16 = std::int64_t __attribute__((vector_size(16)));
    std::int64_t bits = 0;
    std::memcpy(&bits, pixel, kChannels * sizeof(Sample));
    return Format::widen(sameBits<Bytes16>(Longs16{bits, 0}));
  }
  static void keepSums(Sum* to, Lanes sum) { std::memcpy(to, &sum, kChannels * sizeof(Sum)); }

  const BlurredRowReader reader_;
  const Columns in_;
  const Columns out_;
  const std::int32_t width_;
  const std::int32_t height_;
  const std::size_t rowSamples_;
  std::vector<Stage> stages_;
  std::vector<Sample> rowIn_;
  std::vector<Sample> rowOut_;
  std::vector<Sum> rowSums_;
  std::int32_t next_ = 0;
};


// The stream in the sample format of the rows: 16-bit, or 8-bit with narrow or wide sums.
template <class Work>
void inFormat(bool sixteenBit, const BlurPlan& plan, Work&& work) {
  if (sixteenBit)
    work(static_cast<const Rgba16Wide*>(nullptr));
  else if (plan.widestWindow <= Rgba8Narrow::kMostWindow)
    work(static_cast<const Rgba8Narrow*>(nullptr));
  else
    work(static_cast<const Rgba8Wide*>(nullptr));
}

// How far the passes reach across rows (the column windows) and along them (the row
// windows), on the larger side.
inline std::int32_t reachDown(const BlurPlan& plan) {
  std::int32_t reach = 0;
  for (const auto& stage : plan.stages) reach += std::max(stage.column.before, stage.column.after);
  return reach;
}

inline std::int32_t reachAlong(const BlurPlan& plan) {
  std::int32_t reach = 0;
  for (const auto& stage : plan.stages)
    for (const Window& window : stage.rows) reach += std::max(window.before, window.after);
  return reach;
}

}  // namespace qm::blur
