// SPDX-License-Identifier: LicenseRef-Quillmark
// The cells a render task works in: one per pixel of the task's rectangle, row after row.
// The tone goes in first (the sharpened and the blurred grey), the style stores its ink
// sample over it, and band-mode renders blend the sample in place before the calling
// thread stores the row. The memory is the task's scratch, reused from task to task and
// never cleared, so every stage writes each cell of its rows before the next reads it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/image_buffer.h"

namespace qm {

struct BandCell {
  float colour[4];        // the ink sample, then the blended colour: red, green, blue, alpha
  std::int32_t spare[2];  // the sharpened grey S and the blurred grey B (0..255)
};
static_assert(sizeof(BandCell) == 24);

struct Band {
  BandCell* cells;  // (rect.right - rect.left) x (rect.bottom - rect.top)
  ImageRect rect;   // render coordinates
};

inline std::int32_t bandWidth(const Band& band) { return band.rect.right - band.rect.left; }

// The cells of row y (inside the band's rectangle).
inline BandCell* bandRow(const Band& band, std::int32_t y) {
  return band.cells + std::ptrdiff_t(y - band.rect.top) * bandWidth(band);
}

}  // namespace qm
