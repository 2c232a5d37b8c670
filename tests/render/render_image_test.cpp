// SPDX-License-Identifier: LicenseRef-Quillmark
// The render driver and the tone, through whole renders into memory: the ends of the tone
// scale, the invert mode, the settings left as found, depths that agree, and a preview
// region that lines up with the whole render.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render/tone.h"
#include "render/tone_images.h"
#include "tests/render/render_fixture.h"

namespace qm::test {
namespace {

constexpr std::int32_t kCarryingStyles[] = {1, 3, 4, 12, 20, 24, 25};
constexpr std::int32_t kDiffusionStyles[] = {1, 20, 24, 25};

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

TEST(RenderTone, WhiteIsPaperAndBlackIsInkAtEveryDepth) {
  for (std::int32_t format : {kRgba8, kRgba16, kRgbaFloat})
    for (float grey : {0.0f, 1.0f}) {
      MemoryRender render(37, 21, format, [grey](std::int32_t, std::int32_t) { return grey; });
      for (std::int32_t style : kCarryingStyles) {
        render.settings().look.style = style;
        const double ink = inkFraction(render.renderWhole());
        SCOPED_TRACE(::testing::Message() << "format " << format << " grey " << grey << " style " << style);
        if (grey > 0.5f) {
          EXPECT_EQ(ink, 0.0);
        } else {
          EXPECT_EQ(ink, 1.0);
        }
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

TEST(RenderTone, SharpenZeroIgnoresTheBlurAndSharpeningPushesAwayFromTheMean) {
  const TonePair pair;
  const ToneSource plain = pair.source(0);
  const ToneSource sharp = pair.source(100 * 1024 / 100);
  for (std::int32_t y = 0; y < 24; y += 5)
    for (std::int32_t x = 0; x < 40; x += 3) {
      std::uint16_t c[4];
      getColour(*pair.sharp, x, y, 0, c);
      std::int32_t mean = 0;
      EXPECT_EQ(sampleTone(plain, x, y, &mean), grey16(c[0], c[1], c[2]));
      EXPECT_EQ(mean, 128);
      const std::int32_t grey = grey16(c[0], c[1], c[2]);
      const std::int32_t sharpened = sampleTone(sharp, x, y, nullptr);
      EXPECT_EQ(sharpened, std::clamp(grey - (128 - grey) * 4, 0, 255)) << "fourfold from the mean";
    }
}

TEST(RenderTone, RowFillAgreesWithSamplingEachPixel) {
  const TonePair pair;
  RenderTables tables{};
  RenderState state{};
  state.tables = &tables;
  for (std::int32_t offset : {0, 3, -5}) {
    state.tone = pair.source(700);
    state.tone.offsetX = offset;
    state.tone.offsetY = -offset;
    CellBand cells(state, {7, 0, 8, 40});
    StyleRowContext& context = cells.context;
    enterRow(context, 7);
    fillToneRow(context);
    for (std::int32_t x = 0; x < 40; ++x) {
      std::int32_t mean = 0;
      EXPECT_EQ(toneAt(context, x), sampleTone(state.tone, x, 7, &mean)) << x << " offset " << offset;
      EXPECT_EQ(blurredToneAt(context, x), mean);
    }
  }
}

TEST(RenderTone, GraySettingStoresTheValueAtTheDocumentsDepth) {
  RenderTables tables{};
  RenderState state{};
  state.tables = &tables;
  state.grayOutput = 1;
  CellBand cells(state, {0, 0, 1, 1});
  StyleRowContext& context = cells.context;
  enterRow(context, 0);
  float* stored = cells.cells[0].colour;
  for (std::int32_t v : {0, 1, 2, 100, 127, 254, 255}) {
    state.inkDepth = kInk16;
    putInk(context, 0, v, 0, 0);
    const float expected16 = v < 255 ? float(128 * v + v / 2) / 32768.0f : 1.0f;
    EXPECT_EQ(stored[0], expected16) << v;
    state.inkDepth = kInk8;
    putInk(context, 0, v, 0, 0);
    EXPECT_EQ(std::int32_t(stored[1] * 255.0f + 0.5f), v);
  }
  stored[0] = 0.5f;
  putInk(context, 5, 0, 0, 0);  // outside the band: skipped, nothing written anywhere
  EXPECT_EQ(stored[0], 0.5f);
}

TEST(RenderInvert, InvertAllRendersAsNormalForTheDiffusionStyles) {
  MemoryRender render(48, 33, kRgba8, ramp);
  for (std::int32_t style : kDiffusionStyles) {
    render.settings().look.style = style;
    render.settings().look.invertMode = 1;
    const std::vector<Colour> normal = render.renderWhole();
    render.settings().look.invertMode = 4;
    const std::vector<Colour> inverted = render.renderWhole();
    EXPECT_EQ(0, std::memcmp(normal.data(), inverted.data(), normal.size() * sizeof(Colour))) << style;
  }
  render.settings().look.style = 4;  // arabesque honours it: a different picture
  render.settings().look.invertMode = 1;
  const std::vector<Colour> normal = render.renderWhole();
  render.settings().look.invertMode = 4;
  const std::vector<Colour> inverted = render.renderWhole();
  std::size_t differing = 0;
  for (std::size_t i = 0; i < normal.size(); ++i) differing += normal[i].red != inverted[i].red;
  EXPECT_GT(differing, normal.size() / 4);
}

TEST(RenderSettings, TheRecordIsLeftAsFoundForEveryTarget) {
  MemoryRender render(30, 20, kRgba8, ramp);
  InkSettings& settings = render.settings();
  setText(settings.settingsName, "my look");
  settings.look.style = 30;  // out of range values render as their nearest and stay as they were
  settings.look.invertMode = 9;
  settings.look.blendMode = 70;
  for (std::int32_t target : {kTargetHostImage, kTargetPreview, kTargetMemoryImage}) {
    const InkSettings before = settings;
    render.render({30, 20, target, 2, 4, 2});
    EXPECT_EQ(0, std::memcmp(&before, &settings, sizeof settings)) << "target " << target;
  }
}

TEST(RenderSettings, OutOfRangeValuesRenderAsTheirNearestInRange) {
  MemoryRender render(30, 20, kRgba8, ramp);
  UserValues& look = render.settings().look;
  look.style = 0;
  look.scale = 7;
  look.lineWeight = -3;
  look.invertMode = 9;
  look.blendMode = 70;
  const std::vector<Colour> wild = render.renderWhole();
  look = {1, 3, 69, 0, 50, 75, 1, 4, 20, 45};
  const std::vector<Colour> clamped = render.renderWhole();
  EXPECT_EQ(0, std::memcmp(wild.data(), clamped.data(), wild.size() * sizeof(Colour)));
}

// Block means of the ink, 8 x 8 pixels each.
std::vector<double> blockMeans(const std::vector<Colour>& colours, std::int32_t width, std::int32_t height) {
  std::vector<double> means;
  for (std::int32_t by = 0; by + 8 <= height; by += 8)
    for (std::int32_t bx = 0; bx + 8 <= width; bx += 8) {
      double sum = 0;
      for (std::int32_t y = by; y < by + 8; ++y)
        for (std::int32_t x = bx; x < bx + 8; ++x) sum += colours[std::size_t(y * width + x)].red;
      means.push_back(sum / 64.0);
    }
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
  for (std::int32_t style : kCarryingStyles) {
    eight.settings().look.style = sixteen.settings().look.style = style;
    const std::vector<double> a = blockMeans(eight.renderWhole(), 96, 64);
    const std::vector<double> b = blockMeans(sixteen.renderWhole(), 96, 64);
    double worst = 0;
    double total = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
      worst = std::max(worst, std::abs(a[i] - b[i]));
      total += std::abs(a[i] - b[i]);
    }
    SCOPED_TRACE(::testing::Message() << "style " << style);
    // Measured: 0.028 to 0.033 on average and at most 0.11 for the dotted styles; ripple's
    // strokes run several pixels and restart along its sine lines, so a one-step density
    // difference moves whole strokes (0.060, at most 0.375).
    const bool strokes = style == 3;
    EXPECT_LE(total / double(a.size()), strokes ? 0.08 : 0.04) << "mean difference of 8 x 8 block tones";
    EXPECT_LE(worst, strokes ? 0.45 : 0.15) << "largest block difference";
  }
}

TEST(RenderDepths, FloatDocumentsOutsideTheUsualRangeRender) {
  MemoryRender render(40, 30, kRgbaFloat, [](std::int32_t x, std::int32_t) { return float(x) / 10.0f - 1.0f; });
  for (std::int32_t style : kCarryingStyles) {
    render.settings().look.style = style;
    for (const Colour& c : render.renderWhole()) {
      ASSERT_TRUE(c.red == 0.0f || c.red == 1.0f) << c.red;
      ASSERT_EQ(c.alpha, 1.0f);
    }
  }
}

// A preview region, at any zoom, shows exactly the tones and the pattern of the same part
// of the whole view: Bayer's decisions depend on both.
TEST(RenderRegion, PreviewRegionEqualsTheSameCropOfTheWholeView) {
  MemoryRender render(150, 110, kRgba8, [](std::int32_t x, std::int32_t y) {
    return ((x / 9 + y / 7) & 1) ? 0.85f : 0.2f + float(x) / 600.0f;
  });
  UserValues& look = render.settings().look;
  look.style = 19;
  look.diameter = 250;
  for (std::int32_t zoom : {1, 2, 3}) {
    const std::int32_t width = (150 + zoom - 1) / zoom;
    const std::int32_t height = (110 + zoom - 1) / zoom;
    const std::vector<Colour> whole = render.render({width, height, kTargetPreview, zoom, 0, 0});
    const std::int32_t left = 11, top = 13;
    const std::vector<Colour> region =
        render.render({17, 12, kTargetPreview, zoom, left * zoom, top * zoom});
    for (std::int32_t y = 0; y < 12; ++y)
      for (std::int32_t x = 0; x < 17; ++x)
        ASSERT_EQ(region[std::size_t(y * 17 + x)].red, whole[std::size_t((y + top) * width + x + left)].red)
            << "zoom " << zoom << " at " << x << "," << y;
  }
}

TEST(RenderDriver, BlurSizeAndLevelFollowDiameterAndZoom) {
  EXPECT_EQ(blurSizeFor(0, 0), 2.0f) << "never 0";
  EXPECT_NEAR(blurSizeFor(250, 0), 83.33f, 0.01f);
  EXPECT_NEAR(blurSizeFor(250, 2), 20.83f, 0.01f);
  EXPECT_EQ(samplingLevel(1, 9), 0);
  EXPECT_EQ(samplingLevel(3, 9), 1);
  EXPECT_EQ(samplingLevel(4, 9), 2);
  EXPECT_EQ(samplingLevel(1024, 3), 3) << "no finer than the pyramid's top";
}

}  // namespace
}  // namespace qm::test
