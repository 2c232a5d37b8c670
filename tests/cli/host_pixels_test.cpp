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

std::uint8_t byteAt(const PixelBuffer& buffer, int x, int y, int plane) {
  return buffer.bytes[std::size_t(y) * std::size_t(buffer.rowBytes) + std::size_t(x * buffer.columnBytes + plane)];
}

std::uint16_t wordAt(const PixelBuffer& buffer, int x, int y, int plane) {
  std::uint16_t value;
  std::memcpy(&value, &buffer.bytes[std::size_t(y) * std::size_t(buffer.rowBytes) +
                                    std::size_t(x * buffer.columnBytes + plane * 2)],
              2);
  return value;
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
      for (int p = 0; p < 4; ++p) EXPECT_EQ(byteAt(buffer, x, y, p), sampleAt(image, x + 1, y + 2, p));
}

TEST(HostPixels, PlaneRangesAndPackedRows) {
  const RasterImage image = makeTestImage(5, 3, SampleType::UInt8, 3, false);
  const HostDocument document = documentOf(image);
  PixelBuffer buffer;
  ASSERT_EQ(cli::readPixels(document, request({0, 0, 3, 5}, 1, 2), true, buffer), pi::noErr);
  EXPECT_EQ(buffer.columnBytes, 2);
  EXPECT_EQ(buffer.rowBytes, 10);
  EXPECT_EQ(byteAt(buffer, 4, 2, 0), sampleAt(image, 4, 2, 1));
  EXPECT_EQ(byteAt(buffer, 4, 2, 1), sampleAt(image, 4, 2, 2));
  EXPECT_EQ(cli::readPixels(document, request({0, 0, 3, 5}, 2, 3), true, buffer), pi::paramErr);
  EXPECT_EQ(cli::readPixels(document, request({0, 0, 3, 5}, 2, 1), true, buffer), pi::paramErr);
}

TEST(HostPixels, AreasPastTheEdgeArePaddedAsAsked) {
  const RasterImage image = makeTestImage(4, 4, SampleType::UInt8, 1, false);
  const HostDocument document = documentOf(image);
  PixelBuffer buffer;
  ASSERT_EQ(cli::readPixels(document, request({-2, -3, 6, 7}, 0, 0), true, buffer), pi::noErr);
  EXPECT_EQ(byteAt(buffer, 0, 0, 0), sampleAt(image, 0, 0, 0)) << "corner repeats";
  EXPECT_EQ(byteAt(buffer, 9, 7, 0), sampleAt(image, 3, 3, 0));
  EXPECT_EQ(byteAt(buffer, 5, 0, 0), sampleAt(image, 2, 0, 0));

  ASSERT_EQ(cli::readPixels(document, request({-1, 0, 2, 4}, 0, 0, pi::kFixedOne, 77), true, buffer), pi::noErr);
  EXPECT_EQ(byteAt(buffer, 2, 0, 0), 77) << "fill value above the image";
  EXPECT_EQ(byteAt(buffer, 2, 1, 0), sampleAt(image, 2, 0, 0));

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
    for (int x = 0; x < 4; ++x) EXPECT_EQ(byteAt(buffer, x, y, 0), sampleAt(image, 4 * x, 4 * y, 0));
  EXPECT_EQ(cli::readPixels(document, request({0, 0, 3, 4}, 0, 0, 0), true, buffer), pi::paramErr);
}

TEST(HostPixels, SixteenBitSamplesUseTheHostRange) {
  RasterImage image = makeFlat(3, 1, SampleType::UInt16, 1, false, 0.0);
  setSampleAt(image, 0, 0, 0, 65535);
  setSampleAt(image, 1, 0, 0, 32767);
  setSampleAt(image, 2, 0, 0, 1);
  const HostDocument document = documentOf(image);
  PixelBuffer buffer;
  ASSERT_EQ(cli::readPixels(document, request({0, 0, 1, 3}, 0, 0), true, buffer), pi::noErr);
  EXPECT_EQ(wordAt(buffer, 0, 0, 0), 32768);
  EXPECT_EQ(wordAt(buffer, 1, 0, 0), 16384);
  EXPECT_EQ(wordAt(buffer, 2, 0, 0), 1);
  for (std::uint32_t host = 0; host <= 32768; ++host)
    ASSERT_EQ(cli::fileToHost16(cli::hostToFile16(std::uint16_t(host))), host) << "every host value survives a save";
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

TEST(HostPixels, MaskArrivesAsOneBytePerPixel) {
  std::vector<std::uint8_t> mask = {0, 10, 20, 30};
  const HostDocument document = documentOf(makeFlat(2, 2, SampleType::UInt8, 3, false, 0.5), mask);
  PixelBuffer buffer;
  ASSERT_EQ(cli::readMask(document, request({0, 0, 2, 3}, 0, 0), true, buffer), pi::noErr);
  EXPECT_EQ(byteAt(buffer, 0, 0, 0), 0);
  EXPECT_EQ(byteAt(buffer, 1, 1, 0), 30);
  EXPECT_EQ(byteAt(buffer, 2, 1, 0), 30) << "edge repeats";
}

TEST(HostPixels, AbsurdAreasAreRefusedBeforeAllocating) {
  const HostDocument document = documentOf(makeFlat(2, 2, SampleType::Float32, 3, true, 0.5));
  PixelBuffer buffer;
  EXPECT_EQ(cli::readPixels(document, request({0, 0, 100000, 100000}, 0, 3), true, buffer), pi::memFullErr);
  EXPECT_TRUE(buffer.empty());
}

}  // namespace
}  // namespace qm::test
