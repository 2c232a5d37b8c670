// SPDX-License-Identifier: LicenseRef-Quillmark
// The six box passes of a blur of size 16.67 (diameter 50) over a 6000 x 4000 image, Rgba8
// and Rgba16, with 1 and 2 workers, beside a plain memcpy of the level-0 bytes for scale.
// Target: Rgba8 with 2 workers within 150 ms.
#include <benchmark/benchmark.h>

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
  for (auto _ : state) blurImage(*picture.get(), 0, levelRect(picture.get(), 0), kSize);
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
