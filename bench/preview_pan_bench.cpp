// SPDX-License-Identifier: LicenseRef-Quillmark
// One step of a drag over the dialog's preview, the way the plug-in takes it from a host:
// the pane's region of a 6000 x 4000 8-bit RGB document asked for plane by plane through
// the host's advance call (the command's substitute host answers), each plane brought to
// 8 bits, and the pane's 24-bit bitmap rows packed. The view moves a little every step.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "cli/host_document.h"
#include "cli/substitute_host.h"
#include "host/module_state.h"
#include "host/planar_copy.h"
#include "ui/preview_pixels.h"

namespace qm {
namespace {

constexpr std::int32_t kDocumentWidth = 6000;
constexpr std::int32_t kDocumentHeight = 4000;
constexpr std::int32_t kPaneWidth = 438;
constexpr std::int32_t kPaneHeight = 418;

cli::RasterImage shadedPicture() {
  cli::RasterImage image;
  image.width = kDocumentWidth;
  image.height = kDocumentHeight;
  image.colorChannels = 3;
  image.pixels.resize(std::size_t(kDocumentWidth) * kDocumentHeight * 3);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = std::uint8_t((i * 7 + i / 18000) & 255);
  return image;
}

void BM_PreviewPanStepThroughHost(benchmark::State& state) {
  cli::HostDocument document;
  std::string error;
  if (!cli::makeDocument(shadedPicture(), {}, document, error)) return state.SkipWithError(error.c_str());
  cli::SubstituteHost host(nullptr, cli::HostOptions{});
  host.beginDocument(document);
  std::int16_t result = 0;
  moduleState().record = &host.record();
  moduleState().result = &result;
  std::vector<std::uint8_t> planes(std::size_t(kPaneWidth) * kPaneHeight * 3);
  std::vector<std::uint8_t> bitmap(ui::previewBitmapRowBytes(kPaneWidth) * kPaneHeight);
  std::int32_t step = 0;
  for (auto _ : state) {
    const std::int32_t left = 1000 + (step % 64) * 3;
    const std::int32_t top = 1000 + (step % 64) * 2;
    ++step;
    for (int plane = 0; plane < 3; ++plane)
      copyPlaneTo8Bit({top, left, top + kPaneHeight, left + kPaneWidth}, plane,
                      planes.data() + std::size_t(plane) * kPaneWidth * kPaneHeight, kPaneWidth);
    ui::packPreviewBitmap({kPaneWidth, kPaneHeight, 3, planes.data()}, true, bitmap.data());
    benchmark::DoNotOptimize(bitmap.data());
  }
  moduleState().record = nullptr;
  moduleState().result = nullptr;
}
BENCHMARK(BM_PreviewPanStepThroughHost)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace qm
