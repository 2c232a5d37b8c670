// SPDX-License-Identifier: LicenseRef-Quillmark
// The registries, and every style read from them. Numbers outside the lists are brought into
// range; the flags a style declares are the ones its rendering needs (a style that leaves the
// error row to its predecessor would show the last render's strokes). Through the driver:
// paper stays paper, a preview region lines up with the whole view, the worker count changes
// nothing, and a ramp gets more ink where it is darker; through the style fixture, a row
// function writes exactly its columns and narrow images render plain ink in the error row.
#include <gtest/gtest.h>

#include <algorithm>

#include "render/blend_mode_registry.h"
#include "render/style_registry.h"
#include "settings/name_tables.h"
#include "tests/render/render_fixture.h"
#include "tests/render/style_test_fixture.h"

namespace qm::test {
namespace {

float checkeredGrey(std::int32_t x, std::int32_t y) {
  return ((x / 13 + y / 11) & 1) ? 0.8f - float(y) / 400.0f : 0.15f + float(x) / 500.0f;
}

TEST(Registries, NumbersOutsideTheListsAreBroughtIntoRange) {
  for (std::int32_t number : {-2147483647 - 1, -1, 0, 1, 7, kStyleCount + 1, kBlendModeCount + 1, 2147483647}) {
    EXPECT_EQ(styleEntry(number).number, std::clamp(number, 1, kStyleCount)) << number;
    EXPECT_EQ(blendModeEntry(number).number, std::clamp(number, 1, kBlendModeCount)) << number;
  }
  // The pixel blend follows the same rule: a number past the list blends as its last mode.
  const Colour ink{0.3f, 0.3f, 0.3f, 1.0f}, source{0.9f, 0.2f, 0.6f, 1.0f};
  Colour past{}, last{}, normal{};
  blendPixel(ink, source, past, kBlendModeCount + 1);
  blendPixel(ink, source, last, kBlendModeCount);
  blendPixel(ink, source, normal, kNormalBlend);
  EXPECT_EQ(past.red, last.red);
  EXPECT_EQ(past.green, last.green);
  EXPECT_NE(last.green, normal.green) << "the inputs must tell the last mode from normal";
}

// Every other style first leaves its own state behind (error row, carry, tables, spot tile),
// and the worker count changes how the bands are shared out (four here, the last one short):
// the style's render must show neither.
TEST(Registries, NoStyleSeesWhatTheRenderBeforeLeftOrHowManyWorkersRanIt) {
  for (const StyleEntry& entry : styleEntries()) {
    MemoryRender fresh(45, 200, kRgba8, checkeredGrey);
    fresh.settings().look.style = entry.number;
    const std::vector<Colour> reference = fresh.renderWhole(5);
    MemoryRender used(45, 200, kRgba8, checkeredGrey);
    // Arabesque last: its phases fill the error row with large values.
    for (const bool phases : {false, true})
      for (const StyleEntry& other : styleEntries()) {
        if (other.has(kCarriesPhase) != phases) continue;
        used.settings().look.style = other.number;
        used.renderWhole(9);
      }
    used.settings().look.style = entry.number;
    for (int workers : {1, 2, 3}) {
      const Processors processors(workers);
      EXPECT_TRUE(sameColours(used.renderWhole(5), reference)) << entry.name << ", " << workers << " workers";
    }
  }
}

// A style that declares it ignores the invert mode renders "invert all" as "normal"; every
// other style honours the mode with a different picture.
TEST(Registries, OnlyTheStylesThatSaySoIgnoreTheInvertMode) {
  MemoryRender render(48, 33, kRgba8,
                      [](std::int32_t x, std::int32_t y) { return float((x * 5 + y * 3) % 256) / 255.0f; });
  UserValues& look = render.settings().look;
  for (const StyleEntry& entry : styleEntries()) {
    look.style = entry.number;
    look.invertMode = 1;
    const std::vector<Colour> normal = render.renderWhole();
    look.invertMode = 4;
    const std::vector<Colour> inverted = render.renderWhole();
    std::size_t differing = 0;
    for (std::size_t i = 0; i < normal.size(); ++i) differing += normal[i].red != inverted[i].red;
    EXPECT_EQ(sameColours(normal, inverted), entry.has(kIgnoresInvertMode)) << entry.name;
    EXPECT_TRUE(entry.has(kIgnoresInvertMode) || differing > normal.size() / 8) << entry.name << " " << differing;
  }
}

// Whether a preview region shows the same pattern as the whole view: not for the styles that
// carry an error down the picture, nor where noise and xor draw their grain on the worker
// that renders the band (xor below 4x), so that it follows the bands.
bool patternHangsOnThePicture(const StyleEntry& entry, std::int32_t scale) {
  return !carriesDownThePicture(entry) && entry.number != 2 && (entry.number != 11 || scale == 3);
}

// A region of the preview, at each zoom and scale, equals the same crop of the whole view:
// a band boundary of the region falls elsewhere, the wide blur (diameter 250) reaches far
// past the region, and full warping at 225 degrees points the displacements up and left, so
// the sanitizer build also sees every table read stay inside its table.
TEST(ScreensRender, PreviewRegionEqualsTheSameCropOfTheWholeView) {
  MemoryRender render(160, 140, kRgba8, checkeredGrey);
  for (const StyleEntry& entry : styleEntries())
    for (const auto& [zoom, scale] : {std::pair{1, 3}, std::pair{2, 1}, std::pair{3, 2}}) {
      if (!patternHangsOnThePicture(entry, scale)) continue;
      render.settings().look = styleLook(entry.number, scale, 3, 100, 225);
      render.settings().look.diameter = 250;
      const std::int32_t width = (160 + zoom - 1) / zoom, height = (140 + zoom - 1) / zoom;
      const std::vector<Colour> whole = render.render({width, height, kTargetPreview, zoom, 0, 0});
      const std::int32_t left = 11, top = 21;
      const std::vector<Colour> region = render.render({40, 24, kTargetPreview, zoom, left * zoom, top * zoom});
      EXPECT_GT(inkFraction(region), 0.0) << entry.name;
      for (std::int32_t y = 0; y < 24; ++y)
        for (std::int32_t x = 0; x < 40; ++x)
          ASSERT_EQ(region[std::size_t(y * 40 + x)].red, whole[std::size_t((y + top) * width + x + left)].red)
              << entry.name << " zoom " << zoom << " scale " << scale << " at " << x << "," << y;
    }
}

// A left-to-right ramp from white to black: the ink of each fifth of the width.
std::vector<double> inkByFifths(const std::vector<Colour>& colours, std::int32_t width) {
  std::vector<double> fifths(5, 0.0);
  for (std::size_t i = 0; i < colours.size(); ++i)
    fifths[i % std::size_t(width) * 5 / std::size_t(width)] +=
        colours[i].red < 0.5f ? 5.0 / double(colours.size()) : 0.0;
  return fifths;
}

// In every style at every scale and line weight, paper with nothing on it stays paper and
// the ramp gets more ink where it is darker.
TEST(ScreensRender, EveryStyleScaleAndLineWeightKeepsPaperAndInksMoreWhereTheRampIsDarker) {
  MemoryRender white(70, 40, kRgba8, [](std::int32_t, std::int32_t) { return 1.0f; });
  MemoryRender ramp(250, 96, kRgba8, [](std::int32_t x, std::int32_t) { return 1.0f - float(x) / 249.0f; });
  UserValues& look = ramp.settings().look;
  look.sharpen = 0;
  for (const StyleEntry& entry : styleEntries())
    for (std::int32_t scale = 1; scale <= kScaleCount; ++scale)
      for (std::int32_t weight = 1; weight <= kLineWeightCount; ++weight) {
        SCOPED_TRACE(::testing::Message() << entry.name << " scale " << scale << " weight " << weight);
        look.style = entry.number;
        look.scale = scale;
        look.lineWeight = weight;
        white.settings().look = look;
        EXPECT_EQ(inkFraction(white.renderWhole(3)), 0.0) << "white paper";
        const std::vector<double> fifths = inkByFifths(ramp.renderWhole(), 250);
        EXPECT_LT(fifths[0], fifths[4] - 0.4) << "light end against dark end";
        // At 4x the spot tiles grow to 512 or 1024 pixels, wider than this picture, so a
        // fifth of it meets only part of the tile's values.
        const bool tileWiderThanAFifth = entry.has(kUsesSpotTile) && scale == 3;
        if (!tileWiderThanAFifth) {
          EXPECT_LT(fifths[1], fifths[3]);
        }
      }
}

// Band memory is not cleared: a row function must store columns first..last, no others.
// Rows of 1 to 3 pixels, where every neighbour is clamped, over densities that include both
// extremes: every pixel is stored as plain ink or paper, and no entry of the error row beyond
// the image's changes (Hyper A and B keep three row blocks of it). The sanitizer build
// catches reads before the row.
TEST(ScreensRender, EveryStyleKeepsToItsColumnsAndItsErrorRow) {
  constexpr std::int16_t kGuard = 0x5a5a;
  const auto tone = [](std::int32_t x, std::int32_t y) { return 255 - std::min(255, (x * 97 + y * 51) % 306); };
  for (const StyleEntry& entry : styleEntries()) {
    StyleRender part(16, 4, styleLook(entry.number));
    part.fillTone(tone);
    part.renderRow(2, 3, 9);
    for (std::int32_t x = 0; x < 16; ++x)
      EXPECT_EQ(part.level(x, 2) != StyleRender::kUnwritten, x >= 3 && x <= 9) << entry.name << " column " << x;
    for (std::int32_t scale = 1; scale <= 3; ++scale)
      for (std::int32_t weight = 1; weight <= 5; ++weight)
        for (std::int32_t width = 1; width <= 3; ++width) {
          SCOPED_TRACE(::testing::Message()
                       << entry.name << " scale " << scale << " weight " << weight << " width " << width);
          StyleRender render(width, 7, styleLook(entry.number, scale, weight));
          render.fillTone(tone);
          const std::size_t used = std::size_t(width) * (entry.number == 24 || entry.number == 25 ? 3 : 1);
          std::fill(render.errorRow() + used, render.errorRow() + render.errorRowSize(), kGuard);
          render.renderAll();
          for (std::size_t i = used; i < render.errorRowSize(); ++i) EXPECT_EQ(render.errorRow()[i], kGuard) << i;
          for (std::int32_t y = 0; y < 7; ++y)
            for (std::int32_t x = 0; x < width; ++x) {
              const float level = render.level(x, y);
              EXPECT_TRUE(level == 0.0f || level == 1.0f) << x << ", " << y;
            }
        }
  }
}

}  // namespace
}  // namespace qm::test
