// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/cached_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/settings/preset_test_files.h"

namespace qm {
namespace {

TEST(CachedSettings, TheLastLookReturnsAndAMissingFileChangesNothing) {
  const std::string restore = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
  ::setenv("XDG_STATE_HOME", test::tempPath("cached state").c_str(), 1);
  InkSettings fresh = test::priorSettings(), applied = test::priorSettings();
  applied.look.style = 7;
  EXPECT_FALSE(loadCachedSettings(fresh));
  EXPECT_EQ(fresh.look.style, 4);
  ASSERT_EQ(saveCachedSettings(applied), 0);
  EXPECT_EQ(std::filesystem::file_size(platform::temporaryPath(kCachedSettingsName)), 13u * 4) << "no picture";
  EXPECT_TRUE(loadCachedSettings(fresh));
  EXPECT_EQ(test::valuesOf(fresh.look), test::valuesOf(applied.look));
  restore.empty() ? ::unsetenv("XDG_STATE_HOME") : ::setenv("XDG_STATE_HOME", restore.c_str(), 1);
}

}  // namespace
}  // namespace qm
