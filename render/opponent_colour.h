// SPDX-License-Identifier: LicenseRef-Quillmark
// An opponent-colour model: one lightness component and two colour components, used by
// the blend modes that treat brightness and colour apart.
//
// In 8-bit terms (R, G, B, L, P, Q all 0..255):
//   L = 0.299 R + 0.587 G + 0.114 B
//   P = 128 + (R - G) x 127 / 255              (red against green)
//   Q = 128 + ((R + G) / 2 - B) x 127 / 255    (yellow against blue)
// so black is (0, 128, 128), white (255, 128, 128) and every grey has P = Q = 128. The
// inverse is the exact solution of those three equations. Opponent triples whose inverse
// lies outside the RGB cube are brought into it along the line from the grey of their
// lightness: the lightness stays and the two colour components shrink by one factor, so
// lightness 0 and 255 give pure black and white whatever the colour components say.
//
// Both directions go through a 16 x 16 x 16 table (nodes every 32768 / 15 in fixed point)
// read with tetrahedral interpolation. An entry is three signed 16-bit numbers, each
// (v - 16384) / 2 rounded, v being the formula at the node in fixed point; the inverse
// table keeps the exact inverse even where it lies outside the cube (about -33800..66750),
// and only the interpolated result is brought into the cube. Both maps are affine, so the
// interpolation itself is exact and only the rounding of entries and results shows. The
// tables are computed on first use (thread-safe) and are 24576 bytes each.
//
// Accuracy: every colour of the cube, surface and corners included, comes back from a
// round trip within 17 fixed-point units (0.13 of an 8-bit step); black and white come
// back exactly, greys and the forward components within 2 units of the sums above.
//
// Components are fixed point, 0..32768 standing for 0..255 (so 128 is 16448); inputs
// outside that range count as the nearest end.
#pragma once

#include <array>
#include <cstdint>

namespace qm {

using ColourTriple = std::array<std::int32_t, 3>;

// Red, green, blue -> lightness, red-green, yellow-blue.
ColourTriple toOpponent(const ColourTriple& rgb);
// Lightness, red-green, yellow-blue -> red, green, blue.
ColourTriple fromOpponent(const ColourTriple& opponent);

}  // namespace qm
