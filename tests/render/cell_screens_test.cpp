// SPDX-License-Identifier: LicenseRef-Quillmark
// The cell and texture screens: the equalised spot tile, wrapped tile reads at the left and
// top edges, the pattern fixed to the grid without warping, the density extremes, the
// shapes of netting and spiders, nested ink as the density rises in shards and bubbles, the
// bound on the nearest-centre distance, and pattern coordinates that follow the view.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "render/dot_textures.h"
#include "render/jittered_cells.h"
#include "render/spot_tile.h"
#include "tests/render/style_test_fixture.h"

namespace qm {
namespace {

using test::StyleRender;
using test::styleLook;

constexpr std::int32_t kShards = 15, kBubbles = 16, kSpots = 21, kNetting = 22, kSpiders = 23;

// A render of one of our styles, with its spot tile made as the render's set-up makes it.
class CellRender : public StyleRender {
 public:
  CellRender(std::int32_t width, std::int32_t height, const UserValues& look)
      : StyleRender(width, height, look) {
    if (styleEntry(look.style).has(kUsesSpotTile)) {
      EXPECT_TRUE(buildSpotTile(tile(), look.lineWeight, look.scale));
    }
  }
  ImageBuffer& tile() { return state().tables->spotTile; }
  std::int32_t tileValue(std::int32_t x, std::int32_t y) { return getGrey(tile(), x, y, 0); }
  // Under the gray setting the stored level is the style's value / 255.
  std::int32_t storedValue(std::int32_t x, std::int32_t y) const {
    return std::int32_t(std::lround(level(x, y) * 255.0f));
  }
  void fillTone(const std::function<std::int32_t(std::int32_t, std::int32_t)>& tone) {
    for (std::int32_t y = 0; y < height(); ++y)
      for (std::int32_t x = 0; x < width(); ++x) setTone(x, y, tone(x, y));
  }
};

UserValues look(std::int32_t style, std::int32_t scale = 1, std::int32_t lineWeight = 3, std::int32_t warping = 20,
                std::int32_t angle = 45, std::int32_t gray = 0) {
  UserValues values = styleLook(style, scale, lineWeight);
  values.warping = warping;
  values.angle = angle;
  values.gray = gray;
  return values;
}

std::int32_t wrap(std::int32_t value, std::int32_t period) { return ((value % period) + period) % period; }

// --- the spot tile ---

// Equalising maps each value to one value, so it cannot split a value that holds two shares
// of the pixels: after doubling a few values stay empty and their neighbours hold double.
// Flat therefore means, with W = Wt x Ht: the running count up to any value within 1 % of W
// of its even share; any 8 consecutive values within 25 % of 8 x W / 256; no value above
// 2.5 x W / 256; and without doubling exactly W / 256 each. Measured: running counts within
// 0.4 %, windows of 8 within 14 %, the largest value 2.09 shares.
TEST(SpotTile, EqualisedValuesAreSpreadEvenly) {
  struct Case {
    std::int32_t lineWeight, scale, side;
  };
  for (const Case c : {Case{1, 1, 128}, Case{2, 1, 256}, Case{4, 1, 256}, Case{3, 2, 512}, Case{5, 3, 1024}}) {
    SCOPED_TRACE(testing::Message() << "line weight " << c.lineWeight << ", scale " << c.scale);
    ImageBuffer tile{};
    ASSERT_TRUE(buildSpotTile(tile, c.lineWeight, c.scale));
    ASSERT_EQ(tile.width[0], c.side);
    ASSERT_EQ(tile.height[0], c.side);
    std::array<std::int64_t, 256> count{};
    for (std::int32_t y = 0; y < c.side; ++y)
      for (std::int32_t x = 0; x < c.side; ++x) ++count[getGrey(tile, x, y, 0)];
    releasePixels(tile);
    const double pixels = double(c.side) * c.side;
    const double share = pixels / 256.0;
    double running = 0;
    for (std::size_t v = 0; v < count.size(); ++v) {
      if (c.side == 128) {
        EXPECT_EQ(double(count[v]), share) << "value " << v;
      }
      EXPECT_LE(double(count[v]), share * 2.5) << "value " << v;
      running += double(count[v]);
      EXPECT_NEAR(running, share * double(v + 1), pixels / 100) << "value " << v;
      if (v + 8 <= count.size()) {
        double window = 0;
        for (std::size_t k = v; k < v + 8; ++k) window += double(count[k]);
        EXPECT_NEAR(window, 8 * share, 2 * share) << "values " << v << ".." << v + 7;
      }
    }
  }
}

TEST(SpotTile, FinestWeightKeepsTheFineTextureAndItsOrder) {
  // Texture 146 is already spread evenly, so equalising leaves its bytes unchanged.
  ImageBuffer tile{};
  ASSERT_TRUE(buildSpotTile(tile, 1, 1));
  const std::uint8_t* texture = dotTexture(146);
  std::int32_t differing = 0;
  for (std::int32_t y = 0; y < kDotTextureSize; ++y)
    for (std::int32_t x = 0; x < kDotTextureSize; ++x)
      differing += getGrey(tile, x, y, 0) != texture[std::size_t(y * kDotTextureSize + x)];
  EXPECT_EQ(differing, 0);
  EXPECT_NE(tile.edgeMode, 0) << "the tile repeats in both directions";
  releasePixels(tile);
}

// --- spots, netting, spiders ---

// A large negative displacement at the left edge: DX[B] + Wt + x is below 0 for the first
// columns, and the read must come from the far end of the tile, not clamp to column 0.
TEST(SpotStyles, TileReadsWrapLeftOfAndAboveTheTile) {
  struct Case {
    std::int32_t angle;
    bool vertical;
  };
  for (const Case c : {Case{90, false}, Case{180, true}}) {
    SCOPED_TRACE(testing::Message() << "angle " << c.angle);
    CellRender render(48, 70, look(kSpots, 1, 1, 100, c.angle, 1));
    render.fillTone([](std::int32_t, std::int32_t) { return 255; });
    const std::int32_t dx = render.state().tables->displaceX[255];
    const std::int32_t dy = render.state().tables->displaceY[255];
    ASSERT_LT(c.vertical ? dy : dx, -kDotTextureSize) << "the case needs a displacement past the tile";
    render.renderAll();
    for (std::int32_t y = 0; y < render.height(); ++y)
      for (std::int32_t x = 0; x < render.width(); ++x)
        ASSERT_EQ(render.storedValue(x, y), render.tileValue(wrap(x + dx, 128), wrap(y + dy, 128)))
            << "at " << x << ", " << y;
  }
}

std::int32_t rampDensity(std::int32_t x, std::int32_t y) { return (x * 3 + y * 2) % 256; }

TEST(SpotStyles, WithoutWarpingThePatternIsFixedToTheImageGrid) {
  // A varying blurred grey would move the pattern if warping leaked in.
  CellRender still(300, 150, look(kSpots, 1, 1, 0));
  still.fillTone([](std::int32_t x, std::int32_t y) { return 255 - rampDensity(x, y); });
  still.renderAll();
  for (std::int32_t y = 0; y < still.height(); ++y)
    for (std::int32_t x = 0; x < still.width(); ++x)
      ASSERT_EQ(still.ink(x, y), rampDensity(x, y) > still.tileValue(x % 128, y % 128)) << x << ", " << y;

  CellRender flat(300, 150, look(kSpots, 1, 1, 0));
  flat.fillDensity(128);
  flat.renderAll();
  for (std::int32_t y = 0; y + 128 < flat.height(); ++y)
    for (std::int32_t x = 0; x + 128 < flat.width(); ++x) {
      ASSERT_EQ(flat.ink(x, y), flat.ink(x + 128, y)) << x << ", " << y;
      ASSERT_EQ(flat.ink(x, y), flat.ink(x, y + 128)) << x << ", " << y;
    }

  // With warping the same ramp moves the pattern off the grid.
  CellRender warped(300, 150, look(kSpots, 1, 1, 50));
  warped.fillTone([](std::int32_t x, std::int32_t y) { return 255 - rampDensity(x, y); });
  warped.renderAll();
  std::int32_t moved = 0;
  for (std::int32_t y = 0; y < warped.height(); ++y)
    for (std::int32_t x = 0; x < warped.width(); ++x) moved += warped.ink(x, y) != still.ink(x, y);
  EXPECT_GT(moved, warped.width() * warped.height() / 20);
}

TEST(SpotStyles, FullDensityInksAllButTheTopValuesAndNoDensityInksNothing) {
  CellRender full(256, 256, look(kSpots, 1, 2));  // one whole 256 x 256 tile
  full.fillDensity(255);
  full.renderAll();
  std::int32_t paper = 0;
  std::int32_t topValues = 0;
  for (std::int32_t y = 0; y < 256; ++y)
    for (std::int32_t x = 0; x < 256; ++x) {
      const bool top = full.tileValue(x, y) == 255;
      topValues += top;
      paper += !full.ink(x, y);
      EXPECT_EQ(full.ink(x, y), !top) << x << ", " << y;
    }
  EXPECT_EQ(paper, topValues);
  EXPECT_GT(topValues, 0);

  for (std::int32_t style : {kSpots, kNetting, kSpiders}) {
    CellRender none(100, 70, look(style));
    none.fillDensity(0);
    none.renderAll();
    EXPECT_EQ(none.inkFraction(), 0.0) << "style " << style;
  }
}

// Netting folds the tile's values at the middle into a ridge; spiders repeats them as two
// teeth. Read through the gray setting, with the tile fixed to the grid.
TEST(SpotStyles, NettingFoldsAtTheMiddleAndSpidersRisesTwice) {
  std::array<std::int32_t, 256> net{};
  std::array<std::int32_t, 256> teeth{};
  net.fill(-1);
  teeth.fill(-1);
  for (std::int32_t style : {kNetting, kSpiders}) {
    CellRender render(128, 128, look(style, 1, 1, 0, 45, 1));
    render.fillDensity(100);
    render.renderAll();
    auto& values = style == kNetting ? net : teeth;
    for (std::int32_t y = 0; y < 128; ++y)
      for (std::int32_t x = 0; x < 128; ++x) {
        std::int32_t& seen = values[std::size_t(render.tileValue(x, y))];
        ASSERT_TRUE(seen < 0 || seen == render.storedValue(x, y)) << "one value per tile value";
        seen = render.storedValue(x, y);
      }
  }
  for (std::size_t v = 0; v < 128; ++v) {
    EXPECT_EQ(net[v], net[255 - v]) << v;
    EXPECT_EQ(teeth[v + 128], teeth[v] + 1) << v;
    if (v > 0) {
      EXPECT_GT(net[v], net[v - 1]) << v;
      EXPECT_GT(teeth[v], teeth[v - 1]) << v;
    }
  }
  EXPECT_EQ(net[0], 0);
  EXPECT_EQ(net[127], 254);
  EXPECT_EQ(teeth[255], 255);
}

// --- shards and bubbles ---

// A pixel inked at one density stays inked at every higher one, and the share grows.
TEST(JitteredCellStyles, InkGrowsWithDensityAtEveryScale) {
  for (std::int32_t style : {kShards, kBubbles}) {
    for (std::int32_t scale = 1; scale <= 3; ++scale) {
      SCOPED_TRACE(testing::Message() << "style " << style << ", scale " << scale);
      std::vector<bool> before(96 * 40, false);
      double fractionBefore = -1;
      for (std::int32_t density : {0, 64, 128, 192, 255}) {
        CellRender render(96, 40, look(style, scale));
        render.fillDensity(density);
        render.renderAll();
        for (std::int32_t y = 0; y < 40; ++y)
          for (std::int32_t x = 0; x < 96; ++x) {
            ASSERT_NE(render.level(x, y), StyleRender::kUnwritten);
            if (before[std::size_t(y * 96 + x)]) {
              ASSERT_TRUE(render.ink(x, y)) << density << " at " << x << ", " << y;
            }
            before[std::size_t(y * 96 + x)] = render.ink(x, y);
          }
        const double fraction = render.inkFraction();
        if (density == 0) {
          EXPECT_EQ(fraction, 0.0);
        } else if (density < 255) {
          EXPECT_GT(fraction, fractionBefore) << density;
        }
        if (style == kShards && density == 128) {
          EXPECT_NEAR(fraction, 0.5, 0.15) << "random greys per cell";
        }
        fractionBefore = fraction;
      }
    }
  }
}

// The jitter cache must not carry anything from another row or another start column.
TEST(JitteredCellStyles, PartOfARowEqualsTheSameColumnsOfTheWholeRow) {
  for (std::int32_t style : {kShards, kBubbles}) {
    CellRender whole(120, 3, look(style, 2, 3, 20, 45, 1));
    whole.fillTone([](std::int32_t x, std::int32_t y) { return (x * 5 + y * 11) % 256; });
    whole.renderAll();
    CellRender part(120, 3, look(style, 2, 3, 20, 45, 1));
    part.fillTone([](std::int32_t x, std::int32_t y) { return (x * 5 + y * 11) % 256; });
    part.renderRow(2, 0, 119);
    part.renderRow(1, 37, 90);
    for (std::int32_t x = 37; x <= 90; ++x) EXPECT_EQ(part.level(x, 1), whole.level(x, 1)) << "style " << style << " x " << x;
    for (std::int32_t x : {36, 91}) EXPECT_EQ(part.level(x, 1), StyleRender::kUnwritten) << "only first..last";
  }
}

// The ring table of bubbles holds 2048 entries; the nearest squared distance must stay below
// that for every place in a cell and every jitter, and 1922 is reached.
TEST(JitteredCells, NearestDistanceNeverExceedsTheRingTable) {
  std::int32_t largest = 0;
  const std::array<std::int32_t, 3> jitters = {0, 16, 31};
  for (std::int32_t combination = 0; combination < 3 * 3 * 3 * 3 * 3 * 3 * 3; ++combination) {
    std::int32_t rest = combination;
    std::array<std::int32_t, 7> j{};
    for (std::int32_t& value : j) {
      value = jitters[std::size_t(rest % 3)];
      rest /= 3;
    }
    const CellJitter jitter{j[0], j[1], j[2], j[3], j[4], j[5], j[6]};
    for (std::int32_t ly = 16; ly <= 47; ++ly)
      for (std::int32_t lx = 16; lx <= 47; ++lx) largest = std::max(largest, nearestCell(jitter, lx, ly).distance);
  }
  EXPECT_EQ(largest, kLargestCellDistance);
  EXPECT_LT(kLargestCellDistance, 2048);
}

TEST(JitteredCells, EveryCoordinateLandsInsideItsCellAtEveryShift) {
  for (std::int32_t shift = 0; shift <= 4; ++shift)
    for (std::int32_t pattern = -3000; pattern <= 3000; ++pattern) {
      const CellCoordinate c = cellCoordinate(pattern, shift);
      ASSERT_GE(c.local, 16) << pattern << " << " << shift;
      ASSERT_LE(c.local, 47) << pattern << " << " << shift;
      ASSERT_EQ(c.cell * 32 + c.local, std::int64_t(pattern) * (1 << shift));
    }
  // The far ends of the coordinate range stay exact.
  const CellCoordinate far = cellCoordinate(INT32_MIN, 4);
  EXPECT_EQ(far.cell * 32 + far.local, std::int64_t(INT32_MIN) * 16);
}

// --- all five: the pattern follows the view ---

// A render of a region with view offsets equals the same crop of the whole render: the
// preview lines up with the final image. The offsets cross a band boundary.
TEST(CellScreens, ViewOffsetsGiveTheSameCropOfTheWholeRender) {
  constexpr std::int32_t kOffsetX = 37, kOffsetY = 70, kWidth = 90, kHeight = 60;
  const auto tone = [](std::int32_t x, std::int32_t y) { return (x * 7 + y * 3 + (x * y) / 50) % 256; };
  for (std::int32_t style : {kShards, kBubbles, kSpots, kNetting, kSpiders}) {
    for (std::int32_t scale : {1, 2}) {
      SCOPED_TRACE(testing::Message() << "style " << style << ", scale " << scale);
      CellRender whole(kOffsetX + kWidth, kOffsetY + kHeight, look(style, scale));
      whole.fillTone(tone);
      whole.renderAll();
      CellRender view(kWidth, kHeight, look(style, scale));
      view.fillTone([&](std::int32_t x, std::int32_t y) { return tone(x + kOffsetX, y + kOffsetY); });
      view.state().tone.offsetX = kOffsetX;
      view.state().tone.offsetY = kOffsetY;
      view.renderAll();
      std::int32_t differing = 0;
      for (std::int32_t y = 0; y < kHeight; ++y)
        for (std::int32_t x = 0; x < kWidth; ++x) differing += view.level(x, y) != whole.level(x + kOffsetX, y + kOffsetY);
      EXPECT_EQ(differing, 0);
      EXPECT_GT(view.inkFraction(), 0.05);
      EXPECT_LT(view.inkFraction(), 0.95);
    }
  }
}

}  // namespace
}  // namespace qm
