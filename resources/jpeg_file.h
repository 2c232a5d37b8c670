// SPDX-License-Identifier: LicenseRef-Quillmark
// JPEG files of our artwork, for JPEG resources. Colour is kept at full resolution (no
// chroma subsampling), so the accent's edges stay clean on the small pictures.
#pragma once

#include <cstdint>
#include <vector>

#include "resources/ink_canvas.h"

namespace qm::resources {

constexpr int kArtworkJpegQuality = 90;

std::vector<std::uint8_t> encodeJpeg(const RgbImage& image, int quality = kArtworkJpegQuality);

}  // namespace qm::resources
