// SPDX-License-Identifier: LicenseRef-Quillmark
// Windows icon (.ico) and cursor (.cur) files as the resource compiler takes them: a
// directory of images, each a 32-bit bitmap with alpha (rows bottom to top, blue, green,
// red, alpha) followed by a 1-bit AND mask for systems that ignore the alpha.
#pragma once

#include <cstdint>
#include <vector>

#include "resources/transparent_drawing.h"

namespace qm::resources {

// Each image at most 256 x 256 pixels.
std::vector<std::uint8_t> encodeIcon(const std::vector<RgbaImage>& images);

struct CursorImage {
  RgbaImage image;
  int hotspotX;  // the pixel that points, from the top-left corner
  int hotspotY;
};
std::vector<std::uint8_t> encodeCursor(const std::vector<CursorImage>& images);

}  // namespace qm::resources
