// SPDX-License-Identifier: LicenseRef-Quillmark
// Two-step undo: the two newest states, swapped by Undo, and the undo files of the steps
// that replace the whole settings.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "settings/preset_file.h"
#include "tests/settings/preset_test_files.h"
#include "ui/undo.h"

namespace qm {
namespace {

class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
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
  const test::OwnStateFolder state;
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
  // A is no longer reachable: Undo goes back and forth between B and C.
  for (const auto& [style, name] : {std::pair{3, "B"}, {5, "C"}, {3, "B"}, {5, "C"}}) undoTo(style, name);
}

TEST_F(UndoTest, UndoAfterLoadingBringsBackTheWholeLookFromItsFile) {
  settings.look = {12, 3, 40, 1, 200, 10, 5, 4, 77, 300};  // in record order
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
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit limited{8, saved.rlim_max};
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
