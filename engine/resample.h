// SPDX-License-Identifier: LicenseRef-Quillmark
// Moving pixels between ImageBuffers of other sizes and formats. Samples come from the
// source pyramid with the five-tap radius-2 Lanczos tables of image_buffer.h, at a level
// picked from the size ratio and blended with the next coarser one, so five taps per axis
// are enough for any reduction. All of it runs on the calling thread, outside jobs.
//
// Coordinates outside a level follow the source's edge mode: 0 repeats the edge pixels,
// 2 wraps x and repeats rows at the top and bottom, any other value (1, -1) wraps both
// axes so textures tile. Wrapping is a true modulo at any distance: the texture repeats
// without end in both directions.
#pragma once

#include "engine/image_buffer.h"

namespace qm {

// The filtered value at (x, y) of one level, pixel centres at integer positions, in the
// format's own units (0..255, 0..32768, floats). Gray8 gives the grey in channels 1..3 and
// 255 as opacity. Zeros for a level that does not exist or a buffer without pixels.
//
// Tap i = floor(x + 0.5) with sub-pixel phase trunc((x + 0.5 - i) * 128); floor equals
// truncation everywhere inside the image and keeps the phase within the tables for the
// positions left of or above it that wrapped sampling reaches.
void sampleLevel(const ImageBuffer& image, int level, float x, float y, float out[4]);

// The normalised value (1.0 = the format's scale) at (u, v), 0..1 across the image, read
// from `level` (held within 0..last level - 1) and blended with the next level by
// fraction t (0 reads `level` alone). A one-level image never blends.
void sampleImage(const ImageBuffer& image, int level, float t, float u, float v, float out[4]);

// Fills `destinationRect` of level 0 of the destination from `sourceRect` of the source,
// then rebuilds the destination's pyramid. The mip level is log2(source width /
// destination width) - bias, held within the source's levels; a larger bias reads finer
// levels (sharper, more aliasing). Colour channels of a float destination are held within
// 0..65535 and opacity within 0..1; other destinations hold all channels within 0..1.
// Writes that fall outside the destination are dropped. An empty rectangle fills nothing
// but still rebuilds. False, with nothing touched, when an image is missing, both are the
// same record, or the destination is Gray8 (only colour images are moved between buffers);
// false too when the pyramid could not be rebuilt (memory ran out).
bool resizeImage(const ImageBuffer* source, ImageBuffer* destination, const ImageRect& sourceRect,
                 const ImageRect& destinationRect, float bias);

// Moves the source into the destination: with equal level-0 sizes a pixel-by-pixel format
// conversion of level 0 through normalised values (when both have pixels), otherwise a
// resize of the whole image with bias 0.5. The destination's pyramid is rebuilt either
// way. False, with nothing touched, when an image is missing or the destination is Gray8;
// false too when the pyramid could not be rebuilt.
bool transferImage(const ImageBuffer* source, ImageBuffer* destination);

// Doubles a Gray8 image: each new pixel is a small truncating stencil over the old level 0
// (edges repeat), built in a separate record that then hands its pixels to the image, so a
// failed allocation leaves the image as it was. Only level 0 of the result is defined;
// callers that need the coarser levels rebuild the pyramid. Other formats, or an image
// without pixels, are left unchanged and give false.
bool doubleImage(ImageBuffer& image);

}  // namespace qm
