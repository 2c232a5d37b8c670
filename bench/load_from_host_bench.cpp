// SPDX-License-Identifier: LicenseRef-Quillmark
// Loading a 6000 x 4000 document from the substitute host into the working image: level 0
// with the pyramid, the host's own share (deliveries without copying), a
// plain memcpy of the same level-0 bytes for scale, and the memory the buffer takes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/host_document.h"
#include "cli/substitute_host.h"
#include "engine/image_buffer.h"
#include "host/area_request.h"
#include "host/host_coordinates.h"
#include "host/module_state.h"
#include "host/plugin_dispatch.h"
#include "host/source_loader.h"
#include "render/working_set_record.h"

namespace qm {
namespace {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;
constexpr double kMegapixels = double(kWidth) * kHeight / 1e6;

cli::RasterImage makePicture(cli::SampleType type) {
  cli::RasterImage image;
  image.width = kWidth;
  image.height = kHeight;
  image.colorChannels = 3;
  image.type = type;
  image.pixels.resize(image.rowBytes() * std::size_t(kHeight));
  const int bytes = cli::bytesPerSample(type);
  std::uint8_t* at = image.pixels.data();
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x)
      for (int c = 0; c < 3; ++c, at += bytes) {
        const std::uint16_t value = std::uint16_t((x * (c + 1) + y * 7) & 0xFFFF);
        std::memcpy(at, &value, std::size_t(bytes));
      }
  return image;
}

// A document in the substitute host with the module state pointing at its record, as
// during the plug-in's start phase.
class HostSession {
 public:
  explicit HostSession(cli::SampleType type) : host_(pluginEntry, cli::HostOptions{}) {
    std::string error;
    cli::makeDocument(makePicture(type), {}, document_, error);
    host_.beginDocument(document_);
    moduleState().record = &host_.record();
    moduleState().result = &result_;
    moduleState().settings = nullptr;
  }
  ~HostSession() {
    releaseWorkingSet(working_);
    moduleState().record = nullptr;
    moduleState().result = nullptr;
  }
  RenderWorkingSet& working() { return *working_; }
  ImageBuffer& image() { return working_->source; }
  bool ok() const { return result_ == 0; }

 private:
  cli::HostDocument document_;
  cli::SubstituteHost host_;
  std::int16_t result_ = 0;
  RenderWorkingSet* working_ = createWorkingSet();
};

void countMegapixels(benchmark::State& state) {
  state.counters["Mpixel/s"] = benchmark::Counter(kMegapixels, benchmark::Counter::kIsIterationInvariantRate);
}

// The first load touches the fresh tiles; the timed ones reuse them as a run does. The
// pyramid alone is in the pyramid benchmarks.
void loadBench(benchmark::State& state, cli::SampleType type) {
  HostSession session(type);
  if (!loadSourceFromHost(session.working(), SourcePyramid::Built)) state.SkipWithError("load failed");
  for (auto _ : state) {
    if (!loadSourceFromHost(session.working(), SourcePyramid::Built)) state.SkipWithError("load failed");
  }
  countMegapixels(state);
}

void BM_LoadWithPyramid_Rgb8(benchmark::State& state) { loadBench(state, cli::SampleType::UInt8); }
void BM_LoadWithPyramid_Rgb16(benchmark::State& state) { loadBench(state, cli::SampleType::UInt16); }

// The host's share: the same tile requests with nothing copied out of its buffer.
void hostOnlyBench(benchmark::State& state, cli::SampleType type) {
  HostSession session(type);
  ImageBuffer& image = session.image();
  configureImageBuffer(&image, kWidth, kHeight, kRgba8, 0, false);
  for (auto _ : state) {
    for (std::int32_t i = image.firstTile[0]; i <= image.lastTile[0]; ++i) {
      const ImageTile& tile = image.tiles[i];
      requestArea({tile.y0, tile.x0, tile.y0 + tile.rows, std::min(tile.x0 + kTileSize, kWidth)});
      setOutRect(*moduleState().record, {0, 0, 0, 0});
      if (!advance()) state.SkipWithError("delivery failed");
      benchmark::DoNotOptimize(deliveredArea().inData);
    }
  }
  emptyRequest();
  countMegapixels(state);
}

void BM_HostDeliveriesOnly_Rgb8(benchmark::State& state) { hostOnlyBench(state, cli::SampleType::UInt8); }
void BM_HostDeliveriesOnly_Rgb16(benchmark::State& state) { hostOnlyBench(state, cli::SampleType::UInt16); }

// For scale: the level-0 bytes of an Rgba8 image copied once.
void BM_MemcpyLevel0Bytes_Rgba8(benchmark::State& state) {
  const std::size_t bytes = std::size_t(kWidth) * kHeight * 4;
  std::vector<std::uint8_t> from(bytes, 1), to(bytes, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  countMegapixels(state);
}

// Memory of the working image with all its levels against its level-0 bytes; the budget
// (working image + pyramid + a blurred level-0 copy) is 2.8 times level 0.
void BM_MemoryOfRgba8Buffer(benchmark::State& state) {
  ImageBuffer image;
  initImageBuffer(image, nullptr);
  for (auto _ : state) {
    if (!configureImageBuffer(&image, kWidth, kHeight, kRgba8, 0, false)) state.SkipWithError("no memory");
    benchmark::DoNotOptimize(image.tiles);
  }
  const double level0 = double(kWidth) * kHeight * 4;
  state.counters["level0_MB"] = level0 / 1e6;
  state.counters["allLevels_MB"] = double(tileBytes(image)) / 1e6;
  state.counters["allLevels/level0"] = double(tileBytes(image)) / level0;
  state.counters["pixelBytes/level0"] = double(image.totalBytes) / level0;
  const double level0Tiles = double(image.tilesPerRow[0]) * kTileSize * kHeight * 4;
  state.counters["withLevel0Copy/level0"] = (double(tileBytes(image)) + level0Tiles) / level0;
  state.counters["twoBuffers/level0"] = 2.0 * double(tileBytes(image)) / level0;
  releasePixels(image);
}

// Wall-clock time: the pyramid is built on the worker threads.
BENCHMARK(BM_LoadWithPyramid_Rgb8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HostDeliveriesOnly_Rgb8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadWithPyramid_Rgb16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HostDeliveriesOnly_Rgb16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemcpyLevel0Bytes_Rgba8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemoryOfRgba8Buffer)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace qm
