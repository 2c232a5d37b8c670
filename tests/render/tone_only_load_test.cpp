// SPDX-License-Identifier: LicenseRef-Quillmark
// The tone-only load: a whole render that lays the ink plainly gets, from the document's
// grey and its blurred grey made in strips, every pixel the colour load gives it, for every
// style at every depth; what it loads serves that render alone, and a host that fails or
// hands over less is taken as the colour load takes it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/random_generator.h"
#include "render/render_image.h"
#include "render/source_loading.h"
#include "render/style_registry.h"
#include "render/working_set.h"
#include "render/working_set_record.h"
#include "settings/name_tables.h"
#include "tests/render/render_fixture.h"

namespace qm::test {
namespace {

// An RGB document of 8- or 16-bit samples whose channels all differ, served to the load as
// a host would: each area asked for, or (clipping) only its columns up to `clipRight`.
class HostDocument {
 public:
  // Floats run a little past 0..1 on both sides, and one sample is not a number.
  HostDocument(std::int32_t width, std::int32_t height, std::int32_t sampleBytes)
      : width_(width), height_(height), sampleBytes_(sampleBytes),
        packed_(std::size_t(width) * std::size_t(height) * 3 * std::size_t(sampleBytes)) {
    std::uint8_t* at = packed_.data();
    for (std::int32_t y = 0; y < height; ++y)
      for (std::int32_t x = 0; x < width; ++x)
        for (std::int32_t c = 0; c < 3; ++c, at += sampleBytes) {
          const std::int32_t wave = (x * (5 + c) + y * (3 + 2 * c) + (x * y) % (17 + c)) % 256;
          if (sampleBytes == 1) {
            *at = std::uint8_t(wave);
          } else if (sampleBytes == 2) {
            const auto sample = std::uint16_t(wave * 32768 / 255);
            std::memcpy(at, &sample, sizeof sample);
          } else {
            const float light = x == 3 && y == 5 && c == 1 ? std::nanf("") : float(wave) / 255.0f * 1.2f - 0.1f;
            std::memcpy(at, &light, sizeof light);
          }
        }
  }

  DocumentSource source() {
    DocumentSource source{this, width_, height_, sampleBytes_, fetch, finish};
    source.opaque = true;
    return source;
  }

  std::int32_t clipRight = -1;  // columns from here on are left out; -1: none
  std::int32_t failAtCall = -1;  // the fetch of this number (from 0) fails
  std::int32_t fetches = 0;
  std::int32_t finishes = 0;

 private:
  static bool fetch(void* context, const ImageRect& area, ImageRect& delivered, InterleavedPixels& pixels) {
    HostDocument& self = *static_cast<HostDocument*>(context);
    if (self.fetches++ == self.failAtCall) return false;
    delivered = area;
    if (self.clipRight >= 0) delivered.right = std::min(delivered.right, self.clipRight);
    const std::size_t pixelBytes = 3 * std::size_t(self.sampleBytes_);
    pixels = {self.packed_.data() + (std::size_t(area.top) * std::size_t(self.width_) + std::size_t(area.left)) *
                                        pixelBytes,
              std::ptrdiff_t(self.width_) * std::ptrdiff_t(pixelBytes), std::int32_t(pixelBytes), {0, 1, 2}, -1};
    return true;
  }
  static void finish(void* context) { ++static_cast<HostDocument*>(context)->finishes; }

  std::int32_t width_, height_, sampleBytes_;
  std::vector<std::uint8_t> packed_;
};

// The colours of a whole render of the document, loaded one way or the other.
struct DocumentRender {
  RenderWorkingSet* working = createWorkingSet();
  InkSettings settings{};
  std::vector<Colour> colours;
  std::int32_t width = 0;
  std::uint32_t generatorAfter = 0;  // whatever draws next finds the generator as either load leaves it

  DocumentRender() { resetForRun(settings); }
  ~DocumentRender() { releaseWorkingSet(working); }
  DocumentRender(const DocumentRender&) = delete;
  DocumentRender& operator=(const DocumentRender&) = delete;

  RenderFailure run(HostDocument& document, bool toneOnly, std::int32_t sampleBytes) {
    const DocumentSource source = document.source();
    width = source.width;
    colours.assign(std::size_t(source.width) * std::size_t(source.height), Colour{-1, -1, -1, -1});
    seedRandom(7);  // the loads draw from the generator too
    const SourceLoad load = toneOnly ? loadToneOnly(*working, source, documentBlurSize(settings))
                                     : loadSource(*working, source, SourcePyramid::None);
    EXPECT_EQ(load, SourceLoad::Loaded);
    const RenderOutput output{this, {sampleBytes, 3, 0}, beginRows, nullptr, storeRow, nullptr, nullptr};
    const RenderFailure failure = renderDocument(settings, *working, output);
    generatorAfter = randomState();
    return failure;
  }

  static bool beginRows(void*, std::int32_t, std::int32_t) { return true; }
  static void storeRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const void* rows,
                       std::ptrdiff_t stride) {
    auto& self = *static_cast<DocumentRender*>(context);
    for (std::int32_t i = 0; i < count; ++i)
      self.colours[std::size_t(y) * std::size_t(self.width) + std::size_t(x + i)] = colourAt(rows, stride, i);
  }
};

TEST(ToneOnlyLoad, EveryStyleRendersAsFromTheColourLoadAtEveryDepth) {
  for (std::int32_t sampleBytes : {1, 2, 4})
    for (std::int32_t style = 1; style <= kStyleCount; ++style) {
      SCOPED_TRACE("style " + std::to_string(style) + ", " + std::to_string(8 * sampleBytes) + "-bit");
      HostDocument document(530, 41, sampleBytes);  // across the tile edge at 512
      DocumentRender colour, tone;
      colour.settings.look.style = tone.settings.look.style = style;
      colour.settings.look.diameter = tone.settings.look.diameter = 30 + style;
      ASSERT_TRUE(documentNeedsOnlyTone(tone.settings, {sampleBytes, 3, 0}));
      ASSERT_EQ(colour.run(document, false, sampleBytes), kRenderDone);
      ASSERT_EQ(tone.run(document, true, sampleBytes), kRenderDone);
      EXPECT_TRUE(sameColours(colour.colours, tone.colours));
      EXPECT_EQ(colour.generatorAfter, tone.generatorAfter);
      EXPECT_FALSE(holdsSource(*tone.working)) << "the grey is given back after the render";
    }
}

TEST(ToneOnlyLoad, ADocumentOfManyStripsRendersAsFromTheColourLoad) {
  // Narrow rows make tall strips; this is several of them, with the blur reaching across.
  for (std::int32_t sampleBytes : {1, 2, 4})
    for (std::int32_t style : {1, 19}) {
      SCOPED_TRACE("style " + std::to_string(style) + ", " + std::to_string(8 * sampleBytes) + "-bit");
      HostDocument document(2000, 360, sampleBytes);  // three strips of 131 rows
      DocumentRender colour, tone;
      colour.settings.look.style = tone.settings.look.style = style;
      colour.settings.look.diameter = tone.settings.look.diameter = 200;
      ASSERT_EQ(colour.run(document, false, sampleBytes), kRenderDone);
      const std::int32_t fetched = document.fetches;
      ASSERT_EQ(tone.run(document, true, sampleBytes), kRenderDone);
      EXPECT_TRUE(sameColours(colour.colours, tone.colours));
      EXPECT_EQ(document.fetches - fetched, 3) << "asked in strips";
    }
}

TEST(ToneOnlyLoad, OnlyPlainInkOrAFloatDocumentNeedsNoColours) {
  InkSettings settings{};
  resetForRun(settings);
  EXPECT_TRUE(documentNeedsOnlyTone(settings, {1, 3, 0}));
  EXPECT_TRUE(documentNeedsOnlyTone(settings, {2, 1, 1}));
  settings.look.blendMode = 2;
  EXPECT_FALSE(documentNeedsOnlyTone(settings, {1, 3, 0})) << "a blend with the colours";
  EXPECT_TRUE(documentNeedsOnlyTone(settings, {4, 3, 0})) << "a float document's ink is never blended";
  // A render that would blend with colours the load did not keep refuses instead.
  HostDocument document(60, 20, 1);
  DocumentRender render;
  render.settings.look.blendMode = 2;
  EXPECT_EQ(render.run(document, true, 1), kRenderImageMemory);
}

TEST(ToneOnlyLoad, AHostThatClipsOrFailsIsTakenAsTheColourLoadTakesIt) {
  {
    SCOPED_TRACE("the right part left out reads as nothing");
    HostDocument document(300, 30, 1);
    document.clipRight = 200;
    DocumentRender colour, tone;
    ASSERT_EQ(colour.run(document, false, 1), kRenderDone);
    ASSERT_EQ(tone.run(document, true, 1), kRenderDone);
    EXPECT_TRUE(sameColours(colour.colours, tone.colours));
  }
  for (std::int32_t failAt : {0, 1}) {
    SCOPED_TRACE("the host fails at fetch " + std::to_string(failAt));
    HostDocument document(600, 1000, 1);  // more than one strip
    document.failAtCall = failAt;
    RenderWorkingSet* working = createWorkingSet();
    EXPECT_EQ(loadToneOnly(*working, document.source(), 9.0f), SourceLoad::HostFailed);
    EXPECT_EQ(document.finishes, 1) << "no request is left behind";
    EXPECT_FALSE(holdsSource(*working)) << "half a grey document is kept as nothing";
    EXPECT_FALSE(working->toneOnly);
    releaseWorkingSet(working);
  }
  RenderWorkingSet* working = createWorkingSet();
  HostDocument document(10, 10, 1);
  DocumentSource empty = document.source();
  empty.height = 0;
  EXPECT_EQ(loadToneOnly(*working, empty, 9.0f), SourceLoad::Empty);
  releaseWorkingSet(working);
}

}  // namespace
}  // namespace qm::test
