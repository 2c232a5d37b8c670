// SPDX-License-Identifier: LicenseRef-Quillmark
// The blend modes that work on each colour channel alone, as formulas of one ink channel a
// and one source channel b: in fixed point (1.0 = 32768) or, for the few whose formula is
// in floats, on the same truncated operands as floats. perChannel turns a formula into a
// whole-pixel blend for the registry. Inline, so the registry's table holds them directly.
#pragma once

#include <algorithm>
#include <cstdlib>

#include "render/blend_families.h"

namespace qm::blend {

using ChannelBlend = Fixed (*)(Fixed a, Fixed b);

template <ChannelBlend blend>
void perChannel(const Operands& o, Colour& out) {
  setFixedRgb(out, {blend(o.a[0], o.b[0]), blend(o.a[1], o.b[1]), blend(o.a[2], o.b[2])});
}

inline Fixed normal(Fixed a, Fixed) { return a; }

inline Fixed proceduralPlus(Fixed a, Fixed b) {
  const Fixed k = b < kHalf ? b / 2 : kHalf - b / 2;
  return (k * a + (kHalf - k) * b) >> 14;
}
inline Fixed proceduralMinus(Fixed a, Fixed b) { return std::min(a + ((a * b) >> 15), kOne); }
inline Fixed difference(Fixed a, Fixed b) { return ((kOne - a) * b + (kOne - b) * a) >> 15; }
inline Fixed lighten(Fixed a, Fixed b) { return std::max(a, b); }
inline Fixed darken(Fixed a, Fixed b) { return std::min(a, b); }
inline Fixed add(Fixed a, Fixed b) { return std::min(a + b, kOne); }
inline Fixed subtract(Fixed a, Fixed b) { return std::max(a - b, Fixed(0)); }
inline Fixed multiply(Fixed a, Fixed b) { return (a * b) >> 15; }
inline Fixed screen(Fixed a, Fixed b) { return a + (((kOne - a) * b) >> 15); }

inline Fixed superlay(Fixed a, Fixed b) {
  const Fixed inverseProduct = kOne - ((a * b) >> 15);
  const Fixed p = kOne - ((inverseProduct * inverseProduct) >> 15);
  // (1 - a)(1 - b), in the form that keeps the same truncation as the other modes.
  const Fixed w = kOne - (((kOne - a) * b) >> 15) - a;
  const Fixed wSquared = (w * w) >> 15;
  if (p < kHalf) return ((kOne - wSquared) * p) >> 14;
  return kOne - ((wSquared * (kOne - p)) >> 14);
}

inline Fixed linearLight(Fixed a, Fixed b) {
  const Fixed e = b - kOne + 2 * a;
  return a > kHalf - 1 ? std::min(e, kOne) : std::max(e, Fixed(0));
}

// Works on 8-bit versions of the operands and spreads the 8-bit result back over 15 bits.
inline Fixed vividA(Fixed a, Fixed b) {
  const Fixed a8 = std::min(((a + 1) >> 7) & 511, Fixed(255));
  const Fixed b8 = std::min(((b + 1) >> 7) & 511, Fixed(255));
  const Fixed r = a8 > 127 ? (b8 * 256) / (511 - 2 * a8) : ((b8 - 255) * 256) / (2 * a8 + 1) + 255;
  if (r < 0) return 0;
  if (r >= 255) return kOne;
  return (r << 7) | (r >> 1);
}
inline Fixed vividB(Fixed a, Fixed b) { return clampUnit(2 * a - b); }

inline Fixed similarity(Fixed a, Fixed b) { return kOne - std::abs(a + b - kOne); }
inline Fixed cross(Fixed a, Fixed b) {
  const Fixed da = a - kHalf, db = b - kHalf;
  return clampUnit(kOne - std::abs(((da * da) >> 13) - ((db * db) >> 13)));
}
inline Fixed hardDifference(Fixed a, Fixed b) { return std::abs(a - b); }

inline Fixed softLight(Fixed a, Fixed b) {
  if (a <= kHalf - 1) return ((b * b / kOne) * (kHalf - a) + b * a) >> 14;
  const Fixed inverseB = 255 - b / 128, a8 = a / 128;
  const Fixed n = ((inverseB * inverseB / 256) * (a8 - 130) + (258 - a8) * inverseB) >> 7;
  return (255 - n) << 7;
}

inline Fixed dodge(Fixed a, Fixed b) { return a == kOne ? a : clampUnit((b << 15) / (kOne - a)); }
// a is never below 0 here, so a + 1 is never 0.
inline Fixed burn(Fixed a, Fixed b) { return clampUnit(((b - kOne) << 15) / (a + 1) + kOne); }

inline Fixed ace(Fixed a, Fixed b) { return ((kOne - a) * b + a * a) >> 15; }
inline Fixed king(Fixed a, Fixed b) { return ((a - b + kOne) * b) >> 15; }
inline Fixed queen(Fixed a, Fixed b) { return ((b - a + kOne) * a) >> 15; }
inline Fixed jack(Fixed a, Fixed b) { return ((kOne - b) * a + b * b) >> 15; }
inline Fixed bitAnd(Fixed a, Fixed b) { return a & b; }
inline Fixed bitOr(Fixed a, Fixed b) { return a | b; }
inline Fixed bitXor(Fixed a, Fixed b) { return a ^ b; }

inline Fixed multibright(Fixed a, Fixed b) {
  const float p = float(a * b) / 1073741824.0f;
  return Fixed(32768.0f * p * (2.0f - p));
}

inline Fixed hot(Fixed a, Fixed b) { return pinLight(spinLight(a, b), spinLight(kOne - a, b)); }
inline Fixed cold(Fixed a, Fixed b) { return pinLight(pinLight(a, b), pinLight(a, kOne - b)); }
inline Fixed wet(Fixed a, Fixed b) { return pinLight(overlay(a, b), kOne - hardLight(a, kOne - b)); }
inline Fixed dry(Fixed a, Fixed b) {
  return pinLight(overlay(kOne - a, b), kOne - hardLight(kOne - a, kOne - b));
}
inline Fixed up(Fixed a, Fixed b) { return pinLight(hardLight(a, b), overlay(a, b)); }
inline Fixed down(Fixed a, Fixed b) { return pinLight(overlay(a, b), hardLight(a, b)); }

inline Fixed hardMix(Fixed a, Fixed b) { return a + b > kOne ? kOne : 0; }
inline Fixed negation(Fixed a, Fixed b) {
  const Fixed s = a + b;
  return s > kOne ? 2 * kOne - s : s;
}
inline Fixed contrastNegate(Fixed a, Fixed b) {
  const Fixed folded = a > kHalf ? kOne - a : a;
  return b > kHalf ? folded : kOne - folded;
}

using FloatChannelBlend = float (*)(float a, float b);

template <FloatChannelBlend blend>
void perChannelInFloats(const Operands& o, Colour& out) {
  const FloatRgb& a = o.aFloat;
  const FloatRgb& b = o.bFloat;
  setRgb(out, {blend(a[0], b[0]), blend(a[1], b[1]), blend(a[2], b[2])});
}

inline float screendim(float a, float b) {
  const float screened = 1.0f - (1.0f - a) * (1.0f - b);
  return screened * screened;
}

// x² / (1 - y), saturating at 1 (and at y >= 1, where it would divide by zero or less).
inline float squareOverComplement(float x, float y) {
  if (y >= 1.0f) return 1.0f;
  const float r = x * x / (1.0f - y);
  return r > 1.0f ? 1.0f : r;
}
inline float glow(float a, float b) { return squareOverComplement(a, b); }
inline float reflect(float a, float b) { return squareOverComplement(b, a); }

// Half of x² / (1 - y), bent so it approaches 1 instead of crossing it.
inline float softSquareOverComplement(float x, float y) {
  const float s = y >= 1.0f ? 1.0f : x * x * 0.5f / (1.0f - y);
  return s > 0.5f ? 1.0f - 0.25f / s : s;
}
inline float shimmer(float a, float b) { return softSquareOverComplement(a, b); }
inline float lustre(float a, float b) { return softSquareOverComplement(b, a); }

inline float dextrous(float a, float b) {
  float r = 1.0f;
  if (a > b)
    r = b / (2.0f * a);
  else if (b > 0.0f)
    r = 1.0f - a / (2.0f * b);
  return r > 1.0f ? 1.0f : r;
}

}  // namespace qm::blend
