// SPDX-License-Identifier: LicenseRef-Quillmark
// The threshold screens: the ordered matrix's levels and dispersion, the poster tones' levels,
// wave's straight strokes, xor's grain and displacement, and noise keeping the tone.
#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

#include "render/bayer_matrix.h"
#include "tests/render/style_test_fixture.h"

namespace qm::test {
namespace {

constexpr std::int32_t kNoise = 2, kWave = 5, kXor = 11, kPosterTone1 = 17, kPosterTone2 = 18, kBayer = 19;

// Every density inks exactly that many of a tile's 256 positions, full ink all of them, so
// the matrix holds each level once. The ordered matrix disperses its ink: a quarter of the
// levels inks one pixel of every 2 x 2 block, half of them a checkerboard; over 80 rows, so
// that the tiles of the second band line up with those of the first.
TEST(BayerScreen, DensityInksThatManyPositionsEvenlyDispersed) {
  for (std::int32_t density = 0; density <= 255; ++density)
    EXPECT_EQ(flatInkFraction(styleLook(kBayer), density, 16, 16) * 256, density < 255 ? density : 256) << density;
  StyleRender quarter(48, 80, styleLook(kBayer));
  StyleRender half(48, 80, styleLook(kBayer));
  quarter.renderFlat(64);
  half.renderFlat(128);
  for (std::int32_t y = 0; y < 80; ++y)
    for (std::int32_t x = 0; x < 48; ++x) {
      ASSERT_EQ(half.ink(x, y), half.ink(0, 0) == ((x + y) % 2 == 0)) << x << "," << y;
      if (x % 2 == 0 && y % 2 == 0) {
        const std::int32_t inked =
            quarter.ink(x, y) + quarter.ink(x + 1, y) + quarter.ink(x, y + 1) + quarter.ink(x + 1, y + 1);
        ASSERT_EQ(inked, 1) << "block at " << x << "," << y;
      }
    }
}

// The paper of the 2 x 2 cell of one-pixel patterns, [y & 1][x & 1].
using Cell = std::array<std::array<bool, 2>, 2>;
constexpr Cell kBlank{{{true, true}, {true, true}}};
constexpr Cell kThreeQuarters{{{false, true}, {true, true}}};  // ink where both coordinates are even
constexpr Cell kCheckerboard{{{false, true}, {true, false}}};
constexpr Cell kOneQuarter{{{false, true}, {false, false}}};  // paper where x is odd and y even
constexpr Cell kFullInk{{{false, false}, {false, false}}};

// Both ends of every level, so that each boundary is checked from either side: poster
// tone 2 switches at 51, 102, 153 and 204, poster tone 1 at 85 and 170.
TEST(PosterTones, EachLevelHasItsOnePixelPattern) {
  const struct {
    std::int32_t style, density;
    const Cell& paper;
  } cases[] = {
      {kPosterTone2, 0, kBlank},           {kPosterTone2, 50, kBlank},         {kPosterTone2, 51, kThreeQuarters},
      {kPosterTone2, 101, kThreeQuarters}, {kPosterTone2, 102, kCheckerboard}, {kPosterTone2, 152, kCheckerboard},
      {kPosterTone2, 153, kOneQuarter},    {kPosterTone2, 203, kOneQuarter},   {kPosterTone2, 204, kFullInk},
      {kPosterTone2, 255, kFullInk},       {kPosterTone1, 0, kBlank},          {kPosterTone1, 84, kBlank},
      {kPosterTone1, 85, kCheckerboard},   {kPosterTone1, 169, kCheckerboard}, {kPosterTone1, 170, kFullInk},
      {kPosterTone1, 255, kFullInk},
  };
  for (const auto& c : cases) {
    StyleRender render(8, 8, styleLook(c.style));
    render.renderFlat(c.density);
    for (std::int32_t y = 0; y < 8; ++y)
      for (std::int32_t x = 0; x < 8; ++x)
        ASSERT_EQ(!render.ink(x, y), c.paper[std::size_t(y & 1)][std::size_t(x & 1)])
            << "style " << c.style << " density " << c.density << " at " << x << "," << y;
  }
}

// Angle 0 strokes run down the picture, angle 90 across it, angle 45 along the diagonal;
// 80 rows so that the strokes continue across the band boundary.
TEST(WaveScreen, StraightParallelStrokesOnlyWithoutWarping) {
  const struct {
    std::int32_t angle, dx, dy, acrossX, acrossY;
  } cases[] = {{0, 0, 1, 1, 0}, {90, 1, 0, 0, 1}, {45, 1, 1, 1, 0}};
  for (const auto& c : cases) {
    StyleRender render(48, 80, styleLook(kWave, 1, 3, 0, c.angle));
    render.renderFlat(128);
    EXPECT_TRUE(render.hasInkAndPaper()) << "angle " << c.angle;
    EXPECT_EQ(render.changesAlong(c.dx, c.dy), 0) << "angle " << c.angle;
    EXPECT_GT(render.changesAlong(c.acrossX, c.acrossY), 0)
        << "angle " << c.angle << ": strokes must cross the other way";
  }
  StyleRender warped(48, 80, styleLook(kWave, 1, 3, 60, 0));
  warped.renderFlat(128);
  EXPECT_GT(warped.changesAlong(0, 1), 0) << "warping bends the strokes";
}

// Row 5 rendered as the sixth row of a band and again on its own as a task's first row: the
// generator is in other states, so only the grain can tell them apart. The pattern moves in
// steps of 32 at 1x and 16 at 2x; at a density that is a multiple of the step (128) no grain
// could change a decision, so the density lies between steps.
TEST(XorScreen, GrainBelow4xAndThePatternShiftedByTheBlurredGrey) {
  for (std::int32_t scale = 1; scale <= 3; ++scale) {  // 1x, 2x, 4x
    StyleRender render(64, 8, styleLook(kXor, scale));
    render.renderFlat(100);
    const std::vector<float> inBand = render.levels();
    render.renderRow(5);
    EXPECT_EQ(render.levels() != inBand, scale < 3) << "scale " << scale;
  }
  // At 4x (no grain, no coordinate scaling) with full warping, a blurred grey of 128 moves
  // the pattern by (255 x 128) >> 9 = 63 units along the angle. The gray setting stores the
  // pattern value itself. The fixture's blurred grey equals the tone.
  for (const auto& [angle, dx, dy] : {std::tuple{0, 63, 0}, std::tuple{90, 0, 63}}) {
    const UserValues look = withGray(styleLook(kXor, 3, 3, 100, angle));
    const auto still = rendered(look, 96, 96, flatDensity(255));  // tone 0
    const auto moved = rendered(look, 96, 96, flatDensity(127));  // tone 128
    for (std::int32_t y = 0; y < 32; ++y)
      for (std::int32_t x = 0; x < 32; ++x)
        ASSERT_EQ(moved->level(x, y), still->level(x + dx, y + dy)) << "angle " << angle << " at " << x << "," << y;
    EXPECT_NE(moved->level(0, 0), still->level(0, 0)) << "angle " << angle;
  }
}

// 4096 pixels from one band's generator: 0.02 is about 2.5 standard deviations at half
// density, and covers the density / 256 the 12-bit draws give.
TEST(NoiseScreen, InkShareFollowsTheDensity) {
  for (std::int32_t density : {32, 64, 128, 192, 255})
    EXPECT_NEAR(flatInkFraction(styleLook(kNoise), density), density / 255.0, 0.02) << "density " << density;
}

}  // namespace
}  // namespace qm::test
