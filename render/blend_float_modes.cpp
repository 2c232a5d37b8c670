// SPDX-License-Identifier: LicenseRef-Quillmark
// The modes computed per channel in floats, and "starbright", which rescales the whole ink.
#include <algorithm>

#include "render/blend_families.h"

namespace qm::blend {
namespace {

using FloatChannelBlend = float (*)(float a, float b);

template <FloatChannelBlend blend>
void perChannel(const Operands& o, Colour& out) {
  const FloatRgb& a = o.aFloat;
  const FloatRgb& b = o.bFloat;
  setRgb(out, {blend(a[0], b[0]), blend(a[1], b[1]), blend(a[2], b[2])});
}

float screendim(float a, float b) {
  const float screened = 1.0f - (1.0f - a) * (1.0f - b);
  return screened * screened;
}

// x² / (1 - y), saturating at 1 (and at y >= 1, where it would divide by zero or less).
float squareOverComplement(float x, float y) {
  if (y >= 1.0f) return 1.0f;
  const float r = x * x / (1.0f - y);
  return r > 1.0f ? 1.0f : r;
}
float glow(float a, float b) { return squareOverComplement(a, b); }
float reflect(float a, float b) { return squareOverComplement(b, a); }

// Half of x² / (1 - y), bent so it approaches 1 instead of crossing it.
float softSquareOverComplement(float x, float y) {
  const float s = y >= 1.0f ? 1.0f : x * x * 0.5f / (1.0f - y);
  return s > 0.5f ? 1.0f - 0.25f / s : s;
}
float shimmer(float a, float b) { return softSquareOverComplement(a, b); }
float lustre(float a, float b) { return softSquareOverComplement(b, a); }

void starbright(const Operands& o, Colour& out) {
  const FloatRgb& a = o.aFloat;
  const float largest = std::max({a[0], a[1], a[2]});
  if (largest <= 0.0f) {
    out = Colour{};
    return;
  }
  const float scale = std::min(largest, 1.0f);
  setRgb(out, {a[0] / scale, a[1] / scale, a[2] / scale});
  out.alpha = scale;
}

}  // namespace

float dextrous(float a, float b) {
  float r = 1.0f;
  if (a > b)
    r = b / (2.0f * a);
  else if (b > 0.0f)
    r = 1.0f - a / (2.0f * b);
  return r > 1.0f ? 1.0f : r;
}

void addFloatModes(BlendTable& table) {
  table[58] = perChannel<dextrous>;
  table[62] = perChannel<screendim>;
  table[63] = starbright;
  table[64] = perChannel<glow>;
  table[65] = perChannel<reflect>;
  table[66] = perChannel<shimmer>;
  table[67] = perChannel<lustre>;
}

}  // namespace qm::blend
