// SPDX-License-Identifier: LicenseRef-Quillmark
// An opponent-colour model: one lightness component and two colour components, used by
// the blend modes that treat brightness and colour apart.
//
// In 8-bit terms (R, G, B, L, P, Q all 0..255):
//   L = 0.299 R + 0.587 G + 0.114 B
//   P = 128 + (R - G) x 127 / 255              (red against green)
//   Q = 128 + ((R + G) / 2 - B) x 127 / 255    (yellow against blue)
// so black is (0, 128, 128), white (255, 128, 128) and every grey has P = Q = 128. The
// inverse is the exact solution of those three equations; opponent triples that fall
// outside the RGB cube come back clamped to it channel by channel, except that lightness 0
// and 255 give pure black and white whatever the colour components say.
//
// Accuracy of a round trip through both tables: within about 1.4 8-bit steps for colours
// at least 1/8 away from every face of the RGB cube and for greys (black and white exactly);
// colours close to the cube's surface can be off by much more, since a cell there mixes
// in nodes whose exact inverse lies outside the cube.
//
// Both directions go through a 16 x 16 x 16 table of 3-byte entries (nodes every 32768 / 15
// in fixed point, each entry the formula at its node rounded to a byte), read with
// tetrahedral interpolation. The tables are computed on first use (thread-safe) and are
// 12288 bytes each.
//
// Components are fixed point, 0..32768 standing for 0..255; inputs outside that range
// count as the nearest end.
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
