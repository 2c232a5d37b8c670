// SPDX-License-Identifier: LicenseRef-Quillmark
// The substitute host's pixel service: what the filter gets for an area, and what the
// document keeps of what the filter hands back.
#include <gtest/gtest.h>

#include <cstring>

#include "cli/host_pixels.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

using cli::HostDocument;
using cli::PixelBuffer;
using cli::PixelRequest;
using cli::SampleType;

HostDocument documentOf(RasterImage image, std::vector<std::uint8_t> mask = {}) {
  HostDocument document;
  std::string error;
  EXPECT_TRUE(cli::makeDocument(std::move(image), std::move(mask), document, error)) << error;
  return document;
}

PixelRequest request(pi::VRect rect, int lo, int hi, pi::Fixed rate = pi::kFixedOne,
                     pi::int16 padding = pi::plugInWantsEdgeReplication) {
  return PixelRequest{rect, lo, hi, rate, padding};
}

// The sample at (x, y) of a plane: a byte, or a native 16-bit word when wide.
unsigned sampleIn(const PixelBuffer& buffer, int x, int y, int plane, bool wide = false) {
  const std::uint8_t* at = &buffer.bytes[std::size_t(y) * std::size_t(buffer.rowBytes) +
                                         std::size_t(x * buffer.columnBytes + plane * (wide ? 2 : 1))];
  std::uint16_t word = 0;
  std::memcpy(&word, at, wide ? 2 : 1);
  return wide ? word : *at;
}

TEST(HostPixels, AreaInsideTheImageArrivesAsStored) {
  const RasterImage image = makeTestImage(9, 7, SampleType::UInt8, 3, true);
  const HostDocument document = documentOf(image);
  PixelBuffer buffer;
  ASSERT_EQ(cli::readPixels(document, request({2, 1, 6, 8}, 0, 3), false, buffer), pi::noErr);
  EXPECT_EQ(buffer.columnBytes, 4);
  EXPECT_EQ(buffer.rowBytes % 16, 0) << "rows are padded like a real host's";
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x)
      for (int p = 0; p < 4; ++p) EXPECT_EQ(sampleIn(buffer, x, y, p), sampleAt(image, x + 1, y + 2, p));
}

TEST(HostPixels, PlaneRangesAndPackedRows) {
  const RasterImage image = makeTestImage(5, 3, SampleType::UInt8, 3, false);
  const HostDocument document = documentOf(image);
  PixelBuffer buffer;
  ASSERT_EQ(cli::readPixels(document, request({0, 0, 3, 5}, 1, 2), true, buffer), pi::noErr);
  EXPECT_EQ(buffer.columnBytes, 2);
  EXPECT_EQ(buffer.rowBytes, 10);
  EXPECT_EQ(sampleIn(buffer, 4, 2, 0), sampleAt(image, 4, 2, 1));
  EXPECT_EQ(sampleIn(buffer, 4, 2, 1), sampleAt(image, 4, 2, 2));
  EXPECT_EQ(cli::readPixels(document, request({0, 0, 3, 5}, 2, 3), true, buffer), pi::paramErr);
  EXPECT_EQ(cli::readPixels(document, request({0, 0, 3, 5}, 2, 1), true, buffer), pi::paramErr);
}

TEST(HostPixels, AreasPastTheEdgeArePaddedAsAsked) {
  const RasterImage image = makeTestImage(4, 4, SampleType::UInt8, 1, false);
  const HostDocument document = documentOf(image);
  PixelBuffer buffer;
  ASSERT_EQ(cli::readPixels(document, request({-2, -3, 6, 7}, 0, 0), true, buffer), pi::noErr);
  EXPECT_EQ(sampleIn(buffer, 0, 0, 0), sampleAt(image, 0, 0, 0)) << "corner repeats";
  EXPECT_EQ(sampleIn(buffer, 9, 7, 0), sampleAt(image, 3, 3, 0));
  EXPECT_EQ(sampleIn(buffer, 5, 0, 0), sampleAt(image, 2, 0, 0));
  ASSERT_EQ(cli::readPixels(document, request({-1, 0, 2, 4}, 0, 0, pi::kFixedOne, 77), true, buffer), pi::noErr);
  EXPECT_EQ(sampleIn(buffer, 2, 0, 0), 77) << "fill value above the image";
  EXPECT_EQ(sampleIn(buffer, 2, 1, 0), sampleAt(image, 2, 0, 0));
  EXPECT_EQ(cli::readPixels(document, request({0, 0, 5, 4}, 0, 0, pi::kFixedOne, pi::plugInWantsErrorOnBoundsException),
                            true, buffer),
            pi::paramErr);
  EXPECT_EQ(cli::readPixels(document, request({0, 0, 4, 4}, 0, 0, pi::kFixedOne, pi::plugInWantsErrorOnBoundsException),
                            true, buffer),
            pi::noErr);
}

TEST(HostPixels, SamplingRateSkipsPixels) {
  const RasterImage image = makeTestImage(16, 12, SampleType::UInt8, 1, false);
  const HostDocument document = documentOf(image);
  PixelBuffer buffer;
  // At rate 4 the sampled image is 4 x 3; its pixel (x, y) is the document's (4x, 4y).
  ASSERT_EQ(cli::readPixels(document, request({0, 0, 3, 4}, 0, 0, 4 * pi::kFixedOne), true, buffer), pi::noErr);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(sampleIn(buffer, x, y, 0), sampleAt(image, 4 * x, 4 * y, 0));
  EXPECT_EQ(cli::readPixels(document, request({0, 0, 3, 4}, 0, 0, 0), true, buffer), pi::paramErr);
}

// 65536 file values map onto the host's 0..32768, and every host value survives a save.
TEST(HostPixels, SixteenBitSamplesUseTheHostRange) {
  for (const auto& [file, host] : {std::pair{65535, 32768}, std::pair{32767, 16384}, std::pair{1, 1}, std::pair{0, 0}})
    EXPECT_EQ(cli::fileToHost16(std::uint16_t(file)), host) << file;
  for (std::uint32_t host = 0; host <= 32768; ++host)
    ASSERT_EQ(cli::fileToHost16(cli::hostToFile16(std::uint16_t(host))), host);
}

TEST(HostPixels, OutputChangesOnlyTheFilterRectangleAndFollowsTheSelection) {
  const RasterImage image = makeFlat(6, 2, SampleType::UInt8, 1, false, 0.0);
  std::vector<std::uint8_t> mask = {0, 255, 255, 128, 255, 0, 0, 255, 255, 255, 255, 0};
  HostDocument document = documentOf(image, mask);
  EXPECT_EQ(document.filterRect.left, 1);
  EXPECT_EQ(document.filterRect.right, 5);
  const PixelRequest all = request({0, 0, 2, 6}, 0, 0);
  PixelBuffer buffer;
  ASSERT_EQ(cli::readPixels(document, all, true, buffer), pi::noErr);
  std::fill(buffer.bytes.begin(), buffer.bytes.end(), std::uint8_t(200));
  cli::writePixels(document, all, buffer, true);
  EXPECT_EQ(sampleAt(document.image, 0, 0, 0), 0) << "outside the filter rectangle";
  EXPECT_EQ(sampleAt(document.image, 1, 0, 0), 200);
  EXPECT_EQ(sampleAt(document.image, 3, 0, 0), 200 * 128 / 255) << "half selected, half applied";
  EXPECT_EQ(sampleAt(document.image, 5, 1, 0), 0);
  HostDocument plain = documentOf(image, mask);
  cli::writePixels(plain, all, buffer, false);
  EXPECT_EQ(sampleAt(plain.image, 3, 0, 0), 200) << "without automatic masking the filter's value stands";
  EXPECT_EQ(sampleAt(plain.image, 0, 0, 0), 0);
}

TEST(HostPixels, AbsurdAreasAreRefusedBeforeAllocating) {
  const HostDocument document = documentOf(makeFlat(2, 2, SampleType::Float32, 3, true, 0.5));
  PixelBuffer buffer;
  EXPECT_EQ(cli::readPixels(document, request({0, 0, 100000, 100000}, 0, 3), true, buffer), pi::memFullErr);
  EXPECT_TRUE(buffer.empty());
}

}  // namespace
}  // namespace qm::test
