// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/blend_modes.h"

#include <cmath>

#include "render/blend_mode_registry.h"

namespace qm {
namespace {

using blend::Fixed;

// Truncation toward zero, after bounding the channel to 0..8 (NaN counts as 0).
Fixed toFixed(float channel) {
  if (!(channel > 0.0f)) return 0;
  if (channel > 8.0f) channel = 8.0f;
  return Fixed(channel * 32768.0f);
}

blend::Operands operandsOf(const Colour& a, const Colour& b) {
  blend::Operands o;
  const float aChannels[3] = {a.red, a.green, a.blue};
  const float bChannels[3] = {b.red, b.green, b.blue};
  for (std::size_t i = 0; i < 3; ++i) {
    o.a[i] = toFixed(aChannels[i]);
    o.b[i] = toFixed(bChannels[i]);
    o.aFloat[i] = float(o.a[i]) * blend::kFixedToFloat;
    o.bFloat[i] = float(o.b[i]) * blend::kFixedToFloat;
  }
  return o;
}

}  // namespace

void blendPixel(Colour a, const Colour& b, Colour& out, int mode) {
  const blend::PixelBlend blend = blendModeEntry(mode).blend;
  const blend::Operands operands = operandsOf(a, b);
  out.alpha = a.alpha;
  blend(operands, out);
}

}  // namespace qm
