// SPDX-License-Identifier: LicenseRef-Quillmark
// An approximately Gaussian blur of one level in place: three box filters along rows and
// columns with running sums and exact integer division (floor). Rgba8 and Rgba16 only:
// channels 1..3 are filtered and the opacity comes out full (255, 32768); other formats are
// left as they are.
//
// A box window covers positions i - before .. i + after of a line; positions past either
// end of the line (the part of the row or column inside the pass's rectangle, clipped to
// the level) repeat the end sample.
#pragma once

#include <cstdint>

#include "engine/image_buffer.h"

namespace qm {

// Extents past this count as this (a blur size of about 9450).
constexpr std::int32_t kMostBoxExtent = 4095;

// The extents a blur size gives: q = size x 13 / 30, rounded = floor(q + 0.5),
// truncated = floor(q). Sizes that are not positive (or NaN) give 0 and 0.
struct BoxExtents {
  std::int32_t rounded = 0;
  std::int32_t truncated = 0;
};
BoxExtents boxExtents(float size);

// Where a row pass reads its lines: pixel (x, y) of the pass is pixel (x + left, y + top)
// of level `level` of `image`. No image means the pass's own image and level, in place.
struct BoxInput {
  const ImageBuffer* image = nullptr;
  int level = 0;
  std::int32_t left = 0;
  std::int32_t top = 0;
};

// Six passes, each a job of its own, so each sees the finished result of the one before:
// rows (truncated, rounded), columns (truncated, rounded), rows (rounded, truncated),
// columns (rounded, truncated), and when rounded >= 1, rows and columns
// (rounded - 1, rounded). Rows go in bands of 64, columns in strips of 64.
// False when a pass's job failed (memory ran out); the passes after it do not run, and the
// rectangle is left partly blurred.
bool blurImage(ImageBuffer& image, int level, const ImageRect& rect, float size);
// The blur of an area of another image without copying it first: the area of level
// `fromLevel` of `from` whose top left pixel is (left, top), as large as level 0 of `to`,
// blurred into level 0 of `to` (the first row pass reads from `from`). The same pixels as
// copying the area into `to` and blurring it there (but for a size too small for any
// window, which copies the area with full opacity). False, with `to` untouched, when the
// images differ in format, are not both Rgba8 or Rgba16, or the area leaves the level;
// false too when a pass failed, as for blurImage.
bool blurAreaInto(const ImageBuffer& from, int fromLevel, std::int32_t left, std::int32_t top, ImageBuffer& to,
                  float size);
// One task of a box pass over the rows (or columns) of `rect`, window i - before .. i + after.
// In place it does nothing, reading nothing, when both extents are 0. A row pass may read
// from another image of the same format (`input`, which must cover the shifted rectangle;
// otherwise the task does nothing).
void boxRowsTask(ImageBuffer& image, int level, const ImageRect& rect, int before, int after,
                 const BoxInput& input = {});
void boxColumnsTask(ImageBuffer& image, int level, const ImageRect& rect, int before, int after);

}  // namespace qm
