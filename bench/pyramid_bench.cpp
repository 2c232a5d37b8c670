// SPDX-License-Identifier: LicenseRef-Quillmark
// Building every coarser level of a 6000 x 4000 image, Rgba8 and Rgba16, with 1 and 2
// workers, beside a plain memcpy of the level-0 bytes for scale.
// Targets: Rgba8 with 2 workers within 100 ms, and at least 1.7 times as fast as with 1.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/engine_picture.h"
#include "engine/image_buffer.h"
#include "engine/jobs.h"
#include "engine/pyramid.h"

namespace qm {
namespace {

using bench::countMegapixels;
using bench::memcpyBench;
using bench::Picture;

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
