// SPDX-License-Identifier: LicenseRef-Quillmark
// The 6000 x 4000 picture the engine benchmarks work on, and the plain memcpy of its
// level-0 bytes that each of them times beside itself for scale.
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "engine/image_buffer.h"

namespace qm::bench {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;

// A record of its own whose level 0 holds repeating diagonal ramps over the whole sample
// range, a different one per channel.
class Picture {
 public:
  explicit Picture(std::int32_t format) : image_(createImageBuffer(nullptr, kWidth, kHeight, format, 0, false)) {
    if (!image_) return;
    const bool wide = format == kRgba16;
    const std::uint32_t range = wide ? 32769 : 256;
    std::vector<std::uint16_t> row(std::size_t(kWidth) * 4);
    for (std::int32_t y = 0; y < kHeight; ++y) {
      for (std::size_t i = 0; i < row.size(); ++i)
        row[i] = std::uint16_t((std::uint32_t(i) * (i % 4 + 1) * 37 + std::uint32_t(y) * 53) % range);
      if (!wide) {  // Rgba8 takes the low bytes
        std::vector<std::uint8_t> bytes(row.begin(), row.end());
        lineTransfer(*image_, 0, y, 0, kWidth, bytes.data(), true, false);
      } else {
        lineTransfer(*image_, 0, y, 0, kWidth, row.data(), true, false);
      }
    }
  }
  ~Picture() { destroyImageBuffer(image_); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  ImageBuffer* get() { return image_; }

 private:
  ImageBuffer* image_;
};

inline void countMegapixels(benchmark::State& state) {
  state.counters["Mpixel/s"] =
      benchmark::Counter(double(kWidth) * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// The level-0 bytes copied once, contiguous: what merely touching the source costs.
inline void memcpyBench(benchmark::State& state, std::size_t bytesPerPixel) {
  const std::size_t bytes = std::size_t(kWidth) * std::size_t(kHeight) * bytesPerPixel;
  std::vector<std::uint8_t> from(bytes, 1), to(bytes, 0);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  countMegapixels(state);
}

}  // namespace qm::bench
