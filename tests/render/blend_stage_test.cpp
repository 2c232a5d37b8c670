// SPDX-License-Identifier: LicenseRef-Quillmark
// The blend stage around the modes: spilled highlights, the composite of see-through ink,
// the preview's checkerboard, the selection, the worker's blend in place against the row
// blend, the stored samples, and an image rendered in place in memory.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

#include "render/blend_stage.h"
#include "render/render_image_buffer.h"
#include "render/render_output.h"
#include "tests/render/render_fixture.h"

namespace qm::test {
namespace {

BlendStage stageFor(std::int32_t mode, std::int32_t target = kTargetHostImage) { return {mode, target, 0, 0, 0}; }

constexpr Colour kSource{0.6f, 0.3f, 0.1f, 1.0f};

Colour grey(float level, float alpha) { return {level, level, level, alpha}; }

// The four floats, bit for bit.
bool sameBits(const Colour& a, const Colour& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The excess e over 1.0 is shared out as e x 60 / 256.
TEST(BlendStage, SpilledLightGoesToTheChannelsBelowFull) {
  const struct {
    Colour in, want;
  } cases[] = {
      {{1.512f, 0.2f, 0.4f, 1}, {1.512f, 0.26f, 0.46f, 1}},     // 0.12 shared, half each
      {{1.256f, 0.5f, 1.256f, 1}, {1.256f, 0.62f, 1.256f, 1}},  // two over: all 0.12 to green
      // Blue goes past full with its half and passes its own excess on to red.
      {{0.4f, 2.0f, 0.98f, 1}, {0.4f + 60.0f / 512 + (0.98f + 60.0f / 512 - 1), 2.0f, 0.98f + 60.0f / 512, 1}},
      {{0.2f, 0.3f, 0.4f, 1}, {0.2f, 0.3f, 0.4f, 1}},  // none over
      {{1.5f, 1.2f, 1.1f, 1}, {1.5f, 1.2f, 1.1f, 1}},  // all three over
  };
  for (const auto& [in, want] : cases) {
    Colour out = in;
    spillHighlights(out);
    EXPECT_NEAR(out.red, want.red, 1e-6f) << in.red << ", " << in.green << ", " << in.blue;
    EXPECT_NEAR(out.green, want.green, 1e-6f) << in.red << ", " << in.green << ", " << in.blue;
    EXPECT_NEAR(out.blue, want.blue, 1e-6f) << in.red << ", " << in.green << ", " << in.blue;
  }
}

// A partial selection m lands the colour that part of the way from what lies under it: the
// source, or in the preview the checkerboard, which also shows through see-through ink.
TEST(BlendStage, SelectionAndPreviewCheckerboard) {
  const float m = 128.0f / 255.0f;
  const Colour half = blendInk(stageFor(1), {0, 0, 0, 1}, kSource, m, 0, 0);
  EXPECT_NEAR(half.red, kSource.red * (1 - m), 1e-6f);
  EXPECT_NEAR(half.green, kSource.green * (1 - m), 1e-6f);
  EXPECT_EQ(checkerboardGrey(0, 0), 1.0f);
  EXPECT_EQ(checkerboardGrey(8, 0), 0.8f);
  EXPECT_EQ(checkerboardGrey(8, 8), 1.0f);
  EXPECT_EQ(blendInk(stageFor(63, kTargetPreview), {0, 0, 0, 1}, kSource, 1.0f, 9, 1).green, 0.8f);
  const Colour unselected = blendInk(stageFor(1, kTargetPreview), {0, 0, 0, 1}, kSource, 0.0f, 3, 3);
  EXPECT_EQ(unselected.red, 1.0f);
  EXPECT_EQ(unselected.alpha, 1.0f);
}

// The band styles blend on their workers in place (the leading plain run, then the rest of
// the row) and the calling thread applies the host's selection; the row-mode styles blend
// the row on the calling thread. Both must store the same colours, and each what the pixel
// blend gives, over modes of every kind (plain, fixed point, colour model, starbright's
// alpha, numbers outside the list), inks, sources, selections, targets and documents. Where
// a row needs no source, it blends the same without one.
TEST(BlendStage, InPlaceBlendEqualsTheRowBlend) {
  // Plain inks first (opaque greys within 0..1; 0.995 counts as opaque), so that turning
  // the row ends the plain run at every place.
  const Colour inks[] = {grey(0, 1),    grey(1, 1),    grey(0.5f, 1),         grey(0.3f, 0.995f),      grey(0.7f, 0.5f),
                         grey(1.5f, 1), grey(0.6f, 0), {0.2f, 0.4f, 0.9f, 1}, {1.3f, 0.2f, 0.1f, 0.8f}};
  const Colour sources[] = {kSource, {0.2f, 0.7f, 0.9f, 0.4f}, {1, 1, 1, 0}, {0.5f, 0.5f, 0.5f, 1}};
  // Grey, colour, with transparency, float.
  const std::uint8_t documents[][3] = {{0, 1, 0}, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}};
  constexpr std::int32_t kCount = std::int32_t(std::size(inks));
  constexpr std::int32_t kX = 5;  // the row crosses a square of the preview's checkerboard
  for (std::int32_t mode : {1, 9, 15, 63, 0, 70})
    for (std::int32_t target : {kTargetHostImage, kTargetPreview, kTargetMemoryImage})
      for (const auto& document : documents)
        for (std::int32_t selected : {-1, 0, 128, 255})
          for (std::int32_t turn = 0; turn < kCount; ++turn) {
            SCOPED_TRACE(::testing::Message()
                         << "mode " << mode << ", target " << target << ", document " << &document - documents
                         << ", selection " << selected << ", turn " << turn);
            const BlendStage stage{mode, target, document[0], document[1], document[2]};
            const std::int32_t y = turn * 3;
            BandCell cells[kCount];
            Colour source[kCount];
            std::uint8_t selection[kCount];
            for (std::int32_t i = 0; i < kCount; ++i) {
              const Colour& ink = inks[(i + turn) % kCount];
              cells[i] = {{ink.red, ink.green, ink.blue, ink.alpha}, {}};
              source[i] = sources[std::size_t(i + turn) % std::size(sources)];
              selection[i] = std::uint8_t(selected);
            }
            const std::uint8_t* mask = selected < 0 ? nullptr : selection;
            Colour row[kCount];
            Colour unread[kCount];
            blendRow(stage, cells, source, mask, kCount, kX, y, row);
            for (std::int32_t i = 0; i < kCount; ++i) {
              const float* c = cells[i].colour;
              const float m = mask ? float(selected) / 255.0f : 1.0f;
              EXPECT_TRUE(sameBits(row[i], blendInk(stage, {c[0], c[1], c[2], c[3]}, source[i], m, kX + i, y))) << i;
            }
            for (std::int32_t n = 1; n <= kCount; ++n) {
              if (rowNeedsSource(stage, cells, n, mask != nullptr)) continue;
              blendRow(stage, cells, nullptr, mask, n, kX, y, unread);
              for (std::int32_t i = 0; i < n; ++i) EXPECT_TRUE(sameBits(unread[i], row[i])) << "unread " << i;
            }
            const std::int32_t done = blendPlainCells(stage, cells, kCount);
            blendCellsInPlace(stage, cells + done, source + done, kCount - done, kX + done, y);
            if (mask) selectCellsInPlace(stage, cells, source, mask, kCount, kX, y);
            for (std::int32_t i = 0; i < kCount; ++i) {
              const float* c = cells[i].colour;
              EXPECT_TRUE(sameBits({c[0], c[1], c[2], c[3]}, row[i]))
                  << "cell " << i << " after a plain run of " << done;
            }
          }
}

// Starbright's black is transparent: laid over the source on a document without
// transparency, kept as a hole on one with it. Float documents take the ink as it is, grey
// documents its luma.
TEST(BlendStage, DocumentKinds) {
  const Colour black{0.0f, 0.0f, 0.0f, 1.0f};
  const Colour onDocument = blendInk(stageFor(63), black, kSource, 1.0f, 0, 0);
  EXPECT_NEAR(onDocument.red, kSource.red, 1e-6f);
  EXPECT_NEAR(onDocument.blue, kSource.blue, 1e-6f);
  EXPECT_EQ(onDocument.alpha, 1.0f);
  const Colour kept = blendInk({63, kTargetHostImage, 0, 0, 1}, black, kSource, 1.0f, 0, 0);
  EXPECT_EQ(kept.alpha, 0.0f) << "a document with transparency keeps the hole";
  EXPECT_EQ(kept.red, 0.0f);
  const Colour bright = blendInk({9, kTargetHostImage, 1, 0, 0}, {3.0f, 70000.0f, 0.25f, 1.0f}, kSource, 1.0f, 0, 0);
  EXPECT_EQ(bright.red, 3.0f) << "no blend mode, no spill, light above 1 kept";
  EXPECT_EQ(bright.green, 65535.0f);
  const Colour luma = blendInk({1, kTargetHostImage, 0, 1, 0}, {1.0f, 0.0f, 0.0f, 1.0f}, kSource, 1.0f, 0, 0);
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
  MemoryRender reference(33, 20, kRgba8, [](std::int32_t x, std::int32_t y) { return float((x + y) % 32) / 31.0f; });
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
