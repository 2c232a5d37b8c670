// SPDX-License-Identifier: LicenseRef-Quillmark
// The images the tone is read from: the part of one source level a render samples, and
// the grey of its blurred copy, one byte a pixel. Only that part (plus the blur's reach, so
// that its pixels come out as in a blur of the whole level) is copied and blurred, which
// keeps a small preview of a large document cheap and still gives every pixel the value a
// whole render gives it.
#pragma once

#include <cstdint>

#include "engine/image_buffer.h"
#include "render/render_state.h"

namespace qm {

// How far a blur of this size reaches on either side: every pass's window added up.
std::int32_t blurReach(float size);

// The blur size for a diameter at a level: diameter / 3 / 2^level, held within 2..300.
float blurSizeFor(std::int32_t diameter, std::int32_t level);

// Fills the tone images for the level pixels `area` (clipped to the level) and points the
// tone source at them. 8- and 16-bit sources are read in place and only the blurred grey is
// made, blurred straight from the source; float sources get a 16-bit copy of the area as
// well. Images of the size the last render left keep their memory. False when memory runs
// out.
bool makeToneImages(const ImageBuffer& source, std::int32_t level, const ImageRect& area, float blurSize,
                    ImageBuffer& sharpCopy, ImageBuffer& blurred, ToneSource& tone);

}  // namespace qm
