// SPDX-License-Identifier: LicenseRef-Quillmark
// The line and pattern screens: chaos deaf to the tone map, ink decided exactly at the
// stored value's threshold, basketweave's second family, crosscut around mid-density and
// its carried value, maze's cell hash across scales, flow's ramps turning with the blurred
// grey, and for every style: more ink on darker tones at every scale and line weight with
// every column stored on narrow images, and view offsets (negative ones too) that only
// move the pattern.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "tests/render/style_test_fixture.h"

namespace qm {
namespace {

using test::StyleRender;
using test::styleLook;

constexpr std::int32_t kSquareChaos = 6, kRoundChaos = 7, kBasketweave = 8, kCrosscut = 9, kMaze = 10, kFlow = 13,
                       kHatching = 14;

struct LineStyle {
  std::int32_t style;
  StyleRowFunction row;
};

constexpr LineStyle kLineStyles[] = {
    {kSquareChaos, renderChaosRow}, {kRoundChaos, renderChaosRow}, {kBasketweave, renderBasketweaveRow},
    {kCrosscut, renderCrosscutRow}, {kMaze, renderMazeRow},        {kFlow, renderFlowRow},
    {kHatching, renderHatchingRow},
};

// A diagonal ramp over the whole tone range.
std::int32_t rampTone(std::int32_t x, std::int32_t y) { return (x * 5 + y * 3) % 256; }

// A render of the look with the row function, every tone given by `tone(x, y)`; `adjust`
// may change the state after the set-up.
void leaveAsSetUp(StyleRender&) {}
template <typename Tone, typename Adjust = void (*)(StyleRender&)>
std::unique_ptr<StyleRender> rendered(const UserValues& look, StyleRowFunction row, std::int32_t width,
                                      std::int32_t height, Tone tone, Adjust adjust = leaveAsSetUp) {
  auto render = std::make_unique<StyleRender>(width, height, look, row);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) render->setTone(x, y, tone(x, y));
  adjust(*render);
  render->renderAll();
  return render;
}
auto flat(std::int32_t density) {
  return [density](std::int32_t, std::int32_t) { return 255 - density; };
}

UserValues withGray(UserValues look) {
  look.gray = 1;
  return look;
}

std::vector<float> levels(const StyleRender& render) {
  std::vector<float> out;
  for (std::int32_t y = 0; y < render.height(); ++y)
    for (std::int32_t x = 0; x < render.width(); ++x) out.push_back(render.level(x, y));
  return out;
}

bool hasInkAndPaper(const StyleRender& render) {
  const double f = render.inkFraction();
  return f > 0.0 && f < 1.0;
}

std::int32_t grey255(const StyleRender& render, std::int32_t x, std::int32_t y) {
  return std::int32_t(render.level(x, y) * 255.0f + 0.5f);
}

// Neither the tone map nor the invert mode changes the chaos styles, which compare with the
// grey itself: reflecting the tone map after the set-up catches a row function that reads
// the density; "invert all" through the set-up checks that the catalogue leaves their
// invert flags cleared.
TEST(ChaosStyles, IgnoreTheToneMapAndTheInvertMode) {
  for (std::int32_t style : {kSquareChaos, kRoundChaos}) {
    const auto normal = rendered(styleLook(style), renderChaosRow, 48, 40, rampTone);
    ASSERT_TRUE(hasInkAndPaper(*normal)) << "style " << style;
    const auto reflected = rendered(styleLook(style), renderChaosRow, 48, 40, rampTone, [](StyleRender& r) {
      for (std::int16_t& entry : r.state().tables->toneMap) entry = std::int16_t(255 - entry);
    });
    EXPECT_EQ(levels(*reflected), levels(*normal)) << "style " << style;
    UserValues look = styleLook(style);
    look.invertMode = 4;
    EXPECT_EQ(levels(*rendered(look, renderChaosRow, 48, 40, rampTone)), levels(*normal))
        << "style " << style << " under invert all";
  }
}

// How far the stored value (the gray output) is on the ink side of the grey S: chaos inks
// where the value is above S, flow and hatching where it is below the density 255 - S,
// maze where half of it is below half the density. Zero is the tie, which is paper.
struct ValueRule {
  std::int32_t style;
  StyleRowFunction row;
  std::int32_t (*inkMargin)(std::int32_t value, std::int32_t grey);
};
constexpr ValueRule kValueRules[] = {
    {kSquareChaos, renderChaosRow, [](std::int32_t v, std::int32_t g) { return v - g; }},
    {kRoundChaos, renderChaosRow, [](std::int32_t v, std::int32_t g) { return v - g; }},
    {kFlow, renderFlowRow, [](std::int32_t v, std::int32_t g) { return 255 - g - v; }},
    {kHatching, renderHatchingRow, [](std::int32_t v, std::int32_t g) { return 255 - g - v; }},
    {kMaze, renderMazeRow, [](std::int32_t v, std::int32_t g) { return ((255 - g) >> 1) - v / 2; }},
};

TEST(LineScreens, InkExactlyWhereTheStoredValuePassesTheTone) {
  for (const ValueRule& rule : kValueRules) {
    const auto decisions = rendered(styleLook(rule.style), rule.row, 64, 48, rampTone);
    const auto values = rendered(withGray(styleLook(rule.style)), rule.row, 64, 48, rampTone);
    std::int32_t ties = 0;
    for (std::int32_t y = 0; y < 48; ++y)
      for (std::int32_t x = 0; x < 64; ++x) {
        const std::int32_t margin = rule.inkMargin(grey255(*values, x, y), rampTone(x, y));
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
  const auto flow = rendered(withGray(styleLook(kFlow)), renderFlowRow, 64, 48, rampTone);
  const auto weave = rendered(withGray(styleLook(kBasketweave)), renderBasketweaveRow, 64, 48, rampTone, identityCurve);
  const auto weaveInk = rendered(styleLook(kBasketweave), renderBasketweaveRow, 64, 48, rampTone, identityCurve);
  std::int32_t filled = 0;
  std::int32_t tiesRedrawn = 0;
  for (std::int32_t y = 0; y < 48; ++y)
    for (std::int32_t x = 0; x < 64; ++x) {
      const std::int32_t first = grey255(*flow, x, y);
      const std::int32_t density = 255 - rampTone(x, y);
      if (first < density) {
        EXPECT_TRUE(weaveInk->ink(x, y)) << x << ", " << y;
        EXPECT_EQ(grey255(*weave, x, y), first) << x << ", " << y;
      } else {
        filled += weaveInk->ink(x, y) ? 1 : 0;
        tiesRedrawn += first == density && grey255(*weave, x, y) != first ? 1 : 0;
      }
    }
  EXPECT_GT(filled, 0);
  EXPECT_GT(tiesRedrawn, 0);
}

// At angle 0 the second family's displacement DY is 0 while the first's DX[255] at 1x and
// warping 20 is 765 x 10 = 7650. At (0, 0) both waves are 0 and paper (B = 255) makes the
// curve 0: r1 = (7650 >> 2) & 255 = 120 is not below it, so the second family decides:
// its ramps both give p5 = 32, so r2 = ((32 x 255 + 0) >> 2) & 255 = 248, paper.
TEST(BasketweaveStyle, SecondFamilyUsesItsOwnStepAndDisplacement) {
  UserValues look = withGray(styleLook(kBasketweave));
  look.angle = 0;
  const auto render = rendered(look, renderBasketweaveRow, 1, 1, flat(0));
  EXPECT_EQ(grey255(*render, 0, 0), 248);
}

std::unique_ptr<StyleRender> flatCrosscut(std::int32_t density, bool gray) {
  UserValues look = styleLook(kCrosscut, 1, 4);
  look.gray = gray ? 1 : 0;
  look.warping = 0;  // the fixture's blurred grey follows the density; unwarped, it moves nothing
  return rendered(look, renderCrosscutRow, 64, 64, flat(density));
}

// Below 128 the first family keeps its mid-density width and the second cuts it where its
// ramp reaches the density; from 128 on the first family widens alone. The line density
// is even at every line weight, so the second family's ramp is even and never reaches
// 127: 127 and 128 render alike. At line weight 4 (line density 2) the ramp runs through
// every even value, so its cut first shows at 126.
TEST(CrosscutStyle, SecondFamilyCutsOnlyBelowMidDensity) {
  const std::unique_ptr<StyleRender> light(flatCrosscut(126, false));
  const std::unique_ptr<StyleRender> below(flatCrosscut(127, false));
  const std::unique_ptr<StyleRender> mid(flatCrosscut(128, false));
  const std::unique_ptr<StyleRender> dark(flatCrosscut(160, false));
  const std::unique_ptr<StyleRender> lightValues(flatCrosscut(126, true));
  std::int32_t cut = 0;
  std::int32_t widened = 0;
  for (std::int32_t y = 0; y < 64; ++y)
    for (std::int32_t x = 0; x < 64; ++x) {
      EXPECT_EQ(below->ink(x, y), mid->ink(x, y)) << x << ", " << y;
      EXPECT_TRUE(!light->ink(x, y) || mid->ink(x, y)) << "the cut only removes ink at " << x << ", " << y;
      EXPECT_TRUE(!mid->ink(x, y) || dark->ink(x, y)) << "darker only widens at " << x << ", " << y;
      if (mid->ink(x, y) && !light->ink(x, y)) {
        ++cut;
        EXPECT_EQ(grey255(*lightValues, x, y), 126) << "a cut stores the second family's ramp at " << x << ", " << y;
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
  StyleRender render(40, 8, withGray(styleLook(kCrosscut)), renderCrosscutRow);
  render.fillDensity(128);
  for (std::int32_t y = 0; y < 8; ++y) render.renderRow(y, 3, 39);
  const auto decisions = rendered(styleLook(kCrosscut), renderCrosscutRow, 40, 8, flat(128));
  std::int32_t carried = 0;
  for (std::int32_t y = 0; y < 8; ++y) {
    std::int32_t last = 0;
    for (std::int32_t x = 3; x < 40; ++x) {
      if (decisions->ink(x, y)) {
        last = grey255(render, x, y);
        EXPECT_LT(last, 128) << x << ", " << y;
      } else {
        EXPECT_EQ(grey255(render, x, y), last) << x << ", " << y;
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
  UserValues look = withGray(styleLook(kMaze, 1));
  look.warping = 0;
  const auto one = rendered(look, renderMazeRow, 24, 24, flat(100));
  look.scale = 3;
  const auto four = rendered(look, renderMazeRow, 96, 96, flat(100));
  EXPECT_EQ(grey255(*one, 1, 0), 72);
  EXPECT_EQ(grey255(*four, 4, 0), 72);
  std::vector<std::int32_t> distinct;
  for (std::int32_t y = 0; y < 24; ++y)
    for (std::int32_t x = 0; x < 24; ++x) {
      EXPECT_EQ(four->level(4 * x, 4 * y), one->level(x, y)) << x << ", " << y;
      distinct.push_back(grey255(*one, x, y));
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

// Changes of decision between neighbours along the rows and along the columns.
std::int32_t changes(const StyleRender& r, bool alongRows) {
  std::int32_t count = 0;
  for (std::int32_t y = 0; y < r.height(); ++y)
    for (std::int32_t x = 0; x < r.width(); ++x) {
      if (alongRows && x > 0) count += r.ink(x, y) != r.ink(x - 1, y) ? 1 : 0;
      if (!alongRows && y > 0) count += r.ink(x, y) != r.ink(x, y - 1) ? 1 : 0;
    }
  return count;
}

TEST(FlowStyle, StrokesTurnWithTheBlurredGrey) {
  for (std::int32_t blurred : {0, 255}) {
    gBlurred = blurred;
    const auto render = rendered(styleLook(kFlow), flowWithBlurred, 64, 64, flat(100));
    const std::int32_t acrossRows = changes(*render, false);
    const std::int32_t acrossColumns = changes(*render, true);
    if (blurred == 0)
      EXPECT_GT(acrossRows, 4 * acrossColumns) << "dark surroundings: strokes run along the rows";
    else
      EXPECT_GT(acrossColumns, 4 * acrossRows) << "light surroundings: strokes run along the columns";
  }
}

double flatInkFraction(const LineStyle& s, std::int32_t scale, std::int32_t lineWeight, std::int32_t width,
                       std::int32_t density) {
  const auto render = rendered(styleLook(s.style, scale, lineWeight), s.row, width, 96, flat(density));
  for (std::int32_t y = 0; y < render->height(); ++y)
    for (std::int32_t x = 0; x < width; ++x)
      EXPECT_NE(render->level(x, y), StyleRender::kUnwritten) << "style " << s.style << " at " << x << ", " << y;
  return render->inkFraction();
}

// Over the one-, two- and three-column images together, at every scale and line weight.
TEST(LineScreens, DarkerTonesGetMoreInk) {
  for (const LineStyle& s : kLineStyles)
    for (std::int32_t scale = 1; scale <= 3; ++scale)
      for (std::int32_t lineWeight = 1; lineWeight <= 5; ++lineWeight) {
        double previous = -1.0;
        for (std::int32_t density : {32, 128, 224}) {
          double sum = 0.0;
          for (std::int32_t width = 1; width <= 3; ++width)
            sum += flatInkFraction(s, scale, lineWeight, width, density);
          EXPECT_GT(sum / 3.0, previous) << "style " << s.style << " scale " << scale << " weight " << lineWeight
                                         << " density " << density;
          previous = sum / 3.0;
        }
      }
}

// The pattern hangs on the picture, not on the view: a render whose view starts at (-13, -70)
// is that crop of a larger render from (-30, -100). The offsets cross a band edge, so the
// crop's bands start at other rows than the larger render's; the negative coordinates and
// the displacements pointing up and left at full warping also check that every table read
// stays inside its table (under the sanitizers).
TEST(LineScreens, ViewOffsetsCropThePattern) {
  constexpr std::int32_t kDx = 17, kDy = 30, kWidth = 30, kHeight = 40;
  const auto viewAt = [](std::int32_t x, std::int32_t y) {
    return [x, y](StyleRender& r) {
      r.state().tone.offsetX = x;
      r.state().tone.offsetY = y;
    };
  };
  for (const LineStyle& s : kLineStyles)
    for (std::int32_t scale = 1; scale <= 3; ++scale) {
      UserValues look = styleLook(s.style, scale);
      look.angle = 225;
      look.warping = 100;
      const auto whole = rendered(look, s.row, kDx + kWidth, kDy + kHeight, rampTone, viewAt(-30, -100));
      const auto view = rendered(
          look, s.row, kWidth, kHeight, [](std::int32_t x, std::int32_t y) { return rampTone(x + kDx, y + kDy); },
          viewAt(-13, -70));
      EXPECT_TRUE(hasInkAndPaper(*view)) << "style " << s.style << " scale " << scale;
      std::int32_t mismatches = 0;
      for (std::int32_t y = 0; y < kHeight; ++y)
        for (std::int32_t x = 0; x < kWidth; ++x) mismatches += view->level(x, y) != whole->level(x + kDx, y + kDy);
      EXPECT_EQ(mismatches, 0) << "style " << s.style << " scale " << scale;
    }
}

}  // namespace
}  // namespace qm
