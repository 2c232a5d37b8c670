// SPDX-License-Identifier: LicenseRef-Quillmark
// The cell and texture screens: the dot textures (even values, no seam, dots that get fewer
// and larger from 146 to 150), the equalised spot tile and how spots, netting and spiders
// read it; shards' random greys; the cells' coordinates and distances.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <tuple>
#include <utility>
#include <vector>

#include "render/dot_textures.h"
#include "render/jittered_cells.h"
#include "render/spot_tile.h"
#include "tests/render/style_test_fixture.h"

namespace qm::test {
namespace {

constexpr std::int32_t kShards = 15, kSpots = 21, kNetting = 22, kSpiders = 23;

std::int32_t wrap(std::int32_t value, std::int32_t period) { return ((value % period) + period) % period; }

// --- The dot textures the spot tile is made of ---

std::int32_t at(const std::uint8_t* texture, std::int32_t x, std::int32_t y) {
  return texture[std::size_t(wrap(y, kDotTextureSize) * kDotTextureSize + wrap(x, kDotTextureSize))];
}

// Only the four ids exist, each made once. Each value stands for 64 pixels, so the tile's
// equalisation has nothing to repair.
TEST(DotTextures, TheFourTexturesHoldEveryValueEquallyOften) {
  for (const std::int32_t id : {0, 145, 147, 151, -146}) EXPECT_EQ(dotTexture(id), nullptr) << id;
  for (const std::int32_t id : kDotTextureIds) {
    const std::uint8_t* texture = dotTexture(id);
    ASSERT_EQ(texture, dotTexture(id)) << "the same bytes every call";
    std::array<std::int32_t, 256> count{};
    for (std::size_t i = 0; i < kDotTextureBytes; ++i) ++count[texture[i]];
    for (std::size_t v = 0; v < count.size(); ++v) ASSERT_EQ(count[v], 64) << "texture " << id << " value " << v;
  }
}

// Across the right/left and bottom/top edges the wrapped neighbours differ no more than
// neighbours inside do: for each line between two columns (or rows) the sum and the largest
// of the steps across it; the wrapped line, the last, may not exceed the largest of the
// inner lines. (A generator whose distances do not wrap steps three to eight times as far
// there.)
TEST(DotTextures, TileWithoutASeam) {
  for (const std::int32_t id : kDotTextureIds)
    for (const bool betweenColumns : {true, false}) {
      SCOPED_TRACE(testing::Message() << "texture " << id << (betweenColumns ? ", right to left" : ", bottom to top"));
      const std::uint8_t* t = dotTexture(id);
      std::vector<std::int32_t> sum(kDotTextureSize, 0), largest(kDotTextureSize, 0);
      for (std::int32_t line = 0; line < kDotTextureSize; ++line)
        for (std::int32_t i = 0; i < kDotTextureSize; ++i) {
          const std::int32_t step =
              std::abs(betweenColumns ? at(t, line, i) - at(t, line + 1, i) : at(t, i, line) - at(t, i, line + 1));
          sum[std::size_t(line)] += step;
          largest[std::size_t(line)] = std::max(largest[std::size_t(line)], step);
        }
      EXPECT_LE(sum.back(), *std::max_element(sum.begin(), sum.end() - 1));
      EXPECT_LE(largest.back(), *std::max_element(largest.begin(), largest.end() - 1));
    }
}

// The dots as the darkest tenth of the values: separate round dots, fewer from fine to
// coarse. Dots are counted as 4-connected patches on the torus.
std::int32_t countDots(const std::uint8_t* texture, std::int32_t below) {
  std::vector<bool> seen(kDotTextureBytes, false);
  std::int32_t dots = 0;
  for (std::int32_t start = 0; start < std::int32_t(kDotTextureBytes); ++start) {
    if (seen[std::size_t(start)] || texture[start] >= below) continue;
    ++dots;
    std::vector<std::int32_t> patch{start};
    seen[std::size_t(start)] = true;
    while (!patch.empty()) {
      const std::int32_t x = patch.back() % kDotTextureSize, y = patch.back() / kDotTextureSize;
      patch.pop_back();
      for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
        const std::int32_t q = wrap(y + dy, kDotTextureSize) * kDotTextureSize + wrap(x + dx, kDotTextureSize);
        if (seen[std::size_t(q)] || texture[q] >= below) continue;
        seen[std::size_t(q)] = true;
        patch.push_back(q);
      }
    }
  }
  return dots;
}

TEST(DotTextures, DotsGetFewerAndLargerFromFineToCoarse) {
  std::int32_t before = kDotTextureSize * kDotTextureSize;
  for (const std::int32_t id : kDotTextureIds) {
    const std::int32_t dots = countDots(dotTexture(id), 26);
    EXPECT_LT(dots, before) << "texture " << id;
    EXPECT_GT(dots, 20) << "texture " << id;
    before = dots;
  }
}

// Equalising maps each value to one value, so it cannot split a value that holds two shares
// of the pixels: after doubling a few values stay empty and their neighbours hold double.
// Flat therefore means, with W = Wt x Ht: the running count up to any value within 1 % of W
// of its even share; any 8 consecutive values within 25 % of 8 x W / 256; no value above
// 2.5 x W / 256. Measured: running counts within 0.4 %, windows of 8 within 14 %, the
// largest value 2.09 shares. The finest weight keeps its texture (evenly spread already).
TEST(SpotTile, EqualisedValuesAreSpreadEvenly) {
  const struct {
    std::int32_t lineWeight, scale, side;
  } cases[] = {{1, 1, 128}, {2, 1, 256}, {4, 1, 256}, {3, 2, 512}, {5, 3, 1024}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "line weight " << c.lineWeight << ", scale " << c.scale);
    const ImageBuffer& tile = sharedSpotTile(c.lineWeight, c.scale);
    ASSERT_EQ(tile.width[0], c.side);
    ASSERT_EQ(tile.height[0], c.side);
    std::array<std::int64_t, 256> count{};
    std::int32_t unlikeTexture = 0;  // at the finest weight, against texture 146
    for (std::int32_t y = 0; y < c.side; ++y)
      for (std::int32_t x = 0; x < c.side; ++x) {
        ++count[getGrey(tile, x, y, 0)];
        if (c.lineWeight == 1) unlikeTexture += getGrey(tile, x, y, 0) != dotTexture(146)[std::size_t(y * c.side + x)];
      }
    EXPECT_NE(tile.edgeMode, 0) << "the tile repeats in both directions";
    EXPECT_EQ(unlikeTexture, 0);
    const double pixels = double(c.side) * c.side;
    const double share = pixels / 256.0;
    std::array<double, 257> below{};  // below[v]: the pixels of values under v
    for (std::size_t v = 0; v < 256; ++v) below[v + 1] = below[v] + double(count[v]);
    for (std::size_t v = 0; v < 256; ++v) {
      EXPECT_LE(double(count[v]), share * 2.5) << "value " << v;
      EXPECT_NEAR(below[v + 1], share * double(v + 1), pixels / 100) << "value " << v;
      if (v + 8 <= 256) {
        EXPECT_NEAR(below[v + 8] - below[v], 8 * share, 2 * share) << "values " << v << ".." << v + 7;
      }
    }
  }
}

// Spots store the tile's value at the pixel moved by the displacement of its blurred grey
// (which the fixture makes the tone); the screens' test holds the ink to that value. Large
// negative displacements must wrap to the far end of the tile, not clamp to its first
// column or row; without warping the tile stays fixed to the image grid.
TEST(SpotStyles, StoreTheTileValueAtTheDisplacedPixel) {
  const auto tone = [](std::int32_t x, std::int32_t y) { return (x * 3 + y * 2) % 256; };
  for (std::int32_t angle : {0, 90, 180})
    for (std::int32_t warping : {0, 100}) {
      SCOPED_TRACE(testing::Message() << "angle " << angle << ", warping " << warping);
      const auto values = rendered(withGray(styleLook(kSpots, 1, 1, warping, angle)), 300, 150, tone);
      const RenderTables& tables = *values->state().tables;
      if (warping > 0 && angle > 0) {
        EXPECT_LT(std::min(tables.displaceX[255], tables.displaceY[255]), -kDotTextureSize) << "past the tile";
      }
      for (std::int32_t y = 0; y < 150; ++y)
        for (std::int32_t x = 0; x < 300; ++x) {
          const std::int32_t dx = warping > 0 ? tables.displaceX[tone(x, y)] : 0;
          const std::int32_t dy = warping > 0 ? tables.displaceY[tone(x, y)] : 0;
          ASSERT_EQ(values->value(x, y), values->tileValue(wrap(x + dx, 128), wrap(y + dy, 128))) << x << ", " << y;
        }
    }
}

// Netting folds the tile's values at the middle into a ridge; spiders repeats them as two
// teeth. Read through the gray setting, with the tile fixed to the grid.
TEST(SpotStyles, NettingFoldsAtTheMiddleAndSpidersRisesTwice) {
  std::array<std::array<std::int32_t, 256>, 2> values{};  // netting's and spiders' value of each tile value
  for (auto& v : values) v.fill(-1);
  const std::int32_t styles[] = {kNetting, kSpiders};
  for (std::size_t i : {0, 1}) {
    const auto render = rendered(withGray(styleLook(styles[i], 1, 1, 0)), 128, 128, flatDensity(100));
    for (std::int32_t y = 0; y < 128; ++y)
      for (std::int32_t x = 0; x < 128; ++x) {
        std::int32_t& seen = values[i][std::size_t(render->tileValue(x, y))];
        ASSERT_TRUE(seen < 0 || seen == render->value(x, y)) << "one value per tile value";
        seen = render->value(x, y);
      }
  }
  const auto& [net, teeth] = values;
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

// Shards draws a grey for each cell at random, so a flat mid-grey inks about half of the
// picture at every scale (one grey for every cell would ink all of it or none).
TEST(JitteredCellStyles, ShardsDrawsAGreyForEachCell) {
  for (std::int32_t scale = 1; scale <= 3; ++scale)
    EXPECT_NEAR(flatInkFraction(styleLook(kShards, scale), 128, 96, 40), 0.5, 0.15) << "scale " << scale;
}

// The ring table of bubbles holds 2048 entries; the nearest squared distance must stay below
// that for every place in a cell and every jitter, and 1922 is reached.
TEST(JitteredCells, CoordinatesStayInsideTheirCellAndDistancesInsideTheRingTable) {
  std::int32_t largest = 0;
  const std::array<std::int32_t, 3> jitters = {0, 16, 31};
  for (std::int32_t combination = 0; combination < 3 * 3 * 3 * 3 * 3 * 3 * 3; ++combination) {
    std::array<std::int32_t, 7> j{};
    for (std::size_t i = 0, rest = std::size_t(combination); i < 7; ++i, rest /= 3) j[i] = jitters[rest % 3];
    const CellJitter jitter{j[0], j[1], j[2], j[3], j[4], j[5], j[6]};
    for (std::int32_t ly = 16; ly <= 47; ++ly)
      for (std::int32_t lx = 16; lx <= 47; ++lx) largest = std::max(largest, nearestCell(jitter, lx, ly).distance);
  }
  EXPECT_EQ(largest, kLargestCellDistance);
  EXPECT_LT(kLargestCellDistance, 2048);
  // Every coordinate lands inside its cell at every shift.
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

// The nearest centre is the first of (0,0), (1,0), (0,1), (1,1) at the least distance; jitters
// that place centres at equal distances show whether ties keep the earlier one.
TEST(JitteredCells, TheNearestCentreIsTheFirstAtTheLeastDistance) {
  const std::array<std::int32_t, 4> jitters = {0, 15, 16, 31};
  std::int32_t ties = 0;
  for (std::int32_t combination = 0; combination < 4 * 4 * 4 * 4 * 4 * 4 * 4; ++combination) {
    std::array<std::int32_t, 7> j{};
    for (std::size_t i = 0, rest = std::size_t(combination); i < 7; ++i, rest /= 4) j[i] = jitters[rest % 4];
    const CellJitter jitter{j[0], j[1], j[2], j[3], j[4], j[5], j[6]};
    for (std::int32_t ly = 16; ly <= 47; ly += 3)
      for (std::int32_t lx = 16; lx <= 47; lx += 3) {
        const std::array<std::array<std::int32_t, 2>, 4> centres = {
            {{j[0], j[1]}, {j[2] + 32, j[3]}, {j[4], j[5] + 32}, {j[6] + 32, j[6] + 32}}};
        std::array<std::int32_t, 4> distance{};
        for (std::size_t c = 0; c < 4; ++c)
          distance[c] = (lx - centres[c][0]) * (lx - centres[c][0]) + (ly - centres[c][1]) * (ly - centres[c][1]);
        const std::size_t first = std::size_t(std::min_element(distance.begin(), distance.end()) - distance.begin());
        ties += std::count(distance.begin(), distance.end(), distance[first]) > 1;
        const NearestCell nearest = nearestCell(jitter, lx, ly);
        ASSERT_EQ(nearest.distance, distance[first]);
        ASSERT_EQ(nearest.dx, std::int32_t(first & 1)) << lx << "," << ly << " combination " << combination;
        ASSERT_EQ(nearest.dy, std::int32_t(first >> 1)) << lx << "," << ly << " combination " << combination;
      }
  }
  EXPECT_GT(ties, 1000);  // the ties were really tried
}

// A row's walk over its cell columns reads the same jitters as each column read on its
// own, also where the indices wrap (negative and far-out cells).
TEST(JitteredCells, TheWalkAlongARowGivesEachColumnsOwnJitters) {
  std::array<std::int16_t, 1024> w{};
  for (std::size_t i = 0; i < w.size(); ++i) w[i] = std::int16_t((i * 2654435761u) >> 11);
  const auto same = [](const CellJitter& a, const CellJitter& b) {
    return std::tie(a.x00, a.y00, a.x10, a.y10, a.x01, a.y01, a.corner) ==
           std::tie(b.x00, b.y00, b.x10, b.y10, b.x01, b.y01, b.corner);
  };
  for (const std::int64_t cy : {std::int64_t(-3), std::int64_t(0), std::int64_t(7), std::int64_t(1) << 33})
    for (const std::int64_t start : {std::int64_t(-70), std::int64_t(5), (std::int64_t(1) << 32) - 40}) {
      CellColumnWalk walk(w.data(), start, cy);
      for (std::int64_t cx = start; cx < start + 80; ++cx) {
        const CellJitter jitter = walk.jitter();
        ASSERT_TRUE(same(jitter, cellJitter(w.data(), cx, cy))) << "cell " << cx << ", " << cy;
        walk.advance(jitter);
      }
    }
}

}  // namespace
}  // namespace qm::test
