// SPDX-License-Identifier: LicenseRef-Quillmark
// The styles that carry an error or a phase from pixel to pixel and row to row: tone kept
// on flat greys, the extremes, the one-pixel row, the quarter that Hyper A and B drop,
// scan directions, the arabesque carry, ripple's row starts, and narrow rows that must
// stay inside the error row.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/render/style_test_fixture.h"

namespace qm {
namespace {

using test::StyleRender;
using test::styleLook;

constexpr std::int32_t kDiffusion = 1, kRipple = 3, kArabesque = 4, kSplatter = 12, kOstromoukhov = 20, kHyperA = 24,
                       kHyperB = 25;

double flatInkFraction(std::int32_t style, std::int32_t density, std::int32_t size = 64) {
  StyleRender render(size, size, styleLook(style));
  render.fillDensity(density);
  render.renderAll();
  return render.inkFraction();
}

// Longest run of equal decisions along the rows (dx 1) or the columns (dy 1).
std::int32_t longestRun(const StyleRender& r, bool alongRows) {
  std::int32_t longest = 0;
  const std::int32_t lines = alongRows ? r.height() : r.width();
  const std::int32_t length = alongRows ? r.width() : r.height();
  for (std::int32_t line = 0; line < lines; ++line) {
    std::int32_t run = 0;
    for (std::int32_t i = 0; i < length; ++i) {
      const bool here = alongRows ? r.ink(i, line) : r.ink(line, i);
      const bool before = i > 0 && (alongRows ? r.ink(i - 1, line) : r.ink(line, i - 1));
      run = i > 0 && here == before ? run + 1 : 1;
      longest = std::max(longest, run);
    }
  }
  return longest;
}

// "Long" is more than 3 equal decisions in a row or a column; measured: at most 2.
TEST(ErrorDiffusionStyle, FlatMidGreyAlternatesWithoutLongRuns) {
  StyleRender render(64, 64, styleLook(kDiffusion));
  render.fillDensity(128);
  render.renderAll();
  EXPECT_TRUE(render.ink(0, 0)) << "128 itself is ink";
  EXPECT_LE(longestRun(render, true), 3);
  EXPECT_LE(longestRun(render, false), 3);
}

TEST(ErrorDiffusionStyle, NoInkOnPaperAndNoPaperOnFullInk) {
  for (std::int32_t style : {kDiffusion, kOstromoukhov, kHyperA, kHyperB}) {
    EXPECT_EQ(flatInkFraction(style, 0, 32), 0.0) << "style " << style;
    EXPECT_EQ(flatInkFraction(style, 255, 32), 1.0) << "style " << style;
  }
}

// The gray setting stores error + 127. Each task's first draws give w = 13, 15: the first
// pixel has nothing to take; the second mixes 15/32 of nothing above with 17/32 of the 100
// before it: 53 + 100 = 153, ink, error -102. Row 1 runs backward: at x = 1, 13/32 of -102
// above gives -41 (truncated toward zero), 59, paper; at x = 0, 15/32 of 100 above and
// 17/32 of 59 before give 78, so 178, ink, error -77.
TEST(ErrorDiffusionStyle, MixesTheErrorAboveWithTheErrorBefore) {
  UserValues look = styleLook(kDiffusion);
  look.gray = 1;
  StyleRender render(2, 2, look);
  render.fillDensity(100);
  render.renderAll();
  EXPECT_FLOAT_EQ(render.level(0, 0) * 255.0f, 227.0f);
  EXPECT_FLOAT_EQ(render.level(1, 0) * 255.0f, 25.0f);
  EXPECT_FLOAT_EQ(render.level(1, 1) * 255.0f, 186.0f);
  EXPECT_FLOAT_EQ(render.level(0, 1) * 255.0f, 50.0f);
}

// Inside the block the error is passed on whole, so only what leaves it can be missing:
// the share of each row's last pixel that would go on along the row (at most 0.72 x 127 of
// 255, under 0.36 pixel a row) and what the bottom row still holds (under half a pixel a
// column): 64 x 0.36 + 64 x 0.5 = 55 pixels of 4096, 1.35 %. Measured: at most 0.63 %.
TEST(ErrorDiffusionStyle, InkFractionFollowsDensity) {
  for (std::int32_t style : {kDiffusion, kOstromoukhov})
    for (std::int32_t density = 0; density <= 255; density += 15)
      EXPECT_NEAR(flatInkFraction(style, density), density / 255.0, 0.0135) << "style " << style << " density " << density;
}

// A row of one pixel: the share along the row and the share behind land on the pixel's own
// entry before and after it is set to the share below. Density 100 has the weights 5, 3, 2
// (sum 10); 155 uses the same row. Divisions truncate toward zero.
TEST(OstromoukhovStyle, OnePixelRowKeepsTheShareBelowPlusTheRemainder) {
  StyleRender render(1, 2, styleLook(kOstromoukhov));
  render.setDensity(0, 0, 100);  // paper, error 100: 50 along, 20 below, 30 behind
  render.setDensity(0, 1, 100);  // 50 + 100 = 150: ink, error -105: -52, -21, -32
  render.renderRow(0);
  EXPECT_EQ(render.errorRow()[0], 20 + 30);
  EXPECT_FALSE(render.ink(0, 0));
  render.renderRow(1);
  EXPECT_EQ(render.errorRow()[0], -21 - 32);
  EXPECT_TRUE(render.ink(0, 1));

  StyleRender dark(1, 1, styleLook(kOstromoukhov));
  dark.setDensity(0, 0, 155);  // ink, error -100: the mirror of density 100
  dark.renderRow(0);
  EXPECT_EQ(dark.errorRow()[0], -50);
}

// A lone grey pixel between paper (density 0 uses the weights 13, 0, 5) on a three-pixel
// row: 100 is paper with error 100, 50 along the row, 20 below, 30 behind; its neighbour
// then sees 50, stays paper and gives 36 along (clamped onto itself, then overwritten),
// 13 below and the remaining 1 behind.
TEST(OstromoukhovStyle, ErrorGoesAlongTheRowBelowAndBehind) {
  StyleRender render(3, 1, styleLook(kOstromoukhov));
  render.fillDensity(0);
  render.setDensity(1, 0, 100);
  render.renderRow(0);
  EXPECT_EQ(render.errorRow()[0], 30);
  EXPECT_EQ(render.errorRow()[1], 20 + 1);
  EXPECT_EQ(render.errorRow()[2], 13);
  EXPECT_EQ(render.inkFraction(), 0.0);
}

// One column: every share lands in that column of one of the three row blocks. Of an error
// e the blocks keep trunc(3e / 4) together.
TEST(HyperStyles, KeepThreeQuartersOfEachError) {
  for (std::int32_t style : {kHyperA, kHyperB}) {
    StyleRender light(1, 1, styleLook(style));
    light.setDensity(0, 0, 100);  // paper, error 100: 75 kept
    light.renderRow(0);
    const std::int16_t* e = light.errorRow();
    EXPECT_EQ(e[0], 25) << "this row's block, the row after next";
    EXPECT_EQ(e[1], 37) << "the next row";
    EXPECT_EQ(e[2], 13) << "the row after next";

    StyleRender dark(1, 1, styleLook(style));
    dark.setDensity(0, 0, 200);  // ink, error -55: -41 kept
    dark.renderRow(0);
    EXPECT_EQ(dark.errorRow()[0] + dark.errorRow()[1] + dark.errorRow()[2], -41) << "style " << style;
  }
}

// Dropping a quarter of each error pulls greys away from the middle: light greys get less
// ink than diffusion gives them, dark greys more, mid-grey stays half ink. Measured on
// 64 x 64: 0.17 / 0.50 / 0.83 against diffusion's 0.25 / 0.50 / 0.75.
TEST(HyperStyles, MidGreyStaysHalfWhileOtherGreysSpreadApart) {
  const double diffusionLight = flatInkFraction(kDiffusion, 64);
  const double diffusionDark = flatInkFraction(kDiffusion, 191);
  for (std::int32_t style : {kHyperA, kHyperB}) {
    EXPECT_NEAR(flatInkFraction(style, 128), 0.5, 0.01) << "style " << style;
    EXPECT_LT(flatInkFraction(style, 64), diffusionLight - 0.05) << "style " << style;
    EXPECT_GT(flatInkFraction(style, 191), diffusionDark + 0.05) << "style " << style;
  }
}

// On a clear error row an odd row scanned backward is the mirror image of an even row
// scanned forward over the mirrored densities; Hyper A scans every row forward. The
// densities are irregular enough that the two directions give different pictures.
TEST(ErrorDiffusionStyle, OddRowsRunBackwardExceptHyperA) {
  constexpr std::int32_t kWidth = 16;
  const auto density = [](std::int32_t x) { return (29 * x + 40) % 256; };
  for (std::int32_t style : {kDiffusion, kOstromoukhov, kHyperA, kHyperB}) {
    const bool serpentine = style != kHyperA;
    const auto mirrored = [&](std::int32_t x) { return serpentine ? kWidth - 1 - x : x; };
    StyleRender even(kWidth, 1, styleLook(style));
    StyleRender evenMirrored(kWidth, 1, styleLook(style));
    StyleRender odd(kWidth, 2, styleLook(style));
    for (std::int32_t x = 0; x < kWidth; ++x) {
      even.setDensity(x, 0, density(x));
      evenMirrored.setDensity(mirrored(x), 0, density(x));
      odd.setDensity(mirrored(x), 1, density(x));
    }
    even.renderRow(0);
    evenMirrored.renderRow(0);
    odd.renderRow(1);
    bool directionsDiffer = false;
    for (std::int32_t x = 0; x < kWidth; ++x) {
      EXPECT_EQ(odd.ink(mirrored(x), 1), even.ink(x, 0)) << "style " << style << " x " << x;
      directionsDiffer = directionsDiffer || odd.ink(x, 1) != evenMirrored.ink(x, 0);
    }
    EXPECT_EQ(directionsDiffer, serpentine) << "style " << style;
  }
}

// Line weight 3 and scale 1x: multiplier 6, step 64. The first draw of a task is 41, so the
// first pixel mixes 13/32 of the phase above with 19/32 of the carry: with 0 above and a
// carry of 320 the phase is 190 + 64 = 254 and the value ((254 + 1023) x 6 / 8) & 255 = 189
// (a carry ignored would give 47).
TEST(ArabesqueStyle, RowStartsFromThePhaseTheRowAboveEndedWith) {
  UserValues look = styleLook(kArabesque);
  look.gray = 1;
  StyleRender render(5, 2, look);
  render.fillDensity(100);
  render.errorRow()[0] = 0;
  render.state().arabesqueCarry = 320;
  render.renderRow(0);
  EXPECT_FLOAT_EQ(render.level(0, 0), 189.0f / 255.0f);
  EXPECT_EQ(render.state().arabesqueCarry, render.errorRow()[4]);
  EXPECT_NE(render.state().arabesqueCarry, 320);
}

TEST(ArabesqueStyle, EmptySpanHandsTheCarryOnUnchanged) {
  StyleRender render(3, 1, styleLook(kArabesque));
  render.fillDensity(100);
  render.state().arabesqueCarry = 777;
  const std::int16_t before[3] = {render.errorRow()[0], render.errorRow()[1], render.errorRow()[2]};
  render.renderRow(0, 1, 0);
  EXPECT_EQ(render.state().arabesqueCarry, 777);
  for (std::int32_t x = 0; x < 3; ++x) {
    EXPECT_EQ(render.errorRow()[x], before[x]);
    EXPECT_EQ(render.level(x, 0), StyleRender::kUnwritten);
  }
}

// The longest strokes (line weight 5 at 4x: 20 pixels) on full ink keep strokes running at
// every row's end; the first column's own density (below 128) never overflows by itself.
TEST(RippleStyle, NoRowStartsWithInk) {
  StyleRender render(16, 32, styleLook(kRipple, 3, 5));
  render.fillDensity(255);
  for (std::int32_t y = 0; y < render.height(); ++y) render.setDensity(0, y, y * 4);
  render.renderAll();
  for (std::int32_t y = 0; y < render.height(); ++y) EXPECT_FALSE(render.ink(0, y)) << "row " << y;
  EXPECT_GT(render.inkFraction(), 0.5);
}

// Rows of 1 to 3 pixels where every neighbour is clamped, over densities that include both
// extremes: each pixel stored as plain ink or paper, and no entry of the error row touched
// beyond the row (the three row blocks for Hyper A and B). The sanitizer build catches
// reads before the row.
TEST(ErrorCarryingStyles, NarrowRowsStayInsideTheErrorRow) {
  constexpr std::int16_t kGuard = 0x5a5a;
  for (std::int32_t style : {kDiffusion, kRipple, kArabesque, kSplatter, kOstromoukhov, kHyperA, kHyperB})
    for (std::int32_t scale : {1, 3})
      for (std::int32_t weight : {1, 5})
        for (std::int32_t width = 1; width <= 3; ++width) {
          SCOPED_TRACE(testing::Message() << "style " << style << " scale " << scale << " weight " << weight
                                          << " width " << width);
          StyleRender render(width, 7, styleLook(style, scale, weight));
          for (std::int32_t y = 0; y < render.height(); ++y)
            for (std::int32_t x = 0; x < width; ++x) render.setDensity(x, y, std::min(255, (x * 97 + y * 51) % 306));
          const std::size_t used = std::size_t(width) * (style == kHyperA || style == kHyperB ? 3 : 1);
          std::fill(render.errorRow() + used, render.errorRow() + render.errorRowSize(), kGuard);
          render.renderAll();
          for (std::size_t i = used; i < render.errorRowSize(); ++i) EXPECT_EQ(render.errorRow()[i], kGuard) << i;
          for (std::int32_t y = 0; y < render.height(); ++y)
            for (std::int32_t x = 0; x < width; ++x) {
              const BandCell& cell = render.cell(x, y);
              EXPECT_TRUE(cell.colour[0] == 0.0f || cell.colour[0] == 1.0f) << x << ", " << y;
              EXPECT_EQ(cell.colour[1], cell.colour[0]);
              EXPECT_EQ(cell.colour[3], 1.0f);
            }
        }
}

}  // namespace
}  // namespace qm
