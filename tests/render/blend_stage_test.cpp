// SPDX-License-Identifier: LicenseRef-Quillmark
// The blend stage around the modes: spilled highlights, the composite of see-through ink,
// the preview's checkerboard, the selection, the stored samples, and an image rendered in
// place in memory.
#include <gtest/gtest.h>

#include <cstring>

#include "render/blend_stage.h"
#include "render/render_image_buffer.h"
#include "render/render_output.h"
#include "tests/render/render_fixture.h"

namespace qm::test {
namespace {

BlendStage stageFor(std::int32_t mode, std::int32_t target = kTargetHostImage) {
  BlendStage stage{};
  stage.mode = mode;
  stage.target = target;
  return stage;
}

constexpr Colour kSource{0.6f, 0.3f, 0.1f, 1.0f};

TEST(BlendStage, SpilledLightGoesToTheChannelsBelowFull) {
  Colour one{1.512f, 0.2f, 0.4f, 1.0f};  // 0.512 over: 0.12 shared, half each
  spillHighlights(one);
  EXPECT_NEAR(one.green, 0.26f, 1e-6f);
  EXPECT_NEAR(one.blue, 0.46f, 1e-6f);
  Colour two{1.256f, 0.5f, 1.256f, 1.0f};  // 0.512 over in two: all 0.12 to green
  spillHighlights(two);
  EXPECT_NEAR(two.green, 0.62f, 1e-6f);
  Colour pushed{0.4f, 2.0f, 0.98f, 1.0f};  // blue goes past full and passes its excess back
  spillHighlights(pushed);
  EXPECT_NEAR(pushed.blue, 0.98f + 60.0f / 512.0f, 1e-6f);
  EXPECT_NEAR(pushed.red, 0.4f + 60.0f / 512.0f + (pushed.blue - 1.0f), 1e-6f);
  for (Colour untouched : {Colour{0.2f, 0.3f, 0.4f, 1.0f}, Colour{1.5f, 1.2f, 1.1f, 1.0f}}) {
    const Colour before = untouched;
    spillHighlights(untouched);
    EXPECT_EQ(0, std::memcmp(&before, &untouched, sizeof before)) << "none or all three over";
  }
}

TEST(BlendStage, StarbrightBlackIsTransparentAndShowsTheSourceOnTheDocument) {
  const Colour black{0.0f, 0.0f, 0.0f, 1.0f};
  const Colour onDocument = blendInk(stageFor(63), black, kSource, 1.0f, 0, 0);
  EXPECT_NEAR(onDocument.red, kSource.red, 1e-6f);
  EXPECT_NEAR(onDocument.blue, kSource.blue, 1e-6f);
  EXPECT_EQ(onDocument.alpha, 1.0f);
  BlendStage transparent = stageFor(63);
  transparent.hasTransparency = 1;
  const Colour kept = blendInk(transparent, black, kSource, 1.0f, 0, 0);
  EXPECT_EQ(kept.alpha, 0.0f) << "a document with transparency keeps the hole";
  EXPECT_EQ(kept.red, 0.0f);
}

TEST(BlendStage, PreviewShowsTheCheckerboardThroughInkAndUnselectedPixels) {
  EXPECT_EQ(checkerboardGrey(0, 0), 1.0f);
  EXPECT_EQ(checkerboardGrey(8, 0), 0.8f);
  EXPECT_EQ(checkerboardGrey(8, 8), 1.0f);
  const BlendStage preview = stageFor(63, kTargetPreview);
  EXPECT_EQ(blendInk(preview, {0, 0, 0, 1}, kSource, 1.0f, 9, 1).green, 0.8f);
  const Colour unselected = blendInk(stageFor(1, kTargetPreview), {0, 0, 0, 1}, kSource, 0.0f, 3, 3);
  EXPECT_EQ(unselected.red, 1.0f);
  EXPECT_EQ(unselected.alpha, 1.0f);
}

TEST(BlendStage, HalfSelectedPixelLandsHalfwayAndRowsAgreeWithPixels) {
  const float m = 128.0f / 255.0f;
  const Colour half = blendInk(stageFor(1), {0, 0, 0, 1}, kSource, m, 0, 0);
  EXPECT_NEAR(half.red, kSource.red * (1 - m), 1e-6f);
  EXPECT_NEAR(half.green, kSource.green * (1 - m), 1e-6f);
  // The row, with its shortcut for plain ink under "normal", gives what each pixel gives.
  BandCell cells[4] = {{{0, 0, 0, 1}, {}}, {{1, 1, 1, 1}, {}}, {{0.5f, 0.5f, 0.5f, 1}, {}}, {{0.2f, 0.4f, 0.9f, 0.5f}, {}}};
  const Colour sources[4] = {kSource, kSource, kSource, kSource};
  for (std::int32_t mode : {1, 9, 53}) {
    Colour row[4];
    blendRow(stageFor(mode), cells, sources, nullptr, 4, 0, 0, row);
    for (int i = 0; i < 4; ++i) {
      const float* c = cells[i].colour;
      const Colour single = blendInk(stageFor(mode), {c[0], c[1], c[2], c[3]}, kSource, 1.0f, i, 0);
      EXPECT_EQ(0, std::memcmp(&single, &row[i], sizeof single)) << "mode " << mode << " cell " << i;
    }
  }
  EXPECT_FALSE(rowNeedsSource(stageFor(1), cells, 3, false)) << "plain ink under normal";
  EXPECT_TRUE(rowNeedsSource(stageFor(1), cells, 4, false)) << "see-through ink";
  EXPECT_TRUE(rowNeedsSource(stageFor(1), cells, 1, true)) << "a partial selection";
  EXPECT_TRUE(rowNeedsSource(stageFor(9), cells, 1, false));
}

TEST(BlendStage, FloatDocumentsTakeTheInkAsItIsAndGreyDocumentsItsLuma) {
  BlendStage floats = stageFor(9);
  floats.floatDocument = 1;
  const Colour bright = blendInk(floats, {3.0f, 70000.0f, 0.25f, 1.0f}, kSource, 1.0f, 0, 0);
  EXPECT_EQ(bright.red, 3.0f) << "no blend mode, no spill, light above 1 kept";
  EXPECT_EQ(bright.green, 65535.0f);
  BlendStage grey = stageFor(1);
  grey.greyDocument = 1;
  const Colour luma = blendInk(grey, {1.0f, 0.0f, 0.0f, 1.0f}, kSource, 1.0f, 0, 0);
  EXPECT_NEAR(luma.green, float(std::int32_t(0.3f * 32768.0f)) / 32768.0f, 1e-6f);
}

TEST(BlendStage, StoredSamplesComeBackAsTheLevelsTheyStandFor) {
  const DocumentLayout eight{1, 3, 0};
  for (int v = 0; v <= 255; ++v) {
    // What an untouched 8-bit source level looks like after the blend's fixed point.
    const float level = float(std::int32_t(float(v) / 255.0f * 32768.0f)) / 32768.0f;
    const Colour c{level, level, level, 1.0f};
    std::uint8_t out[3];
    storeSamples(eight, &c, sizeof c, 1, out, 3);
    ASSERT_EQ(out[1], v);
  }
  const DocumentLayout greyWithOpacity16{2, 1, 1};
  const Colour c{0.0f, 0.5f, 2.0f, -1.0f};
  std::uint16_t wide[2];
  storeSamples(greyWithOpacity16, &c, sizeof c, 1, reinterpret_cast<std::uint8_t*>(wide), 4);
  EXPECT_EQ(wide[0], 16384) << "grey documents take green";
  EXPECT_EQ(wide[1], 0) << "held within the range";
}

TEST(RenderImageBuffer, RendersInPlaceLikeAWholeRender) {
  MemoryRender reference(33, 20, kRgba8, [](std::int32_t x, std::int32_t y) { return float((x * 7 + y * 5) % 256) / 255.0f; });
  reference.settings().look.style = 20;
  const std::vector<Colour> expected = reference.renderWhole(5);

  Buffer image = makeBuffer(33, 20, kRgba8);
  for (std::int32_t y = 0; y < 20; ++y)
    for (std::int32_t x = 0; x < 33; ++x) {
      std::uint8_t c[4];
      getColour(reference.source(), x, y, 0, c);
      setColour(*image, x, y, 0, c);
    }
  RenderWorkingSet* working = createWorkingSet();
  InkSettings settings = reference.settings();
  seedRandom(5);
  ASSERT_EQ(renderImageBuffer(settings, *working, *image), kRenderDone);
  for (std::int32_t y = 0; y < 20; ++y)
    for (std::int32_t x = 0; x < 33; ++x) {
      std::uint8_t c[4];
      getColour(*image, x, y, 0, c);
      ASSERT_EQ(c[0], expected[std::size_t(y * 33 + x)].red > 0.5f ? 255 : 0) << x << "," << y;
      ASSERT_EQ(c[3], 255);
    }
  releaseWorkingSet(working);
}

}  // namespace
}  // namespace qm::test
