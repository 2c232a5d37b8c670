// SPDX-License-Identifier: LicenseRef-Quillmark
// The substitute host's pixel service: what the filter gets for an area, and what the
// document keeps of what the filter hands back.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "cli/host_pixels.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

using cli::HostDocument;
using cli::PixelBuffer;
using cli::PixelRequest;

// The byte at (x, y) of a plane.
unsigned sampleIn(const PixelBuffer& buffer, int x, int y, int plane) {
  return buffer.bytes[std::size_t(y) * std::size_t(buffer.rowBytes) + std::size_t(x * buffer.columnBytes + plane)];
}

// A document of a picture (and a selection), and the buffer the filter's requests fill.
class HostPixels : public ::testing::Test {
 protected:
  // The picture, now the document.
  RasterImage open(const RasterImage& picture, std::vector<std::uint8_t> mask = {}) {
    std::string error;
    document = HostDocument{};
    EXPECT_TRUE(cli::makeDocument(picture, std::move(mask), document, error)) << error;
    return picture;
  }
  pi::OSErr read(const PixelRequest& request, bool packedRows = true) {
    return cli::readPixels(document, request, packedRows, buffer);
  }
  HostDocument document;
  PixelBuffer buffer;
};

TEST_F(HostPixels, AreaInsideTheImageArrivesAsStored) {
  const RasterImage image = open(makeTestImage(9, 7, SampleType::UInt8, 3, true));
  ASSERT_EQ(read({{2, 1, 6, 8}, 0, 3}, false), pi::noErr);
  EXPECT_EQ(buffer.columnBytes, 4);
  EXPECT_EQ(buffer.rowBytes % 16, 0) << "rows are padded like a real host's";
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x)
      for (int p = 0; p < 4; ++p) EXPECT_EQ(sampleIn(buffer, x, y, p), sampleAt(image, x + 1, y + 2, p));
}

TEST_F(HostPixels, PlaneRangesAndPackedRows) {
  const RasterImage image = open(makeTestImage(5, 3, SampleType::UInt8, 3, false));
  ASSERT_EQ(read({{0, 0, 3, 5}, 1, 2}), pi::noErr);
  EXPECT_EQ(buffer.columnBytes, 2);
  EXPECT_EQ(buffer.rowBytes, 10);
  EXPECT_EQ(sampleIn(buffer, 4, 2, 0), sampleAt(image, 4, 2, 1));
  EXPECT_EQ(sampleIn(buffer, 4, 2, 1), sampleAt(image, 4, 2, 2));
  EXPECT_EQ(read({{0, 0, 3, 5}, 2, 3}), pi::paramErr);
  EXPECT_EQ(read({{0, 0, 3, 5}, 2, 1}), pi::paramErr);
}

TEST_F(HostPixels, AreasPastTheEdgeArePaddedAsAsked) {
  const RasterImage image = open(makeTestImage(4, 4, SampleType::UInt8, 1, false));
  ASSERT_EQ(read({{-2, -3, 6, 7}, 0, 0}), pi::noErr);
  EXPECT_EQ(sampleIn(buffer, 0, 0, 0), sampleAt(image, 0, 0, 0)) << "corner repeats";
  EXPECT_EQ(sampleIn(buffer, 9, 7, 0), sampleAt(image, 3, 3, 0));
  EXPECT_EQ(sampleIn(buffer, 5, 0, 0), sampleAt(image, 2, 0, 0));
  ASSERT_EQ(read({{-1, 0, 2, 4}, 0, 0, pi::kFixedOne, 77}), pi::noErr);
  EXPECT_EQ(sampleIn(buffer, 2, 0, 0), 77) << "fill value above the image";
  EXPECT_EQ(sampleIn(buffer, 2, 1, 0), sampleAt(image, 2, 0, 0));
  EXPECT_EQ(read({{0, 0, 5, 4}, 0, 0, pi::kFixedOne, pi::plugInWantsErrorOnBoundsException}), pi::paramErr);
  EXPECT_EQ(read({{0, 0, 4, 4}, 0, 0, pi::kFixedOne, pi::plugInWantsErrorOnBoundsException}), pi::noErr);
}

TEST_F(HostPixels, SamplingRateSkipsPixels) {
  const RasterImage image = open(makeTestImage(16, 12, SampleType::UInt8, 1, false));
  // At rate 4 the sampled image is 4 x 3; its pixel (x, y) is the document's (4x, 4y).
  ASSERT_EQ(read({{0, 0, 3, 4}, 0, 0, 4 * pi::kFixedOne}), pi::noErr);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(sampleIn(buffer, x, y, 0), sampleAt(image, 4 * x, 4 * y, 0));
  EXPECT_EQ(read({{0, 0, 3, 4}, 0, 0, 0}), pi::paramErr);
}

// 65536 file values map onto the host's 0..32768, and every host value survives a save.
TEST_F(HostPixels, SixteenBitSamplesUseTheHostRange) {
  for (const auto& [file, host] : {std::pair{65535, 32768}, std::pair{32767, 16384}, std::pair{1, 1}, std::pair{0, 0}})
    EXPECT_EQ(cli::fileToHost16(std::uint16_t(file)), host) << file;
  for (std::uint32_t host = 0; host <= 32768; ++host)
    ASSERT_EQ(cli::fileToHost16(cli::hostToFile16(std::uint16_t(host))), host);
}

TEST_F(HostPixels, OutputChangesOnlyTheFilterRectangleAndFollowsTheSelection) {
  const std::vector<std::uint8_t> mask = {0, 255, 255, 128, 255, 0, 0, 255, 255, 255, 255, 0};
  for (const bool autoMask : {true, false}) {
    SCOPED_TRACE(autoMask ? "automatic masking" : "no automatic masking");
    open(makeFlat(6, 2, SampleType::UInt8, 1, false, 0.0), mask);
    EXPECT_EQ(std::pair(document.filterRect.left, document.filterRect.right), std::pair(1, 5));
    ASSERT_EQ(read({{0, 0, 2, 6}, 0, 0}), pi::noErr);
    std::fill(buffer.bytes.begin(), buffer.bytes.end(), std::uint8_t(200));
    cli::writePixels(document, {{0, 0, 2, 6}, 0, 0}, buffer, autoMask);
    EXPECT_EQ(sampleAt(document.image, 0, 0, 0), 0) << "outside the filter rectangle";
    EXPECT_EQ(sampleAt(document.image, 1, 0, 0), 200);
    // Half selected, half applied; without automatic masking the filter's value stands.
    EXPECT_EQ(sampleAt(document.image, 3, 0, 0), autoMask ? 200 * 128 / 255 : 200);
    EXPECT_EQ(sampleAt(document.image, 5, 1, 0), 0);
  }
}

TEST_F(HostPixels, AbsurdAreasAreRefusedBeforeAllocating) {
  open(makeFlat(2, 2, SampleType::Float32, 3, true, 0.5));
  EXPECT_EQ(read({{0, 0, 100000, 100000}, 0, 3}), pi::memFullErr);
  EXPECT_TRUE(buffer.empty());
}

}  // namespace
}  // namespace qm::test
