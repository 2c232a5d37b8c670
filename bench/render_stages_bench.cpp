// SPDX-License-Identifier: LicenseRef-Quillmark
// The stages of a whole-document render of a 6000 x 4000 RGB document with two workers, at
// 8 and 16 bits and in float: loading level 0 (and building the pyramid, which only the
// dialog's previews need), the tone images, and the rows (tone, style, blend and delivery
// into an interleaved document in memory, as a host's document takes them). Every style,
// every depth; the counters are the medians over the iterations, in milliseconds.
//
// BM_DocumentRender times the same render as the command does it: the document handed over
// by a host (here from memory, an area at a time), loaded without the pyramid, as only its
// tone when the ink is laid plainly (kind 1) or with its colours (kind 0), then rendered.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/engine_picture.h"
#include "engine/jobs.h"
#include "engine/pyramid.h"
#include "render/ink_samples.h"
#include "render/render_image.h"
#include "render/source_loading.h"
#include "render/style_registry.h"
#include "render/working_set_record.h"

namespace qm {
namespace {

constexpr std::int32_t kWidth = bench::kWidth;
constexpr std::int32_t kHeight = bench::kHeight;

// Smooth shading with some detail, as a photograph's tones look to a screen, in the
// document's own samples (bytes, 16-bit 0..32768, floats), red, green and blue interleaved.
std::vector<std::uint8_t> photographSamples(std::int32_t sampleBytes) {
  std::vector<std::uint8_t> samples(std::size_t(kWidth) * kHeight * 3 * std::size_t(sampleBytes));
  std::uint8_t* at = samples.data();
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x)
      for (int c = 0; c < 3; ++c, at += sampleBytes) {
        const std::uint32_t v = std::uint32_t(x / 24 + y / 16 + c * 40 + ((x ^ y) & 15)) & 255u;
        if (sampleBytes == 1) {
          *at = std::uint8_t(v);
        } else if (sampleBytes == 2) {
          const std::uint16_t wide = std::uint16_t((v * 32768u + 127u) / 255u);
          std::memcpy(at, &wide, sizeof wide);
        } else {
          const float light = float(v) / 255.0f;
          std::memcpy(at, &light, sizeof light);
        }
      }
  return samples;
}

std::int32_t formatFor(std::int32_t sampleBytes) {
  return sampleBytes == 4 ? kRgbaFloat : (sampleBytes == 2 ? kRgba16 : kRgba8);
}

// The rows of the render stored into an interleaved document, as a host's buffer takes them.
struct DocumentSink {
  DocumentLayout layout;
  std::vector<std::uint8_t>* samples;
};
bool beginRows(void*, std::int32_t, std::int32_t) { return true; }
void storeRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const void* colours,
              std::ptrdiff_t stride) {
  const DocumentSink& sink = *static_cast<const DocumentSink*>(context);
  const std::ptrdiff_t pixelBytes = 3 * sink.layout.sampleBytes;
  storeSamples(sink.layout, colours, stride, count,
               sink.samples->data() + (std::ptrdiff_t(y) * kWidth + x) * pixelBytes, pixelBytes);
}
void storeInkRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const BandCell* cells,
                 const InkSamples& samples) {
  const DocumentSink& sink = *static_cast<const DocumentSink*>(context);
  const std::ptrdiff_t pixelBytes = 3 * sink.layout.sampleBytes;
  storeInkSamples(samples, cells, count, sink.samples->data() + (std::ptrdiff_t(y) * kWidth + x) * pixelBytes,
                  pixelBytes);
}

// The document in memory a render of a style delivers into, and the look's settings.
struct RenderTarget {
  std::vector<std::uint8_t> document;
  InkSettings settings{};
  DocumentSink sink;
  RenderOutput output;

  RenderTarget(std::int32_t style, std::int32_t sampleBytes, std::size_t bytes)
      : document(bytes), sink{{sampleBytes, 3, 0}, &document},
        output{&sink, sink.layout, beginRows, nullptr, storeRow, nullptr, nullptr, storeInkRow} {
    resetForRun(settings);
    settings.look.style = style;
  }
  RenderTarget(const RenderTarget&) = delete;
  RenderTarget& operator=(const RenderTarget&) = delete;
};

double medianOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n == 0 ? 0.0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0);
}

// The render's own stage times, one more of each.
void recordStages(const RenderStageTimes& t, std::map<std::string, std::vector<double>>& stages) {
  stages["tone images ms"].push_back(t.toneImages);
  stages["tone rows ms"].push_back(t.toneRows);
  stages["style ms"].push_back(t.style);
  stages["blend ms"].push_back(t.blend);
  stages["delivery ms"].push_back(t.delivery);
  stages["render ms"].push_back(t.total);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Arguments: style, sample bytes (1, 2, 4).
void BM_RenderStages(benchmark::State& state) {
  const std::int32_t style = std::int32_t(state.range(0));
  const std::int32_t sampleBytes = std::int32_t(state.range(1));
  setProcessorCountForTesting(2);
  std::vector<std::uint8_t> source = photographSamples(sampleBytes);
  RenderTarget target(style, sampleBytes, source.size());
  InkSettings& settings = target.settings;
  const RenderOutput& output = target.output;
  RenderWorkingSet* working = createWorkingSet();
  const InterleavedPixels pixels{source.data(), std::ptrdiff_t(kWidth) * 3 * sampleBytes, 3 * sampleBytes,
                                 {0, 1, 2}, -1};
  std::map<std::string, std::vector<double>> stages;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (!configureImageBuffer(&working->source, kWidth, kHeight, formatFor(sampleBytes), 0, false)) {
      state.SkipWithError("no memory");
      break;
    }
    storeInterleaved(working->source, {0, 0, kHeight, kWidth}, pixels);
    stages["load ms"].push_back(secondsSince(start));
    const auto pyramid = std::chrono::steady_clock::now();
    buildPyramid(working->source);
    stages["pyramid ms"].push_back(secondsSince(pyramid));
    if (renderDocument(settings, *working, output) != kRenderDone) state.SkipWithError("the render failed");
    recordStages(working->times, stages);
  }
  for (const auto& [name, values] : stages) state.counters[name] = medianOf(values) * 1e3;
  releaseWorkingSet(working);
  setProcessorCountForTesting(0);
  bench::countMegapixels(state);
}

// A host's document in memory: every area asked for, straight from the samples.
struct MemoryHost {
  const std::vector<std::uint8_t>* samples;
  std::int32_t sampleBytes;

  static bool fetch(void* context, const ImageRect& area, ImageRect& delivered, InterleavedPixels& pixels) {
    const MemoryHost& host = *static_cast<const MemoryHost*>(context);
    const std::ptrdiff_t pixelBytes = 3 * host.sampleBytes;
    delivered = area;
    pixels = {host.samples->data() + (std::ptrdiff_t(area.top) * kWidth + area.left) * pixelBytes,
              std::ptrdiff_t(kWidth) * pixelBytes, std::int32_t(pixelBytes), {0, 1, 2}, -1};
    return true;
  }
};

// Arguments: style, sample bytes (1, 2, 4), load kind (0 colours, 1 tone only).
void BM_DocumentRender(benchmark::State& state) {
  const std::int32_t style = std::int32_t(state.range(0));
  const std::int32_t sampleBytes = std::int32_t(state.range(1));
  const bool toneOnly = state.range(2) == 1;
  setProcessorCountForTesting(2);
  const std::vector<std::uint8_t> source = photographSamples(sampleBytes);
  RenderTarget target(style, sampleBytes, source.size());
  InkSettings& settings = target.settings;
  const RenderOutput& output = target.output;
  MemoryHost host{&source, sampleBytes};
  DocumentSource from{&host, kWidth, kHeight, sampleBytes, MemoryHost::fetch, nullptr};
  from.opaque = true;
  std::map<std::string, std::vector<double>> stages;
  for (auto _ : state) {
    RenderWorkingSet* working = createWorkingSet();  // a command run starts with nothing
    const auto start = std::chrono::steady_clock::now();
    const SourceLoad load = toneOnly ? loadToneOnly(*working, from, documentBlurSize(settings))
                                     : loadSource(*working, from, SourcePyramid::None);
    stages["load ms"].push_back(secondsSince(start));
    if (load != SourceLoad::Loaded || renderDocument(settings, *working, output) != kRenderDone)
      state.SkipWithError("the render failed");
    stages["whole ms"].push_back(secondsSince(start));
    recordStages(working->times, stages);
    releaseWorkingSet(working);
  }
  for (const auto& [name, values] : stages) state.counters[name] = medianOf(values) * 1e3;
  setProcessorCountForTesting(0);
  bench::countMegapixels(state);
}

std::vector<std::int64_t> allStyles() {
  std::vector<std::int64_t> styles;
  for (const StyleEntry& entry : styleEntries()) styles.push_back(entry.number);
  std::sort(styles.begin(), styles.end());
  return styles;
}

BENCHMARK(BM_RenderStages)
    ->ArgsProduct({allStyles(), {1, 2, 4}})
    ->ArgNames({"style", "bytes"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

BENCHMARK(BM_DocumentRender)
    ->ArgsProduct({allStyles(), {1, 2, 4}, {0, 1}})
    ->ArgNames({"style", "bytes", "tone only"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

}  // namespace
}  // namespace qm
