// SPDX-License-Identifier: LicenseRef-Quillmark
// The six box passes of a blur of size 16.67 (diameter 50) over a 6000 x 4000 image, Rgba8
// and Rgba16, with 1 and 2 workers, beside a plain memcpy of the level-0 bytes for scale.
// The rows go to a sink that only looks at their first sample, so the figure is the blur's
// own. Target: Rgba8 with 2 workers within 150 ms.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "bench/engine_picture.h"
#include "engine/image_buffer.h"
#include "engine/jobs.h"
#include "engine/box_blur.h"

namespace qm {
namespace {

using bench::countMegapixels;
using bench::memcpyBench;
using bench::Picture;

constexpr float kSize = 50.0f / 3.0f;

void blurBench(benchmark::State& state, std::int32_t format) {
  Picture picture(format);
  if (!picture.get()) {
    state.SkipWithError("no memory for the picture");
    return;
  }
  setProcessorCountForTesting(int(state.range(0)));
  std::atomic<std::uint32_t> seen{0};
  const BlurredRowSink sink{&seen, [](void* context, std::int32_t, std::int32_t, std::int32_t, const void* pixels) {
                              static_cast<std::atomic<std::uint32_t>*>(context)->fetch_add(
                                  *static_cast<const std::uint8_t*>(pixels), std::memory_order_relaxed);
                            }};
  for (auto _ : state) {
    if (!blurAreaRows(*picture.get(), 0, levelRect(picture.get(), 0), kSize, sink)) {
      state.SkipWithError("the blur failed");
      break;
    }
  }
  benchmark::DoNotOptimize(seen.load());
  setProcessorCountForTesting(0);
  countMegapixels(state);
}

void BM_BlurRgba8(benchmark::State& state) { blurBench(state, kRgba8); }
void BM_BlurRgba16(benchmark::State& state) { blurBench(state, kRgba16); }
void BM_BlurMemcpyLevel0Rgba8(benchmark::State& state) { memcpyBench(state, 4); }
void BM_BlurMemcpyLevel0Rgba16(benchmark::State& state) { memcpyBench(state, 8); }

BENCHMARK(BM_BlurRgba8)->ArgName("workers")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlurRgba16)->ArgName("workers")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlurMemcpyLevel0Rgba8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlurMemcpyLevel0Rgba16)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm
