// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/preview_pixels.h"

#include <cstring>

namespace qm::ui {
namespace {

constexpr std::uint32_t kFull16 = 32768;

std::uint8_t from16(const std::uint8_t* sample) {
  std::uint16_t v;
  std::memcpy(&v, sample, sizeof v);  // host rows need not be aligned
  const std::uint32_t held = v > kFull16 ? kFull16 : v;
  return std::uint8_t((10u * held) / 1285u);
}

std::uint8_t fromFloat(const std::uint8_t* sample) {
  float v;
  std::memcpy(&v, sample, sizeof v);
  if (!(v > 0.0f)) return 0;  // NaN as well
  if (v >= 1.0f) return 255;
  return std::uint8_t(v * 255.0f);
}

// The sample size is chosen once per row, so that the loop over a pane-wide row stays a
// plain load and store.
template <std::uint8_t (*kConvert)(const std::uint8_t*)>
void convertRow(const std::uint8_t* samples, std::ptrdiff_t columnBytes, std::int32_t count, std::uint8_t* out) {
  for (std::int32_t i = 0; i < count; ++i, samples += columnBytes) out[i] = kConvert(samples);
}

std::uint8_t from8(const std::uint8_t* sample) { return *sample; }

}  // namespace

std::uint8_t previewSample(const std::uint8_t* sample, int sampleBytes) {
  switch (sampleBytes) {
    case 1: return from8(sample);
    case 2: return from16(sample);
    case 4: return fromFloat(sample);
    default: return 0;
  }
}

void convertRowTo8Bit(const std::uint8_t* samples, std::ptrdiff_t columnBytes, int sampleBytes, std::int32_t count,
                      std::uint8_t* out) {
  switch (sampleBytes) {
    case 1: convertRow<from8>(samples, columnBytes, count, out); break;
    case 2: convertRow<from16>(samples, columnBytes, count, out); break;
    case 4: convertRow<fromFloat>(samples, columnBytes, count, out); break;
    default:
      for (std::int32_t i = 0; i < count; ++i) out[i] = 0;
      break;
  }
}

std::size_t previewBitmapRowBytes(std::int32_t width) {
  if (width <= 0) return 0;
  return (3 * std::size_t(width) + 3) & ~std::size_t(3);
}

void packPreviewBitmap(const PreviewPixels& pixels, bool colour, std::uint8_t* out) {
  if (!out || !pixels.data || pixels.planes < 1 || pixels.width <= 0 || pixels.height <= 0) return;
  const std::size_t width = std::size_t(pixels.width);
  const std::size_t planeSize = width * std::size_t(pixels.height);
  const bool rgb = colour && pixels.planes >= 3;
  const std::size_t rowBytes = previewBitmapRowBytes(pixels.width);
  for (std::size_t y = 0; y < std::size_t(pixels.height); ++y) {
    const std::uint8_t* red = pixels.data + y * width;
    const std::uint8_t* green = rgb ? red + planeSize : red;
    const std::uint8_t* blue = rgb ? red + 2 * planeSize : red;
    std::uint8_t* row = out + y * rowBytes;
    for (std::size_t x = 0; x < width; ++x) {
      row[3 * x] = blue[x];
      row[3 * x + 1] = green[x];
      row[3 * x + 2] = red[x];
    }
    std::memset(row + 3 * width, 0, rowBytes - 3 * width);
  }
}

}  // namespace qm::ui
