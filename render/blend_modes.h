// SPDX-License-Identifier: LicenseRef-Quillmark
// The per-pixel blend of an ink sample (operand A, the ink) with a source pixel (operand B),
// under one of the blend modes numbered as in the blend list (see blendName and the registry,
// blend_mode_registry.h). A number outside the list is brought into it, as every value of a
// look is.
//
// Colours are four floats, nominally 0..1. Most modes work in fixed point: each colour
// channel is multiplied by 32768 and truncated, so 1.0 is 32768, the arithmetic is integer
// (">>" shifts arithmetically, divisions truncate toward zero) and the result is multiplied
// by 1/32768 on the way out. Modes whose formula is in floats read the same truncated
// operands as floats (fixed / 32768) and write their float result unquantised.
//
// Channels below 0 (and NaN) enter as 0 and channels above 8 as 8, so no formula divides
// by zero or overflows; the blend stage never hands over such values anyway.
//
// The result's alpha is A's alpha, except for "starbright" (63), which divides the colour
// by its largest channel and puts that in the alpha.
#pragma once

namespace qm {

struct Colour {
  float red = 0.0f;
  float green = 0.0f;
  float blue = 0.0f;
  float alpha = 0.0f;
};

// A is taken by value: some modes use it as scratch, and the caller's ink stays untouched.
void blendPixel(Colour a, const Colour& b, Colour& out, int mode);

}  // namespace qm
