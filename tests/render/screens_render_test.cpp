// SPDX-License-Identifier: LicenseRef-Quillmark
// Every style through the whole driver: a preview region lines up with the final image,
// the worker count changes nothing, and every scale and line weight renders a gradient
// with more ink where the picture is darker.
#include <gtest/gtest.h>

#include <cstring>

#include "render/style_registry.h"
#include "tests/render/render_fixture.h"

namespace qm::test {
namespace {

// Noise and xor draw their grain on the worker that renders the band, so it follows the
// bands, not the picture.
bool grainFollowsBands(std::int32_t style) { return style == 2 || style == 11; }

float pictureGrey(std::int32_t x, std::int32_t y) {
  return ((x / 13 + y / 11) & 1) ? 0.8f - float(y) / 400.0f : 0.15f + float(x) / 500.0f;
}

bool sameColours(const std::vector<Colour>& a, const std::vector<Colour>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Colour)) == 0;
}

TEST(ScreensRender, PreviewRegionEqualsTheSameCropOfTheWholeViewForBandStyles) {
  MemoryRender render(160, 140, kRgba8, pictureGrey);
  for (const StyleEntry& entry : styleEntries()) {
    const std::int32_t style = entry.number;
    if (entry.layout != bandMode || grainFollowsBands(style)) continue;
    render.settings().look.style = style;
    render.settings().look.warping = 60;
    const std::vector<Colour> whole = render.render({160, 140, kTargetPreview, 1, 0, 0});
    const std::int32_t left = 37, top = 70;  // a band boundary of the region falls elsewhere
    const std::vector<Colour> region = render.render({50, 45, kTargetPreview, 1, left, top});
    for (std::int32_t y = 0; y < 45; ++y)
      for (std::int32_t x = 0; x < 50; ++x)
        ASSERT_EQ(region[std::size_t(y * 50 + x)].red, whole[std::size_t((y + top) * 160 + x + left)].red)
            << "style " << style << " at " << x << "," << y;
  }
}

TEST(ScreensRender, TheWorkerCountChangesNothing) {
  MemoryRender render(90, 200, kRgba8, pictureGrey);  // four bands, the last one short
  for (const StyleEntry& entry : styleEntries()) {
    const std::int32_t style = entry.number;
    render.settings().look.style = style;
    std::vector<Colour> reference;
    for (int workers : {1, 2, 3}) {
      const Processors processors(workers);
      const std::vector<Colour> colours = render.renderWhole(7);
      if (reference.empty()) reference = colours;
      EXPECT_TRUE(sameColours(colours, reference)) << "style " << style << ", " << workers << " workers";
    }
  }
}

// A left-to-right ramp from white to black: the ink of each fifth of the width.
std::vector<double> inkByFifths(const std::vector<Colour>& colours, std::int32_t width, std::int32_t height) {
  std::vector<double> fifths(5, 0.0);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x)
      fifths[std::size_t(x * 5 / width)] += colours[std::size_t(y * width + x)].red < 0.5f;
  for (double& f : fifths) f /= double(height) * double(width / 5);
  return fifths;
}

TEST(ScreensRender, EveryStyleScaleAndLineWeightInksMoreWhereTheRampIsDarker) {
  MemoryRender render(250, 96, kRgba8, [](std::int32_t x, std::int32_t) { return 1.0f - float(x) / 249.0f; });
  UserValues& look = render.settings().look;
  look.sharpen = 0;
  for (const StyleEntry& entry : styleEntries())
    for (std::int32_t scale = 1; scale <= 3; ++scale)
      for (std::int32_t weight = 1; weight <= 5; ++weight) {
        const std::int32_t style = entry.number;
        look.style = style;
        look.scale = scale;
        look.lineWeight = weight;
        const std::vector<double> fifths = inkByFifths(render.renderWhole(), 250, 96);
        SCOPED_TRACE(::testing::Message() << "style " << style << " scale " << scale << " weight " << weight);
        EXPECT_LT(fifths[0], fifths[4] - 0.4) << "light end against dark end";
        // At 4x the spot tiles grow to 512 or 1024 pixels, wider than this picture, so a
        // fifth of it meets only part of the tile's values.
        const bool tileWiderThanAFifth = entry.has(kUsesSpotTile) && scale == 3;
        if (!tileWiderThanAFifth) {
          EXPECT_LT(fifths[1], fifths[3]);
        }
      }
}

}  // namespace
}  // namespace qm::test
