// SPDX-License-Identifier: LicenseRef-Quillmark
// The render driver and the tone: the ends of the tone scale at every depth, sharpening, the
// row's tones, the gray setting, the settings left as found, depths that agree, and an
// image rendered in place in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "render/render_image_buffer.h"
#include "render/style_registry.h"
#include "render/tone.h"
#include "render/ink_levels.h"
#include "render/tone_images.h"
#include "tests/render/render_fixture.h"

namespace qm::test {
namespace {

// Render tables and a state, the cells of a band over `rect`, and a row context on them that
// covers the band's columns.
struct CellBand {
  RenderTables tables{};
  RenderState state{};
  std::vector<BandCell> cells;
  Band band{};
  StyleRowContext context{};
  explicit CellBand(const ImageRect& rect)
      : cells(std::size_t(rect.right - rect.left) * std::size_t(rect.bottom - rect.top)), band{cells.data(), rect} {
    state.tables = &tables;
    context.state = &state;
    context.band = &band;
    context.last = rect.right - rect.left - 1;
  }
  CellBand(const CellBand&) = delete;
  CellBand& operator=(const CellBand&) = delete;
};

// The ends of the tone scale at every depth, and float light past them: every style stores
// plain ink or paper at full opacity, and the error-carrying styles, which keep the tone
// itself rather than a screen's levels, ink all of black and none of white.
TEST(RenderDepths, TheEndsOfTheToneScaleAtEveryDepth) {
  for (std::int32_t format : {kRgba8, kRgba16, kRgbaFloat})
    for (float grey : {-1.0f, 0.0f, 1.0f, 3.0f}) {  // integer formats hold the first and last within range
      MemoryRender render(37, 21, format, [grey](std::int32_t, std::int32_t) { return grey; });
      for (const StyleEntry& entry : styleEntries()) {
        SCOPED_TRACE(::testing::Message() << "format " << format << ", grey " << grey << ", " << entry.name);
        render.settings().look.style = entry.number;
        const std::vector<Colour> colours = render.renderWhole();
        for (const Colour& c : colours) {
          ASSERT_TRUE(c.red == 0.0f || c.red == 1.0f) << c.red;
          ASSERT_EQ(c.alpha, 1.0f);
        }
        if (carriesDownThePicture(entry)) {
          EXPECT_EQ(inkFraction(colours), grey < 0.5f ? 1.0 : 0.0);
        }
      }
    }
}

// Sharpening pushes the grey away from the blurred grey (here a flat 128) by its amount
// (1024: fourfold), and not at all at 0; the row fill gives each cell the sharpened and the
// blurred grey that sampling the pixel alone gives, at any view offset.
TEST(RenderTone, SharpeningAndTheRowFill) {
  // A 16-bit checker of 8-pixel squares, red and blue at 30000 or 4000 and green at half
  // (greys 164 and 21 of 255), and a flat mid-grey "blurred" copy.
  const auto light = [](std::int32_t x, std::int32_t y) { return ((x / 8 + y / 8) & 1) != 0; };
  const Buffer sharp = makeBuffer(40, 24, kRgba16), flat = makeBuffer(40, 24, kRgba16);
  fillLevel0(*sharp, [&](std::int32_t x, std::int32_t y) {
    const double v = light(x, y) ? 30000 : 4000;
    return Pixel{v, v / 2, v, 32768};
  });
  fillLevel0(*flat, [](std::int32_t, std::int32_t) { return Pixel{16384, 16384, 16384, 32768}; });
  ToneSource tone{};
  tone.image = sharp.get();
  tone.blurred = flat.get();
  tone.zoom = 1;
  for (std::int32_t y = 0; y < 24; y += 5)
    for (std::int32_t x = 0; x < 40; x += 3) {
      const std::int32_t grey = light(x, y) ? 164 : 21;
      std::int32_t mean = 0;
      tone.sharpenAmount = 0;
      EXPECT_EQ(sampleTone(tone, x, y, &mean), grey);
      EXPECT_EQ(mean, 128);
      tone.sharpenAmount = 1024;
      EXPECT_EQ(sampleTone(tone, x, y, nullptr), std::clamp(grey - (128 - grey) * 4, 0, 255));
    }
  tone.sharpenAmount = 700;
  for (std::int32_t offset : {0, 3, -5}) {
    CellBand cells({7, 0, 8, 40});
    cells.state.tone = tone;
    cells.state.tone.offsetX = offset;
    cells.state.tone.offsetY = -offset;
    enterRow(cells.context, 7);
    fillToneRow(cells.context);
    for (std::int32_t x = 0; x < 40; ++x) {
      std::int32_t mean = 0;
      EXPECT_EQ(toneAt(cells.context, x), sampleTone(cells.state.tone, x, 7, &mean)) << x << " offset " << offset;
      EXPECT_EQ(blurredToneAt(cells.context, x), mean);
    }
  }
}

TEST(RenderTone, GraySettingStoresTheValueAtTheDocumentsDepth) {
  CellBand cells({0, 0, 1, 1});
  RenderState& state = cells.state;
  state.grayOutput = 1;
  enterRow(cells.context, 0);
  const BandCell& stored = cells.cells[0];
  for (std::int32_t v : {-7, 0, 1, 2, 100, 127, 254, 255, 300}) {
    putInk(cells.context, 0, v, 0, 0);
    const std::int32_t held = std::clamp(v, 0, 255);
    EXPECT_EQ(inkLevels(kInk16)[stored.ink], held < 255 ? float(128 * held + held / 2) / 32768.0f : 1.0f) << v;
    EXPECT_EQ(std::int32_t(inkLevels(kInk8)[stored.ink] * 255.0f + 0.5f), held);
  }
  cells.cells[0].ink = 99;
  putInk(cells.context, 5, 0, 0, 0);  // outside the band: skipped, nothing written anywhere
  EXPECT_EQ(stored.ink, 99);
}

// Values outside their ranges render as their nearest in range (style 0 as 1, scale 7 as
// 3, ...), and the record keeps what it held, whatever the target.
TEST(RenderSettings, OutOfRangeValuesRenderAsTheirNearestAndStayAsTheyWere) {
  MemoryRender render(30, 20, kRgba8,
                      [](std::int32_t x, std::int32_t y) { return float((x * 5 + y * 3) % 256) / 255.0f; });
  InkSettings& settings = render.settings();
  setText(settings.settingsName, "my look");
  settings.look = {0, 7, 70, 0, 50, 75, -3, 9, 20, 45};
  const std::vector<Colour> wild = render.renderWhole();
  for (std::int32_t target : {kTargetHostImage, kTargetPreview, kTargetMemoryImage}) {
    const InkSettings before = settings;
    render.render({30, 20, target, 2, 4, 2});
    EXPECT_EQ(0, std::memcmp(&before, &settings, sizeof settings)) << "target " << target;
  }
  settings.look = {1, 3, 69, 0, 50, 75, 1, 4, 20, 45};
  EXPECT_TRUE(sameColours(wild, render.renderWhole()));
}

// How far the ink of two 96 x 64 renders differs in each 8 x 8 block.
std::vector<double> blockDifferences(const std::vector<Colour>& a, const std::vector<Colour>& b) {
  std::vector<double> differences(12 * 8, 0.0);
  for (std::size_t i = 0; i < a.size(); ++i) differences[i / 96 / 8 * 12 + i % 96 / 8] += (a[i].red - b[i].red) / 64.0;
  for (double& d : differences) d = std::abs(d);
  return differences;
}

// The same picture in 8 and 16 bits: the 16-bit grey of an 8-bit level k is k or k + 1
// after scaling to 0..255 and the 16-bit blur is finer, which sharpening amplifies, so
// some pixels start a density step or two apart and the patterns drift apart locally,
// while the tone of every region stays the same.
TEST(RenderDepths, EightAndSixteenBitDocumentsGiveNearlyTheSamePicture) {
  const auto smooth = [](std::int32_t x, std::int32_t y) {
    return std::round(127.5f + 120.0f * std::sin(x * 0.05f) * std::cos(y * 0.04f)) / 255.0f;
  };
  MemoryRender eight(96, 64, kRgba8, smooth);
  MemoryRender sixteen(96, 64, kRgba16, smooth);
  for (const StyleEntry& entry : styleEntries()) {
    if (!carriesDownThePicture(entry)) continue;
    eight.settings().look.style = sixteen.settings().look.style = entry.number;
    const std::vector<double> d = blockDifferences(eight.renderWhole(), sixteen.renderWhole());
    SCOPED_TRACE(entry.name);
    // Measured: 0.028 to 0.033 on average and at most 0.11 for the dotted styles; ripple's
    // strokes run several pixels and restart along its sine lines, so a one-step density
    // difference moves whole strokes (0.060, at most 0.375).
    const bool strokes = entry.number == 3;
    EXPECT_LE(std::accumulate(d.begin(), d.end(), 0.0) / double(d.size()), strokes ? 0.08 : 0.04) << "mean";
    EXPECT_LE(*std::max_element(d.begin(), d.end()), strokes ? 0.45 : 0.15) << "largest block difference";
  }
}

// A blur of size 0 would divide by zero, and there is no level past the pyramid's top.
TEST(RenderDriver, BlurSizeAndLevelStayUsable) {
  EXPECT_GT(blurSizeFor(0, 9), 0.0f);
  EXPECT_EQ(samplingLevel(1024, 3), 3);
}

TEST(RenderImageBuffer, RendersInPlaceLikeAWholeRender) {
  MemoryRender reference(33, 20, kRgba8, [](std::int32_t x, std::int32_t y) { return float((x + y) % 32) / 31.0f; });
  reference.settings().look.style = 20;
  const std::vector<Colour> expected = reference.renderWhole(5);
  Buffer image = makeBuffer(33, 20, kRgba8);
  fillLevel0(*image, [&](std::int32_t x, std::int32_t y) { return pixelAt(reference.source(), x, y); });
  RenderWorkingSet* working = createWorkingSet();
  InkSettings settings = reference.settings();
  seedRandom(5);
  ASSERT_EQ(renderImageBuffer(settings, *working, *image), kRenderDone);
  releaseWorkingSet(working);
  for (std::int32_t y = 0; y < 20; ++y)
    for (std::int32_t x = 0; x < 33; ++x) {
      const double ink = expected[std::size_t(y * 33 + x)].red > 0.5f ? 255 : 0;
      ASSERT_EQ(pixelAt(*image, x, y), (Pixel{ink, ink, ink, 255})) << x << "," << y;
    }
}

// Previews keep the spot tile while the line weight and scale stay; a kept tile must give
// the very pixels, and leave the generator where, a freshly built one does.
TEST(RenderDriver, APreviewsKeptSpotTileRendersAsAFreshOne) {
  const auto grey = [](std::int32_t x, std::int32_t y) { return float((x * 5 + y * 3) % 97) / 96.0f; };
  const RenderView region{48, 40, kTargetPreview, 1, 16, 8};
  for (const StyleEntry& style : styleEntries()) {
    if (!style.has(kUsesSpotTile)) continue;
    SCOPED_TRACE(style.name);
    MemoryRender kept(96, 64, kRgba8, grey);
    kept.settings().look.style = style.number;
    for (const auto& [lineWeight, scale] : {std::pair{3, 3}, {3, 3}, {5, 3}, {5, 1}}) {
      kept.settings().look.lineWeight = lineWeight;
      kept.settings().look.scale = scale;
      const std::vector<Colour> again = kept.render(region);
      const std::uint32_t keptState = randomState();
      MemoryRender fresh(96, 64, kRgba8, grey);
      fresh.settings().look = kept.settings().look;
      EXPECT_TRUE(sameColours(again, fresh.render(region))) << lineWeight << ", " << scale;
      EXPECT_EQ(keptState, randomState());
    }
  }
}

}  // namespace
}  // namespace qm::test
