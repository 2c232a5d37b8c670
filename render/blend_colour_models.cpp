// SPDX-License-Identifier: LicenseRef-Quillmark
// The modes that split colours into hue, saturation and lightness (the usual double-cone
// model) and put them back together. Where a mode matches a brightness, the lightness is
// chosen so the rebuilt colour's weighted brightness lands on the target: a pure hue at
// lightness 0.5 has brightness q, and brightness runs linearly from 0 (black) through q to
// 1 (white) as the lightness runs from 0 through 0.5 to 1.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/blend_channel_formulas.h"

namespace qm::blend {
namespace {

struct Hsl {
  float hue = 0.0f;  // a fraction of a turn, 0 for greys
  float saturation = 0.0f;
  float lightness = 0.0f;
};

float hueOf(const FloatRgb& c, float largest, float range) {
  float sixths = 0.0f;
  if (largest == c[0])
    sixths = (c[1] - c[2]) / range;
  else if (largest == c[1])
    sixths = 2.0f + (c[2] - c[0]) / range;
  else
    sixths = 4.0f + (c[0] - c[1]) / range;
  const float turns = sixths / 6.0f;
  return turns < 0.0f ? turns + 1.0f : turns;
}

Hsl toHsl(const FloatRgb& c) {
  const float largest = std::max({c[0], c[1], c[2]});
  const float smallest = std::min({c[0], c[1], c[2]});
  Hsl hsl;
  hsl.lightness = (largest + smallest) * 0.5f;
  const float range = largest - smallest;
  if (range <= 0.0f) return hsl;
  const float room = hsl.lightness <= 0.5f ? largest + smallest : 2.0f - largest - smallest;
  // Over-range ink can leave no room at all; such a colour counts as fully saturated.
  hsl.saturation = room > 0.0f ? std::min(range / room, 1.0f) : 1.0f;
  hsl.hue = hueOf(c, largest, range);
  return hsl;
}

float channelFromHue(float low, float high, float hue) {
  if (hue < 0.0f) hue += 1.0f;
  if (hue > 1.0f) hue -= 1.0f;
  if (hue < 1.0f / 6.0f) return low + (high - low) * 6.0f * hue;
  if (hue < 0.5f) return high;
  if (hue < 2.0f / 3.0f) return low + (high - low) * (2.0f / 3.0f - hue) * 6.0f;
  return low;
}

FloatRgb toRgb(const Hsl& hsl) {
  const float l = hsl.lightness, s = hsl.saturation;
  if (s <= 0.0f) return {l, l, l};
  const float high = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
  const float low = 2.0f * l - high;
  return {channelFromHue(low, high, hsl.hue + 1.0f / 3.0f), channelFromHue(low, high, hsl.hue),
          channelFromHue(low, high, hsl.hue - 1.0f / 3.0f)};
}

// The weighted brightness of the pure colour of this hue and saturation (lightness 0.5).
float pureHueBrightness(float hue, float saturation) {
  const FloatRgb c = toRgb({hue, saturation, 0.5f});
  return std::clamp(0.28f * c[0] + 0.52f * c[1] + 0.2f * c[2], 0.0f, 1.0f);
}

float lightnessForBrightness(float target, float q) {
  if (target <= 0.0f) return 0.0f;
  if (target >= 1.0f) return 1.0f;
  if (target > q) return (target - q) / (1.0f - q) * 0.5f + 0.5f;
  return target / q * 0.5f;
}

float brightnessOf(const Hsl& hsl) {
  const float q = pureHueBrightness(hsl.hue, hsl.saturation);
  const float l = hsl.lightness;
  return l <= 0.5f ? 2.0f * l * q : (l - 0.5f) * 2.0f * (1.0f - q) + q;
}

// The colour of this hue and saturation whose weighted brightness is `target`.
FloatRgb rebuild(float hue, float saturation, float target) {
  return toRgb({hue, saturation, lightnessForBrightness(target, pureHueBrightness(hue, saturation))});
}

float lumaFraction(const FixedRgb& c) { return float(luma(c)) * kFixedToFloat; }

}  // namespace

void colour(const Operands& o, Colour& out) {
  const Hsl a = toHsl(o.aFloat);
  setRgb(out, rebuild(a.hue, a.saturation, lumaFraction(o.b)));
}
void luminance(const Operands& o, Colour& out) {
  const Hsl b = toHsl(o.bFloat);
  setRgb(out, rebuild(b.hue, b.saturation, lumaFraction(o.a)));
}
void saturation(const Operands& o, Colour& out) {
  setRgb(out, rebuild(toHsl(o.bFloat).hue, toHsl(o.aFloat).saturation, lumaFraction(o.b)));
}
void hue(const Operands& o, Colour& out) {
  setRgb(out, rebuild(toHsl(o.aFloat).hue, toHsl(o.bFloat).saturation, lumaFraction(o.b)));
}

namespace {

// 1 - (1 - t)^4 with t = 2l folded back above 1: 0 at black and white, 1 at mid lightness.
float midToneWeight(float lightness) {
  float t = 2.0f * lightness;
  if (t > 1.0f) t = 2.0f - t;
  const float u = 1.0f - t;
  return 1.0f - u * u * u * u;
}

void mixByInk(const Operands& o, float weight, Colour& out) {
  FloatRgb mixed{};
  for (int i = 0; i < 3; ++i) mixed[i] = o.bFloat[i] * (1.0f - weight) + o.aFloat[i] * weight;
  setRgb(out, mixed);
}
}  // namespace

void wax(const Operands& o, Colour& out) {
  const Hsl a = toHsl(o.aFloat);
  mixByInk(o, midToneWeight(a.lightness) * a.saturation, out);
}
void wane(const Operands& o, Colour& out) {
  const Hsl a = toHsl(o.aFloat);
  mixByInk(o, midToneWeight(a.lightness) * (1.0f - a.saturation), out);
}

// Hue and saturation as a point in the plane, so the two colours mix without a seam at red.
void frontal(const Operands& o, Colour& out) {
  const Hsl a = toHsl(o.aFloat), b = toHsl(o.bFloat);
  constexpr float kTurn = 2.0f * std::numbers::pi_v<float>;
  const float ax = a.saturation * std::cos(kTurn * a.hue), ay = a.saturation * std::sin(kTurn * a.hue);
  const float bx = b.saturation * std::cos(kTurn * b.hue), by = b.saturation * std::sin(kTurn * b.hue);
  const float w = midToneWeight(a.lightness) * midToneWeight(b.lightness);
  const float x = ax + (bx - ax) * w, y = ay + (by - ay) * w;
  float angle = std::atan2(y, x);
  if (angle < 0.0f) angle += kTurn;
  float turns = angle / kTurn;
  if (turns >= 1.0f) turns = 0.0f;
  setRgb(out, toRgb({turns, std::hypot(x, y), std::min(a.lightness, b.lightness)}));
}

void sinister(const Operands& o, Colour& out) {
  const Hsl a = toHsl(o.aFloat);
  setRgb(out, rebuild(a.hue, a.saturation, dextrous(brightnessOf(a), lumaFraction(o.b))));
}

namespace {

// The screen-like product of two brightnesses, pulled back towards `anchor` near its ends.
float anchoredProduct(float a, float b, float anchor) {
  const float p = a * b;
  float m = p * (2.0f - p);
  if (anchor > 0.8f) m += (anchor - 0.8f) * 5.0f * (anchor - m);
  if (anchor < 0.2f) m += (0.2f - anchor) * 5.0f * (anchor - m);
  return std::clamp(m, 0.0f, 1.0f);
}
}  // namespace

void anterior(const Operands& o, Colour& out) {
  const Hsl a = toHsl(o.aFloat), b = toHsl(o.bFloat);
  const float ba = brightnessOf(a), bb = brightnessOf(b);
  setRgb(out, rebuild(a.hue, a.saturation, anchoredProduct(ba, bb, ba)));
}
void posterior(const Operands& o, Colour& out) {
  const Hsl a = toHsl(o.aFloat), b = toHsl(o.bFloat);
  const float ba = brightnessOf(a), bb = brightnessOf(b);
  setRgb(out, rebuild(b.hue, b.saturation, anchoredProduct(ba, bb, bb)));
}

}  // namespace qm::blend
