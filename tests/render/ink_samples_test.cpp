// SPDX-License-Identifier: LicenseRef-Quillmark
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/random_generator.h"
#include "render/blend_mode_registry.h"
#include "render/ink_levels.h"
#include "render/ink_samples.h"
#include "render/render_image.h"
#include "render/working_set_record.h"

namespace qm::test {
namespace {

constexpr std::uint8_t kGuard = 0xA5;

BlendStage normalStage(std::int32_t sampleBytes) {
  BlendStage stage{};
  stage.mode = kNormalBlend;
  stage.target = kTargetHostImage;
  stage.inkLevels = inkLevels(sampleBytes == 4 ? kInkFloat : (sampleBytes == 2 ? kInk16 : kInk8));
  stage.floatDocument = sampleBytes == 4 ? 1 : 0;
  return stage;
}

// Every ink value a cell can hold, scrambled, and some past paper's.
std::vector<BandCell> everyInk() {
  std::vector<BandCell> cells;
  for (std::uint32_t i = 0; i <= kNoInk; ++i) cells.push_back({0, 0, std::uint16_t((i * 97u) % (kNoInk + 1))});
  for (const std::uint16_t past : {257, 300, 65535}) cells.push_back({0, 0, past});
  return cells;
}

// For every layout of 8-bit, 16-bit and float documents, the table stores each ink as the
// blend and the store of its colour do, and leaves the rest of each pixel (here two more
// bytes) alone. Float documents take their ink as it is under every mode; one besides
// "normal" is tried.
TEST(InkSamples, StoreWhatTheBlendAndTheStoreOfTheColourWould) {
  const std::vector<BandCell> cells = everyInk();
  const auto count = std::int32_t(cells.size());
  for (const std::int32_t sampleBytes : {1, 2, 4})
    for (const std::int32_t planes : {1, 3})
      for (const std::uint8_t transparency : {0, 1}) {
        const DocumentLayout layout{sampleBytes, planes, transparency};
        SCOPED_TRACE(std::to_string(sampleBytes) + " bytes, " + std::to_string(planes) + " planes, opacity " +
                     std::to_string(transparency));
        BlendStage stage = normalStage(sampleBytes);
        if (sampleBytes == 4 && planes == 3) stage.mode = kNormalBlend + 3;
        InkSamples samples;
        ASSERT_TRUE(makeInkSamples(stage, layout, samples));
        const std::ptrdiff_t stored = (planes + transparency) * sampleBytes;
        ASSERT_EQ(samples.storedBytes, stored);
        const std::ptrdiff_t pixelBytes = stored + 2;
        std::vector<Colour> colours(cells.size());
        blendRow(stage, cells.data(), nullptr, nullptr, count, 0, 0, colours.data());
        std::vector<std::uint8_t> expected(std::size_t(count * pixelBytes), kGuard);
        std::vector<std::uint8_t> actual = expected;
        storeSamples(layout, colours.data(), sizeof(Colour), count, expected.data(), pixelBytes);
        storeInkSamples(samples, cells.data(), count, actual.data(), pixelBytes);
        EXPECT_EQ(actual, expected);
        EXPECT_EQ(actual.back(), kGuard);
        storeInkSamples(samples, cells.data(), 0, nullptr, pixelBytes);  // an empty row touches nothing
      }
}

TEST(InkSamples, OnlyWhereTheInkAloneDecidesTheColour) {
  InkSamples samples;
  EXPECT_TRUE(makeInkSamples(normalStage(1), {1, 3, 0}, samples));
  BlendStage multiply = normalStage(1);
  multiply.mode = kNormalBlend + 1;
  EXPECT_FALSE(makeInkSamples(multiply, {1, 3, 0}, samples)) << "the source shows through";
  BlendStage preview = normalStage(1);
  preview.target = kTargetPreview;
  EXPECT_FALSE(makeInkSamples(preview, {1, 3, 0}, samples)) << "the preview lays ink over its checkerboard";
  BlendStage floats = normalStage(4);
  floats.mode = kNormalBlend + 1;
  EXPECT_TRUE(makeInkSamples(floats, {4, 3, 0}, samples)) << "float documents take the ink as it is, under any mode";
  EXPECT_EQ(samples.storedBytes, 12);
  floats.target = kTargetPreview;
  EXPECT_FALSE(makeInkSamples(floats, {4, 3, 0}, samples)) << "but not in the preview, over its checkerboard";
  EXPECT_FALSE(makeInkSamples(normalStage(1), {3, 3, 0}, samples)) << "no such samples";
}

// A document in memory, stored either through the colours or straight from the ink; odd rows
// partly selected, which always go through the colours.
struct ByteDocument {
  DocumentLayout layout;
  std::int32_t width;
  std::vector<std::uint8_t> bytes;
  bool selectOddRows = false;
  std::int32_t inkRows = 0;

  std::ptrdiff_t pixelBytes() const { return (layout.colourPlanes + layout.hasTransparency) * layout.sampleBytes; }
  std::uint8_t* at(std::int32_t x, std::int32_t y) {
    return bytes.data() + (std::ptrdiff_t(y) * width + x) * pixelBytes();
  }
  static ByteDocument& of(void* context) { return *static_cast<ByteDocument*>(context); }
  static bool beginRows(void*, std::int32_t, std::int32_t) { return true; }
  static bool maskRow(void* context, std::int32_t, std::int32_t y, std::int32_t count, std::uint8_t* out) {
    if (!of(context).selectOddRows || y % 2 == 0) return false;
    for (std::int32_t i = 0; i < count; ++i) out[i] = std::uint8_t(i * 7);
    return true;
  }
  static void storeRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const void* colours,
                       std::ptrdiff_t stride) {
    ByteDocument& self = of(context);
    storeSamples(self.layout, colours, stride, count, self.at(x, y), self.pixelBytes());
  }
  static void storeInkRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const BandCell* cells,
                          const InkSamples& samples) {
    ByteDocument& self = of(context);
    ++self.inkRows;
    storeInkSamples(samples, cells, count, self.at(x, y), self.pixelBytes());
  }
};

// The same document stored either way, for a row-mode and a band-mode style, with and
// without a selection; and the ink's way was taken for every row it could be.
TEST(InkSamples, ARenderStoresTheSameDocumentEitherWay) {
  constexpr std::int32_t kWidth = 150;
  constexpr std::int32_t kHeight = 70;
  for (const std::int32_t style : {1, 19})
    for (const std::int32_t format : {kRgba8, kRgba16, kRgbaFloat})
      for (const bool select : {false, true}) {
        const std::int32_t sampleBytes = format == kRgbaFloat ? 4 : (format == kRgba16 ? 2 : 1);
        SCOPED_TRACE("style " + std::to_string(style) + ", " + std::to_string(sampleBytes) + " bytes a sample" +
                     (select ? ", selection" : ""));
        RenderWorkingSet* working = createWorkingSet();
        ImageBuffer& source = working->source;
        ASSERT_TRUE(configureImageBuffer(&source, kWidth, kHeight, format, 0, false));
        for (std::int32_t y = 0; y < kHeight; ++y)
          for (std::int32_t x = 0; x < kWidth; ++x) {
            const float grey = float((x * 3 + y * 5) % 97) / 96.0f;
            const float c[4] = {grey, grey * 0.5f, 1.0f - grey, 1.0f};
            setNormalised(source, x, y, 0, c);
          }
        InkSettings settings{};
        resetForRun(settings);
        settings.look.style = style;
        std::vector<ByteDocument> documents;
        for (const bool fromInk : {false, true}) {
          ByteDocument document{{sampleBytes, 3, 1}, kWidth, {}, select};
          document.bytes.assign(std::size_t(kWidth * kHeight * document.pixelBytes()), kGuard);
          const RenderOutput output{&document,   document.layout,       ByteDocument::beginRows,
                                    ByteDocument::maskRow, ByteDocument::storeRow, nullptr,
                                    nullptr,     fromInk ? ByteDocument::storeInkRow : nullptr};
          seedRandom(5);
          ASSERT_EQ(renderImage(settings, *working, {kWidth, kHeight, kTargetHostImage, 1, 0, 0}, output),
                    kRenderDone);
          documents.push_back(std::move(document));
        }
        EXPECT_EQ(documents[0].bytes, documents[1].bytes);
        EXPECT_EQ(documents[1].inkRows, select ? kHeight / 2 : kHeight);
        releaseWorkingSet(working);
      }
}

}  // namespace
}  // namespace qm::test
