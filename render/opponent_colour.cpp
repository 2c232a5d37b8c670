// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/opponent_colour.h"

#include <algorithm>
#include <cmath>

namespace qm {
namespace {

constexpr int kNodes = 16;
constexpr std::int32_t kFixedOne = 32768;
constexpr std::int32_t kEntryBias = 16384;  // an entry holds (value - kEntryBias) / 2
constexpr double kByteToFixed = 32768.0 / 255.0;
constexpr double kColourScale = 127.0 / 255.0;
constexpr double kRedWeight = 0.299, kGreenWeight = 0.587, kBlueWeight = 0.114;

using ColourTable = std::array<std::int16_t, kNodes * kNodes * kNodes * 3>;
using Exact = std::array<double, 3>;
using Wide = std::array<std::int64_t, 3>;

// The exact values are fractions with odd denominators, so none sits on a rounding tie and
// the double arithmetic gives the same entries on every platform.
std::int16_t toEntry(double bytes) {
  return std::int16_t(std::lround((bytes * kByteToFixed - kEntryBias) / 2.0));
}

Exact opponentOf(const Exact& rgb) {
  const double r = rgb[0], g = rgb[1], b = rgb[2];
  return {kRedWeight * r + kGreenWeight * g + kBlueWeight * b, 128.0 + (r - g) * kColourScale,
          128.0 + ((r + g) * 0.5 - b) * kColourScale};
}

// With d = R - G and e = (R + G) / 2 - B: R = G + d and B = G + d / 2 - e, and putting
// those into the lightness sum (whose weights add up to 1) gives G. Not clamped: a node
// whose inverse lies outside the cube keeps it, so that the cells at the cube's surface
// interpolate the same affine map as every other cell.
Exact rgbOf(const Exact& opponent) {
  const double d = (opponent[1] - 128.0) / kColourScale;
  const double e = (opponent[2] - 128.0) / kColourScale;
  const double g = opponent[0] - kRedWeight * d - kBlueWeight * (d * 0.5 - e);
  return {g + d, g, g + d * 0.5 - e};
}

template <typename Formula>
ColourTable tabulate(Formula formula) {
  ColourTable table{};
  std::size_t at = 0;
  const double step = 255.0 / (kNodes - 1);
  for (int i = 0; i < kNodes; ++i)
    for (int j = 0; j < kNodes; ++j)
      for (int k = 0; k < kNodes; ++k)
        for (double v : formula(Exact{i * step, j * step, k * step})) table[at++] = toEntry(v);
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
// differences of consecutive fractions and add up to 32768.
Wide interpolate(const ColourTable& table, const ColourTriple& in) {
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
  Wide sum{};
  auto addCorner = [&](std::int64_t weight) {
    const std::size_t at = std::size_t(((corner[0] * kNodes) + corner[1]) * kNodes + corner[2]) * 3;
    for (int c = 0; c < 3; ++c) sum[c] += weight * table[at + std::size_t(c)];
  };
  addCorner(kFixedOne - fraction[order[0]]);
  for (int step = 0; step < 3; ++step) {
    ++corner[order[step]];
    addCorner(step < 2 ? fraction[order[step]] - fraction[order[step + 1]] : fraction[order[2]]);
  }
  // sum is (value - bias) / 2 x 32768: shift by 14, rounding to nearest.
  Wide out{};
  for (int c = 0; c < 3; ++c) out[c] = kEntryBias + ((sum[c] + 8192) >> 14);
  return out;
}

// Brings a colour into the cube along the line from the grey of the given lightness: the
// lightness stays and both colour components shrink by one factor, the largest that fits.
// At lightness 0 and 32768 that gives black and white.
ColourTriple fitToCube(const Wide& rgb, std::int32_t lightness) {
  const std::int64_t grey = std::clamp(lightness, 0, kFixedOne);
  std::int64_t keep = 1, of = 1;  // the factor, as keep / of
  for (std::int64_t v : rgb) {
    std::int64_t room = 0, reach = 0;
    if (v > kFixedOne) {
      room = kFixedOne - grey;
      reach = v - grey;
    } else if (v < 0) {
      room = grey;
      reach = grey - v;
    } else {
      continue;
    }
    if (room * of < keep * reach) {
      keep = room;
      of = reach;
    }
  }
  // Division truncates toward the grey, so no channel overshoots.
  ColourTriple out{};
  for (int c = 0; c < 3; ++c) out[c] = std::int32_t(grey + (rgb[c] - grey) * keep / of);
  return out;
}

}  // namespace

ColourTriple toOpponent(const ColourTriple& rgb) {
  const Wide opponent = interpolate(forwardTable(), rgb);
  return {std::int32_t(opponent[0]), std::int32_t(opponent[1]), std::int32_t(opponent[2])};
}

ColourTriple fromOpponent(const ColourTriple& opponent) {
  return fitToCube(interpolate(inverseTable(), opponent), opponent[0]);
}

}  // namespace qm
