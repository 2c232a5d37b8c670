// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/render_image_buffer.h"

#include <cstring>
#include <vector>

#include "engine/pyramid.h"
#include "render/working_set_record.h"

namespace qm {
namespace {

struct BufferOutput {
  ImageBuffer* image;
  DocumentLayout layout;
};

bool beginRows(void*, std::int32_t, std::int32_t) { return true; }

// Through the same rounding as a document's samples, then into the buffer's own format.
void storeRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const void* colours,
              std::ptrdiff_t stride) {
  const BufferOutput& out = *static_cast<BufferOutput*>(context);
  ImageBuffer& image = *out.image;
  for (std::int32_t i = 0; i < count; ++i) {
    alignas(float) std::uint8_t samples[4 * sizeof(float)];
    storeSamples(out.layout, static_cast<const std::uint8_t*>(colours) + i * stride, stride, 1, samples,
                 sizeof samples);
    if (image.format == kRgba8) {
      setColour(image, x + i, y, 0, samples);
    } else if (image.format == kRgba16) {
      std::uint16_t wide[4];
      std::memcpy(wide, samples, sizeof wide);
      setColour(image, x + i, y, 0, wide);
    } else {
      float light[4];
      std::memcpy(light, samples, sizeof light);
      setColour(image, x + i, y, 0, light);
    }
  }
}

// Level 0 of the image into level 0 of the source, sample for sample.
void copyLevel0(ImageBuffer& from, ImageBuffer& to) {
  const std::int32_t width = from.width[0];
  std::vector<std::uint8_t> line(std::size_t(width) * std::size_t(from.bytesPerPixel));
  for (std::int32_t y = 0; y < from.height[0]; ++y) {
    if (from.format == kRgbaFloat) {
      for (std::int32_t x = 0; x < width; ++x) {
        float c[4];
        getColour(from, x, y, 0, c);
        setColour(to, x, y, 0, c);
      }
      continue;
    }
    lineTransfer(from, 0, y, 0, width, line.data(), false, false);
    lineTransfer(to, 0, y, 0, width, line.data(), true, false);
  }
}

std::int32_t sampleBytesOf(std::int32_t format) {
  return format == kRgbaFloat ? 4 : (format == kRgba16 ? 2 : 1);
}

}  // namespace

RenderFailure renderImageBuffer(InkSettings& settings, RenderWorkingSet& working, ImageBuffer& image) {
  const std::int32_t format = image.format;
  if (!hasPixels(image) || (format != kRgba8 && format != kRgba16 && format != kRgbaFloat))
    return kRenderImageMemory;
  const std::int32_t width = image.width[0];
  const std::int32_t height = image.height[0];
  ImageBuffer& source = working.source;
  if (!configureImageBuffer(&source, width, height, format, 0, false)) return kRenderImageMemory;
  copyLevel0(image, source);
  if (!buildPyramid(source)) return kRenderImageMemory;
  // The image's opacity is written as a document's transparency plane would be.
  BufferOutput sink{&image, {sampleBytesOf(format), 3, 1}};
  const RenderOutput output{&sink, sink.layout, beginRows, nullptr, storeRow, nullptr, nullptr};
  const RenderView view{width, height, kTargetMemoryImage, 1, 0, 0};
  return renderImage(settings, working, view, output);
}

}  // namespace qm
