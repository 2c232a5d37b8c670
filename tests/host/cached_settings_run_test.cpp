// SPDX-License-Identifier: LicenseRef-Quillmark
// The last applied look comes back in a run the host does not replay: written after a
// render that finished, never after one the user stopped, and never over recorded settings.
#include <gtest/gtest.h>

#include "cli/look_values.h"
#include "tests/host/plugin_fixture.h"

namespace qm::test {
namespace {

// The look the plug-in recorded at the end of a run.
UserValues recordedLook(const cli::RunOutcome& outcome) {
  UserValues look{};
  EXPECT_TRUE(outcome.recorded.has_value());
  if (outcome.recorded) cli::applyItems(*outcome.recorded, look);
  return look;
}

cli::RunOutcome runWith(const std::optional<std::string>& look, bool stopAtOnce = false) {
  cli::HostOptions options;
  if (stopAtOnce) options.shouldAbort = [] { return true; };
  cli::SubstituteHost host = makeHost(options);
  cli::HostDocument document = makeDocument(makeTestImage(48, 32, cli::SampleType::UInt8, 3, false));
  cli::RunRequest request = look ? requestWithLook(*look) : cli::RunRequest{};
  return host.run(document, request);
}

TEST_F(PluginTest, TheLastFinishedLookReturnsWhenNoSettingsAreBroughtAndAStoppedOneDoesNot) {
  // Nothing cached yet: the defaults.
  EXPECT_EQ(recordedLook(runWith(std::nullopt)).style, 4);

  ASSERT_EQ(runWith("QNky style = QN07\nQmky line = Qm05\n0004 warping = 61\n").result, 0);
  UserValues cached = recordedLook(runWith(std::nullopt));
  EXPECT_EQ(cached.style, 7);
  EXPECT_EQ(cached.lineWeight, 5);
  EXPECT_EQ(cached.warping, 61);
  EXPECT_EQ(cached.blendMode, 1);

  // Stopped by the user: the file keeps the look of the last finished render.
  EXPECT_EQ(runWith("QNky style = QN12\n", true).result, pi::userCanceledErr);
  EXPECT_EQ(recordedLook(runWith(std::nullopt)).style, 7);

  // Recorded settings win over the cached look, and what they leave out is at its default.
  EXPECT_EQ(recordedLook(runWith("QNky style = QN03\n")).warping, 20);
}

}  // namespace
}  // namespace qm::test
