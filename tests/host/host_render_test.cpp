// SPDX-License-Identifier: LicenseRef-Quillmark
// The final render through the host: every depth and mode comes back as ink and paper
// where the filter works and untouched where the selection keeps it away, whatever the
// host's coordinate system or row layout.
#include <gtest/gtest.h>

#include <cmath>

#include "host/host_coordinates.h"
#include "tests/engine/engine_fixtures.h"
#include "tests/host/plugin_fixture.h"

namespace qm::test {
namespace {

using cli::RunRequest;
using cli::SampleType;

class HostRender : public PluginTest {};

std::vector<std::uint8_t> diagonalMask(int width, int height) {
  std::vector<std::uint8_t> mask(std::size_t(width) * std::size_t(height), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (x + y > width / 2 && x > 3) mask[std::size_t(y) * std::size_t(width) + std::size_t(x)] = 255;
  return mask;
}

double fullScale(SampleType type) {
  return type == SampleType::UInt8 ? 255.0 : (type == SampleType::UInt16 ? 65535.0 : 1.0);
}

// Unselected pixels keep every sample; selected ones are pure ink or paper in every colour
// channel under "normal", and opaque.
void expectInkWhereSelected(const RasterImage& original, const RasterImage& result,
                            const std::vector<std::uint8_t>& mask) {
  const double full = fullScale(original.type);
  const int channels = original.colorChannels + (original.hasAlpha ? 1 : 0);
  for (int y = 0; y < original.height; ++y)
    for (int x = 0; x < original.width; ++x) {
      const bool selected = mask.empty() || mask[std::size_t(y) * std::size_t(original.width) + std::size_t(x)] != 0;
      for (int c = 0; c < channels; ++c) {
        const double value = sampleAt(result, x, y, c);
        if (!selected) {
          ASSERT_EQ(value, sampleAt(original, x, y, c)) << x << "," << y << " channel " << c;
        } else if (c < original.colorChannels) {
          ASSERT_TRUE(value == 0.0 || value == full) << x << "," << y << " channel " << c << ": " << value;
          ASSERT_EQ(value, sampleAt(result, x, y, 0));
        } else {
          ASSERT_EQ(value, full) << "ink is opaque";
        }
      }
    }
}

TEST_F(HostRender, EveryDepthAndModeGivesInkWhereSelectedAndLeavesTheRest) {
  for (SampleType type : {SampleType::UInt8, SampleType::UInt16, SampleType::Float32})
    for (int colours : {1, 3})
      for (bool alpha : {false, true})
        for (bool masked : {false, true}) {
          SCOPED_TRACE(::testing::Message() << "bytes " << cli::bytesPerSample(type) << " colours " << colours
                                            << " alpha " << alpha << " mask " << masked);
          const RasterImage original = makeTestImage(45, 131, type, colours, alpha);
          const std::vector<std::uint8_t> mask = masked ? diagonalMask(45, 131) : std::vector<std::uint8_t>{};
          cli::HostDocument document = makeDocument(original, mask);
          cli::SubstituteHost host = makeHost();
          const cli::RunOutcome outcome = host.run(document, RunRequest{});
          ASSERT_EQ(outcome.result, 0) << outcome.message;
          expectInkWhereSelected(original, document.image, mask);
          EXPECT_EQ(host.record().filterCase, alpha ? (masked ? 5 : 4) : (masked ? 2 : 1));
        }
}

TEST_F(HostRender, HalfSelectedPixelsLandHalfwayBetweenSourceAndInk) {
  const RasterImage original = makeFlat(40, 30, SampleType::UInt8, 3, false, 0.5);
  cli::HostDocument document = makeDocument(original, std::vector<std::uint8_t>(40 * 30, 128));
  cli::SubstituteHost host = makeHost();
  ASSERT_EQ(host.run(document, requestWithLook("QNky style = QN01\n")).result, 0);
  const double source = sampleAt(original, 0, 0, 0);
  const double m = 128.0 / 255.0;
  int inked = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const double value = sampleAt(document.image, x, y, 1);
      const bool nearInk = std::abs(value - source * (1 - m)) <= 1.0;
      const bool nearPaper = std::abs(value - (source + (255 - source) * m)) <= 1.0;
      ASSERT_TRUE(nearInk || nearPaper) << x << "," << y << ": " << value;
      inked += nearInk;
    }
  EXPECT_GT(inked, 40 * 30 / 3) << "a mid grey is inked about half the time";
  EXPECT_LT(inked, 2 * 40 * 30 / 3);
}

TEST_F(HostRender, HostLayoutsAndCoordinateSystemsGiveTheSameBytes) {
  const RasterImage original = makeTestImage(70, 66, SampleType::UInt16, 3, true);
  cli::HostDocument reference = makeDocument(original);
  cli::SubstituteHost referenceHost = makeHost();
  ASSERT_EQ(referenceHost.run(reference, RunRequest{}).result, 0);
  for (bool big : {true, false})
    for (bool packed : {true, false}) {
      cli::HostDocument document = makeDocument(original);
      cli::HostOptions options;
      options.bigDocument = big;
      options.packedRows = packed;
      cli::SubstituteHost host = makeHost(options);
      const cli::RunOutcome outcome = host.run(document, RunRequest{});
      ASSERT_EQ(outcome.result, 0);
      EXPECT_TRUE(sameImage(reference.image, document.image)) << "big " << big << " packed " << packed;
      EXPECT_EQ(outcome.deliveries, 1 + 2 + 1) << "one tile in, two windows out, then the host's before continue";
    }
}

// Over 32767 pixels the rectangles need the host's 32-bit block; without it the run fails
// cleanly and the document stays as it was.
TEST_F(HostRender, DocumentWiderThanSixteenBitsNeedsTheBigBlock) {
  const RasterImage original = makeTestImage(40000, 8, SampleType::UInt8, 3, false);
  for (const bool big : {true, false}) {
    cli::HostDocument document = makeDocument(original);
    cli::HostOptions options;
    options.bigDocument = big;
    cli::SubstituteHost host = makeHost(options);
    const cli::RunOutcome outcome = host.run(document, RunRequest{});
    if (!big) {
      EXPECT_NE(outcome.result, 0);
      EXPECT_TRUE(sameImage(original, document.image));
      continue;
    }
    ASSERT_EQ(outcome.result, 0) << outcome.message;
    expectInkWhereSelected(original, document.image, {});
    EXPECT_EQ(host.record().bigDocumentData->PluginUsing32BitCoordinates, 1) << "the filter tells the host";
    EXPECT_EQ(getFilterRect(host.record()).right, 40000);
  }
}

// Work that fails on the workers (memory running out there) stops the run with the host's
// out-of-memory result before anything is handed back: no half-built pyramid or blur is
// rendered from.
TEST_F(HostRender, FailedWorkOnTheWorkersStopsTheRunAndLeavesTheDocument) {
  const RasterImage original = makeTestImage(300, 200, SampleType::UInt8, 3, false);
  cli::HostDocument document = makeDocument(original);
  cli::SubstituteHost host = makeHost();
  cli::RunOutcome outcome;
  {
    const FailingTasks failing;
    outcome = host.run(document, RunRequest{});
  }
  EXPECT_EQ(outcome.result, pi::memFullErr);
  EXPECT_EQ(moduleState().lastFailureCode, kFailWorkingImage);
  EXPECT_TRUE(sameImage(original, document.image));
}

// The leanest hosts: 16-bit rectangles only, packed rows with a column step of 0, handles
// that report no size, no basic suite, a descriptor record without procedures, nothing
// kept between runs. The plug-in must still render, run after run, with its defaults; no
// seed reaches it either, so the clock seeds the default style's phases.
TEST_F(HostRender, LeanHostRendersRunAfterRun) {
  for (SampleType type : {SampleType::UInt8, SampleType::UInt16, SampleType::Float32}) {
    const RasterImage original = makeTestImage(33, 70, type, 3, true);
    const std::vector<std::uint8_t> mask = diagonalMask(33, 70);
    cli::HostOptions options;
    options.lean = true;
    cli::SubstituteHost host = makeHost(options);
    for (int run = 0; run < 2; ++run) {
      cli::HostDocument document = makeDocument(original, mask);
      RunRequest request;
      request.descriptor = cli::DescriptorItems{};
      const cli::RunOutcome outcome = host.run(document, request);
      ASSERT_EQ(outcome.result, 0) << outcome.message;
      EXPECT_FALSE(outcome.recorded) << "nothing can be recorded without procedures";
      expectInkWhereSelected(original, document.image, mask);
    }
    EXPECT_EQ(host.record().bigDocumentData, nullptr);
    EXPECT_EQ(host.record().sSPBasic, nullptr);
    EXPECT_EQ(host.record().inColumnBytes, 0);
  }
}

}  // namespace
}  // namespace qm::test
