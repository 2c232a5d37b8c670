// SPDX-License-Identifier: LicenseRef-Quillmark
// The dialog's preview on a 6000 x 4000 8-bit RGB document, loaded once into a working set
// as the dialog holds it. PreviewRepaint is what a committed change costs: the pane's
// 438 x 418 region (the pane at 100 % display scaling) rendered at diameter 50 and packed
// into the bitmap the pane is drawn from, per style, with 1 and 2 workers. PreviewPanStep
// is one step of a drag: the same region of the host's interleaved buffer brought to 8-bit
// planes plane by plane and packed, from 8-bit and from 16-bit samples.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/engine_picture.h"
#include "engine/jobs.h"
#include "render/source_loading.h"
#include "render/style_registry.h"
#include "ui/preview_pixels.h"
#include "ui/preview_render.h"

namespace qm {
namespace {

constexpr std::int32_t kWidth = bench::kWidth;
constexpr std::int32_t kHeight = bench::kHeight;
constexpr std::int32_t kPaneWidth = 438;
constexpr std::int32_t kPaneHeight = 418;
// The pane over the middle of the document, away from every edge.
constexpr std::int32_t kLeft = (kWidth - kPaneWidth) / 2;
constexpr std::int32_t kTop = (kHeight - kPaneHeight) / 2;
constexpr DocumentLayout kRgb8{1, 3, 0};

// Smooth shading with detail, interleaved red, green, blue as a host hands it over.
std::vector<std::uint8_t> makePhotograph() {
  std::vector<std::uint8_t> rgb(std::size_t(kWidth) * kHeight * 3);
  std::uint8_t* at = rgb.data();
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x)
      for (int c = 0; c < 3; ++c) *at++ = std::uint8_t((x / 24 + y / 16 + c * 40 + ((x ^ y) & 15)) & 255);
  return rgb;
}

bool fetchArea(void* context, const ImageRect& area, ImageRect& delivered, InterleavedPixels& pixels) {
  const auto& rgb = *static_cast<const std::vector<std::uint8_t>*>(context);
  delivered = area;
  pixels = {rgb.data() + (std::size_t(area.top) * kWidth + std::size_t(area.left)) * 3, std::ptrdiff_t(kWidth) * 3, 3,
            {0, 1, 2}, -1};
  return true;
}

// The host's buffer and the working set loaded from it, made once for all the benchmarks.
struct LoadedDocument {
  std::vector<std::uint8_t> host = makePhotograph();
  RenderWorkingSet* working = createWorkingSet();
  bool loaded = false;
  LoadedDocument() {
    const DocumentSource source{&host, kWidth, kHeight, 1, fetchArea, nullptr};
    loaded = working && loadSource(*working, source, SourcePyramid::Built) == SourceLoad::Loaded;
  }
};

LoadedDocument& document() {
  static LoadedDocument loaded;
  return loaded;
}

// The preview's planes and the bitmap rows the pane is drawn from.
struct PaneBuffers {
  std::vector<std::uint8_t> planes = std::vector<std::uint8_t>(std::size_t(kPaneWidth) * kPaneHeight * 3);
  std::vector<std::uint8_t> bitmap =
      std::vector<std::uint8_t>(ui::previewBitmapRowBytes(kPaneWidth) * std::size_t(kPaneHeight));
  ui::PreviewPixels pixels() { return {kPaneWidth, kPaneHeight, 3, planes.data()}; }
};

std::vector<std::int64_t> everyStyle() {
  std::vector<std::int64_t> styles;
  for (const StyleEntry& entry : styleEntries()) styles.push_back(entry.number);
  return styles;
}

std::vector<std::int64_t> spotTileStyles() {
  std::vector<std::int64_t> styles;
  for (const StyleEntry& entry : styleEntries())
    if (entry.has(kUsesSpotTile)) styles.push_back(entry.number);
  return styles;
}

// Repaints of the style of the first argument with the second's workers, at the scale given
// (1x, 2x, 4x as 1, 2, 3) and the look's other values as a new run has them.
void repaint(benchmark::State& state, std::int32_t scale) {
  LoadedDocument& loaded = document();
  if (!loaded.loaded) {
    state.SkipWithError("the document could not be loaded");
    return;
  }
  const StyleEntry& entry = styleEntry(std::int32_t(state.range(0)));
  state.SetLabel(entry.name);
  InkSettings settings{};
  resetForRun(settings);
  settings.look.style = entry.number;
  settings.look.diameter = 50;
  settings.look.scale = scale;
  setProcessorCountForTesting(int(state.range(1)));
  PaneBuffers pane;
  for (auto _ : state) {
    if (ui::renderPreviewRegion(settings, *loaded.working, kRgb8, kLeft, kTop, pane.pixels()) != kRenderDone)
      state.SkipWithError("the preview did not render");
    ui::packPreviewBitmap(pane.pixels(), true, pane.bitmap.data());
    benchmark::DoNotOptimize(pane.bitmap.data());
  }
  setProcessorCountForTesting(0);
}

void BM_PreviewRepaint(benchmark::State& state) { repaint(state, 1); }
BENCHMARK(BM_PreviewRepaint)
    ->ArgsProduct({everyStyle(), {1, 2}})
    ->ArgNames({"style", "workers"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The styles that build a spot tile, at 4x where the tile is largest: its set-up runs on
// the calling thread at every render, whatever the region's size.
void BM_PreviewRepaintSpotTile4x(benchmark::State& state) { repaint(state, 3); }
BENCHMARK(BM_PreviewRepaintSpotTile4x)
    ->ArgsProduct({spotTileStyles(), {1, 2}})
    ->ArgNames({"style", "workers"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// An interleaved RGB host buffer of the document's width at the given depth, holding the
// pane's rows (a drag reads no others), and the pane's left column in it.
std::vector<std::uint8_t> hostRows(int sampleBytes) {
  const std::vector<std::uint8_t>& rgb = document().host;
  const std::size_t samples = std::size_t(kWidth) * kPaneHeight * 3;
  std::vector<std::uint8_t> rows(samples * std::size_t(sampleBytes));
  const std::uint8_t* from = rgb.data() + std::size_t(kTop) * kWidth * 3;
  for (std::size_t i = 0; i < samples; ++i) {
    if (sampleBytes == 1) {
      rows[i] = from[i];
    } else {
      const std::uint16_t wide = std::uint16_t(from[i] * 32768u / 255u);
      std::memcpy(rows.data() + 2 * i, &wide, 2);
    }
  }
  return rows;
}

void BM_PreviewPanStep(benchmark::State& state) {
  const int sampleBytes = int(state.range(0));
  const std::vector<std::uint8_t> host = hostRows(sampleBytes);
  const std::ptrdiff_t pixelBytes = 3 * sampleBytes;
  const std::ptrdiff_t rowBytes = std::ptrdiff_t(kWidth) * pixelBytes;
  PaneBuffers pane;
  const std::size_t planeSize = std::size_t(kPaneWidth) * kPaneHeight;
  for (auto _ : state) {
    for (int p = 0; p < 3; ++p)
      for (std::int32_t y = 0; y < kPaneHeight; ++y)
        ui::convertRowTo8Bit(host.data() + y * rowBytes + kLeft * pixelBytes + p * sampleBytes, pixelBytes,
                             sampleBytes, kPaneWidth, pane.planes.data() + p * planeSize + std::size_t(y) * kPaneWidth);
    ui::packPreviewBitmap(pane.pixels(), true, pane.bitmap.data());
    benchmark::DoNotOptimize(pane.bitmap.data());
  }
}
BENCHMARK(BM_PreviewPanStep)->ArgName("sampleBytes")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace qm
