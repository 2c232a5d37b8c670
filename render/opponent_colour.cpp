// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/opponent_colour.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace qm {
namespace {

constexpr int kNodes = 16;
constexpr std::int32_t kFixedOne = 32768;
constexpr double kColourScale = 127.0 / 255.0;
constexpr double kRedWeight = 0.299, kGreenWeight = 0.587, kBlueWeight = 0.114;

using ColourTable = std::array<std::uint8_t, kNodes * kNodes * kNodes * 3>;
using Exact = std::array<double, 3>;

std::uint8_t toByte(double v) { return std::uint8_t(std::lround(std::clamp(v, 0.0, 255.0))); }

Exact opponentOf(const Exact& rgb) {
  const double r = rgb[0], g = rgb[1], b = rgb[2];
  return {kRedWeight * r + kGreenWeight * g + kBlueWeight * b, 128.0 + (r - g) * kColourScale,
          128.0 + ((r + g) * 0.5 - b) * kColourScale};
}

// Clamps each channel into the RGB cube: of all the colours the cube holds, that is the
// nearest one, which keeps the interpolation error of cells crossing the cube's surface
// small. At lightness 0 and 255 the cube holds only black and white, and those are given.
Exact fitToCube(const Exact& rgb, double lightness) {
  if (lightness <= 0.0) return {0.0, 0.0, 0.0};
  if (lightness >= 255.0) return {255.0, 255.0, 255.0};
  return {std::clamp(rgb[0], 0.0, 255.0), std::clamp(rgb[1], 0.0, 255.0), std::clamp(rgb[2], 0.0, 255.0)};
}

// With d = R - G and e = (R + G) / 2 - B: R = G + d and B = G + d / 2 - e, and putting
// those into the lightness sum (whose weights add up to 1) gives G.
Exact rgbOf(const Exact& opponent) {
  const double d = (opponent[1] - 128.0) / kColourScale;
  const double e = (opponent[2] - 128.0) / kColourScale;
  const double g = opponent[0] - kRedWeight * d - kBlueWeight * (d * 0.5 - e);
  return fitToCube({g + d, g, g + d * 0.5 - e}, opponent[0]);
}

template <typename Formula>
ColourTable tabulate(Formula formula) {
  ColourTable table{};
  std::size_t at = 0;
  for (int i = 0; i < kNodes; ++i)
    for (int j = 0; j < kNodes; ++j)
      for (int k = 0; k < kNodes; ++k) {
        const double step = 255.0 / (kNodes - 1);
        for (double v : formula(Exact{i * step, j * step, k * step})) table[at++] = toByte(v);
      }
  return table;
}

const ColourTable& forwardTable() {
  static const ColourTable table = tabulate(opponentOf);
  return table;
}
const ColourTable& inverseTable() {
  static const ColourTable table = tabulate(rgbOf);
  return table;
}

// Walks from the cell's low corner along the axes in order of falling fraction, so the
// four corners visited bound the tetrahedron holding the point; the weights are the
// differences of consecutive fractions.
ColourTriple interpolate(const ColourTable& table, const ColourTriple& in) {
  std::array<int, 3> cell{};
  std::array<std::int64_t, 3> fraction{};
  for (int axis = 0; axis < 3; ++axis) {
    const std::int64_t scaled = std::int64_t(std::clamp(in[axis], 0, kFixedOne)) * (kNodes - 1);
    cell[axis] = std::min(int(scaled >> 15), kNodes - 2);
    fraction[axis] = scaled - std::int64_t(cell[axis]) * kFixedOne;
  }
  std::array<int, 3> order{0, 1, 2};
  std::sort(order.begin(), order.end(), [&](int x, int y) { return fraction[x] > fraction[y]; });

  std::array<int, 3> corner = cell;
  std::array<std::int64_t, 3> sum{};
  auto addCorner = [&](std::int64_t weight) {
    const std::size_t at = std::size_t(((corner[0] * kNodes) + corner[1]) * kNodes + corner[2]) * 3;
    for (int c = 0; c < 3; ++c) sum[c] += weight * table[at + std::size_t(c)];
  };
  addCorner(kFixedOne - fraction[order[0]]);
  for (int step = 0; step < 3; ++step) {
    ++corner[order[step]];
    addCorner(step < 2 ? fraction[order[step]] - fraction[order[step + 1]] : fraction[order[2]]);
  }
  // sum is in bytes x 32768 and a byte is 32768 / 255 in fixed point, so divide by 255.
  ColourTriple out{};
  for (int c = 0; c < 3; ++c) out[c] = std::int32_t((sum[c] + 127) / 255);
  return out;
}

}  // namespace

ColourTriple toOpponent(const ColourTriple& rgb) { return interpolate(forwardTable(), rgb); }
ColourTriple fromOpponent(const ColourTriple& opponent) { return interpolate(inverseTable(), opponent); }

}  // namespace qm
