// SPDX-License-Identifier: LicenseRef-Quillmark
// Loading the host's document into the working image, through the substitute host.
#include <gtest/gtest.h>

#include <cstring>

#include <vector>

#include "render/working_set_record.h"
#include "host/area_request.h"
#include "host/host_coordinates.h"
#include "host/source_loader.h"
#include "tests/host/plugin_fixture.h"

namespace qm::test {
namespace {

// What the host was asked for at each delivery, and a host that clips what it delivers.
struct DeliveryLog {
  std::vector<pi::VRect> inRects;
  std::vector<pi::VRect> outRects;
  std::vector<pi::Fixed> rates;
  std::int32_t clipRight = 0;   // columns the host leaves off the right of every delivery
  std::int32_t clipBottom = 0;  // rows it leaves off the bottom
};
DeliveryLog deliveryLog;

pi::OSErr loggingAdvanceState() {
  cli::SubstituteHost* host = cli::SubstituteHost::current();
  pi::FilterRecord& record = host->record();
  deliveryLog.inRects.push_back(getInRect(record));
  deliveryLog.outRects.push_back(getOutRect(record));
  deliveryLog.rates.push_back(record.inputRate);
  const pi::OSErr error = host->deliver();
  if (error == pi::noErr && (deliveryLog.clipRight || deliveryLog.clipBottom)) {
    pi::VRect in = getInRect(record);
    in.right -= deliveryLog.clipRight;
    in.bottom -= deliveryLog.clipBottom;
    setInRect(record, in);
  }
  return error;
}

class SourceLoader : public PluginTest {
 protected:
  void attach(cli::SubstituteHost& host, cli::HostDocument& document) {
    host.beginDocument(document);
    host.record().advanceState = loggingAdvanceState;
    deliveryLog = DeliveryLog{};
    settings_ = InkSettings{};
    settings_.previewZoom = 1;
    moduleState().record = &host.record();
    moduleState().result = &result_;
    moduleState().settings = &settings_;
    releaseWorkingSet(working_);
    working_ = createWorkingSet();
  }
  ImageBuffer& image() { return working_->source; }
  void TearDown() override {
    releaseWorkingSet(working_);
    moduleState().record = nullptr;
    moduleState().result = nullptr;
    moduleState().settings = nullptr;
    PluginTest::TearDown();
  }
  std::int16_t result_ = 0;
  InkSettings settings_{};
  RenderWorkingSet* working_ = nullptr;
};

// The channel the working image should hold for a document sample, in the image's units.
double expectedChannel(const RasterImage& image, int x, int y, int channel) {
  const bool grey = image.colorChannels == 1;
  if (channel == 3) {
    if (!image.hasAlpha) return image.type == SampleType::UInt8 ? 255 : image.type == SampleType::UInt16 ? 32768 : 1.0;
    channel = image.colorChannels;
  } else if (grey) {
    channel = 0;
  }
  const double sample = sampleAt(image, x, y, channel);
  return image.type == SampleType::UInt16 ? cli::fileToHost16(std::uint16_t(sample)) : sample;
}

double loadedChannel(const ImageBuffer& image, int x, int y, int channel) {
  if (image.format == kRgba8) {
    std::uint8_t out[4];
    getColour(image, x, y, 0, out);
    return out[channel];
  }
  if (image.format == kRgba16) {
    std::uint16_t out[4];
    getColour(image, x, y, 0, out);
    return out[channel];
  }
  float out[4];
  getColour(image, x, y, 0, out);
  return out[channel];
}

// Compares every pixel of the loaded rectangle; stops at the first difference.
::testing::AssertionResult holdsDocument(const ImageBuffer& loaded, const RasterImage& image, const pi::VRect& area) {
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      for (int c = 0; c < 4; ++c) {
        const double want = expectedChannel(image, x, y, c);
        const double got = loadedChannel(loaded, x - area.left, y - area.top, c);
        if (want != got)
          return ::testing::AssertionFailure()
                 << "document pixel (" << x << ", " << y << ") channel " << c + 1 << ": " << got << " instead of " << want;
      }
  return ::testing::AssertionSuccess();
}

TEST_F(SourceLoader, EveryDepthAndLayoutLandsInTheRightChannels) {
  struct Case {
    SampleType type;
    int colour;
    bool alpha;
    std::int32_t format;
  } cases[] = {
      {SampleType::UInt8, 1, false, kRgba8},      {SampleType::UInt8, 3, false, kRgba8},
      {SampleType::UInt8, 3, true, kRgba8},       {SampleType::UInt8, 1, true, kRgba8},
      {SampleType::UInt16, 1, false, kRgba16},    {SampleType::UInt16, 3, false, kRgba16},
      {SampleType::UInt16, 3, true, kRgba16},     {SampleType::Float32, 1, false, kRgbaFloat},
      {SampleType::Float32, 3, false, kRgbaFloat}, {SampleType::Float32, 3, true, kRgbaFloat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "sample bytes " << cli::bytesPerSample(c.type) << ", colour planes "
                                      << c.colour << (c.alpha ? " with" : " without") << " opacity");
    // Two tiles across and two down, the last ones partial.
    const RasterImage picture = makeTestImage(530, 515, c.type, c.colour, c.alpha);
    cli::HostDocument document = makeDocument(picture);
    // Every other case from a lean host: packed rows and 16-bit rectangles only.
    cli::HostOptions options;
    const bool lean = (&c - cases) % 2 == 0;
    options.packedRows = lean;
    options.bigDocument = !lean;
    cli::SubstituteHost host = makeHost(options);
    attach(host, document);
    settings_.previewZoom = 4;  // the preview's zoom must not thin out the source
    ASSERT_TRUE(loadSourceFromHost(*working_, SourcePyramid::Built));
    EXPECT_EQ(image().format, c.format);
    EXPECT_EQ(image().width[0], 530);
    EXPECT_EQ(image().height[0], 515);
    EXPECT_TRUE(holdsDocument(image(), picture, document.filterRect));
    EXPECT_EQ(result_, 0);
    // Each tile asked for once, in tile order, at full resolution, input only.
    const pi::VRect tiles[] = {{0, 0, 512, 512}, {0, 512, 512, 530}, {512, 0, 515, 512}, {512, 512, 515, 530}};
    ASSERT_EQ(deliveryLog.inRects.size(), std::size(tiles));
    for (std::size_t i = 0; i < std::size(tiles); ++i) {
      const pi::VRect& asked = deliveryLog.inRects[i];
      EXPECT_TRUE(asked.top == tiles[i].top && asked.left == tiles[i].left && asked.bottom == tiles[i].bottom &&
                  asked.right == tiles[i].right)
          << "tile " << i;
      EXPECT_TRUE(rectEmpty(deliveryLog.outRects[i])) << "no output is requested while loading";
      EXPECT_EQ(deliveryLog.rates[i], pi::kFixedOne);
    }
    EXPECT_TRUE(rectEmpty(getInRect(host.record()))) << "an empty request is left behind";
    releasePixels(image());
  }
}

TEST_F(SourceLoader, SelectionOffsetsTheLoad) {
  const RasterImage picture = makeTestImage(40, 30, SampleType::UInt16, 3, false);
  std::vector<std::uint8_t> mask(40 * 30, 0);
  for (int y = 5; y < 25; ++y)
    for (int x = 7; x < 33; ++x) mask[std::size_t(y) * 40 + std::size_t(x)] = 255;
  cli::HostDocument document = makeDocument(picture, mask);
  ASSERT_EQ(document.filterRect.left, 7);
  ASSERT_EQ(document.filterRect.top, 5);
  cli::SubstituteHost host = makeHost();
  attach(host, document);
  ASSERT_TRUE(loadSourceFromHost(*working_, SourcePyramid::Built));
  EXPECT_EQ(image().width[0], 26);
  EXPECT_EQ(image().height[0], 20);
  EXPECT_TRUE(holdsDocument(image(), picture, document.filterRect));
}

TEST_F(SourceLoader, OnlyWhatTheHostDeliversIsCopied) {
  const RasterImage picture = makeFlat(520, 6, SampleType::UInt8, 1, false, 1.0);
  cli::HostDocument document = makeDocument(picture);
  cli::SubstituteHost host = makeHost();
  attach(host, document);
  ASSERT_TRUE(configureImageBuffer(&image(), 520, 6, kRgba8, 0, false));
  const std::uint8_t marker[4] = {1, 2, 3, 4};
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 520; ++x) setColour(image(), x, y, 0, marker);
  const ImageTile* tiles = image().tiles;
  deliveryLog.clipRight = 2;
  deliveryLog.clipBottom = 1;
  ASSERT_TRUE(loadSourceFromHost(*working_, SourcePyramid::Built));
  EXPECT_EQ(image().tiles, tiles) << "an image of the right shape is reused";
  std::uint8_t out[4];
  for (int x : {0, 509, 512, 517}) {
    getColour(image(), x, 4, 0, out);
    EXPECT_EQ(out[0], 255) << x;
    getColour(image(), x, 5, 0, out);
    EXPECT_EQ(out[0], 1) << "the row the host left out keeps its old value " << x;
  }
  for (int x : {510, 511, 518, 519}) {
    getColour(image(), x, 0, 0, out);
    EXPECT_EQ(out[3], 4) << "the columns the host left out keep their old value " << x;
  }
}

TEST_F(SourceLoader, HostFailureStopsWithTheHostsResult) {
  const RasterImage picture = makeFlat(600, 600, SampleType::UInt8, 3, false, 1.0);
  cli::HostDocument document = makeDocument(picture);
  cli::HostOptions options;
  options.failDeliveryAfter = 1;
  cli::SubstituteHost host = makeHost(options);
  attach(host, document);
  EXPECT_FALSE(loadSourceFromHost(*working_, SourcePyramid::Built));
  EXPECT_EQ(result_, pi::readErr);
  EXPECT_EQ(moduleState().lastFailureCode, kFailBandRead);
  EXPECT_EQ(deliveryLog.inRects.size(), 2u) << "no request after the failed one";
  EXPECT_EQ(settings_.sourceLoaded, 0);
  std::uint8_t out[4];
  getColour(image(), 0, 0, 0, out);
  EXPECT_EQ(out[0], 255) << "the first tile arrived";
  getColour(image(), 550, 0, 0, out);
  EXPECT_EQ(out[0], 0) << "the second did not";
}

TEST_F(SourceLoader, EmptyFilterRectangleAsksForNothing) {
  cli::HostDocument document = makeDocument(makeFlat(8, 8, SampleType::UInt8, 3, false, 1.0));
  cli::SubstituteHost host = makeHost();
  attach(host, document);
  host.record().filterRect = {4, 4, 4, 8};
  EXPECT_FALSE(loadSourceFromHost(*working_, SourcePyramid::Built));
  EXPECT_EQ(result_, pi::filterBadParameters);
  EXPECT_EQ(moduleState().lastFailureCode, kFailWorkingImage);
  EXPECT_TRUE(deliveryLog.inRects.empty());
  EXPECT_FALSE(hasPixels(image()));
}

TEST_F(SourceLoader, FullLoadBuildsThePyramidAndMarksTheSource) {
  cli::HostDocument document = makeDocument(makeFlat(20, 10, SampleType::Float32, 3, false, 0.5));
  cli::SubstituteHost host = makeHost();
  attach(host, document);
  ASSERT_TRUE(loadSourceFromHost(*working_, SourcePyramid::Built));
  EXPECT_EQ(image().pyramidState, 2);
  EXPECT_EQ(settings_.sourceLoaded, 1);
  float out[4];
  getColour(image(), 19, 9, 0, out);
  EXPECT_EQ(out[1], 0.5f);
  EXPECT_EQ(out[3], 1.0f);
}

// A render of the whole document samples level 0 alone: no coarser level is made for it.
// Loading again for the previews makes them, with the same pixels at level 0.
TEST_F(SourceLoader, TheDocumentAloneGetsNoPyramidAndThePreviewsGetOne) {
  cli::HostDocument document = makeDocument(makeFlat(600, 300, SampleType::UInt8, 3, false, 0.25));
  cli::SubstituteHost host = makeHost();
  attach(host, document);
  ASSERT_TRUE(loadSourceFromHost(*working_, SourcePyramid::None));
  EXPECT_TRUE(holdsSource(*working_));
  EXPECT_FALSE(holdsPyramid(*working_));
  EXPECT_EQ(image().pyramidState, 0) << "the coarser levels are left unbuilt (and their memory untouched)";
  std::uint8_t alone[4];
  getColour(image(), 599, 299, 0, alone);
  ASSERT_TRUE(loadSourceFromHost(*working_, SourcePyramid::Built));
  EXPECT_TRUE(holdsPyramid(*working_));
  EXPECT_EQ(image().pyramidState, 2);
  std::uint8_t withPyramid[4], coarse[4];
  getColour(image(), 599, 299, 0, withPyramid);
  EXPECT_EQ(std::memcmp(alone, withPyramid, 4), 0);
  getColour(image(), 0, 0, image().lastLevel, coarse);
  EXPECT_EQ(coarse[0], withPyramid[0]) << "a flat picture stays flat in every level";
}

}  // namespace
}  // namespace qm::test
