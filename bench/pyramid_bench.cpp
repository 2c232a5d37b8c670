// SPDX-License-Identifier: LicenseRef-Quillmark
// Building every coarser level of a 6000 x 4000 image, Rgba8 and Rgba16, with 1 and 2
// workers, beside a plain memcpy of the level-0 bytes for scale.
// Targets: Rgba8 with 2 workers within 100 ms, and at least 1.7 times as fast as with 1.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "engine/image_buffer.h"
#include "engine/jobs.h"
#include "engine/pyramid.h"

namespace qm {
namespace {

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

void countMegapixels(benchmark::State& state) {
  state.counters["Mpixel/s"] =
      benchmark::Counter(double(kWidth) * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void pyramidBench(benchmark::State& state, std::int32_t format) {
  Picture picture(format);
  if (!picture.get()) {
    state.SkipWithError("no memory for the picture");
    return;
  }
  setProcessorCountForTesting(int(state.range(0)));
  for (auto _ : state) buildPyramid(*picture.get());
  setProcessorCountForTesting(0);
  countMegapixels(state);
}

// The level-0 bytes copied once, contiguous: what merely touching the source costs.
void memcpyBench(benchmark::State& state, std::size_t bytesPerPixel) {
  const std::size_t bytes = std::size_t(kWidth) * std::size_t(kHeight) * bytesPerPixel;
  std::vector<std::uint8_t> from(bytes, 1), to(bytes, 0);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  countMegapixels(state);
}

void BM_PyramidRgba8(benchmark::State& state) { pyramidBench(state, kRgba8); }
void BM_PyramidRgba16(benchmark::State& state) { pyramidBench(state, kRgba16); }
void BM_PyramidMemcpyLevel0Rgba8(benchmark::State& state) { memcpyBench(state, 4); }
void BM_PyramidMemcpyLevel0Rgba16(benchmark::State& state) { memcpyBench(state, 8); }

BENCHMARK(BM_PyramidRgba8)->ArgName("workers")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PyramidRgba16)->ArgName("workers")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PyramidMemcpyLevel0Rgba8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PyramidMemcpyLevel0Rgba16)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm
