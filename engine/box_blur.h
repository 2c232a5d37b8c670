// SPDX-License-Identifier: LicenseRef-Quillmark
// An approximately Gaussian blur of one level in place: three box filters along rows and
// columns with running sums and exact integer division by table. Rgba8 and Rgba16 only;
// float images are left as they are. Opacity comes out full.
#pragma once

#include "engine/image_buffer.h"

namespace qm {

void blurImage(ImageBuffer& image, int level, const ImageRect& rect, float size);
// One task of a box pass over the rows (or columns) of `rect`, window i - before .. i + after.
void boxRowsTask(ImageBuffer& image, int level, const ImageRect& rect, int before, int after);
void boxColumnsTask(ImageBuffer& image, int level, const ImageRect& rect, int before, int after);

}  // namespace qm
