// SPDX-License-Identifier: LicenseRef-Quillmark
// What a run keeps in the filter's own files: the last applied look comes back in a run the
// host does not replay (written after a render that finished, never after one the user
// stopped, never over recorded settings); the kept memory dots survive every run; the
// dialog opens with its first state saved for Undo.
#include <gtest/gtest.h>

#include "cli/look_values.h"
#include "settings/memory_dot_map.h"
#include "settings/preset_file.h"
#include "ui/undo.h"
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

cli::RunOutcome runWith(const std::optional<std::string>& look, bool stopAtOnce = false,
                        pi::int16 playInfo = pi::plugInDialogDontDisplay) {
  cli::HostOptions options;
  if (stopAtOnce) options.shouldAbort = [] { return true; };
  cli::SubstituteHost host = makeHost(options);
  cli::HostDocument document = makeDocument(makeTestImage(48, 32, cli::SampleType::UInt8, 3, false));
  cli::RunRequest request = look ? requestWithLook(*look) : cli::RunRequest{};
  request.playInfo = playInfo;
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

TEST_F(PluginTest, KeptDotsSurviveFinishedAndStoppedRuns) {
  clearKeptMap();
  setKept(3, true);
  setKept(24, true);
  ASSERT_EQ(writeMap(), 0);
  clearKeptMap();  // as in a new process: the run must read the map before writing it back
  ASSERT_EQ(runWith("QNky style = QN02\n").result, 0);
  EXPECT_EQ(runWith("QNky style = QN02\n", true).result, pi::userCanceledErr);
  clearKeptMap();
  ASSERT_EQ(readMap(), 0);
  for (int slot = 0; slot < kMemoryDotCount; ++slot) EXPECT_EQ(isKept(slot), slot == 3 || slot == 24) << slot;
}

TEST_F(PluginTest, TheDialogOpensWithItsFirstStateSavedForUndo) {
  ASSERT_EQ(runWith("QNky style = QN11\n0005 angle = 300\n", false, pi::plugInDialogDisplay).result, 0);
  InkSettings saved{};
  resetForRun(saved);
  const PresetReadResult read = readPreset(undoFilePath(1), saved, PresetReadMode::Load, nullptr);
  EXPECT_EQ(read.result, 0);
  EXPECT_EQ(saved.look.style, 11);
  EXPECT_EQ(saved.look.angle, 300);
}

}  // namespace
}  // namespace qm::test
