// SPDX-License-Identifier: LicenseRef-Quillmark
// Rebuilds every coarser level from the one below with a 6 x 6 kernel (weights sum 1640);
// the integer formats divide by 1630, so they come out slightly brighter and are held at
// the format maximum. One tile job per level, levels strictly in order.
//
// Destination pixel (x, y) of level L + 1 takes source pixels (2x + dx, 2y + dy) of level L,
// dx and dy from -2 to 3; taps outside level L repeat its edge pixels. Results per format:
// - Gray8, Rgba8 (all four channels): min(sum / 1630, 255);
// - Rgba16: sum / 1630 held at 32768, where the sum is the running sum of the 32 taps in
//   row order rounded to single precision after every addition (only sums past 2^24 round);
// - RgbaFloat: the float sum in the same order x the single-precision reciprocal of 1640,
//   held within 0..65535 (NaN gives 0).
#pragma once

#include "engine/image_buffer.h"

namespace qm {

// Does nothing at all for a buffer of edge mode -1 (true). Otherwise rebuilds levels
// 1 .. last, each from the finished one before, and sets the pyramid state to 2 (also when
// there is no coarser level). False when a level's job failed (memory ran out): the levels
// from there on are incomplete and the state is left as it was.
bool buildPyramid(ImageBuffer& image);
// One task: the pixels of `rect` (level + 1 coordinates, clipped to that level) from level
// `level`. Nothing when level + 1 is past the last level or the buffer has no pixels.
void reduceLevelTask(ImageBuffer& image, int level, const ImageRect& rect);

}  // namespace qm
