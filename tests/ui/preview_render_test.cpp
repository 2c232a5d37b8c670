// SPDX-License-Identifier: LicenseRef-Quillmark
// The preview shows what the filter will write: a region rendered for the pane equals the
// same crop of the whole document's render, sample for sample, in every style whose
// pattern does not follow the render's bands. Styles that carry an error along the rows are
// compared over the full width from the top, where the region's rows are the document's.
#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/random_generator.h"
#include "render/source_loading.h"
#include "render/style_registry.h"
#include "ui/preview_render.h"

namespace qm::ui {
namespace {

constexpr std::int32_t kWidth = 72;
constexpr std::int32_t kHeight = 150;
constexpr std::uint32_t kSeed = 7;
constexpr DocumentLayout kRgb8{1, 3, 0};

// Patches of different tone, each with its own slope, a different pattern per channel, so
// that the ink changes across every region and the blur has edges to carry.
std::vector<std::uint8_t> texturedPicture() {
  std::vector<std::uint8_t> rgb(std::size_t(kWidth) * kHeight * 3);
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x)
      for (std::int32_t c = 0; c < 3; ++c) {
        const bool dark = ((x / (9 + c) + y / 13) & 1) != 0;
        rgb[std::size_t((y * kWidth + x) * 3 + c)] = std::uint8_t(dark ? 30 + x + c * 20 : 230 - y - c * 15);
      }
  return rgb;
}

bool fetchArea(void* context, const ImageRect& area, ImageRect& delivered, InterleavedPixels& pixels) {
  const auto& rgb = *static_cast<const std::vector<std::uint8_t>*>(context);
  delivered = area;
  pixels = {rgb.data() + std::size_t((area.top * kWidth + area.left) * 3), kWidth * 3, 3, {0, 1, 2}, -1};
  return true;
}

bool stopAtOnce(void*) { return true; }

class PreviewRender : public ::testing::Test {
 protected:
  void SetUp() override {
    working_ = createWorkingSet();
    ASSERT_NE(working_, nullptr);
    const DocumentSource source{&picture_, kWidth, kHeight, 1, fetchArea, nullptr};
    ASSERT_EQ(loadSource(*working_, source, SourcePyramid::Built), SourceLoad::Loaded);
    resetForRun(settings_);
    settings_.look.diameter = 120;  // a blur that reaches well past every region
  }
  void TearDown() override { releaseWorkingSet(working_); }

  // The whole document, interleaved as the layout's 8-bit samples.
  std::vector<std::uint8_t> document(const DocumentLayout& layout) {
    whole_.assign(std::size_t(kWidth) * kHeight * std::size_t(previewPlaneCount(layout)), 0);
    layout_ = layout;
    const RenderOutput output{this, {1, layout.colourPlanes, layout.hasTransparency}, acceptRows, nullptr,
                              storeWholeRow, nullptr, nullptr};
    seedRandom(kSeed);
    EXPECT_EQ(renderDocument(settings_, *working_, output), kRenderDone);
    return whole_;
  }
  std::vector<std::uint8_t> preview(const DocumentLayout& layout, std::int32_t left, std::int32_t top,
                                    std::int32_t width, std::int32_t height) {
    const std::int32_t planes = previewPlaneCount(layout);
    std::vector<std::uint8_t> planar(std::size_t(width) * std::size_t(height) * std::size_t(planes), 0xEE);
    seedRandom(kSeed);
    EXPECT_EQ(renderPreviewRegion(settings_, *working_, layout, left, top, {width, height, planes, planar.data()}),
              kRenderDone);
    return planar;
  }

  InkSettings settings_{};
  RenderWorkingSet* working_ = nullptr;

 private:
  static bool acceptRows(void*, std::int32_t, std::int32_t) { return true; }
  static void storeWholeRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const void* colours,
                            std::ptrdiff_t stride) {
    auto& self = *static_cast<PreviewRender*>(context);
    const std::int32_t planes = previewPlaneCount(self.layout_);
    storeSamples({1, self.layout_.colourPlanes, self.layout_.hasTransparency}, colours, stride, count,
                 self.whole_.data() + std::size_t((y * kWidth + x) * planes), planes);
  }

  std::vector<std::uint8_t> picture_ = texturedPicture();
  std::vector<std::uint8_t> whole_;
  DocumentLayout layout_{};
};

// The region's planes against the document's interleaved samples under it; the region must
// also show more than one tone, so that a blank render cannot pass.
::testing::AssertionResult sameAsCrop(const std::vector<std::uint8_t>& whole, const std::vector<std::uint8_t>& region,
                                      std::int32_t planes, std::int32_t left, std::int32_t top, std::int32_t width,
                                      std::int32_t height) {
  const std::size_t planeSize = std::size_t(width) * std::size_t(height);
  for (std::int32_t p = 0; p < planes; ++p)
    for (std::int32_t y = 0; y < height; ++y)
      for (std::int32_t x = 0; x < width; ++x) {
        const int shown = region[std::size_t(p) * planeSize + std::size_t(y * width + x)];
        const int written = whole[std::size_t(((y + top) * kWidth + x + left) * planes + p)];
        if (shown != written)
          return ::testing::AssertionFailure()
                 << "plane " << p << " at " << x << "," << y << ": " << shown << " against " << written;
      }
  const auto [low, high] = std::minmax_element(region.begin(), region.begin() + std::ptrdiff_t(planeSize));
  if (*low == *high) return ::testing::AssertionFailure() << "one tone only: " << int(*low);
  return ::testing::AssertionSuccess();
}

// Noise and xor draw their grain per band of the render, so their regions differ on purpose.
bool grainFollowsTheBands(const StyleEntry& entry) {
  const std::string_view name = entry.name;
  return name == "noise" || name == "xor";
}

TEST_F(PreviewRender, EveryStyleShowsTheSameCropAsTheDocument) {
  std::int32_t skipped = 0;
  for (const StyleEntry& entry : styleEntries()) {
    if (grainFollowsTheBands(entry)) {
      ++skipped;
      continue;
    }
    settings_.look.style = entry.number;
    const std::vector<std::uint8_t> whole = document(kRgb8);
    // From the top over the full width, across a band boundary of 64 rows.
    EXPECT_TRUE(sameAsCrop(whole, preview(kRgb8, 0, 0, kWidth, 100), 3, 0, 0, kWidth, 100)) << entry.name;
    if (entry.layout != bandMode) continue;
    EXPECT_TRUE(sameAsCrop(whole, preview(kRgb8, 19, 37, 40, 70), 3, 19, 37, 40, 70)) << entry.name << " panned";
  }
  EXPECT_EQ(skipped, 2) << "noise and xor are left out by name";
}

// Grey documents show the grey as their one colour plane; the opacity plane follows it.
TEST_F(PreviewRender, PlanesFollowTheDocumentsLayout) {
  settings_.look.style = styleEntries().front().number;
  for (const DocumentLayout layout : {DocumentLayout{1, 1, 0}, DocumentLayout{1, 1, 1}, DocumentLayout{1, 3, 1}}) {
    const std::int32_t planes = previewPlaneCount(layout);
    EXPECT_EQ(planes, (layout.colourPlanes == 3 ? 3 : 1) + layout.hasTransparency);
    EXPECT_TRUE(sameAsCrop(document(layout), preview(layout, 0, 0, kWidth, 90), planes, 0, 0, kWidth, 90))
        << layout.colourPlanes << " colour planes, transparency " << int(layout.hasTransparency);
  }
}

TEST_F(PreviewRender, RefusesPixelsThatCannotTakeTheRegionAndStopsWhenAsked) {
  std::vector<std::uint8_t> planar(16 * 8 * 4, 0xEE);
  const PreviewPixels tooFewPlanes{16, 8, 2, planar.data()};
  EXPECT_EQ(renderPreviewRegion(settings_, *working_, kRgb8, 0, 0, tooFewPlanes), kRenderOutputFailed);
  EXPECT_EQ(renderPreviewRegion(settings_, *working_, kRgb8, 0, 0, {16, 8, 3, nullptr}), kRenderOutputFailed);
  EXPECT_EQ(renderPreviewRegion(settings_, *working_, kRgb8, 0, 0, {-16, 8, 3, planar.data()}), kRenderOutputFailed);
  EXPECT_EQ(renderPreviewRegion(settings_, *working_, {3, 3, 0}, 0, 0, {16, 8, 3, planar.data()}),
            kRenderOutputFailed);
  EXPECT_TRUE(std::all_of(planar.begin(), planar.end(), [](std::uint8_t b) { return b == 0xEE; }));
  EXPECT_EQ(renderPreviewRegion(settings_, *working_, kRgb8, 0, 0, {16, 8, 3, planar.data()}, stopAtOnce, nullptr),
            kRenderStopped);
  EXPECT_EQ(renderPreviewRegion(settings_, *working_, kRgb8, 0, 0, {0, 8, 3, nullptr}), kRenderDone);
}

}  // namespace
}  // namespace qm::ui
