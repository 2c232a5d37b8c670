// SPDX-License-Identifier: LicenseRef-Quillmark
// The render driver and the tone: the ends of the tone scale at every depth, sharpening, the
// row's tones, the gray setting, the settings left as found, and depths that agree.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render/tone.h"
#include "render/tone_images.h"
#include "tests/render/render_fixture.h"

namespace qm::test {
namespace {

float ramp(std::int32_t x, std::int32_t y) { return float((x * 5 + y * 3) % 256) / 255.0f; }

// The cells of a band over `rect` and a row context on them that covers the band's columns.
struct CellBand {
  std::vector<BandCell> cells;
  Band band{};
  StyleRowContext context{};
  CellBand(RenderState& state, const ImageRect& rect)
      : cells(std::size_t(rect.right - rect.left) * std::size_t(rect.bottom - rect.top)), band{cells.data(), rect} {
    context.state = &state;
    context.band = &band;
    context.last = rect.right - rect.left - 1;
  }
  CellBand(const CellBand&) = delete;
  CellBand& operator=(const CellBand&) = delete;
};

// The error-carrying styles keep the tone itself, not a screen's levels.
TEST(RenderTone, WhiteIsPaperAndBlackIsInkAtEveryDepth) {
  for (std::int32_t format : {kRgba8, kRgba16, kRgbaFloat})
    for (float grey : {0.0f, 1.0f}) {
      MemoryRender render(37, 21, format, [grey](std::int32_t, std::int32_t) { return grey; });
      for (const StyleEntry& entry : styleEntries()) {
        if (!carriesDownThePicture(entry)) continue;
        render.settings().look.style = entry.number;
        EXPECT_EQ(inkFraction(render.renderWhole()), 1.0 - grey) << "format " << format << " " << entry.name;
      }
    }
}

// A 16-bit checker of 8-pixel squares and a flat mid-grey "blurred" copy.
struct TonePair {
  Buffer sharp = makeBuffer(40, 24, kRgba16);
  Buffer flat = makeBuffer(40, 24, kRgba16);
  TonePair() {
    for (std::int32_t y = 0; y < 24; ++y)
      for (std::int32_t x = 0; x < 40; ++x) {
        const std::uint16_t v = ((x / 8 + y / 8) & 1) ? 30000 : 4000;
        const std::uint16_t c[4] = {v, std::uint16_t(v / 2), v, 32768};
        const std::uint16_t m[4] = {16384, 16384, 16384, 32768};
        setColour(*sharp, x, y, 0, c);
        setColour(*flat, x, y, 0, m);
      }
  }
  ToneSource source(std::int32_t amount) const {
    ToneSource tone{};
    tone.image = sharp.get();
    tone.blurred = flat.get();
    tone.zoom = 1;
    tone.sharpenAmount = amount;
    return tone;
  }
};

// Sharpening pushes the grey away from the blurred grey (here a flat 128) by its amount
// (1024: fourfold), and not at all at 0; the row fill gives each cell the sharpened and the
// blurred grey that sampling the pixel alone gives, at any view offset.
TEST(RenderTone, SharpeningAndTheRowFill) {
  const TonePair pair;
  for (std::int32_t y = 0; y < 24; y += 5)
    for (std::int32_t x = 0; x < 40; x += 3) {
      std::uint16_t c[4];
      getColour(*pair.sharp, x, y, 0, c);
      const std::int32_t grey = grey16(c[0], c[1], c[2]);
      std::int32_t mean = 0;
      EXPECT_EQ(sampleTone(pair.source(0), x, y, &mean), grey);
      EXPECT_EQ(mean, 128);
      EXPECT_EQ(sampleTone(pair.source(1024), x, y, nullptr), std::clamp(grey - (128 - grey) * 4, 0, 255));
    }
  RenderTables tables{};
  RenderState state{};
  state.tables = &tables;
  for (std::int32_t offset : {0, 3, -5}) {
    state.tone = pair.source(700);
    state.tone.offsetX = offset;
    state.tone.offsetY = -offset;
    CellBand cells(state, {7, 0, 8, 40});
    enterRow(cells.context, 7);
    fillToneRow(cells.context);
    for (std::int32_t x = 0; x < 40; ++x) {
      std::int32_t mean = 0;
      EXPECT_EQ(toneAt(cells.context, x), sampleTone(state.tone, x, 7, &mean)) << x << " offset " << offset;
      EXPECT_EQ(blurredToneAt(cells.context, x), mean);
    }
  }
}

TEST(RenderTone, GraySettingStoresTheValueAtTheDocumentsDepth) {
  RenderTables tables{};
  RenderState state{};
  state.tables = &tables;
  state.grayOutput = 1;
  CellBand cells(state, {0, 0, 1, 1});
  enterRow(cells.context, 0);
  float* stored = cells.cells[0].colour;
  for (std::int32_t v : {0, 1, 2, 100, 127, 254, 255}) {
    state.inkDepth = kInk16;
    putInk(cells.context, 0, v, 0, 0);
    EXPECT_EQ(stored[0], v < 255 ? float(128 * v + v / 2) / 32768.0f : 1.0f) << v;
    state.inkDepth = kInk8;
    putInk(cells.context, 0, v, 0, 0);
    EXPECT_EQ(std::int32_t(stored[1] * 255.0f + 0.5f), v);
  }
  stored[0] = 0.5f;
  putInk(cells.context, 5, 0, 0, 0);  // outside the band: skipped, nothing written anywhere
  EXPECT_EQ(stored[0], 0.5f);
}

// Values outside their ranges render as their nearest in range (style 0 as 1, scale 7 as
// 3, ...), and the record keeps what it held, whatever the target.
TEST(RenderSettings, OutOfRangeValuesRenderAsTheirNearestAndStayAsTheyWere) {
  MemoryRender render(30, 20, kRgba8, ramp);
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

// The means of the ink over the 8 x 8 blocks of a 96 x 64 render.
std::vector<double> blockMeans(const std::vector<Colour>& colours) {
  std::vector<double> means(12 * 8, 0.0);
  for (std::size_t i = 0; i < colours.size(); ++i) means[i / 96 / 8 * 12 + i % 96 / 8] += colours[i].red / 64.0;
  return means;
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
    const std::vector<double> a = blockMeans(eight.renderWhole()), b = blockMeans(sixteen.renderWhole());
    double worst = 0, total = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
      worst = std::max(worst, std::abs(a[i] - b[i]));
      total += std::abs(a[i] - b[i]);
    }
    SCOPED_TRACE(entry.name);
    // Measured: 0.028 to 0.033 on average and at most 0.11 for the dotted styles; ripple's
    // strokes run several pixels and restart along its sine lines, so a one-step density
    // difference moves whole strokes (0.060, at most 0.375).
    const bool strokes = entry.number == 3;
    EXPECT_LE(total / double(a.size()), strokes ? 0.08 : 0.04) << "mean difference of 8 x 8 block tones";
    EXPECT_LE(worst, strokes ? 0.45 : 0.15) << "largest block difference";
  }
}

TEST(RenderDepths, FloatDocumentsOutsideTheUsualRangeRender) {
  MemoryRender render(40, 30, kRgbaFloat, [](std::int32_t x, std::int32_t) { return float(x) / 10.0f - 1.0f; });
  for (const StyleEntry& entry : styleEntries()) {
    render.settings().look.style = entry.number;
    for (const Colour& c : render.renderWhole()) {
      ASSERT_TRUE(c.red == 0.0f || c.red == 1.0f) << entry.name << " " << c.red;
      ASSERT_EQ(c.alpha, 1.0f) << entry.name;
    }
  }
}

// A blur of size 0 would divide by zero, and there is no level past the pyramid's top.
TEST(RenderDriver, BlurSizeAndLevelStayUsable) {
  EXPECT_GT(blurSizeFor(0, 9), 0.0f);
  EXPECT_EQ(samplingLevel(1024, 3), 3);
}

}  // namespace
}  // namespace qm::test
