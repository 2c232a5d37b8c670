// SPDX-License-Identifier: LicenseRef-Quillmark
// Two-step undo: the two newest states, swapped by Undo, and the undo files of the steps
// that replace the whole settings.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "settings/preset_file.h"
#include "tests/test_images.h"
#include "ui/undo.h"

namespace qm {
namespace {

class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_STATE_HOME", test::tempPath("state").c_str(), 1);
    std::memset(&store, 0xA5, sizeof store);  // as the host's memory may hold it
    resetUndo(store);
    resetForRun(settings);
  }
  void push(int style, const char* name, bool withFile) {
    settings.look.style = style;
    setText(settings.settingsName, name);
    PushUndo(store, settings, withFile);
  }
  void undoTo(int style, const char* name) {
    ASSERT_TRUE(Undo(store, settings));
    EXPECT_EQ(settings.look.style, style);
    EXPECT_STREQ(settings.settingsName, name);
  }
  // Each test keeps the filter's files in a folder of its own, then hands the process's back.
  void TearDown() override { ::setenv("XDG_STATE_HOME", processFolder.c_str(), 1); }
  const std::string processFolder = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
  InkSettings settings{};
  UndoStore store;
};

TEST_F(UndoTest, SwapsTheTwoNewestStatesAndForgetsOlderOnes) {
  push(2, "A", true);  // as the dialog opens
  EXPECT_FALSE(Undo(store, settings)) << "nothing to undo before the first change";
  EXPECT_EQ(settings.look.style, 2);
  push(3, "B", false);
  undoTo(2, "A");
  undoTo(3, "B");
  push(5, "C", false);
  std::set<int> reached;
  for (int press = 1; press <= 4; ++press) {
    ASSERT_TRUE(Undo(store, settings));
    reached.insert(settings.look.style);
    if (press % 2 == 0) {
      EXPECT_EQ(settings.look.style, 5) << "an even number of presses returns to the newest";
    }
  }
  EXPECT_EQ(reached, (std::set<int>{3, 5})) << "A is no longer reachable";
}

TEST_F(UndoTest, UndoAfterLoadingBringsBackTheWholeLookFromItsFile) {
  settings.look = {.style = 12, .scale = 3, .blendMode = 40, .gray = 1, .diameter = 200,
                   .sharpen = 10, .lineWeight = 5, .invertMode = 4, .warping = 77, .angle = 300};
  const UserValues before = settings.look;
  push(12, "before loading", true);
  setDefaults(settings);  // what loading does before it reads the file
  push(20, "loaded.q7q", true);
  undoTo(12, "before loading");
  EXPECT_EQ(std::memcmp(&before, &settings.look, sizeof before), 0);

  InkSettings other = settings;  // the file has the last word, the name comes from memory
  other.look.style = 9;
  ASSERT_EQ(writePreset(undoFilePath(0), other, nullptr), 0);
  undoTo(9, "loaded.q7q");
  std::filesystem::remove(undoFilePath(1));  // a missing file leaves the look from memory
  undoTo(12, "before loading");
}

TEST_F(UndoTest, AFailedWriteNeverBringsBackAnOlderFile) {
  push(2, "A", true);  // slot 1's file holds A
  push(3, "B", false);
  // Writes past 8 bytes fail, as on a full disk, while slot 1 is written again.
  rlimit saved{}, limited{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  limited = {8, saved.rlim_max};
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &limited);
  push(5, "C", true);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  InkSettings stale{};
  ASSERT_EQ(readPreset(undoFilePath(1), stale, PresetReadMode::Load, nullptr).result, 0);
  ASSERT_EQ(stale.look.style, 2) << "the old file stayed whole";
  push(6, "D", false);
  undoTo(5, "C");
}

}  // namespace
}  // namespace qm
