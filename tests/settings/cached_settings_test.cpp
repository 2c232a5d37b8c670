// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/cached_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/files.h"
#include "tests/settings/preset_test_files.h"

namespace qm {
namespace {

TEST(CachedSettings, TheLastLookReturnsAndAMissingFileChangesNothing) {
  const char* saved = std::getenv("XDG_STATE_HOME");
  const std::string restore = saved ? saved : "";
  ::setenv("XDG_STATE_HOME", test::tempPath("cached state").c_str(), 1);
  const std::string path = platform::temporaryPath(kCachedSettingsName);

  InkSettings fresh = test::priorSettings();
  const InkSettings untouched = fresh;
  EXPECT_FALSE(loadCachedSettings(fresh));
  EXPECT_EQ(std::memcmp(&fresh, &untouched, sizeof fresh), 0);

  InkSettings applied = test::priorSettings();
  applied.look.style = 7;
  applied.look.blendMode = 33;
  applied.formatVersion = 5;
  ASSERT_EQ(saveCachedSettings(applied), 0);
  EXPECT_EQ(applied.formatVersion, 5) << "the caller's record is not written to";
  EXPECT_EQ(std::filesystem::file_size(path), 13u * 4) << "no picture";
  EXPECT_TRUE(loadCachedSettings(fresh));
  EXPECT_TRUE(test::sameLook(fresh.look, applied.look));

  saved ? ::setenv("XDG_STATE_HOME", restore.c_str(), 1) : ::unsetenv("XDG_STATE_HOME");
}

}  // namespace
}  // namespace qm
