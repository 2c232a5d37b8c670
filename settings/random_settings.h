// SPDX-License-Identifier: LicenseRef-Quillmark
// Random looks for the dialog's Random button. The draw is lopsided on purpose: most random
// looks keep the "normal" blend mode and the gray setting, and the sharpening (diameter and
// sharpen) is never touched. Every value comes from the calling thread's generator in a
// fixed order, so a seeded generator gives the same look every time.
#pragma once

#include <cstdint>

#include "settings/ink_settings.h"

namespace qm {

constexpr const char* kRandomSettingsName = "random settings";

// A value in lo..hi (the bounds are swapped when lo > hi). Only bits 4..14 of each generator
// value are used (0..2047), masked to the span and redrawn while past hi: a span above 2047
// never reaches its upper values.
std::int32_t randomInt(std::int32_t lo, std::int32_t hi);

// Draws angle, warping, style, line weight, scale, invert mode and blend mode, then keeps
// the drawn blend mode with probability 9/101 (else "normal") and redraws gray with
// probability 10/101. Nine calls of randomInt, ten when gray is redrawn.
void randomizeSettings(InkSettings& settings);

// The Random button: a random look named "random settings".
void applyRandomLook(InkSettings& settings);

}  // namespace qm
