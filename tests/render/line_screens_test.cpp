// SPDX-License-Identifier: LicenseRef-Quillmark
// The line and pattern screens: chaos deaf to the tone map, crosscut around mid-density
// and its carried value, maze's cell hash across scales, flow's ramps turning with the
// blurred grey, and for every style: more ink on darker tones at every scale and line
// weight, every column stored on narrow images and with negative coordinates, and a view
// offset that only moves the pattern.
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

// A diagonal ramp over the whole tone range, shifted by (dx, dy) within a larger picture.
std::int32_t rampTone(std::int32_t x, std::int32_t y) { return (x * 5 + y * 3) % 256; }

void fillRamp(StyleRender& render, std::int32_t dx = 0, std::int32_t dy = 0) {
  for (std::int32_t y = 0; y < render.height(); ++y)
    for (std::int32_t x = 0; x < render.width(); ++x) render.setTone(x, y, rampTone(x + dx, y + dy));
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

// The chaos styles compare their value with the grey itself, so neither the tone map nor
// the invert mode changes them. Reflecting the tone map after the set-up catches a row
// function that reads the density; "invert all" through the set-up checks that the
// catalogue leaves their invert flags cleared.
TEST(ChaosStyles, IgnoreTheToneMapAndTheInvertMode) {
  for (std::int32_t style : {kSquareChaos, kRoundChaos}) {
    StyleRender normal(48, 40, styleLook(style), renderChaosRow);
    fillRamp(normal);
    normal.renderAll();
    ASSERT_TRUE(hasInkAndPaper(normal)) << "style " << style;

    StyleRender reflected(48, 40, styleLook(style), renderChaosRow);
    fillRamp(reflected);
    for (std::int16_t& entry : reflected.state().tables->toneMap) entry = std::int16_t(255 - entry);
    reflected.renderAll();
    EXPECT_EQ(levels(reflected), levels(normal)) << "style " << style;

    UserValues look = styleLook(style);
    look.invertMode = 4;
    StyleRender invertAll(48, 40, look, renderChaosRow);
    fillRamp(invertAll);
    invertAll.renderAll();
    EXPECT_EQ(levels(invertAll), levels(normal)) << "style " << style << " under invert all";
  }
}

// Ink exactly where the value (the gray output) is above the grey: equal is paper.
TEST(ChaosStyles, InkWhereTheValueExceedsTheGrey) {
  for (std::int32_t style : {kSquareChaos, kRoundChaos}) {
    UserValues look = styleLook(style);
    StyleRender decisions(40, 24, look, renderChaosRow);
    look.gray = 1;
    StyleRender values(40, 24, look, renderChaosRow);
    fillRamp(decisions);
    fillRamp(values);
    decisions.renderAll();
    values.renderAll();
    std::int32_t ties = 0;
    for (std::int32_t y = 0; y < 24; ++y)
      for (std::int32_t x = 0; x < 40; ++x) {
        const std::int32_t value = grey255(values, x, y);
        ties += value == rampTone(x, y) ? 1 : 0;
        EXPECT_EQ(decisions.ink(x, y), value > rampTone(x, y)) << "style " << style << " at " << x << ", " << y;
      }
    EXPECT_GT(ties, 0) << "style " << style << ": the ramp should meet some values exactly";
  }
}

std::unique_ptr<StyleRender> flatCrosscut(std::int32_t density, bool gray) {
  UserValues look = styleLook(kCrosscut);
  look.gray = gray ? 1 : 0;
  auto render = std::make_unique<StyleRender>(64, 64, look, renderCrosscutRow);
  render->fillDensity(density);
  render->renderAll();
  return render;
}

// Below 128 the first family keeps its mid-density width and the second cuts it where its
// ramp reaches the density; from 128 on the first family widens alone. The line density
// is even at every line weight, so the second family's ramp is even and its cut first
// shows at 126: 127 and 128 render alike.
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
  UserValues look = styleLook(kCrosscut);
  look.gray = 1;
  StyleRender render(40, 8, look, renderCrosscutRow);
  render.fillDensity(128);
  for (std::int32_t y = 0; y < 8; ++y) render.renderRow(y, 3, 39);
  StyleRender decisions(40, 8, styleLook(kCrosscut), renderCrosscutRow);
  decisions.fillDensity(128);
  decisions.renderAll();
  std::int32_t carried = 0;
  for (std::int32_t y = 0; y < 8; ++y) {
    std::int32_t last = 0;
    for (std::int32_t x = 3; x < 40; ++x) {
      if (decisions.ink(x, y)) {
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
  UserValues look = styleLook(kMaze, 1);
  look.gray = 1;
  look.warping = 0;
  StyleRender one(24, 24, look, renderMazeRow);
  look.scale = 3;
  StyleRender four(96, 96, look, renderMazeRow);
  one.fillDensity(100);
  four.fillDensity(100);
  one.renderAll();
  four.renderAll();
  EXPECT_EQ(grey255(one, 1, 0), 72);
  EXPECT_EQ(grey255(four, 4, 0), 72);
  std::vector<std::int32_t> distinct;
  for (std::int32_t y = 0; y < 24; ++y)
    for (std::int32_t x = 0; x < 24; ++x) {
      EXPECT_EQ(four.level(4 * x, 4 * y), one.level(x, y)) << x << ", " << y;
      distinct.push_back(grey255(one, x, y));
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
    StyleRender render(64, 64, styleLook(kFlow), flowWithBlurred);
    render.fillDensity(100);
    render.renderAll();
    const std::int32_t acrossRows = changes(render, false);
    const std::int32_t acrossColumns = changes(render, true);
    if (blurred == 0)
      EXPECT_GT(acrossRows, 4 * acrossColumns) << "dark surroundings: strokes run along the rows";
    else
      EXPECT_GT(acrossColumns, 4 * acrossRows) << "light surroundings: strokes run along the columns";
  }
}

double flatInkFraction(const LineStyle& s, std::int32_t scale, std::int32_t lineWeight, std::int32_t width,
                       std::int32_t density) {
  StyleRender render(width, 96, styleLook(s.style, scale, lineWeight), s.row);
  render.fillDensity(density);
  render.renderAll();
  for (std::int32_t y = 0; y < render.height(); ++y)
    for (std::int32_t x = 0; x < width; ++x)
      EXPECT_NE(render.level(x, y), StyleRender::kUnwritten) << "style " << s.style << " at " << x << ", " << y;
  return render.inkFraction();
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

// Negative pattern coordinates (a view offset left of and above the image) and
// displacement tables pointing up and left at full warping: every column is stored once,
// only first..last, and the tables are only read inside (the sanitizers watch the reads).
TEST(LineScreens, StoreOnlyTheirColumnsAtNegativeCoordinates) {
  for (const LineStyle& s : kLineStyles)
    for (std::int32_t scale = 1; scale <= 3; ++scale) {
      UserValues look = styleLook(s.style, scale, 2);
      look.angle = 225;
      look.warping = 100;
      StyleRender render(9, 70, look, s.row);
      fillRamp(render);
      render.state().tone.offsetX = -300;
      render.state().tone.offsetY = -1000;
      for (std::int32_t y = 0; y < render.height(); ++y) render.renderRow(y, 1, 7);
      for (std::int32_t y = 0; y < render.height(); ++y) {
        EXPECT_EQ(render.level(0, y), StyleRender::kUnwritten) << "style " << s.style;
        EXPECT_EQ(render.level(8, y), StyleRender::kUnwritten) << "style " << s.style;
        for (std::int32_t x = 1; x <= 7; ++x)
          EXPECT_NE(render.level(x, y), StyleRender::kUnwritten) << "style " << s.style << " at " << x << ", " << y;
      }
    }
}

// The pattern hangs on the picture, not on the view: a render whose view starts at (13, 70)
// is that crop of the render from (0, 0). The offset crosses a band edge, so the crop's
// bands start at other rows than the whole render's.
TEST(LineScreens, ViewOffsetsCropThePattern) {
  constexpr std::int32_t kDx = 13, kDy = 70, kWidth = 30, kHeight = 40;
  for (const LineStyle& s : kLineStyles) {
    StyleRender whole(kDx + kWidth, kDy + kHeight, styleLook(s.style, 2), s.row);
    fillRamp(whole);
    whole.renderAll();
    StyleRender view(kWidth, kHeight, styleLook(s.style, 2), s.row);
    fillRamp(view, kDx, kDy);
    view.state().tone.offsetX = kDx;
    view.state().tone.offsetY = kDy;
    view.renderAll();
    EXPECT_TRUE(hasInkAndPaper(view)) << "style " << s.style;
    std::int32_t mismatches = 0;
    for (std::int32_t y = 0; y < kHeight; ++y)
      for (std::int32_t x = 0; x < kWidth; ++x) mismatches += view.level(x, y) != whole.level(x + kDx, y + kDy);
    EXPECT_EQ(mismatches, 0) << "style " << s.style;
  }
}

}  // namespace
}  // namespace qm
