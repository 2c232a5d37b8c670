// SPDX-License-Identifier: LicenseRef-Quillmark
// One row of one plane as the PSD file stores it, big-endian: the layer's channels hold the
// picture's samples, the composite shows the picture over a light and dark checkerboard of
// 8-pixel squares (32-bit files keep the colours as they are).
#pragma once

#include <cstdint>

#include "formats/psd_writer.h"

namespace qm::psd {

// `channel` indexes the RGBA pixel (3 is alpha); `out` takes width x bytesPerChannel bytes.
void layerRow(const PsdPicture& picture, std::int32_t y, int channel, std::uint8_t* out);
void compositeRow(const PsdPicture& picture, std::int32_t y, int channel, std::uint8_t* out);

}  // namespace qm::psd
