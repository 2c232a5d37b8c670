// SPDX-License-Identifier: LicenseRef-Quillmark
// The modes that combine lightness and colour separately in the opponent-colour model.
#include "render/blend_families.h"
#include "render/opponent_colour.h"

namespace qm::blend {
namespace {

ColourTriple toTriple(const FixedRgb& c) {
  return {std::int32_t(clampUnit(c[0])), std::int32_t(clampUnit(c[1])), std::int32_t(clampUnit(c[2]))};
}

template <typename Combine>
void inOpponentSpace(const Operands& o, Colour& out, Combine combine) {
  const ColourTriple a = toOpponent(toTriple(o.a));
  const ColourTriple b = toOpponent(toTriple(o.b));
  const FixedRgb mixed = combine(FixedRgb{a[0], a[1], a[2]}, FixedRgb{b[0], b[1], b[2]});
  const ColourTriple rgb = fromOpponent(toTriple(mixed));
  setFixedRgb(out, {rgb[0], rgb[1], rgb[2]});
}

// The source's colour lit by the ink's: hard light with the source leading.
Fixed tintedColour(Fixed a, Fixed b) { return hardLight(b, a); }

}  // namespace

void parietal(const Operands& o, Colour& out) {
  inOpponentSpace(o, out, [](const FixedRgb& a, const FixedRgb& b) {
    return FixedRgb{(a[0] * b[0]) >> 15, tintedColour(a[1], b[1]), tintedColour(a[2], b[2])};
  });
}
void temporal(const Operands& o, Colour& out) {
  inOpponentSpace(o, out, [](const FixedRgb& a, const FixedRgb& b) {
    return FixedRgb{kOne - (((kOne - a[0]) * (kOne - b[0])) >> 15), tintedColour(a[1], b[1]),
                    tintedColour(a[2], b[2])};
  });
}
// These two keep the ink's yellow-blue component as it is.
void occipital(const Operands& o, Colour& out) {
  inOpponentSpace(o, out, [](const FixedRgb& a, const FixedRgb& b) {
    return FixedRgb{pinLight(a[0], b[0]), pinLight(a[1], b[1]), a[2]};
  });
}
void limbic(const Operands& o, Colour& out) {
  inOpponentSpace(o, out, [](const FixedRgb& a, const FixedRgb& b) {
    return FixedRgb{spinLight(a[0], b[0]), spinLight(a[1], b[1]), a[2]};
  });
}

}  // namespace qm::blend
