// SPDX-License-Identifier: LicenseRef-Quillmark
// Rebuilds every coarser level from the one below with a 6 x 6 kernel (weights sum 1640);
// the integer formats divide by 1630, so they come out slightly brighter and are held at
// the format maximum. One tile job per level, levels strictly in order.
#pragma once

#include "engine/image_buffer.h"

namespace qm {

// Nothing for a buffer of edge mode -1; the pyramid state becomes 2.
void buildPyramid(ImageBuffer& image);
// One task: the pixels of `rect` (level + 1 coordinates) from level `level`.
void reduceLevelTask(ImageBuffer& image, int level, const ImageRect& rect);

}  // namespace qm
