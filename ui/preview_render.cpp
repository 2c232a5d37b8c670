// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/preview_render.h"

#include <cstddef>
#include <new>
#include <vector>

namespace qm::ui {
namespace {

// The render's output for the preview: each finished row through the document's own 8-bit
// store into one interleaved scratch row, then out to the planes.
struct PlanarOutput {
  const PreviewPixels* pixels;
  DocumentLayout eightBit;
  std::int32_t planes;
  std::vector<std::uint8_t> row;
  bool (*shouldAbort)(void*);
  void* abortContext;
};

bool acceptRows(void*, std::int32_t, std::int32_t) { return true; }

void storeRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const void* colours,
              std::ptrdiff_t stride) {
  PlanarOutput& output = *static_cast<PlanarOutput*>(context);
  const PreviewPixels& pixels = *output.pixels;
  const std::size_t planes = std::size_t(output.planes);
  storeSamples(output.eightBit, colours, stride, count, output.row.data(), std::ptrdiff_t(planes));
  const std::size_t planeSize = std::size_t(pixels.width) * std::size_t(pixels.height);
  std::uint8_t* first = pixels.data + std::size_t(y) * std::size_t(pixels.width) + std::size_t(x);
  for (std::size_t p = 0; p < planes; ++p) {
    std::uint8_t* plane = first + p * planeSize;
    const std::uint8_t* sample = output.row.data() + p;
    for (std::int32_t i = 0; i < count; ++i, sample += planes) plane[i] = *sample;
  }
}

bool userStopped(void* context) {
  const PlanarOutput& output = *static_cast<const PlanarOutput*>(context);
  return output.shouldAbort && output.shouldAbort(output.abortContext);
}

bool knownSampleSize(std::int32_t sampleBytes) { return sampleBytes == 1 || sampleBytes == 2 || sampleBytes == 4; }

}  // namespace

std::int32_t previewPlaneCount(const DocumentLayout& layout) {
  return (layout.colourPlanes < 3 ? 1 : 3) + (layout.hasTransparency ? 1 : 0);
}

RenderFailure renderPreviewRegion(InkSettings& settings, RenderWorkingSet& working, const DocumentLayout& layout,
                                  std::int32_t offsetX, std::int32_t offsetY, const PreviewPixels& pixels,
                                  bool (*shouldAbort)(void*), void* abortContext) {
  const std::int32_t planes = previewPlaneCount(layout);
  if (pixels.width < 0 || pixels.height < 0 || !knownSampleSize(layout.sampleBytes)) return kRenderOutputFailed;
  if (pixels.width == 0 || pixels.height == 0) return kRenderDone;
  if (!pixels.data || pixels.planes < planes) return kRenderOutputFailed;
  PlanarOutput planar{&pixels, {1, layout.colourPlanes, layout.hasTransparency}, planes, {}, shouldAbort,
                      abortContext};
  try {
    planar.row.resize(std::size_t(pixels.width) * std::size_t(planes));
  } catch (const std::bad_alloc&) {
    return kRenderImageMemory;
  }
  const RenderOutput output{&planar, layout, acceptRows, nullptr, storeRow, userStopped, nullptr};
  const RenderView view{pixels.width, pixels.height, kTargetPreview, 1, offsetX, offsetY};
  return renderImage(settings, working, view, output);
}

}  // namespace qm::ui
