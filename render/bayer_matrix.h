// SPDX-License-Identifier: LicenseRef-Quillmark
// The 16 x 16 ordered-dither matrix of the Bayer screen, built at compile time by doubling:
// the 1 x 1 matrix is 0, and the matrix of size 2n is four quadrants made from the matrix b
// of size n: top-left 4b, top-right 4b + 2, bottom-left 4b + 3, bottom-right 4b + 1.
// Finally 1 is added, so the entries are 1..256 and each appears once; comparing them with
// a density 0..255 gives evenly dispersed ink at every level.
#pragma once

#include <array>
#include <cstdint>

namespace qm {

constexpr int kBayerSize = 16;  // a power of two: positions are taken modulo it by masking
using BayerMatrix = std::array<std::array<std::int16_t, kBayerSize>, kBayerSize>;

constexpr BayerMatrix buildBayerMatrix() {
  BayerMatrix m{};  // the 1 x 1 matrix 0 sits in the top-left corner
  for (int n = 1; n < kBayerSize; n *= 2) {
    // Each entry of the n x n corner feeds one entry of each quadrant, so the corner can be
    // grown in place as long as its own entry is rewritten last.
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        const std::int16_t b4 = std::int16_t(4 * m[i][j]);
        m[i][j + n] = std::int16_t(b4 + 2);
        m[i + n][j] = std::int16_t(b4 + 3);
        m[i + n][j + n] = std::int16_t(b4 + 1);
        m[i][j] = b4;
      }
    }
  }
  for (auto& row : m)
    for (auto& entry : row) ++entry;
  return m;
}

// Indexed [row & (kBayerSize - 1)][column & (kBayerSize - 1)].
inline constexpr BayerMatrix kBayerMatrix = buildBayerMatrix();

}  // namespace qm
