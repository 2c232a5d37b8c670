// SPDX-License-Identifier: LicenseRef-Quillmark
// A run that copies the source to the result must give back exactly the picture it got, in
// every depth and mode, through either coordinate system and any row layout.
#include <gtest/gtest.h>

#include "host/host_coordinates.h"
#include "tests/host/plugin_fixture.h"

namespace qm::test {
namespace {

using cli::RunRequest;
using cli::SampleType;

class PassThrough : public PluginTest {};

std::vector<std::uint8_t> diagonalMask(int width, int height) {
  std::vector<std::uint8_t> mask(std::size_t(width) * std::size_t(height), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (x + y > width / 2 && x > 3) mask[std::size_t(y) * std::size_t(width) + std::size_t(x)] = std::uint8_t((x * 37 + y) % 256);
  return mask;
}

TEST_F(PassThrough, EveryDepthAndModeComesBackIdentical) {
  for (SampleType type : {SampleType::UInt8, SampleType::UInt16, SampleType::Float32})
    for (int colours : {1, 3})
      for (bool alpha : {false, true})
        for (bool masked : {false, true}) {
          SCOPED_TRACE(::testing::Message() << "bytes " << cli::bytesPerSample(type) << " colours " << colours
                                            << " alpha " << alpha << " mask " << masked);
          const RasterImage original = makeTestImage(45, 131, type, colours, alpha);
          cli::HostDocument document = makeDocument(original, masked ? diagonalMask(45, 131) : std::vector<std::uint8_t>{});
          cli::SubstituteHost host = makeHost();
          const cli::RunOutcome outcome = host.run(document, RunRequest{});
          ASSERT_EQ(outcome.result, 0) << outcome.message;
          EXPECT_TRUE(sameImage(original, document.image));
          EXPECT_EQ(host.record().filterCase, alpha ? (masked ? 5 : 4) : (masked ? 2 : 1));
        }
}

TEST_F(PassThrough, LeanRowLayoutAndSixteenBitFieldsGiveTheSameResult) {
  const RasterImage original = makeTestImage(70, 66, SampleType::UInt16, 3, true);
  for (bool big : {true, false})
    for (bool packed : {true, false}) {
      cli::HostDocument document = makeDocument(original);
      cli::HostOptions options;
      options.bigDocument = big;
      options.packedRows = packed;
      cli::SubstituteHost host = makeHost(options);
      const cli::RunOutcome outcome = host.run(document, RunRequest{});
      ASSERT_EQ(outcome.result, 0);
      EXPECT_TRUE(sameImage(original, document.image)) << "big " << big << " packed " << packed;
      EXPECT_EQ(outcome.deliveries, 2 + 1) << "two bands, then the host's delivery before continue";
    }
}

TEST_F(PassThrough, DocumentWiderThanSixteenBitsWorksThroughTheBigBlock) {
  const RasterImage original = makeTestImage(40000, 8, SampleType::UInt8, 3, false);
  cli::HostDocument document = makeDocument(original);
  cli::SubstituteHost host = makeHost();
  const cli::RunOutcome outcome = host.run(document, RunRequest{});
  ASSERT_EQ(outcome.result, 0) << outcome.message;
  EXPECT_TRUE(sameImage(original, document.image));
  ASSERT_NE(host.record().bigDocumentData, nullptr);
  EXPECT_EQ(host.record().bigDocumentData->PluginUsing32BitCoordinates, 1) << "the filter tells the host it uses the block";
  EXPECT_EQ(getFilterRect(host.record()).right, 40000);
}

TEST_F(PassThrough, DocumentWiderThanSixteenBitsFailsCleanlyWithoutTheBigBlock) {
  RasterImage original = makeTestImage(40000, 8, SampleType::UInt8, 1, false);
  cli::HostDocument document = makeDocument(original);
  cli::HostOptions options;
  options.bigDocument = false;
  cli::SubstituteHost host = makeHost(options);
  const cli::RunOutcome outcome = host.run(document, RunRequest{});
  EXPECT_NE(outcome.result, 0);
  EXPECT_TRUE(sameImage(original, document.image));
}

TEST_F(PassThrough, UntouchedSixteenBitSamplesKeepTheirFileValues) {
  // 65535 -> 32768 -> 65535 is exact, but odd file values have no host value of their own;
  // the host keeps the file value when the filter hands the sample back unchanged.
  RasterImage original = makeFlat(9, 3, SampleType::UInt16, 1, false, 0.0);
  for (int x = 0; x < 9; ++x) setSampleAt(original, x, 1, 0, 12345 + x);
  cli::HostDocument document = makeDocument(original);
  cli::SubstituteHost host = makeHost();
  ASSERT_EQ(host.run(document, RunRequest{}).result, 0);
  EXPECT_TRUE(sameImage(original, document.image));
}

}  // namespace
}  // namespace qm::test

namespace qm::test {
namespace {

// The leanest hosts: 16-bit rectangles only, packed rows with a column step of 0, handles
// that report no size, no basic suite, a descriptor record without procedures, nothing
// kept between runs. The plug-in must still render, run after run.
TEST_F(PassThrough, LeanHostRendersRunAfterRun) {
  for (SampleType type : {SampleType::UInt8, SampleType::UInt16, SampleType::Float32}) {
    const RasterImage original = makeTestImage(33, 70, type, 3, true);
    cli::HostDocument document = makeDocument(original, diagonalMask(33, 70));
    cli::HostOptions options;
    options.lean = true;
    cli::SubstituteHost host = makeHost(options);
    for (int run = 0; run < 2; ++run) {
      RunRequest request;
      request.descriptor = cli::DescriptorItems{};
      const cli::RunOutcome outcome = host.run(document, request);
      ASSERT_EQ(outcome.result, 0) << outcome.message;
      EXPECT_FALSE(outcome.recorded) << "nothing can be recorded without procedures";
      EXPECT_TRUE(sameImage(original, document.image));
    }
    EXPECT_EQ(host.record().bigDocumentData, nullptr);
    EXPECT_EQ(host.record().sSPBasic, nullptr);
    EXPECT_EQ(host.record().inColumnBytes, 0);
  }
}

}  // namespace
}  // namespace qm::test
