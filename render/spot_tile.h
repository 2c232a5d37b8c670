// SPDX-License-Identifier: LicenseRef-Quillmark
// The threshold texture of spots, netting and spiders: one of the four dot textures (fine
// to coarse by line weight), doubled for the line weight and the scale, then equalised so
// that its values spread evenly over 0..255 and a density t inks about t / 255 of it.
#pragma once

#include <cstdint>

#include "engine/image_buffer.h"

namespace qm {

// Builds the tile into `tile` (any record given to initImageBuffer or zero-initialised);
// false when memory runs out, with no pixels left behind.
bool buildSpotTile(ImageBuffer& tile, std::int32_t lineWeight, std::int32_t scale);

}  // namespace qm
