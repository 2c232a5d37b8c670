// SPDX-License-Identifier: LicenseRef-Quillmark
// The opponent-colour model: its neutral points, agreement with its defining sums, the
// round trip through both tables, and what happens at the ends of the ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "render/opponent_colour.h"

namespace qm {
namespace {

constexpr double kByteStep = 32768.0 / 255.0;  // one 8-bit step in fixed point
constexpr std::int32_t kNeutral = 16448;       // 128 of 255

// One channel of a 17-step cube: 0, 1/16, ..., 1 in fixed point.
std::int32_t level(int i) { return std::int32_t(i * 2048); }

int largestError(const ColourTriple& got, const std::array<double, 3>& want) {
  double worst = 0;
  for (std::size_t c = 0; c < 3; ++c) worst = std::max(worst, std::abs(got[c] - want[c]));
  return int(std::ceil(worst));
}

// The model's sums in fixed point, written out independently of the tables.
std::array<double, 3> exactOpponent(const ColourTriple& rgb) {
  const double r = rgb[0], g = rgb[1], b = rgb[2], half = 32768.0 / 255.0 * 128.0;
  return {0.299 * r + 0.587 * g + 0.114 * b, half + (r - g) * 127.0 / 255.0,
          half + ((r + g) / 2 - b) * 127.0 / 255.0};
}

TEST(OpponentColour, BlackWhiteAndGreysSitOnTheNeutralAxis) {
  EXPECT_EQ(toOpponent({0, 0, 0}), (ColourTriple{0, kNeutral, kNeutral}));
  EXPECT_EQ(toOpponent({32768, 32768, 32768}), (ColourTriple{32768, kNeutral, kNeutral}));
  for (int i = 0; i <= 16; ++i) {
    const ColourTriple opponent = toOpponent({level(i), level(i), level(i)});
    EXPECT_NEAR(opponent[0], level(i), kByteStep) << i;
    EXPECT_NEAR(opponent[1], kNeutral, kByteStep / 2) << i;
    EXPECT_NEAR(opponent[2], kNeutral, kByteStep / 2) << i;
  }
}

TEST(OpponentColour, NeutralPointsComeBackAsGreys) {
  EXPECT_EQ(fromOpponent({0, kNeutral, kNeutral}), (ColourTriple{0, 0, 0}));
  EXPECT_EQ(fromOpponent({32768, kNeutral, kNeutral}), (ColourTriple{32768, 32768, 32768}));
  for (int i = 0; i <= 16; ++i) {
    const ColourTriple rgb = fromOpponent({level(i), kNeutral, kNeutral});
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(rgb[std::size_t(c)], level(i), 1.1 * kByteStep) << i << " " << c;
  }
}

TEST(OpponentColour, ForwardTableFollowsTheDefiningSums) {
  for (int r = 0; r <= 16; ++r)
    for (int g = 0; g <= 16; ++g)
      for (int b = 0; b <= 16; ++b) {
        const ColourTriple rgb{level(r), level(g), level(b)};
        // The sums are linear, so only the rounding of the entries to bytes shows.
        EXPECT_LE(largestError(toOpponent(rgb), exactOpponent(rgb)), kByteStep) << r << " " << g << " " << b;
      }
}

TEST(OpponentColour, RoundTripAwayFromTheCubesSurfaceIsCloseToExact) {
  // The 17-step cube less its two outer layers: a cell there has every node inside the cube.
  for (int r = 2; r <= 14; ++r)
    for (int g = 2; g <= 14; ++g)
      for (int b = 2; b <= 14; ++b) {
        const ColourTriple rgb{level(r), level(g), level(b)};
        const ColourTriple back = fromOpponent(toOpponent(rgb));
        EXPECT_LE(largestError(back, {double(rgb[0]), double(rgb[1]), double(rgb[2])}), 1.5 * kByteStep)
            << r << " " << g << " " << b;
      }
}

TEST(OpponentColour, RoundTripNearTheSurfaceStaysInsideTheCubeAndKeepsLightness) {
  for (int r = 0; r <= 16; ++r)
    for (int g = 0; g <= 16; ++g)
      for (int b = 0; b <= 16; ++b) {
        const ColourTriple rgb{level(r), level(g), level(b)};
        const ColourTriple back = fromOpponent(toOpponent(rgb));
        for (std::int32_t c : back) {
          EXPECT_GE(c, 0);
          EXPECT_LE(c, 32768);
        }
        EXPECT_NEAR(exactOpponent(back)[0], exactOpponent(rgb)[0], 12 * kByteStep) << r << " " << g << " " << b;
      }
}

TEST(OpponentColour, InputsPastEitherEndCountAsTheEnd) {
  EXPECT_EQ(toOpponent({-500, -1, -32768}), toOpponent({0, 0, 0}));
  EXPECT_EQ(toOpponent({40000, 32769, 1 << 30}), toOpponent({32768, 32768, 32768}));
  EXPECT_EQ(fromOpponent({-7, kNeutral, kNeutral}), (ColourTriple{0, 0, 0}));
  EXPECT_EQ(fromOpponent({99999, kNeutral, kNeutral}), (ColourTriple{32768, 32768, 32768}));
}

TEST(OpponentColour, ColourComponentsPointTheRightWay) {
  const ColourTriple red = toOpponent({32768, 0, 0}), green = toOpponent({0, 32768, 0});
  const ColourTriple yellow = toOpponent({32768, 32768, 0}), blue = toOpponent({0, 0, 32768});
  EXPECT_GT(red[1], kNeutral);
  EXPECT_LT(green[1], kNeutral);
  EXPECT_GT(yellow[2], kNeutral);
  EXPECT_LT(blue[2], kNeutral);
  EXPECT_NEAR(yellow[1], kNeutral, kByteStep / 2) << "yellow has as much red as green";
  EXPECT_GT(green[0], red[0]);
  EXPECT_GT(red[0], blue[0]);
}

}  // namespace
}  // namespace qm
