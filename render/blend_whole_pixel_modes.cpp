// SPDX-License-Identifier: LicenseRef-Quillmark
// The modes that look at all three channels at once: "bright", "dim" and the four compass
// modes in fixed point, and "starbright" in floats. The ones that work on each channel
// alone are formulas in blend_channel_formulas.h.
#include <algorithm>

#include "render/blend_families.h"

namespace qm::blend {
namespace {

// Whole-pixel choices by a coarse luma (the low byte dropped so near-ties go to A).
Fixed coarseLuma(const FixedRgb& c) { return (77 * c[0] + 150 * c[1] + 28 * c[2]) & ~Fixed(255); }
}  // namespace

void bright(const Operands& o, Colour& out) {
  setFixedRgb(out, coarseLuma(o.a) >= coarseLuma(o.b) ? o.a : o.b);
}
void dim(const Operands& o, Colour& out) { setFixedRgb(out, coarseLuma(o.a) <= coarseLuma(o.b) ? o.a : o.b); }

namespace {

// from + (to - from) x weight, in the one truncating form the compass modes share.
Fixed towards(Fixed from, Fixed to, Fixed weight) { return ((kOne - weight) * from + weight * to) >> 15; }

// A's channels move towards B's, each weighted by another channel of A (north, south)
// or of B (east, west).
// Each of A's channels moves towards B's, weighted by channel `weights[c]` of A or of B.
void mixTowards(const Operands& o, const FixedRgb& weightSource, const int (&weights)[3], Colour& out) {
  const FixedRgb& a = o.a;
  const FixedRgb& b = o.b;
  setFixedRgb(out, {towards(a[0], b[0], weightSource[weights[0]]), towards(a[1], b[1], weightSource[weights[1]]),
                    towards(a[2], b[2], weightSource[weights[2]])});
}
}  // namespace

void north(const Operands& o, Colour& out) { mixTowards(o, o.a, {1, 2, 0}, out); }
void south(const Operands& o, Colour& out) { mixTowards(o, o.a, {2, 0, 1}, out); }
void east(const Operands& o, Colour& out) { mixTowards(o, o.b, {1, 2, 0}, out); }
void west(const Operands& o, Colour& out) { mixTowards(o, o.b, {2, 0, 1}, out); }

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

}  // namespace qm::blend
