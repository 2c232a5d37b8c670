// SPDX-License-Identifier: LicenseRef-Quillmark
// The opponent-colour model: the round trip over the whole RGB cube, its neutral points,
// agreement with its defining sums, colours the cube cannot hold, and the ends of the ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "render/opponent_colour.h"

namespace qm {
namespace {

constexpr std::int32_t kOne = 32768;
constexpr std::int32_t kByteStep = 128;   // one 8-bit step in fixed point, rounded down
constexpr std::int32_t kNeutral = 16448;  // 128 of 255

std::int32_t fromByte(int v) { return std::int32_t(v * kOne / 255); }

// The model's sums in fixed point, written out independently of the tables.
std::array<double, 3> exactOpponent(const ColourTriple& rgb) {
  const double r = rgb[0], g = rgb[1], b = rgb[2], half = kOne / 255.0 * 128.0;
  return {0.299 * r + 0.587 * g + 0.114 * b, half + (r - g) * 127.0 / 255.0,
          half + ((r + g) / 2 - b) * 127.0 / 255.0};
}

std::int32_t roundTripError(const ColourTriple& rgb) {
  const ColourTriple back = fromOpponent(toOpponent(rgb));
  std::int32_t worst = 0;
  for (std::size_t c = 0; c < 3; ++c) worst = std::max(worst, std::abs(back[c] - rgb[c]));
  return worst;
}

// Every 5th 8-bit level in each channel, and every 8-bit colour on the six faces (which
// hold the edges and corners): the colours whose neighbours reach outside the cube.
std::vector<ColourTriple> testColours() {
  std::vector<ColourTriple> colours;
  for (int r = 0; r <= 255; r += 5)
    for (int g = 0; g <= 255; g += 5)
      for (int b = 0; b <= 255; b += 5) colours.push_back({fromByte(r), fromByte(g), fromByte(b)});
  for (int axis = 0; axis < 3; ++axis)
    for (int face : {0, 255})
      for (int u = 0; u <= 255; ++u)
        for (int v = 0; v <= 255; ++v) {
          ColourTriple c{};
          c[std::size_t(axis)] = fromByte(face);
          c[std::size_t((axis + 1) % 3)] = fromByte(u);
          c[std::size_t((axis + 2) % 3)] = fromByte(v);
          colours.push_back(c);
        }
  return colours;
}

TEST(OpponentColour, RoundTripKeepsEveryColourWithinOneStep) {
  // Largest error measured over all 2^24 8-bit colours: 17 units, on the surface, where a
  // channel rounded just past 0 draws the colour a little toward grey.
  std::int32_t worst = 0;
  ColourTriple worstAt{};
  for (const ColourTriple& rgb : testColours()) {
    const std::int32_t error = roundTripError(rgb);
    if (error > worst) {
      worst = error;
      worstAt = rgb;
    }
  }
  EXPECT_LE(worst, kByteStep) << worstAt[0] << " " << worstAt[1] << " " << worstAt[2];
}

TEST(OpponentColour, GreysSitOnTheNeutralAxisBothWays) {
  EXPECT_EQ(toOpponent({0, 0, 0}), (ColourTriple{0, kNeutral, kNeutral}));
  EXPECT_EQ(toOpponent({kOne, kOne, kOne}), (ColourTriple{kOne, kNeutral, kNeutral}));
  EXPECT_EQ(fromOpponent({0, kNeutral, kNeutral}), (ColourTriple{0, 0, 0}));
  EXPECT_EQ(fromOpponent({kOne, kNeutral, kNeutral}), (ColourTriple{kOne, kOne, kOne}));
  for (std::int32_t v = 0; v <= kOne; v += 97) {
    const ColourTriple opponent = toOpponent({v, v, v});
    EXPECT_NEAR(opponent[0], v, 2) << v;
    EXPECT_NEAR(opponent[1], kNeutral, 1) << v;
    EXPECT_NEAR(opponent[2], kNeutral, 1) << v;
    for (std::int32_t c : fromOpponent({v, kNeutral, kNeutral})) EXPECT_NEAR(c, v, 2) << v;
  }
}

TEST(OpponentColour, ForwardTableFollowsTheDefiningSums) {
  // A 17-level cube: nodes of the table and points between them.
  for (int r = 0; r <= 16; ++r)
    for (int g = 0; g <= 16; ++g)
      for (int b = 0; b <= 16; ++b) {
        const ColourTriple rgb{std::min(r * 2048, kOne), std::min(g * 2048, kOne), std::min(b * 2048, kOne)};
        const ColourTriple got = toOpponent(rgb);
        const std::array<double, 3> want = exactOpponent(rgb);
        for (std::size_t c = 0; c < 3; ++c) EXPECT_NEAR(got[c], want[c], 2) << r << " " << g << " " << b << " " << c;
      }
}

TEST(OpponentColour, ColourComponentsPointTheRightWay) {
  const ColourTriple red = toOpponent({kOne, 0, 0}), green = toOpponent({0, kOne, 0});
  const ColourTriple yellow = toOpponent({kOne, kOne, 0}), blue = toOpponent({0, 0, kOne});
  EXPECT_GT(red[1], kNeutral);
  EXPECT_LT(green[1], kNeutral);
  EXPECT_GT(yellow[2], kNeutral);
  EXPECT_LT(blue[2], kNeutral);
  EXPECT_NEAR(yellow[1], kNeutral, 1) << "yellow has as much red as green";
  EXPECT_GT(green[0], red[0]);
  EXPECT_GT(red[0], blue[0]);
}

TEST(OpponentColour, ColoursBeyondTheCubeKeepLightnessAndHue) {
  for (std::int32_t lightness : {2048, 8192, 16384, 24576, 30720})
    for (std::int32_t p : {0, 4096, kOne})
      for (std::int32_t q : {0, 28672, kOne}) {
        const ColourTriple back = fromOpponent({lightness, p, q});
        const std::array<double, 3> got = exactOpponent(back);
        EXPECT_NEAR(got[0], lightness, 3) << lightness << " " << p << " " << q;
        // Both colour components shrink by the same factor, toward neutral.
        const double shrinkP = (got[1] - kNeutral) / (p - kNeutral), shrinkQ = (got[2] - kNeutral) / (q - kNeutral);
        EXPECT_NEAR(shrinkP, shrinkQ, 0.01) << lightness << " " << p << " " << q;
        EXPECT_GT(shrinkP, 0.0);
        EXPECT_LT(shrinkP, 1.0);
        // As colourful as the cube allows: a channel sits on its surface.
        EXPECT_TRUE(std::any_of(back.begin(), back.end(), [](std::int32_t c) { return c == 0 || c == kOne; }));
      }
  EXPECT_EQ(fromOpponent({0, kOne, 0}), (ColourTriple{0, 0, 0}));
  EXPECT_EQ(fromOpponent({kOne, 0, kOne}), (ColourTriple{kOne, kOne, kOne}));
}

TEST(OpponentColour, InputsPastEitherEndCountAsTheEnd) {
  EXPECT_EQ(toOpponent({-500, -1, -32768}), toOpponent({0, 0, 0}));
  EXPECT_EQ(toOpponent({40000, 32769, 1 << 30}), toOpponent({kOne, kOne, kOne}));
  EXPECT_EQ(fromOpponent({-7, kNeutral, kNeutral}), (ColourTriple{0, 0, 0}));
  EXPECT_EQ(fromOpponent({99999, kNeutral, kNeutral}), (ColourTriple{kOne, kOne, kOne}));
  EXPECT_EQ(fromOpponent({16384, -9000, 1 << 20}), fromOpponent({16384, 0, kOne}));
}

}  // namespace
}  // namespace qm
