// SPDX-License-Identifier: LicenseRef-Quillmark
// The line and pattern screens: ink decided exactly at the stored value's threshold,
// basketweave's second family, crosscut around mid-density and its carried value, maze's
// cell hash across scales, and flow's ramps turning with the blurred grey.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tests/render/style_test_fixture.h"

namespace qm::test {
namespace {

constexpr std::int32_t kSquareChaos = 6, kRoundChaos = 7, kBasketweave = 8, kCrosscut = 9, kMaze = 10, kFlow = 13,
                       kHatching = 14;

// A diagonal ramp over the whole tone range.
std::int32_t rampTone(std::int32_t x, std::int32_t y) { return (x * 5 + y * 3) % 256; }

// How far the stored value (the gray output) is on the ink side of the grey S: chaos inks
// where the value is above S, flow and hatching where it is below the density 255 - S,
// maze where half of it is below half the density. Zero is the tie, which is paper.
struct ValueRule {
  std::int32_t style;
  std::int32_t (*inkMargin)(std::int32_t value, std::int32_t grey);
};
constexpr ValueRule kValueRules[] = {
    {kSquareChaos, [](std::int32_t v, std::int32_t g) { return v - g; }},
    {kRoundChaos, [](std::int32_t v, std::int32_t g) { return v - g; }},
    {kFlow, [](std::int32_t v, std::int32_t g) { return 255 - g - v; }},
    {kHatching, [](std::int32_t v, std::int32_t g) { return 255 - g - v; }},
    {kMaze, [](std::int32_t v, std::int32_t g) { return ((255 - g) >> 1) - v / 2; }},
};

TEST(LineScreens, InkExactlyWhereTheStoredValuePassesTheTone) {
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
  EXPECT_EQ(four->value(4, 0), 72);
  std::vector<std::int32_t> distinct;
  for (std::int32_t y = 0; y < 24; ++y)
    for (std::int32_t x = 0; x < 24; ++x) {
      EXPECT_EQ(four->level(4 * x, 4 * y), one->level(x, y)) << x << ", " << y;
      distinct.push_back(one->value(x, y));
    }
  std::sort(distinct.begin(), distinct.end());
  EXPECT_GT(std::unique(distinct.begin(), distinct.end()) - distinct.begin(), 16);
}

// Flow mixes a ramp across the rows (weighted in dark surroundings) with one across the
// columns (weighted in light ones). The blurred grey is set apart from the sharp one by a
// row function that overwrites it before the style runs.
std::int32_t gBlurred = 0;
void flowWithBlurred(StyleRowContext& context) {
  for (std::int32_t i = 0; i < context.cellCount; ++i) context.rowCells[i].spare[1] = gBlurred;
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

}  // namespace
}  // namespace qm::test
