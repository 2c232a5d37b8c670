// SPDX-License-Identifier: LicenseRef-Quillmark
// The thin layer over the host record: coordinates, the 8-bit planar copy, host buffers.
#include <gtest/gtest.h>

#include "host/area_request.h"
#include "host/host_buffers.h"
#include "host/host_coordinates.h"
#include "host/host_image.h"
#include "host/planar_copy.h"
#include "tests/host/plugin_fixture.h"

namespace qm::test {
namespace {

using cli::SampleType;

// The module state pointed at a host's record, as during a call of the plug-in.
class HostAccess : public PluginTest {
 protected:
  void attach(cli::SubstituteHost& host, cli::HostDocument& document) {
    host.beginDocument(document);
    moduleState().record = &host.record();
    moduleState().result = &result_;
    moduleState().settings = nullptr;
  }
  void TearDown() override {
    moduleState().record = nullptr;
    moduleState().result = nullptr;
    PluginTest::TearDown();
  }
  std::int16_t result_ = 0;
};

TEST_F(HostAccess, SixteenBitFieldsAreSignExtendedAndTruncated) {
  pi::FilterRecord record{};
  record.filterRect = {-5, 3, 20000, 32767};
  EXPECT_EQ(getFilterRect(record).top, -5);
  EXPECT_EQ(getFilterRect(record).right, 32767);
  setInRect(record, {1, 2, 70000, -1});
  EXPECT_EQ(record.inRect.bottom, pi::int16(70000 & 0xFFFF));
  EXPECT_EQ(record.inRect.right, -1);

  pi::BigDocumentStruct big{};
  big.filterRect32 = {0, 0, 8, 40000};
  record.bigDocumentData = &big;
  EXPECT_EQ(getFilterRect(record).right, 32767) << "the block counts only once the filter uses it";
  announce32BitCoordinates(record);
  EXPECT_EQ(getFilterRect(record).right, 40000);
  setOutRect(record, {0, 35000, 8, 40000});
  EXPECT_EQ(big.outRect32.left, 35000);
}

TEST_F(HostAccess, PlanarCopyConvertsEveryDepthToEightBits) {
  struct Case {
    SampleType type;
    double sample;
    int expected;
  } cases[] = {
      {SampleType::UInt16, 65535, 255},  // host 32768
      {SampleType::UInt16, 32767, 127},  // host 16384
      {SampleType::UInt16, 0, 0},
      {SampleType::Float32, 1.5, 255},
      {SampleType::Float32, -0.2, 0},
      {SampleType::Float32, 0.5, 127},
      {SampleType::UInt8, 200, 200},
  };
  for (const Case& c : cases) {
    RasterImage image = makeFlat(3, 2, c.type, 3, false, 0.0);
    for (int x = 0; x < 3; ++x) setSampleAt(image, x, 1, 1, c.sample);
    cli::HostDocument document = makeDocument(image);
    cli::SubstituteHost host = makeHost();
    attach(host, document);
    std::uint8_t planes[3][6] = {};
    for (int plane = 0; plane < 3; ++plane) ASSERT_TRUE(copyPlaneTo8Bit({0, 0, 2, 3}, plane, planes[plane], 3));
    // Plane 1, second row: the samples set above; plane 0 and 2 stay 0.
    EXPECT_EQ(planes[1][3], c.expected) << c.sample;
    EXPECT_EQ(planes[0][3], 0);
    EXPECT_EQ(planes[2][3], 0);
  }
}

TEST_F(HostAccess, PlanarCopyKeepsPlanesApartAndRowsInOrder) {
  const RasterImage image = makeTestImage(5, 4, SampleType::UInt8, 3, true);
  cli::HostDocument document = makeDocument(image);
  cli::HostOptions options;
  options.packedRows = true;
  cli::SubstituteHost host = makeHost(options);
  attach(host, document);
  std::uint8_t copy[4][3 * 4] = {};
  for (int plane = 0; plane < 4; ++plane) ASSERT_TRUE(copyPlaneTo8Bit({1, 1, 4, 5}, plane, copy[plane], 4));
  for (int plane = 0; plane < 4; ++plane)
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(copy[plane][y * 4 + x], sampleAt(image, x + 1, y + 1, plane));
  EXPECT_TRUE(sameImage(image, document.image)) << "reading the planes writes nothing back";
}

TEST_F(HostAccess, PlanarCopyStopsOnAHostFailure) {
  cli::HostDocument document = makeDocument(makeTestImage(4, 4, SampleType::UInt8, 3, false));
  cli::HostOptions options;
  options.failDeliveryAfter = 1;
  cli::SubstituteHost host = makeHost(options);
  attach(host, document);
  std::uint8_t plane[16] = {};
  ASSERT_TRUE(copyPlaneTo8Bit({0, 0, 4, 4}, 0, plane, 4));
  EXPECT_FALSE(copyPlaneTo8Bit({0, 0, 4, 4}, 1, plane, 4));
  EXPECT_EQ(result_, pi::readErr) << "the host's own error becomes the result";
  EXPECT_EQ(moduleState().lastFailureCode, kFailPlanarRead);
}

// From the host's buffer procedures when it offers them, from the system when it offers
// none or refuses; zero-filled either way, and handed back to where they came from.
TEST_F(HostAccess, BuffersComeFromTheHostOrTheSystem) {
  cli::HostDocument document = makeDocument(makeTestImage(4, 4, SampleType::UInt8, 1, false));
  for (const auto& [hostBuffers, refused] : {std::pair{true, false}, std::pair{false, false}, std::pair{true, true}}) {
    cli::HostOptions options;
    options.bufferProcs = hostBuffers;
    cli::SubstituteHost host = makeHost(options);
    attach(host, document);
    if (refused) cli::setHostMemoryFaults({-1, false, false, true});
    const int before = cli::liveHostBuffers();
    HostBuffer buffer = hostBufferAllocate(4096);
    ASSERT_NE(buffer.data, nullptr);
    const bool fromHost = hostBuffers && !refused;
    EXPECT_EQ(buffer.hostId != nullptr, fromHost);
    EXPECT_EQ(cli::liveHostBuffers(), before + (fromHost ? 1 : 0));
    const auto* bytes = static_cast<const std::uint8_t*>(buffer.data);
    EXPECT_EQ(std::count(bytes, bytes + 4096, 0), 4096) << "zero-filled";
    hostBufferFree(buffer);
    EXPECT_EQ(buffer.data, nullptr);
    EXPECT_EQ(cli::liveHostBuffers(), before);
    cli::setHostMemoryFaults({});
  }
}

TEST_F(HostAccess, ImagePredicatesFollowModeAndDepth) {
  pi::FilterRecord record{};
  record.imageMode = pi::plugInModeRGB48;
  record.depth = 16;
  record.planes = 4;
  EXPECT_TRUE(isSixteenBit(record));
  EXPECT_TRUE(isColour(record));
  EXPECT_FALSE(isEightBit(record));
  EXPECT_EQ(sampleBytes(record), 2);
  record.imageMode = pi::plugInModeGray32;
  record.depth = 0;  // hosts before depth existed
  EXPECT_TRUE(isFloat(record));
  EXPECT_TRUE(isGray(record));
  EXPECT_EQ(sampleBytes(record), 4);
  record.planes = 2;
  EXPECT_TRUE(hasFewPlanes(record));
  record.filterCase = pi::filterCaseEditableTransparencyWithSelection;
  EXPECT_TRUE(hasEditableTransparency(record));
  record.imageMode = pi::plugInModeMultichannel;
  EXPECT_TRUE(isMultichannel(record));
}

}  // namespace
}  // namespace qm::test
