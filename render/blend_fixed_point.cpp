// SPDX-License-Identifier: LicenseRef-Quillmark
// The fixed-point modes: most work on each colour channel alone; "bright", "dim" and the
// four compass modes look at all three channels.
#include <algorithm>
#include <cstdlib>

#include "render/blend_families.h"

namespace qm::blend {
namespace {

using ChannelBlend = Fixed (*)(Fixed a, Fixed b);

template <ChannelBlend blend>
void perChannel(const Operands& o, Colour& out) {
  setFixedRgb(out, {blend(o.a[0], o.b[0]), blend(o.a[1], o.b[1]), blend(o.a[2], o.b[2])});
}

Fixed normal(Fixed a, Fixed) { return a; }

Fixed proceduralPlus(Fixed a, Fixed b) {
  const Fixed k = b < kHalf ? b / 2 : kHalf - b / 2;
  return (k * a + (kHalf - k) * b) >> 14;
}
Fixed proceduralMinus(Fixed a, Fixed b) { return std::min(a + ((a * b) >> 15), kOne); }
Fixed difference(Fixed a, Fixed b) { return ((kOne - a) * b + (kOne - b) * a) >> 15; }
Fixed lighten(Fixed a, Fixed b) { return std::max(a, b); }
Fixed darken(Fixed a, Fixed b) { return std::min(a, b); }
Fixed add(Fixed a, Fixed b) { return std::min(a + b, kOne); }
Fixed subtract(Fixed a, Fixed b) { return std::max(a - b, Fixed(0)); }
Fixed multiply(Fixed a, Fixed b) { return (a * b) >> 15; }
Fixed screen(Fixed a, Fixed b) { return a + (((kOne - a) * b) >> 15); }

Fixed superlay(Fixed a, Fixed b) {
  const Fixed inverseProduct = kOne - ((a * b) >> 15);
  const Fixed p = kOne - ((inverseProduct * inverseProduct) >> 15);
  // (1 - a)(1 - b), in the form that keeps the same truncation as the other modes.
  const Fixed w = kOne - (((kOne - a) * b) >> 15) - a;
  const Fixed wSquared = (w * w) >> 15;
  if (p < kHalf) return ((kOne - wSquared) * p) >> 14;
  return kOne - ((wSquared * (kOne - p)) >> 14);
}

Fixed linearLight(Fixed a, Fixed b) {
  const Fixed e = b - kOne + 2 * a;
  return a > kHalf - 1 ? std::min(e, kOne) : std::max(e, Fixed(0));
}

// Works on 8-bit versions of the operands and spreads the 8-bit result back over 15 bits.
Fixed vividA(Fixed a, Fixed b) {
  const Fixed a8 = std::min(((a + 1) >> 7) & 511, Fixed(255));
  const Fixed b8 = std::min(((b + 1) >> 7) & 511, Fixed(255));
  const Fixed r = a8 > 127 ? (b8 * 256) / (511 - 2 * a8) : ((b8 - 255) * 256) / (2 * a8 + 1) + 255;
  if (r < 0) return 0;
  if (r >= 255) return kOne;
  return (r << 7) | (r >> 1);
}
Fixed vividB(Fixed a, Fixed b) { return clampUnit(2 * a - b); }

Fixed similarity(Fixed a, Fixed b) { return kOne - std::abs(a + b - kOne); }
Fixed cross(Fixed a, Fixed b) {
  const Fixed da = a - kHalf, db = b - kHalf;
  return clampUnit(kOne - std::abs(((da * da) >> 13) - ((db * db) >> 13)));
}
Fixed hardDifference(Fixed a, Fixed b) { return std::abs(a - b); }

Fixed softLight(Fixed a, Fixed b) {
  if (a <= kHalf - 1) return ((b * b / kOne) * (kHalf - a) + b * a) >> 14;
  const Fixed inverseB = 255 - b / 128, a8 = a / 128;
  const Fixed n = ((inverseB * inverseB / 256) * (a8 - 130) + (258 - a8) * inverseB) >> 7;
  return (255 - n) << 7;
}

Fixed dodge(Fixed a, Fixed b) { return a == kOne ? a : clampUnit((b << 15) / (kOne - a)); }
// a is never below 0 here, so a + 1 is never 0.
Fixed burn(Fixed a, Fixed b) { return clampUnit(((b - kOne) << 15) / (a + 1) + kOne); }

Fixed ace(Fixed a, Fixed b) { return ((kOne - a) * b + a * a) >> 15; }
Fixed king(Fixed a, Fixed b) { return ((a - b + kOne) * b) >> 15; }
Fixed queen(Fixed a, Fixed b) { return ((b - a + kOne) * a) >> 15; }
Fixed jack(Fixed a, Fixed b) { return ((kOne - b) * a + b * b) >> 15; }
Fixed bitAnd(Fixed a, Fixed b) { return a & b; }
Fixed bitOr(Fixed a, Fixed b) { return a | b; }
Fixed bitXor(Fixed a, Fixed b) { return a ^ b; }

Fixed multibright(Fixed a, Fixed b) {
  const float p = float(a * b) / 1073741824.0f;
  return Fixed(32768.0f * p * (2.0f - p));
}

Fixed hot(Fixed a, Fixed b) { return pinLight(spinLight(a, b), spinLight(kOne - a, b)); }
Fixed cold(Fixed a, Fixed b) { return pinLight(pinLight(a, b), pinLight(a, kOne - b)); }
Fixed wet(Fixed a, Fixed b) { return pinLight(overlay(a, b), kOne - hardLight(a, kOne - b)); }
Fixed dry(Fixed a, Fixed b) {
  return pinLight(overlay(kOne - a, b), kOne - hardLight(kOne - a, kOne - b));
}
Fixed up(Fixed a, Fixed b) { return pinLight(hardLight(a, b), overlay(a, b)); }
Fixed down(Fixed a, Fixed b) { return pinLight(overlay(a, b), hardLight(a, b)); }

Fixed hardMix(Fixed a, Fixed b) { return a + b > kOne ? kOne : 0; }
Fixed negation(Fixed a, Fixed b) {
  const Fixed s = a + b;
  return s > kOne ? 2 * kOne - s : s;
}
Fixed contrastNegate(Fixed a, Fixed b) {
  const Fixed folded = a > kHalf ? kOne - a : a;
  return b > kHalf ? folded : kOne - folded;
}

// Whole-pixel choices by a coarse luma (the low byte dropped so near-ties go to A).
Fixed coarseLuma(const FixedRgb& c) { return (77 * c[0] + 150 * c[1] + 28 * c[2]) & ~Fixed(255); }
void bright(const Operands& o, Colour& out) {
  setFixedRgb(out, coarseLuma(o.a) >= coarseLuma(o.b) ? o.a : o.b);
}
void dim(const Operands& o, Colour& out) { setFixedRgb(out, coarseLuma(o.a) <= coarseLuma(o.b) ? o.a : o.b); }

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
void north(const Operands& o, Colour& out) { mixTowards(o, o.a, {1, 2, 0}, out); }
void south(const Operands& o, Colour& out) { mixTowards(o, o.a, {2, 0, 1}, out); }
void east(const Operands& o, Colour& out) { mixTowards(o, o.b, {1, 2, 0}, out); }
void west(const Operands& o, Colour& out) { mixTowards(o, o.b, {2, 0, 1}, out); }

}  // namespace

void addFixedPointModes(BlendTable& table) {
  table[1] = perChannel<normal>;
  table[2] = perChannel<proceduralPlus>;
  table[3] = perChannel<proceduralMinus>;
  table[4] = perChannel<difference>;
  table[5] = perChannel<lighten>;
  table[6] = perChannel<darken>;
  table[7] = perChannel<add>;
  table[8] = perChannel<subtract>;
  table[9] = perChannel<multiply>;
  table[10] = perChannel<screen>;
  table[11] = perChannel<hardLight>;
  table[12] = perChannel<overlay>;
  table[13] = perChannel<superlay>;
  table[14] = perChannel<difference>;
  table[17] = perChannel<linearLight>;
  table[18] = perChannel<pinLight>;
  table[19] = perChannel<spinLight>;
  table[20] = perChannel<vividA>;
  table[21] = perChannel<vividB>;
  table[24] = perChannel<similarity>;
  table[25] = perChannel<cross>;
  table[26] = perChannel<hardDifference>;
  table[27] = perChannel<softLight>;
  table[28] = bright;
  table[29] = dim;
  table[30] = perChannel<dodge>;
  table[31] = perChannel<burn>;
  table[32] = perChannel<ace>;
  table[33] = perChannel<king>;
  table[34] = perChannel<queen>;
  table[35] = perChannel<jack>;
  table[36] = perChannel<bitAnd>;
  table[37] = perChannel<bitOr>;
  table[38] = perChannel<bitXor>;
  table[39] = perChannel<multibright>;
  table[40] = perChannel<hot>;
  table[41] = perChannel<cold>;
  table[42] = perChannel<wet>;
  table[43] = perChannel<dry>;
  table[44] = perChannel<up>;
  table[45] = perChannel<down>;
  table[48] = north;
  table[49] = south;
  table[50] = east;
  table[51] = west;
  table[52] = perChannel<hardMix>;
  table[68] = perChannel<negation>;
  table[69] = perChannel<contrastNegate>;
}

}  // namespace qm::blend
