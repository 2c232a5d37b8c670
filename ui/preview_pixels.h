// SPDX-License-Identifier: LicenseRef-Quillmark
// The preview's own pixels: 8-bit planes, filled either with the ink rendering of the pane's
// region or, while the user drags the view, with the host's untreated samples brought down to
// 8 bits; and the 24-bit bitmap rows the dialog's view draws them with. Nothing here knows a
// window, so the dialog's drawing is tested and timed without one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::ui {

// Planar 8-bit pixels: `planes` planes one after another, each width x height, row-major.
struct PreviewPixels {
  std::int32_t width;
  std::int32_t height;
  std::int32_t planes;
  std::uint8_t* data;
};

// One host sample to 8 bits for the preview: 8-bit as it is; 16-bit v (0..32768, larger
// held at 32768) to (10 x v) / 1285 in unsigned integer division (2v / 257, so 32768 gives
// 255); float held within 0..1, times 255, truncated (NaN gives 0). Samples need no
// alignment. Any other sample size gives 0.
std::uint8_t previewSample(const std::uint8_t* sample, int sampleBytes);

// `count` samples `columnBytes` apart into 8-bit bytes, as previewSample converts them.
void convertRowTo8Bit(const std::uint8_t* samples, std::ptrdiff_t columnBytes, int sampleBytes, std::int32_t count,
                      std::uint8_t* out);

// Row length of a 24-bit bitmap row: 3 x width padded up to a multiple of 4 (0 for no width).
std::size_t previewBitmapRowBytes(std::int32_t width);

// Packs the planes into a top-down 24-bit bitmap (blue, green, red per pixel, rows padded
// with zero bytes): a colour image (colour true and planes >= 3) takes red from plane 0,
// green from 1, blue from 2; otherwise all three bytes take plane 0. `out` holds
// previewBitmapRowBytes(width) x height bytes. Pixels without data or planes leave `out`
// untouched.
void packPreviewBitmap(const PreviewPixels& pixels, bool colour, std::uint8_t* out);

}  // namespace qm::ui
