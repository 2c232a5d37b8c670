// SPDX-License-Identifier: LicenseRef-Quillmark
// A render of an image held in memory, in place: the exports render the picture they
// write this way. The image is copied into the working source (with its pyramid), then
// rendered whole with zoom 1 and no offsets, and the result replaces its pixels.
#pragma once

#include "render/render_image.h"

namespace qm {

// Rgba8, Rgba16 or RgbaFloat images; the working set's source receives the copy with its
// pyramid. kRenderImageMemory when the copy cannot be made (the image is then left as it
// was) or the image has another format.
RenderFailure renderImageBuffer(InkSettings& settings, RenderWorkingSet& working, ImageBuffer& image);

}  // namespace qm
