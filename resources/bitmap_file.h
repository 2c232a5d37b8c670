// SPDX-License-Identifier: LicenseRef-Quillmark
// Windows bitmap files (BI_RGB, rows bottom to top, each row padded to 4 bytes), as the
// resource compiler takes them for BITMAP resources.
#pragma once

#include <cstdint>
#include <vector>

#include "resources/ink_canvas.h"

namespace qm::resources {

// 24 bits per pixel.
std::vector<std::uint8_t> encodeBitmap24(const RgbImage& image);

// 1 bit per pixel with the palette {black, white}: `white` holds one flag per pixel, rows
// top to bottom. A classic mask: black where the mark is drawn, white where it is not.
std::vector<std::uint8_t> encodeBitmap1(int width, int height, const std::vector<bool>& white);

}  // namespace qm::resources
