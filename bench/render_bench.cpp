// SPDX-License-Identifier: LicenseRef-Quillmark
// The whole render of a 6000 x 4000 8-bit RGB document inside the plug-in, and where its
// time goes. RenderDocument runs the plug-in's phases through the substitute host in this
// process: loading from the host, pyramid, tone images, style, blend and the deliveries
// back. RenderToMemory is the style and blend alone (the tone images included), writing
// into memory; ToneImages is the blur of the sampled level. Each repetition starts with new
// working images, so the first of its iterations also faults in their memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/engine_picture.h"
#include "cli/host_document.h"
#include "cli/settings_text.h"
#include "cli/substitute_host.h"
#include "engine/jobs.h"
#include "engine/pyramid.h"
#include "host/plugin_dispatch.h"
#include "render/render_image.h"
#include "render/style_registry.h"
#include "render/tone_images.h"
#include "render/working_set_record.h"

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

// A style rendered from the ramp picture (with its pyramid) into memory, again and again;
// the working images stay from one render to the next, as they do for a redrawn preview.
class MemoryStyleRender {
 public:
  explicit MemoryStyleRender(std::int32_t style) : working_(createWorkingSet()) {
    bench::Picture picture(kRgba8);
    configureImageBuffer(&working_->source, kWidth, kHeight, kRgba8, 0, false);
    copyPixels(*picture.get(), working_->source);
    buildPyramid(working_->source);
    resetForRun(settings_);
    settings_.look.style = style;
  }
  ~MemoryStyleRender() { releaseWorkingSet(working_); }
  MemoryStyleRender(const MemoryStyleRender&) = delete;
  MemoryStyleRender& operator=(const MemoryStyleRender&) = delete;

  bool render() {
    const RenderOutput output{&sink_, {1, 3, 0}, beginRows, nullptr, storeRow, nullptr, nullptr};
    const RenderView view{kWidth, kHeight, kTargetMemoryImage, 1, 0, 0};
    return renderImage(settings_, *working_, view, output) == kRenderDone;
  }

 private:
  RenderWorkingSet* working_;
  InkSettings settings_{};
  NullOutput sink_;
};

// Renders the style of the benchmark's first argument into memory, every iteration.
void renderStyleToMemory(benchmark::State& state) {
  MemoryStyleRender render(std::int32_t(state.range(0)));
  for (auto _ : state) {
    if (!render.render()) state.SkipWithError("the render failed");
  }
  bench::countMegapixels(state);
}

void BM_RenderToMemory(benchmark::State& state) { renderStyleToMemory(state); }
BENCHMARK(BM_RenderToMemory)->Arg(1)->Arg(20)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

std::vector<std::int64_t> bandStyles() {
  std::vector<std::int64_t> styles;
  for (const StyleEntry& entry : styleEntries())
    if (entry.layout == bandMode) styles.push_back(entry.number);
  return styles;
}

// The band-mode screens, with 1 and 2 workers: bands of 64 rows, each rendered and blended
// on its worker, run side by side.
void BM_RenderBandStyle(benchmark::State& state) {
  setProcessorCountForTesting(int(state.range(1)));
  renderStyleToMemory(state);
  setProcessorCountForTesting(0);
}
BENCHMARK(BM_RenderBandStyle)
    ->ArgsProduct({bandStyles(), {1, 2}})
    ->ArgNames({"style", "workers"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n == 0 ? 0.0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0);
}

// The speed-up of a band-mode style from 1 worker to 2, measured in pairs: every iteration
// renders once with each, in turns which goes first, so that the machine's drift (which
// moves single timings here by up to a third) falls on both halves of a pair alike. The
// counters are the medians over the pairs; the iteration time is the pair's.
void BM_BandStyleSpeedUp(benchmark::State& state) {
  MemoryStyleRender render(std::int32_t(state.range(0)));
  std::vector<double> one, two, ratio;
  bool oneFirst = true;
  for (auto _ : state) {
    double seconds[2] = {};
    for (const int workers : oneFirst ? std::array{1, 2} : std::array{2, 1}) {
      setProcessorCountForTesting(workers);
      const auto start = std::chrono::steady_clock::now();
      if (!render.render()) state.SkipWithError("the render failed");
      seconds[workers - 1] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    oneFirst = !oneFirst;
    one.push_back(seconds[0] * 1e3);
    two.push_back(seconds[1] * 1e3);
    ratio.push_back(seconds[0] / seconds[1]);
    state.SetIterationTime(seconds[0] + seconds[1]);
  }
  setProcessorCountForTesting(0);
  state.counters["1 worker ms"] = median(one);
  state.counters["2 workers ms"] = median(two);
  state.counters["speed-up"] = median(ratio);
}
BENCHMARK(BM_BandStyleSpeedUp)
    ->ArgsProduct({bandStyles()})
    ->ArgName("style")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);

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
