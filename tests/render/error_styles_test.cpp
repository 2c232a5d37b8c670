// SPDX-License-Identifier: LicenseRef-Quillmark
// The styles that carry an error or a phase from pixel to pixel and row to row: tone kept,
// shares worked by hand, one-pixel rows, scan directions, the arabesque carry, ripple's rows.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/render/style_test_fixture.h"

namespace qm::test {
namespace {

constexpr std::int32_t kDiffusion = 1, kRipple = 3, kArabesque = 4, kOstromoukhov = 20, kHyperA = 24, kHyperB = 25;

double flatInk(std::int32_t style, std::int32_t density) { return flatInkFraction(styleLook(style), density); }

// Whether the four decisions from (x, y) in steps of (dx, dy) are all the same.
bool fourAlike(const StyleRender& r, std::int32_t x, std::int32_t y, std::int32_t dx, std::int32_t dy) {
  return r.ink(x, y) == r.ink(x + dx, y + dy) && r.ink(x, y) == r.ink(x + 2 * dx, y + 2 * dy) &&
         r.ink(x, y) == r.ink(x + 3 * dx, y + 3 * dy);
}

// No four equal decisions in a row or a column; measured: at most 2.
TEST(ErrorDiffusionStyle, FlatMidGreyAlternatesWithoutLongRuns) {
  const auto render = rendered(styleLook(kDiffusion), 64, 64, flatDensity(128));
  EXPECT_TRUE(render->ink(0, 0)) << "128 itself is ink";
  for (std::int32_t i = 0; i < 64; ++i)
    for (std::int32_t j = 0; j + 3 < 64; ++j) {
      EXPECT_FALSE(fourAlike(*render, j, i, 1, 0)) << "along row " << i << " from " << j;
      EXPECT_FALSE(fourAlike(*render, i, j, 0, 1)) << "down column " << i << " from " << j;
    }
}

// The gray setting stores error + 127. Each task's first draws give w = 13, 15: the first
// pixel has nothing to take; the second mixes 15/32 of nothing above with 17/32 of the 100
// before it: 53 + 100 = 153, ink, error -102. Row 1 runs backward: at x = 1, 13/32 of -102
// above gives -41 (truncated toward zero), 59, paper; at x = 0, 15/32 of 100 above and
// 17/32 of 59 before give 78, so 178, ink, error -77.
TEST(ErrorDiffusionStyle, MixesTheErrorAboveWithTheErrorBefore) {
  const auto render = rendered(withGray(styleLook(kDiffusion)), 2, 2, flatDensity(100));
  EXPECT_FLOAT_EQ(render->level(0, 0) * 255.0f, 227.0f);
  EXPECT_FLOAT_EQ(render->level(1, 0) * 255.0f, 25.0f);
  EXPECT_FLOAT_EQ(render->level(1, 1) * 255.0f, 186.0f);
  EXPECT_FLOAT_EQ(render->level(0, 1) * 255.0f, 50.0f);
}

// Inside the block the error is passed on whole, so only what leaves it can be missing:
// the share of each row's last pixel that would go on along the row (at most 0.72 x 127 of
// 255, under 0.36 pixel a row) and what the bottom row still holds (under half a pixel a
// column): 64 x 0.36 + 64 x 0.5 = 55 pixels of 4096, 1.35 %. Measured: at most 0.63 %.
// The hyper styles drop a quarter of each error, which pulls greys away from the middle:
// light greys get less ink than the tone, dark greys more, mid-grey stays half ink.
// Measured on 64 x 64: 0.17 / 0.50 / 0.83.
TEST(ErrorDiffusionStyle, InkFractionFollowsDensity) {
  for (std::int32_t style : {kDiffusion, kOstromoukhov})
    for (std::int32_t density = 0; density <= 255; density += 15)
      EXPECT_NEAR(flatInk(style, density), density / 255.0, 0.0135) << "style " << style << " density " << density;
  for (std::int32_t style : {kHyperA, kHyperB}) {
    EXPECT_NEAR(flatInk(style, 128), 0.5, 0.01) << "style " << style;
    EXPECT_LT(flatInk(style, 64), 64 / 255.0 - 0.05) << "style " << style;
    EXPECT_GT(flatInk(style, 191), 191 / 255.0 + 0.05) << "style " << style;
  }
}

// A row of one pixel: the share along the row and the share behind land on the pixel's own
// entry before and after it is set to the share below. Density 100 has the weights 5, 3, 2
// (sum 10); 155 uses the same row. Divisions truncate toward zero.
TEST(OstromoukhovStyle, SharesGoAlongTheRowBelowAndBehind) {
  StyleRender render(1, 2, styleLook(kOstromoukhov));
  render.setDensity(0, 0, 100);  // paper, error 100: 50 along, 20 below, 30 behind
  render.setDensity(0, 1, 100);  // 50 + 100 = 150: ink, error -105: -52, -21, -32
  render.renderRow(0);
  EXPECT_EQ(render.errorRow()[0], 20 + 30);
  EXPECT_FALSE(render.ink(0, 0));
  render.renderRow(1);
  EXPECT_EQ(render.errorRow()[0], -21 - 32);
  EXPECT_TRUE(render.ink(0, 1));

  // Density 155: ink, error -100, the mirror of density 100.
  EXPECT_EQ(rendered(styleLook(kOstromoukhov), 1, 1, flatDensity(155))->errorRow()[0], -50);

  // A lone grey pixel between paper (density 0 uses the weights 13, 0, 5) on a three-pixel
  // row: 100 is paper with error 100, 50 along the row, 20 below, 30 behind; its neighbour
  // then sees 50, stays paper and gives 36 along (clamped onto itself, then overwritten),
  // 13 below and the remaining 1 behind.
  StyleRender lone(3, 1, styleLook(kOstromoukhov));
  lone.setDensity(1, 0, 100);
  lone.renderRow(0);
  const std::vector<std::int16_t> shares(lone.errorRow(), lone.errorRow() + 3);
  EXPECT_EQ(shares, (std::vector<std::int16_t>{30, 20 + 1, 13}));
  EXPECT_EQ(lone.inkFraction(), 0.0);
}

// One column: every share lands in that column of one of the three row blocks (this row's,
// which is the row after next's, the next row's, and the one after). Of an error e the
// blocks keep trunc(3e / 4) together: 75 of density 100's paper error 100, 25 + 37 + 13;
// -41 of density 200's ink error -55.
TEST(HyperStyles, KeepThreeQuartersOfEachError) {
  for (std::int32_t style : {kHyperA, kHyperB})
    for (const auto& [density, kept] : {std::pair{100, 75}, std::pair{200, -41}}) {
      const auto render = rendered(styleLook(style), 1, 1, flatDensity(density));
      const std::int16_t* e = render->errorRow();
      EXPECT_EQ(e[0] + e[1] + e[2], kept) << "style " << style << " density " << density;
      if (density == 100) {
        EXPECT_EQ(std::vector<std::int16_t>(e, e + 3), (std::vector<std::int16_t>{25, 37, 13})) << "style " << style;
      }
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
    const auto tone = [&](std::int32_t x, std::int32_t) { return 255 - density(x); };
    const auto mirroredTone = [&](std::int32_t x, std::int32_t) { return 255 - density(mirrored(x)); };
    const auto even = rendered(styleLook(style), kWidth, 1, tone);
    const auto evenMirrored = rendered(styleLook(style), kWidth, 1, mirroredTone);
    StyleRender odd(kWidth, 2, styleLook(style));
    odd.fillTone(mirroredTone);
    odd.renderRow(1);
    bool directionsDiffer = false;
    for (std::int32_t x = 0; x < kWidth; ++x) {
      EXPECT_EQ(odd.ink(mirrored(x), 1), even->ink(x, 0)) << "style " << style << " x " << x;
      directionsDiffer = directionsDiffer || odd.ink(x, 1) != evenMirrored->ink(x, 0);
    }
    EXPECT_EQ(directionsDiffer, serpentine) << "style " << style;
  }
}

// Line weight 3 and scale 1x: multiplier 6, step 64. The first draw of a task is 41, so the
// first pixel mixes 13/32 of the phase above with 19/32 of the carry: with 0 above and a
// carry of 320 the phase is 190 + 64 = 254 and the value ((254 + 1023) x 6 / 8) & 255 = 189
// (a carry ignored would give 47).
TEST(ArabesqueStyle, RowStartsFromThePhaseTheRowAboveEndedWith) {
  StyleRender render(5, 2, withGray(styleLook(kArabesque)));
  render.fillDensity(100);
  render.errorRow()[0] = 0;
  render.state().arabesqueCarry = 320;
  render.renderRow(0);
  EXPECT_FLOAT_EQ(render.level(0, 0), 189.0f / 255.0f);
  const std::int32_t carry = render.state().arabesqueCarry;
  EXPECT_EQ(carry, render.errorRow()[4]);
  EXPECT_NE(carry, 320);
  // An empty span hands the carry and the phases on as they are, and stores nothing.
  const std::vector<std::int16_t> phases(render.errorRow(), render.errorRow() + 5);
  render.renderRow(1, 1, 0);
  EXPECT_EQ(render.state().arabesqueCarry, carry);
  EXPECT_EQ(std::vector<std::int16_t>(render.errorRow(), render.errorRow() + 5), phases);
  for (std::int32_t x = 0; x < 5; ++x) EXPECT_EQ(render.level(x, 1), StyleRender::kUnwritten);
}

// The longest strokes (line weight 5 at 4x: 20 pixels) on full ink keep strokes running at
// every row's end; the first column's own density (below 128) never overflows by itself.
TEST(RippleStyle, NoRowStartsWithInk) {
  const auto render = rendered(styleLook(kRipple, 3, 5), 16, 32,
                               [](std::int32_t x, std::int32_t y) { return x == 0 ? 255 - y * 4 : 0; });
  for (std::int32_t y = 0; y < 32; ++y) EXPECT_FALSE(render->ink(0, y)) << "row " << y;
  EXPECT_GT(render->inkFraction(), 0.5);
}

}  // namespace
}  // namespace qm::test
