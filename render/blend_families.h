// SPDX-License-Identifier: LicenseRef-Quillmark
// What the blend mode families share: the operands in both forms, the fixed-point
// primitives, and the whole-pixel modes each family file provides. The registry
// (blend_mode_registry.h) puts every mode in one table.
#pragma once

#include <array>
#include <cstdint>

#include "render/blend_modes.h"

namespace qm::blend {

// Wide enough that products of two operands (at most 8 x 32768 each) never overflow.
using Fixed = std::int64_t;
constexpr Fixed kOne = 32768;
constexpr Fixed kHalf = 16384;
constexpr float kFixedToFloat = 3.0517578125e-05f;  // exactly 1 / 32768

using FixedRgb = std::array<Fixed, 3>;
using FloatRgb = std::array<float, 3>;

// A and B as truncated fixed-point channels and as the same values in floats.
struct Operands {
  FixedRgb a{};
  FixedRgb b{};
  FloatRgb aFloat{};
  FloatRgb bFloat{};
};

// Writes red, green and blue of out (and its alpha for the one mode that changes it; out
// arrives with A's alpha).
using PixelBlend = void (*)(const Operands& operands, Colour& out);

inline void setRgb(Colour& out, const FloatRgb& rgb) {
  out.red = rgb[0];
  out.green = rgb[1];
  out.blue = rgb[2];
}
inline void setFixedRgb(Colour& out, const FixedRgb& rgb) {
  setRgb(out, {float(rgb[0]) * kFixedToFloat, float(rgb[1]) * kFixedToFloat, float(rgb[2]) * kFixedToFloat});
}

constexpr Fixed clampUnit(Fixed v) { return v < 0 ? 0 : (v > kOne ? kOne : v); }

// The four building blocks of the layered modes: hard light, overlay, pin light, spin light.
constexpr Fixed hardLight(Fixed x, Fixed y) {
  return x < kHalf ? (x * y) >> 14 : kOne - (((kOne - x) * (kOne - y)) >> 14);
}
constexpr Fixed overlay(Fixed x, Fixed y) { return hardLight(y, x); }
constexpr Fixed pinLight(Fixed x, Fixed y) {
  return x < kHalf ? (y < 2 * x ? y : 2 * x) : (y > 2 * x - kOne ? y : 2 * x - kOne);
}
constexpr Fixed spinLight(Fixed x, Fixed y) { return pinLight(y, x); }

// (77 red + 150 green + 28 blue) >> 8 of fixed-point channels.
constexpr Fixed luma(const FixedRgb& c) { return (77 * c[0] + 150 * c[1] + 28 * c[2]) >> 8; }

// The modes that look at the whole pixel (the per-channel ones are formulas in
// blend_channel_formulas.h). Fixed point, over all three channels:
void bright(const Operands& o, Colour& out);
void dim(const Operands& o, Colour& out);
void north(const Operands& o, Colour& out);
void south(const Operands& o, Colour& out);
void east(const Operands& o, Colour& out);
void west(const Operands& o, Colour& out);
// In floats, rescaling the ink by its largest channel:
void starbright(const Operands& o, Colour& out);
// In hue, saturation and lightness (blend_colour_models.cpp):
void colour(const Operands& o, Colour& out);
void luminance(const Operands& o, Colour& out);
void saturation(const Operands& o, Colour& out);
void hue(const Operands& o, Colour& out);
void wax(const Operands& o, Colour& out);
void wane(const Operands& o, Colour& out);
void frontal(const Operands& o, Colour& out);
void sinister(const Operands& o, Colour& out);
void anterior(const Operands& o, Colour& out);
void posterior(const Operands& o, Colour& out);
// In the opponent-colour model (blend_opponent.cpp):
void parietal(const Operands& o, Colour& out);
void temporal(const Operands& o, Colour& out);
void occipital(const Operands& o, Colour& out);
void limbic(const Operands& o, Colour& out);

}  // namespace qm::blend
