// SPDX-License-Identifier: LicenseRef-Quillmark
// The threshold screens: the ordered-dither matrix and its tiles, the poster tones' level
// boundaries and one-pixel patterns, wave's straight strokes without warping, xor's grain
// and displacement, noise keeping the tone, that each style writes exactly its columns,
// and that view offsets move the pattern with the picture.
#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <utility>
#include <vector>

#include "render/bayer_matrix.h"
#include "tests/render/style_test_fixture.h"

namespace qm {
namespace {

using test::StyleRender;
using test::styleLook;

constexpr std::int32_t kNoise = 2, kWave = 5, kXor = 11, kPosterTone1 = 17, kPosterTone2 = 18, kBayer = 19;
constexpr std::int32_t kScale1x = 1, kScale2x = 2, kScale4x = 3;

// A flat density over the whole picture, rendered as the driver lays out the bands.
void renderFlat(StyleRender& render, std::int32_t density) {
  render.fillDensity(density);
  render.renderAll();
}

double flatInkFraction(std::int32_t style, std::int32_t density, std::int32_t size = 64) {
  StyleRender render(size, size, styleLook(style));
  renderFlat(render, density);
  return render.inkFraction();
}

// ---- The matrix ----

TEST(BayerMatrix, FirstTwoRowsInterleaveTheCoarseAndFineLevels) {
  const std::int16_t row0[] = {1, 129, 33, 161, 9, 137, 41, 169, 3, 131, 35, 163, 11, 139, 43, 171};
  const std::int16_t row1[] = {193, 65, 225, 97, 201, 73, 233, 105, 195, 67, 227, 99, 203, 75, 235, 107};
  for (int x = 0; x < kBayerSize; ++x) {
    EXPECT_EQ(kBayerMatrix[0][std::size_t(x)], row0[x]) << "column " << x;
    EXPECT_EQ(kBayerMatrix[1][std::size_t(x)], row1[x]) << "column " << x;
  }
}

// ---- Bayer ----

// Counts the ink of the 16 x 16 tile whose top-left corner is (left, top).
std::int32_t tileInk(const StyleRender& render, std::int32_t left, std::int32_t top) {
  std::int32_t count = 0;
  for (std::int32_t y = top; y < top + kBayerSize; ++y)
    for (std::int32_t x = left; x < left + kBayerSize; ++x) count += render.ink(x, y) ? 1 : 0;
  return count;
}

// 80 rows: the tiles of the second band must line up with those of the first.
TEST(BayerScreen, HalfDensityInksTheLowerHalfOfTheMatrixInEveryTile) {
  StyleRender render(48, 80, styleLook(kBayer), renderBayerRow);
  renderFlat(render, 128);
  for (std::int32_t y = 0; y < render.height(); ++y)
    for (std::int32_t x = 0; x < render.width(); ++x)
      ASSERT_EQ(render.ink(x, y), kBayerMatrix[std::size_t(y % 16)][std::size_t(x % 16)] <= 128) << x << "," << y;
  for (std::int32_t top = 0; top < render.height(); top += kBayerSize)
    for (std::int32_t left = 0; left < render.width(); left += kBayerSize)
      EXPECT_EQ(tileInk(render, left, top), 128) << "tile at " << left << "," << top;
}

TEST(BayerScreen, DensityCountsTheInkedPositionsOfATileUpToFullInk) {
  const std::pair<std::int32_t, std::int32_t> densityAndInk[] = {{0, 0}, {1, 1}, {64, 64}, {254, 254}, {255, 256}};
  for (const auto& [density, inked] : densityAndInk) {
    StyleRender render(16, 16, styleLook(kBayer), renderBayerRow);
    renderFlat(render, density);
    EXPECT_EQ(tileInk(render, 0, 0), inked) << "density " << density;
  }
}

// ---- Poster tones ----

// The paper of the 2 x 2 cell of one-pixel patterns, [y & 1][x & 1].
using Cell = std::array<std::array<bool, 2>, 2>;

void expectPattern(std::int32_t style, std::int32_t density, const Cell& paper, double paperShare) {
  StyleRender render(8, 8, styleLook(style));
  renderFlat(render, density);
  for (std::int32_t y = 0; y < 8; ++y)
    for (std::int32_t x = 0; x < 8; ++x)
      ASSERT_EQ(!render.ink(x, y), paper[std::size_t(y & 1)][std::size_t(x & 1)])
          << "style " << style << " density " << density << " at " << x << "," << y;
  EXPECT_DOUBLE_EQ(1.0 - render.inkFraction(), paperShare) << "style " << style << " density " << density;
}

constexpr Cell kBlank{{{true, true}, {true, true}}};
constexpr Cell kThreeQuarters{{{false, true}, {true, true}}};  // ink where both coordinates are even
constexpr Cell kCheckerboard{{{false, true}, {true, false}}};
constexpr Cell kOneQuarter{{{false, true}, {false, false}}};   // paper where x is odd and y even
constexpr Cell kFullInk{{{false, false}, {false, false}}};

// Both ends of every level, so that each boundary is checked from either side.
TEST(PosterTone2, FiveLevelsSwitchAt51_102_153_204) {
  expectPattern(kPosterTone2, 0, kBlank, 1.0);
  expectPattern(kPosterTone2, 50, kBlank, 1.0);
  expectPattern(kPosterTone2, 51, kThreeQuarters, 0.75);
  expectPattern(kPosterTone2, 101, kThreeQuarters, 0.75);
  expectPattern(kPosterTone2, 102, kCheckerboard, 0.5);
  expectPattern(kPosterTone2, 152, kCheckerboard, 0.5);
  expectPattern(kPosterTone2, 153, kOneQuarter, 0.25);
  expectPattern(kPosterTone2, 203, kOneQuarter, 0.25);
  expectPattern(kPosterTone2, 204, kFullInk, 0.0);
  expectPattern(kPosterTone2, 255, kFullInk, 0.0);
}

TEST(PosterTone1, ThreeLevelsSwitchAt85And170) {
  expectPattern(kPosterTone1, 0, kBlank, 1.0);
  expectPattern(kPosterTone1, 84, kBlank, 1.0);
  expectPattern(kPosterTone1, 85, kCheckerboard, 0.5);
  expectPattern(kPosterTone1, 169, kCheckerboard, 0.5);
  expectPattern(kPosterTone1, 170, kFullInk, 0.0);
  expectPattern(kPosterTone1, 255, kFullInk, 0.0);
}

// ---- Wave ----

UserValues waveLook(std::int32_t angle, std::int32_t warping) {
  UserValues look = styleLook(kWave);
  look.angle = angle;
  look.warping = warping;
  return look;
}

// The picture is the same after a step of (dx, dy), wherever both ends are inside.
bool invariantAlong(const StyleRender& render, std::int32_t dx, std::int32_t dy) {
  for (std::int32_t y = 0; y + dy < render.height(); ++y)
    for (std::int32_t x = 0; x + dx < render.width(); ++x)
      if (render.ink(x, y) != render.ink(x + dx, y + dy)) return false;
  return true;
}

bool hasInkAndPaper(const StyleRender& render) {
  const double share = render.inkFraction();
  return share > 0.0 && share < 1.0;
}

// Angle 0 strokes run down the picture, angle 90 across it, angle 45 along the diagonal;
// 80 rows so that the strokes continue across the band boundary.
TEST(WaveScreen, StraightParallelStrokesOnlyWithoutWarping) {
  const struct {
    std::int32_t angle, dx, dy, acrossX, acrossY;
  } cases[] = {{0, 0, 1, 1, 0}, {90, 1, 0, 0, 1}, {45, 1, 1, 1, 0}};
  for (const auto& c : cases) {
    StyleRender render(48, 80, waveLook(c.angle, 0), renderWaveRow);
    renderFlat(render, 128);
    EXPECT_TRUE(hasInkAndPaper(render)) << "angle " << c.angle;
    EXPECT_TRUE(invariantAlong(render, c.dx, c.dy)) << "angle " << c.angle;
    EXPECT_FALSE(invariantAlong(render, c.acrossX, c.acrossY)) << "angle " << c.angle << ": strokes must cross the other way";
  }
  StyleRender warped(48, 80, waveLook(0, 60), renderWaveRow);
  renderFlat(warped, 128);
  EXPECT_FALSE(invariantAlong(warped, 0, 1)) << "warping bends the strokes";
}

// ---- Xor ----

// Row 5 rendered once as the sixth row of a band and once on its own as a task's first
// row: the generator is in different states, so only the grain can tell them apart. The
// pattern moves in steps of 32 at 1x and 16 at 2x; at a density that is a multiple of the
// step (128) no grain can change a decision, so the density lies between steps.
bool rowDependsOnGeneratorState(std::int32_t scale) {
  StyleRender render(64, 8, styleLook(kXor, scale), renderXorRow);
  renderFlat(render, 100);
  std::vector<float> inBand;
  for (std::int32_t x = 0; x < 64; ++x) inBand.push_back(render.level(x, 5));
  render.renderRow(5);
  for (std::int32_t x = 0; x < 64; ++x)
    if (render.level(x, 5) != inBand[std::size_t(x)]) return true;
  return false;
}

TEST(XorScreen, GrainAt1xAnd2xButNoneAt4x) {
  EXPECT_TRUE(rowDependsOnGeneratorState(kScale1x));
  EXPECT_TRUE(rowDependsOnGeneratorState(kScale2x));
  EXPECT_FALSE(rowDependsOnGeneratorState(kScale4x));
}

// At 4x (no grain, no coordinate scaling) with full warping, a blurred grey of 128 moves
// the pattern by (255 x 128) >> 9 = 63 units along the angle. The gray setting stores the
// pattern value itself. The fixture's blurred grey equals the tone.
TEST(XorScreen, BlurredGreyShiftsThePatternAlongTheAngle) {
  for (const auto& [angle, dx, dy] : {std::tuple{0, 63, 0}, std::tuple{90, 0, 63}}) {
    UserValues look = styleLook(kXor, kScale4x);
    look.angle = angle;
    look.warping = 100;
    look.gray = 1;
    StyleRender still(96, 96, look, renderXorRow);
    StyleRender moved(96, 96, look, renderXorRow);
    still.fillDensity(255);  // tone 0
    moved.fillDensity(127);  // tone 128
    still.renderAll();
    moved.renderAll();
    for (std::int32_t y = 0; y < 32; ++y)
      for (std::int32_t x = 0; x < 32; ++x)
        ASSERT_EQ(moved.level(x, y), still.level(x + dx, y + dy)) << "angle " << angle << " at " << x << "," << y;
    EXPECT_NE(moved.level(0, 0), still.level(0, 0)) << "angle " << angle;
  }
}

// ---- Noise ----

// 4096 pixels from one band's generator: 0.02 is about 2.5 standard deviations at half
// density, and covers the density / 256 the 12-bit draws give.
TEST(NoiseScreen, InkShareFollowsTheDensity) {
  EXPECT_EQ(flatInkFraction(kNoise, 0), 0.0);
  for (std::int32_t density : {32, 64, 128, 192, 255})
    EXPECT_NEAR(flatInkFraction(kNoise, density), density / 255.0, 0.02) << "density " << density;
}

// ---- All six ----

constexpr std::int32_t kAllStyles[] = {kNoise, kWave, kXor, kPosterTone1, kPosterTone2, kBayer};

TEST(ThresholdScreens, WriteExactlyTheirColumns) {
  for (std::int32_t style : kAllStyles) {
    StyleRender render(16, 4, styleLook(style));
    render.fillDensity(128);
    render.renderRow(2, 3, 9);
    for (std::int32_t x = 0; x < 16; ++x) {
      const bool written = render.level(x, 2) != StyleRender::kUnwritten;
      EXPECT_EQ(written, x >= 3 && x <= 9) << "style " << style << " column " << x;
    }
  }
}

// Density as a function of the pattern coordinates, so that every level of every screen
// appears and a crop sees the same tones as the whole.
std::int32_t densityAtPattern(std::int32_t px, std::int32_t py) { return ((px * 7 + py * 3) % 256 + 256) % 256; }

// Renders width x height with the view offsets (ox, oy) and the tones of that window.
void renderWindow(StyleRender& render, std::int32_t ox, std::int32_t oy) {
  render.state().tone.offsetX = ox;
  render.state().tone.offsetY = oy;
  for (std::int32_t y = 0; y < render.height(); ++y)
    for (std::int32_t x = 0; x < render.width(); ++x) render.setDensity(x, y, densityAtPattern(x + ox, y + oy));
  render.renderAll();
}

// A preview window at an offset equals the same crop of the whole picture; xor at 4x has
// no grain, so it is a pure function of position too. Offsets are odd and no multiple of
// 16, and the second pair lies left of and above the origin.
TEST(ThresholdScreens, ViewOffsetsMoveThePatternWithThePicture) {
  const std::pair<std::int32_t, std::int32_t> origins[] = {{0, 0}, {-37, -21}};
  for (std::int32_t style : {kWave, kXor, kPosterTone1, kPosterTone2, kBayer}) {
    for (const auto& [ox, oy] : origins) {
      const UserValues look = styleLook(style, style == kXor ? kScale4x : kScale1x);
      StyleRender whole(96, 80, look);
      StyleRender crop(40, 30, look);
      renderWindow(whole, ox, oy);
      renderWindow(crop, ox + 29, oy + 45);
      std::int32_t mismatches = 0;
      for (std::int32_t y = 0; y < crop.height(); ++y)
        for (std::int32_t x = 0; x < crop.width(); ++x)
          mismatches += crop.level(x, y) != whole.level(x + 29, y + 45) ? 1 : 0;
      EXPECT_EQ(mismatches, 0) << "style " << style << " origin " << ox << "," << oy;
      EXPECT_TRUE(hasInkAndPaper(crop)) << "style " << style;
    }
  }
}

}  // namespace
}  // namespace qm
