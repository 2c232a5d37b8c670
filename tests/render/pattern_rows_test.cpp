// SPDX-License-Identifier: LicenseRef-Quillmark
// Rows that take shortcuts give every pixel what the plain per-pixel formula gives: chaos
// and basketweave work out one period of their pattern and read it again along a wider
// row, maze picks its cell's direction without a branch, the spot styles wrap by masks and
// read a small tile straight from its block. Each is compared with a plain model of its
// formula, through the gray setting (the stored value itself) and through the ink
// decisions, at every scale, with the pattern moved by view offsets and a zoom, over rows
// wider than a period and over parts of rows. The rows' ink, which reads the gray setting
// and the invert flags once a row, against putInk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "tests/render/style_test_fixture.h"

namespace qm::test {
namespace {

constexpr std::int32_t kSquareChaos = 6, kRoundChaos = 7, kBasketweave = 8, kMaze = 10, kSpots = 21, kNetting = 22,
                       kSpiders = 23;

void plainChaosRow(StyleRowContext& context) {
  const RenderState& state = *context.state;
  const std::int16_t* w = state.tables->waveTable;
  const std::int32_t h = state.constants.shift;
  const std::int32_t m = state.constants.multiplier;
  const std::int32_t mask = kWaveTableSize - 1;
  const std::int32_t y = patternY(context) * (1 << h);
  for (std::int32_t x = context.first; x <= context.last; ++x) {
    const std::int32_t cx = (patternX(context, x) * (1 << h)) & mask;
    const std::int32_t a0 = (w[cx] + y) & mask;
    const std::int32_t a1 = (w[a0] + cx) & mask;
    const std::int32_t a2 = (w[a1] + a0) & mask;
    const std::int32_t a3 = (w[a2] + a1) & mask;
    const std::int32_t a4 = w[(w[a3] + a2) & mask];
    const std::int32_t value = ((a4 + a3) * m) & 255;
    putInk(context, x, value, value <= toneAt(context, x) ? 255 : 0, 0);
  }
}

std::int32_t plainMix(std::int32_t dark, std::int32_t light, std::int32_t b, std::int32_t displace,
                      std::int32_t shift) {
  return ((dark * (255 - b) + light * b + displace) >> shift) & 255;
}

void plainBasketweaveRow(StyleRowContext& context) {
  const RenderState& state = *context.state;
  const RenderTables& tables = *state.tables;
  const std::int16_t* w = tables.waveTable;
  const std::int32_t n = state.constants.indexMask & (kWaveTableSize - 1);
  const std::int32_t lw = std::clamp(state.lineWeight, 1, 5);
  const std::int32_t shift = state.scaleFactor == 1 ? lw - 1 : (state.scaleFactor == 2 ? lw : lw + 1);
  const std::int32_t mask = state.scaleFactor == 1 ? 63 : (state.scaleFactor == 2 ? 127 : 255);
  const std::int32_t step4 = (mask + 1) / 4, step5 = (mask + 1) / 2;
  const std::int32_t py = patternY(context);
  const std::int32_t wy = w[py & n];
  const std::int32_t wy2 = w[(py + step4) & n];
  for (std::int32_t x = context.first; x <= context.last; ++x) {
    const std::int32_t px = patternX(context, x);
    const std::int32_t b = blurredToneAt(context, x);
    const std::int32_t threshold = tables.rampTable[densityAt(context, x)];
    const std::int32_t wx = w[px & n];
    std::int32_t value = plainMix(((wx + py) & mask) - wx, ((px + wy) & mask) - wy, b, tables.displaceX[b], shift);
    if (value >= threshold)
      value = plainMix(((px + wy2 + step5) & mask) - wy2, ((wx - py + step5) & mask) - wx, b, tables.displaceY[b],
                       shift);
    putInk(context, x, value, value >= threshold ? 255 : 0, toneAt(context, x));
  }
}

void plainMazeRow(StyleRowContext& context) {
  const RenderState& state = *context.state;
  const RenderTables& tables = *state.tables;
  const std::int32_t h = state.constants.shift + 1;
  const std::int64_t d = state.constants.density;
  const std::int64_t rowBase = patternY(context) * (1 << h);
  for (std::int32_t x = context.first; x <= context.last; ++x) {
    const std::int32_t b = blurredToneAt(context, x);
    const std::int64_t cx = std::int64_t(patternX(context, x) * (1 << h)) + tables.displaceX[b];
    const std::int64_t cy = rowBase + tables.displaceY[b];
    const std::int64_t g1 = cy + 8 * cx;
    const std::int64_t g2 = cx + 8 * cy;
    const std::int32_t h1 = std::int32_t((d * (g1 >> 2)) & 127);
    const std::int32_t h2 = std::int32_t((d * (g2 >> 2)) & 127);
    std::int64_t cell = ((g2 >> 8) * 17 + (g1 >> 8) * 13) % 197;
    if (cell < 0) cell += 197;
    std::int32_t v = h1;
    switch (tables.waveTable[cell] & 3) {
      case 1: v = h2; break;
      case 2: v = (h1 + h2) & 127; break;
      case 3: v = (h2 - h1) & 127; break;
      default: break;
    }
    putInk(context, x, 2 * v, v >= densityAt(context, x) >> 1 ? 255 : 0, toneAt(context, x));
  }
}

std::int32_t plainWrap(std::int64_t value, std::int32_t period) {
  const std::int64_t r = value % period;
  return std::int32_t(r < 0 ? r + period : r);
}

template <int kShape>  // 0 dots, 1 net, 2 teeth
void plainSpotRow(StyleRowContext& context) {
  const RenderTables& tables = *context.state->tables;
  const ImageBuffer& tile = tables.spotTile;
  const std::int32_t width = tile.width[0];
  const std::int32_t height = tile.height[0];
  for (std::int32_t x = context.first; x <= context.last; ++x) {
    const std::int32_t b = blurredToneAt(context, x);
    const std::int32_t tx = plainWrap(std::int64_t(tables.displaceX[b]) + patternX(context, x), width);
    const std::int32_t ty = plainWrap(std::int64_t(tables.displaceY[b]) + patternY(context), height);
    std::int32_t value = getGrey(tile, tx, ty, 0);
    const std::int32_t twice = 2 * value;
    if (kShape == 1) value = twice > 255 ? 510 - twice : twice;
    if (kShape == 2) value = twice > 255 ? twice - 255 : twice;
    putInk(context, x, value, densityAt(context, x) <= value ? 255 : 0, toneAt(context, x));
  }
}

// A tone that runs over the whole range in both directions and is never flat for long.
std::int32_t busyTone(std::int32_t x, std::int32_t y) { return (x * 7 + y * 13 + (x * y) % 29) % 256; }

struct Placement {
  std::int32_t zoom;
  std::int32_t offsetX;
  std::int32_t offsetY;
};
constexpr Placement kPlacements[] = {{1, 0, 0}, {1, -1234, 77}, {1, 5000, -3}, {3, -999, 1001}};

// Every stored level of the look's render, with the row function given, as whole bands and
// as parts of rows.
std::vector<float> levelsOf(const UserValues& look, std::int32_t width, std::int32_t height,
                            const Placement& place, StyleRowFunction row) {
  StyleRender render(width, height, look, row);
  render.fillTone(busyTone);
  render.state().tone.zoom = place.zoom;
  render.state().tone.offsetX = place.offsetX;
  render.state().tone.offsetY = place.offsetY;
  render.renderAll();
  std::vector<float> levels = render.levels();
  render.renderRow(height - 1, 3, width / 2 + 5);
  for (std::int32_t x = 3; x <= width / 2 + 5; ++x) levels.push_back(render.level(x, height - 1));
  return levels;
}

struct PlainModel {
  std::int32_t style;
  StyleRowFunction plain;
};

void expectLikeThePlainModel(const PlainModel& model, std::int32_t width, std::int32_t height,
                             std::initializer_list<std::int32_t> lineWeights,
                             std::initializer_list<Placement> morePlacements = {}) {
  std::vector<Placement> placements(std::begin(kPlacements), std::end(kPlacements));
  placements.insert(placements.end(), morePlacements);
  for (std::int32_t scale = 1; scale <= 3; ++scale)
    for (const std::int32_t lineWeight : lineWeights)
      for (const bool gray : {false, true})
        for (const Placement& place : placements) {
          SCOPED_TRACE(testing::Message() << "style " << model.style << ", scale " << scale << ", line weight "
                                          << lineWeight << ", gray " << gray << ", zoom " << place.zoom
                                          << ", offsets " << place.offsetX << ", " << place.offsetY);
          UserValues look = styleLook(model.style, scale, lineWeight, 60, 30);
          if (gray) look = withGray(look);
          const std::vector<float> product = levelsOf(look, width, height, place, nullptr);
          const std::vector<float> plain = levelsOf(look, width, height, place, model.plain);
          ASSERT_EQ(product.size(), plain.size());
          for (std::size_t i = 0; i < plain.size(); ++i)
            ASSERT_EQ(product[i], plain[i]) << "level " << i << " (row " << std::int32_t(i) / width << ")";
        }
}

// The widest period is 4096 columns (4x); the row is wider than that, so every scale reads
// its period again at least once, and the part of a row starts inside one.
TEST(PatternRows, ChaosReadsItsPeriodAgainAsThePlainFormulaWouldWorkItOut) {
  for (const std::int32_t style : {kSquareChaos, kRoundChaos})
    expectLikeThePlainModel({style, plainChaosRow}, 4096 + 1500, 3, {1, 5});
}

// Periods of 256, 512 and 1024 columns by scale.
TEST(PatternRows, BasketweaveReadsItsPeriodAgainAsThePlainFormulaWouldWorkItOut) {
  expectLikeThePlainModel({kBasketweave, plainBasketweaveRow}, 2500, 3, {1, 5});
}

// Rows of 700 pixels take maze's runs of 256 three times, the last one short. Pattern
// coordinates far out (2^27 and more) leave its 32-bit arithmetic for 64 bits.
TEST(PatternRows, MazePicksEachCellsDirectionAsTheBranchesDid) {
  expectLikeThePlainModel({kMaze, plainMazeRow}, 700, 6, {1, 3}, {{1, 1 << 27, -(1 << 27)}, {1, 200, 1 << 27}});
}

// Line weight 1 at 1x keeps a tile of 128 pixels, read from its one block; line weight 5
// at 4x makes one of 1024, over four blocks.
TEST(PatternRows, SpotStylesReadTheirTileAsThePlainRemaindersWould) {
  expectLikeThePlainModel({kSpots, plainSpotRow<0>}, 1300, 4, {1, 5});
  expectLikeThePlainModel({kNetting, plainSpotRow<1>}, 1300, 4, {1, 5});
  expectLikeThePlainModel({kSpiders, plainSpotRow<2>}, 1300, 4, {1, 5});
}

// The rows' own ink stores what putInk stores, for every value, decision and grey under
// each gray setting and invert flag; and a row that its band does not cover goes to putInk,
// which leaves the columns outside alone.
TEST(RowInk, StoresWhatPutInkStoresForEveryDecision) {
  RenderState state{};
  std::vector<BandCell> cells(256), expected(256);
  const Band band{cells.data(), {5, 100, 6, 356}};
  StyleRowContext context{};
  context.state = &state;
  context.band = &band;
  context.first = 100;
  context.last = 355;
  enterRow(context, 5);
  ASSERT_TRUE(RowInk::covers(context));
  for (const std::uint8_t gray : {0, 1})
    for (const std::uint8_t dark : {0, 1})
      for (const std::uint8_t bright : {0, 1}) {
        state.grayOutput = gray;
        state.invertDarkRegion = dark;
        state.invertBrightRegion = bright;
        for (const std::int32_t paper : {0, 1, 255})
          for (const std::int32_t value : {-7, 0, 1, 128, 255, 256, 900}) {
            const RowInk ink(context);
            for (std::int32_t grey = 0; grey < 256; ++grey) {
              putInk(context, 100 + grey, value, paper, grey);
              expected[std::size_t(grey)] = cells[std::size_t(grey)];
              cells[std::size_t(grey)].ink = kNoInk;
              ink.put(100 + grey, value, paper, grey);
              ASSERT_EQ(cells[std::size_t(grey)].ink, expected[std::size_t(grey)].ink)
                  << "gray " << int(gray) << ", flips " << int(dark) << int(bright) << ", paper " << paper
                  << ", value " << value << ", grey " << grey;
            }
          }
      }
  context.first = 90;
  EXPECT_FALSE(RowInk::covers(context)) << "columns left of the band";
  std::int32_t visited = 0;
  for (auto& cell : cells) cell.ink = kNoInk;
  withRowInk(context, [&](const auto ink) {
    for (std::int32_t x = context.first; x <= context.last; ++x, ++visited) ink.put(x, 0, 0, 0);
  });
  EXPECT_EQ(visited, 266);
  EXPECT_TRUE(std::all_of(cells.begin(), cells.end(), [](const BandCell& cell) { return cell.ink == 0; }));
  enterRow(context, 6);
  context.first = 100;
  EXPECT_FALSE(RowInk::covers(context)) << "a row outside the band";
}

}  // namespace
}  // namespace qm::test
