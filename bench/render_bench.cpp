// SPDX-License-Identifier: LicenseRef-Quillmark
// The whole render of a 6000 x 4000 8-bit RGB document inside the plug-in, and where its
// time goes. RenderDocument runs the plug-in's phases through the substitute host in this
// process: loading from the host, pyramid, tone images, style, blend and the deliveries
// back. RenderToMemory is the style and blend alone (the tone images included), writing
// into memory; ToneImages is the blur of the sampled level. Each repetition starts with new
// working images, so the first of its iterations also faults in their memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/engine_picture.h"
#include "cli/host_document.h"
#include "cli/settings_text.h"
#include "cli/substitute_host.h"
#include "engine/jobs.h"
#include "render/style_tables.h"
#include "engine/pyramid.h"
#include "host/plugin_dispatch.h"
#include "render/render_image.h"
#include "render/tone_images.h"

namespace qm {
namespace {

constexpr std::int32_t kWidth = bench::kWidth;
constexpr std::int32_t kHeight = bench::kHeight;

// Smooth shading with detail: what a photograph's tones look like to a screen.
cli::RasterImage makePhotograph() {
  cli::RasterImage image;
  image.width = kWidth;
  image.height = kHeight;
  image.colorChannels = 3;
  image.type = cli::SampleType::UInt8;
  image.pixels.resize(image.rowBytes() * std::size_t(kHeight));
  std::uint8_t* at = image.pixels.data();
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x)
      for (int c = 0; c < 3; ++c) *at++ = std::uint8_t((x / 24 + y / 16 + c * 40 + ((x ^ y) & 15)) & 255);
  return image;
}

cli::DescriptorItems lookWithStyle(int style) {
  char text[64];
  std::snprintf(text, sizeof text, "QNky style = QN%02d\n", style);
  cli::DescriptorItems items;
  std::string error;
  cli::parseSettingsText(text, items, error);
  return items;
}

void BM_RenderDocument(benchmark::State& state) {
  const int style = int(state.range(0));
  cli::HostDocument document;
  std::string error;
  cli::makeDocument(makePhotograph(), {}, document, error);
  cli::HostOptions options;
  options.seed = 1;
  cli::SubstituteHost host(pluginEntry, options);
  cli::RunRequest request;
  request.descriptor = lookWithStyle(style);
  for (auto _ : state) {
    const cli::RunOutcome outcome = host.run(document, request);
    if (outcome.result != 0) state.SkipWithError("the render failed");
  }
  bench::countMegapixels(state);
}
BENCHMARK(BM_RenderDocument)->Arg(1)->Arg(20)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// An output that only counts what it is given.
struct NullOutput {
  std::int64_t stored = 0;
};
bool beginRows(void*, std::int32_t, std::int32_t) { return true; }
void storeRow(void* context, std::int32_t, std::int32_t, std::int32_t count, const void*, std::ptrdiff_t) {
  static_cast<NullOutput*>(context)->stored += count;
}

// Renders the style of the benchmark's first argument into memory, every iteration.
void renderStyleToMemory(benchmark::State& state) {
  bench::Picture picture(kRgba8);
  buildPyramid(*picture.get());
  ImageBuffer sharp{}, blurred{};
  initImageBuffer(sharp, nullptr);
  initImageBuffer(blurred, nullptr);
  InkSettings settings{};
  resetForRun(settings);
  settings.look.style = std::int32_t(state.range(0));
  RenderState renderState{};
  RenderTables tables{};
  NullOutput sink;
  const RenderOutput output{&sink, {1, 3, 0}, beginRows, nullptr, storeRow, nullptr, nullptr};
  const RenderImages images{picture.get(), &sharp, &blurred};
  const RenderView view{kWidth, kHeight, kTargetMemoryImage, 1, 0, 0};
  for (auto _ : state) {
    if (renderImage(settings, renderState, tables, images, view, output) != kRenderDone)
      state.SkipWithError("the render failed");
  }
  releasePixels(sharp);
  releasePixels(blurred);
  freeErrorRow(renderState);
  bench::countMegapixels(state);
}

void BM_RenderToMemory(benchmark::State& state) { renderStyleToMemory(state); }
BENCHMARK(BM_RenderToMemory)->Arg(1)->Arg(20)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The band-mode screens, with 1 and 2 workers: bands of 64 rows, each rendered and blended
// on its worker, run side by side.
void BM_RenderBandStyle(benchmark::State& state) {
  setProcessorCountForTesting(int(state.range(1)));
  renderStyleToMemory(state);
  setProcessorCountForTesting(0);
}
BENCHMARK(BM_RenderBandStyle)
    ->ArgsProduct({{2, 5, 6, 7, 8, 9, 10, 11, 13, 17, 18, 19, 21, 22, 23}, {1, 2}})
    ->ArgNames({"style", "workers"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

void BM_ToneImages(benchmark::State& state) {
  bench::Picture picture(kRgba8);
  ImageBuffer sharp{}, blurred{};
  initImageBuffer(sharp, nullptr);
  initImageBuffer(blurred, nullptr);
  ToneSource tone{};
  for (auto _ : state) {
    if (!makeToneImages(*picture.get(), 0, {0, 0, kHeight, kWidth}, blurSizeFor(50, 0), sharp, blurred, tone))
      state.SkipWithError("no memory");
  }
  releasePixels(sharp);
  releasePixels(blurred);
  bench::countMegapixels(state);
}
BENCHMARK(BM_ToneImages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace qm
