// SPDX-License-Identifier: LicenseRef-Quillmark
// The cells a render task works in: one per pixel of the task's rectangle, row after row.
// The tone goes in first (the sharpened and the blurred grey), then the style stores its ink
// sample beside it. Every sample a style can make is a grey level named by one byte (see
// inkLevel), so a cell is four bytes, and a 6000-pixel row of them stays in the cache
// while it goes from the tone to the style and the blend. The memory is the task's
// scratch, reused from task to task and never cleared, so every stage writes each cell of
// its rows before the next reads it.
//
// Band-mode tasks that blend with the source on their worker keep the blended colours of
// the band in a second array beside the cells, for the calling thread to store.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/image_buffer.h"
#include "render/blend_modes.h"

namespace qm {

// The ink of a cell no style has written yet; it reads as paper.
constexpr std::uint16_t kNoInk = 256;

struct BandCell {
  std::uint8_t tone;     // the sharpened grey S
  std::uint8_t blurred;  // the blurred grey B
  // The style's sample: 0 full ink .. 255 paper, or kNoInk. Sixteen bits rather than a
  // byte, and not only for kNoInk: a store through a byte type may alias anything, so the
  // compiler would reload every value of the style's loop after each sample stored.
  std::uint16_t ink;
};
static_assert(sizeof(BandCell) == 4);

struct Band {
  BandCell* cells;  // (rect.right - rect.left) x (rect.bottom - rect.top)
  ImageRect rect;   // render coordinates
  Colour* colours = nullptr;  // the blended colours, the same shape, when the worker blends
};

inline std::int32_t bandWidth(const Band& band) { return band.rect.right - band.rect.left; }

// The cells of row y (inside the band's rectangle).
inline BandCell* bandRow(const Band& band, std::int32_t y) {
  return band.cells + std::ptrdiff_t(y - band.rect.top) * bandWidth(band);
}
inline Colour* bandColours(const Band& band, std::int32_t y) {
  return band.colours + std::ptrdiff_t(y - band.rect.top) * bandWidth(band);
}

}  // namespace qm
