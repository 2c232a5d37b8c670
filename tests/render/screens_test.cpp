// SPDX-License-Identifier: LicenseRef-Quillmark
// The line, pattern and threshold screens: ink decided exactly at the stored value's
// threshold (also for xor, the jittered cells and the spot styles), basketweave's second
// family, crosscut around mid-density and its carried value, maze's cell hash across
// scales, flow's ramps turning with the blurred grey; the ordered matrix's levels and
// dispersion, the poster tones' levels, wave's straight strokes, xor's grain and
// displacement, and noise keeping the tone.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <tuple>
#include <vector>

#include "tests/render/style_test_fixture.h"

namespace qm::test {
namespace {

constexpr std::int32_t kNoise = 2, kWave = 5, kSquareChaos = 6, kRoundChaos = 7, kBasketweave = 8, kCrosscut = 9,
                       kMaze = 10, kXor = 11, kFlow = 13, kHatching = 14, kShards = 15, kBubbles = 16,
                       kPosterTone1 = 17, kPosterTone2 = 18, kBayer = 19, kSpots = 21, kNetting = 22, kSpiders = 23;

// A diagonal ramp over the whole tone range.
std::int32_t rampTone(std::int32_t x, std::int32_t y) { return (x * 5 + y * 3) % 256; }

// How far the stored value (the gray output) is on the ink side of the grey S: chaos inks
// where the value is above S, maze where half of it is below half the density, and the
// other screens here where it is below the density 255 - S. Zero is the tie, which is paper.
std::int32_t aboveTheGrey(std::int32_t value, std::int32_t grey) { return value - grey; }
std::int32_t belowTheDensity(std::int32_t value, std::int32_t grey) { return 255 - grey - value; }
std::int32_t halfBelowHalfTheDensity(std::int32_t value, std::int32_t grey) { return ((255 - grey) >> 1) - value / 2; }
struct ValueRule {
  std::int32_t style;
  std::int32_t (*inkMargin)(std::int32_t value, std::int32_t grey);
};
constexpr ValueRule kValueRules[] = {
    {kSquareChaos, aboveTheGrey},    {kRoundChaos, aboveTheGrey},    {kMaze, halfBelowHalfTheDensity},
    {kXor, belowTheDensity},         {kFlow, belowTheDensity},       {kHatching, belowTheDensity},
    {kShards, belowTheDensity},      {kBubbles, belowTheDensity},    {kSpots, belowTheDensity},
    {kNetting, belowTheDensity},     {kSpiders, belowTheDensity},
};

TEST(Screens, InkExactlyWhereTheStoredValuePassesTheTone) {
  for (const ValueRule& rule : kValueRules) {
    const auto decisions = rendered(styleLook(rule.style), 64, 48, rampTone);
    const auto values = rendered(withGray(styleLook(rule.style)), 64, 48, rampTone);
    std::int32_t ties = 0;
    for (std::int32_t y = 0; y < 48; ++y)
      for (std::int32_t x = 0; x < 64; ++x) {
        const std::int32_t margin = rule.inkMargin(values->value(x, y), rampTone(x, y));
        ties += margin == 0 ? 1 : 0;
        EXPECT_EQ(decisions->ink(x, y), margin > 0) << "style " << rule.style << " at " << x << ", " << y;
      }
    EXPECT_GT(ties, 0) << "style " << rule.style << ": the ramp should meet some values exactly";
  }
}

// With the ramp curve made the identity, basketweave's first family is flow's family: where
// flow inks, basketweave inks with the same value; where flow leaves paper, a tie
// included, basketweave stores the second family's value and inks some of it.
TEST(BasketweaveStyle, SecondFamilyFillsWhereTheFirstLeavesPaper) {
  const auto identityCurve = [](StyleRender& r) {
    for (std::int32_t i = 0; i < kToneLevels; ++i) r.state().tables->rampTable[i] = i;
  };
  const auto flow = rendered(withGray(styleLook(kFlow)), 64, 48, rampTone);
  const auto weave = rendered(withGray(styleLook(kBasketweave)), 64, 48, rampTone, identityCurve);
  const auto weaveInk = rendered(styleLook(kBasketweave), 64, 48, rampTone, identityCurve);
  std::int32_t filled = 0;
  std::int32_t tiesRedrawn = 0;
  for (std::int32_t y = 0; y < 48; ++y)
    for (std::int32_t x = 0; x < 64; ++x) {
      const std::int32_t first = flow->value(x, y);
      const std::int32_t density = 255 - rampTone(x, y);
      if (first < density) {
        EXPECT_TRUE(weaveInk->ink(x, y)) << x << ", " << y;
        EXPECT_EQ(weave->value(x, y), first) << x << ", " << y;
      } else {
        filled += weaveInk->ink(x, y) ? 1 : 0;
        tiesRedrawn += first == density && weave->value(x, y) != first ? 1 : 0;
      }
    }
  EXPECT_GT(filled, 0);
  EXPECT_GT(tiesRedrawn, 0);
  // At angle 0 the second family's displacement DY is 0 while the first's DX[255] at 1x and
  // warping 20 is 765 x 10 = 7650. At (0, 0) both waves are 0 and paper (B = 255) makes the
  // curve 0: r1 = (7650 >> 2) & 255 = 120 is not below it, so the second family decides:
  // its ramps both give p5 = 32, so r2 = ((32 x 255 + 0) >> 2) & 255 = 248, paper.
  EXPECT_EQ(rendered(withGray(styleLook(kBasketweave, 1, 3, 20, 0)), 1, 1, flatDensity(0))->value(0, 0), 248);
}

// Below 128 the first family keeps its mid-density width and the second cuts it where its
// ramp reaches the density; from 128 on the first family widens alone. The line density
// is even at every line weight, so the second family's ramp is even and never reaches
// 127: 127 and 128 render alike. At line weight 4 (line density 2) the ramp runs through
// every even value, so its cut first shows at 126.
// (Unwarped, the fixture's blurred grey, which follows the density, moves nothing.)
TEST(CrosscutStyle, SecondFamilyCutsOnlyBelowMidDensity) {
  const UserValues look = styleLook(kCrosscut, 1, 4, 0);
  const auto light = rendered(look, 64, 64, flatDensity(126));
  const auto below = rendered(look, 64, 64, flatDensity(127));
  const auto mid = rendered(look, 64, 64, flatDensity(128));
  const auto dark = rendered(look, 64, 64, flatDensity(160));
  const auto lightValues = rendered(withGray(look), 64, 64, flatDensity(126));
  std::int32_t cut = 0;
  std::int32_t widened = 0;
  for (std::int32_t y = 0; y < 64; ++y)
    for (std::int32_t x = 0; x < 64; ++x) {
      EXPECT_EQ(below->ink(x, y), mid->ink(x, y)) << x << ", " << y;
      EXPECT_TRUE(!light->ink(x, y) || mid->ink(x, y)) << "the cut only removes ink at " << x << ", " << y;
      EXPECT_TRUE(!mid->ink(x, y) || dark->ink(x, y)) << "darker only widens at " << x << ", " << y;
      if (mid->ink(x, y) && !light->ink(x, y)) {
        ++cut;
        EXPECT_EQ(lightValues->value(x, y), 126) << "a cut stores the second family's ramp at " << x << ", " << y;
      }
      widened += dark->ink(x, y) && !mid->ink(x, y) ? 1 : 0;
    }
  EXPECT_GT(cut, 0);
  EXPECT_GT(widened, 0);
}

// At 128 only the first family decides; every paper pixel keeps the value of the last
// ink pixel before it in the row, or 0 before the first one, also when the row starts
// in the middle of the image.
TEST(CrosscutStyle, UndecidedPixelsRepeatTheLastValueOfTheRow) {
  StyleRender render(40, 8, withGray(styleLook(kCrosscut)));
  render.fillDensity(128);
  for (std::int32_t y = 0; y < 8; ++y) render.renderRow(y, 3, 39);
  const auto decisions = rendered(styleLook(kCrosscut), 40, 8, flatDensity(128));
  std::int32_t carried = 0;
  for (std::int32_t y = 0; y < 8; ++y) {
    std::int32_t last = 0;
    for (std::int32_t x = 3; x < 40; ++x) {
      if (decisions->ink(x, y)) {
        last = render.value(x, y);
        EXPECT_LT(last, 128) << x << ", " << y;
      } else {
        EXPECT_EQ(render.value(x, y), last) << x << ", " << y;
        carried += last != 0 ? 1 : 0;
      }
    }
  }
  EXPECT_GT(carried, 0);
}

// With no warping the maze at 4x shifts the coordinates by 1 where 1x shifts them by 3, so
// pixel (4x, 4y) at 4x meets the same cell and ramps as (x, y) at 1x. Line weight 3 gives
// the line density 2 and the first draw of the set-up gives the hash entry W[0] = 41 >> 4
// = 2; at 1x pixel (1, 0) has X = 8, Y = 0, so h1 = 2 x (64 >> 2) = 32 and
// h2 = 2 x (8 >> 2) = 4, cell 0 takes their sum, 36, stored doubled.
TEST(MazeStyle, FourTimesScaleUsesTheOneTimesCellHash) {
  UserValues look = withGray(styleLook(kMaze, 1, 3, 0));
  const auto one = rendered(look, 24, 24, flatDensity(100));
  look.scale = 3;
  const auto four = rendered(look, 96, 96, flatDensity(100));
  EXPECT_EQ(one->value(1, 0), 72);
  std::set<std::int32_t> distinct;
  for (std::int32_t y = 0; y < 24; ++y)
    for (std::int32_t x = 0; x < 24; ++x) {
      EXPECT_EQ(four->level(4 * x, 4 * y), one->level(x, y)) << x << ", " << y;
      distinct.insert(one->value(x, y));
    }
  EXPECT_GT(distinct.size(), 16u);
}

// Flow mixes a ramp across the rows (weighted in dark surroundings) with one across the
// columns (weighted in light ones). The blurred grey is set apart from the sharp one by a
// row function that overwrites it before the style runs.
std::int32_t gBlurred = 0;
void flowWithBlurred(StyleRowContext& context) {
  for (std::int32_t i = 0; i < context.cellCount; ++i) context.rowCells[i].blurred = std::uint8_t(gBlurred);
  renderFlowRow(context);
}

TEST(FlowStyle, StrokesTurnWithTheBlurredGrey) {
  for (std::int32_t blurred : {0, 255}) {
    gBlurred = blurred;
    const auto render = rendered(styleLook(kFlow), 64, 64, flatDensity(100), nullptr, flowWithBlurred);
    const std::int32_t acrossRows = render->changesAlong(0, 1), acrossColumns = render->changesAlong(1, 0);
    if (blurred == 0)
      EXPECT_GT(acrossRows, 4 * acrossColumns) << "dark surroundings: strokes run along the rows";
    else
      EXPECT_GT(acrossColumns, 4 * acrossRows) << "light surroundings: strokes run along the columns";
  }
}

// --- The threshold screens ---

// Every density inks exactly that many of a tile's 256 positions, full ink all of them, so
// the matrix holds each level once. The ordered matrix disperses its ink: a quarter of the
// levels inks one pixel of every 2 x 2 block, half of them a checkerboard; over 80 rows, so
// that the tiles of the second band line up with those of the first.
TEST(BayerScreen, DensityInksThatManyPositionsEvenlyDispersed) {
  for (std::int32_t density = 0; density <= 255; ++density)
    EXPECT_EQ(flatInkFraction(styleLook(kBayer), density, 16, 16) * 256, density < 255 ? density : 256) << density;
  const auto quarter = rendered(styleLook(kBayer), 48, 80, flatDensity(64));
  const auto half = rendered(styleLook(kBayer), 48, 80, flatDensity(128));
  for (std::int32_t y = 0; y < 80; ++y)
    for (std::int32_t x = 0; x < 48; ++x) {
      ASSERT_EQ(half->ink(x, y), half->ink(0, 0) == ((x + y) % 2 == 0)) << x << "," << y;
      if (x % 2 == 0 && y % 2 == 0) {
        const std::int32_t inked =
            quarter->ink(x, y) + quarter->ink(x + 1, y) + quarter->ink(x, y + 1) + quarter->ink(x + 1, y + 1);
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
    const auto render = rendered(styleLook(c.style), 8, 8, flatDensity(c.density));
    for (std::int32_t y = 0; y < 8; ++y)
      for (std::int32_t x = 0; x < 8; ++x)
        ASSERT_EQ(!render->ink(x, y), c.paper[std::size_t(y & 1)][std::size_t(x & 1)])
            << "style " << c.style << " density " << c.density << " at " << x << "," << y;
  }
}

// Angle 0 strokes run down the picture, angle 90 across it, angle 45 along the diagonal
// (changes the other way mean there is both ink and paper); 80 rows so that the strokes
// continue across the band boundary.
TEST(WaveScreen, StraightParallelStrokesOnlyWithoutWarping) {
  const struct {
    std::int32_t angle, dx, dy, acrossX, acrossY;
  } cases[] = {{0, 0, 1, 1, 0}, {90, 1, 0, 0, 1}, {45, 1, 1, 1, 0}};
  for (const auto& c : cases) {
    const auto render = rendered(styleLook(kWave, 1, 3, 0, c.angle), 48, 80, flatDensity(128));
    EXPECT_EQ(render->changesAlong(c.dx, c.dy), 0) << "angle " << c.angle;
    EXPECT_GT(render->changesAlong(c.acrossX, c.acrossY), 0)
        << "angle " << c.angle << ": strokes must cross the other way";
  }
  const auto warped = rendered(styleLook(kWave, 1, 3, 60, 0), 48, 80, flatDensity(128));
  EXPECT_GT(warped->changesAlong(0, 1), 0) << "warping bends the strokes";
}

// Row 5 rendered as the sixth row of a band and again on its own as a task's first row: the
// generator is in other states, so only the grain can tell them apart. The pattern moves in
// steps of 32 at 1x and 16 at 2x; at a density that is a multiple of the step (128) no grain
// could change a decision, so the density lies between steps.
TEST(XorScreen, GrainBelow4xAndThePatternShiftedByTheBlurredGrey) {
  for (std::int32_t scale = 1; scale <= 3; ++scale) {  // 1x, 2x, 4x
    const auto render = rendered(styleLook(kXor, scale), 64, 8, flatDensity(100));
    const std::vector<float> inBand = render->levels();
    render->renderRow(5);
    EXPECT_EQ(render->levels() != inBand, scale < 3) << "scale " << scale;
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
