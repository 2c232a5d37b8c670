// SPDX-License-Identifier: LicenseRef-Quillmark
// Where the time of a render went, for the benchmarks: the wall time of the tone images
// and of the whole render, and the processor time the threads spent in each stage of the
// rows. The rows' stages overlap on the workers and the calling thread, so their sum may
// exceed the wall time. Taking the clock a few times a row costs well under a millisecond
// on a 24-megapixel render.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace qm {

struct RenderStageTimes {
  double toneImages = 0;  // wall: the blurred image (and a float document's 16-bit copy)
  double toneRows = 0;    // processor: the sharpened and blurred grey of each row
  double style = 0;       // processor: the style's rows
  double blend = 0;       // processor: the blend with the source
  double delivery = 0;    // processor: the selection and the rows handed to the output
  double total = 0;       // wall: the whole render
};

// Nanoseconds added up from several threads.
class StageClock {
 public:
  using Clock = std::chrono::steady_clock;
  static Clock::time_point now() { return Clock::now(); }
  void add(Clock::duration spent) {
    nanoseconds_.fetch_add(std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count(),
                           std::memory_order_relaxed);
  }
  void add(Clock::time_point from, Clock::time_point to) { add(to - from); }
  double seconds() const { return double(nanoseconds_.load(std::memory_order_relaxed)) * 1e-9; }

 private:
  std::atomic<std::int64_t> nanoseconds_{0};
};

}  // namespace qm
