// SPDX-License-Identifier: LicenseRef-Quillmark
// Artwork on a transparent background (icons and cursors): the same drawing is painted
// once on black and once on white paper, and the two results give each pixel's exact
// opacity and colour, however many anti-aliased edges overlap there.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "resources/ink_canvas.h"

namespace qm::resources {

// Eight-bit RGBA, rows top to bottom, colours not premultiplied.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};

using Painter = std::function<void(InkCanvas&)>;

RgbaImage paintTransparent(int width, int height, const Painter& paint);

}  // namespace qm::resources
