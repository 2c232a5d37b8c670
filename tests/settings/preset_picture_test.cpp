// SPDX-License-Identifier: LicenseRef-Quillmark
// A preset's picture at the size its viewers want, and old preset folders brought up to
// date.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "tests/settings/preset_test_files.h"

namespace qm {
namespace {

using test::PresetBytes;

TEST(PresetPicture, IsResampledToTheSizeAskedOrLeavesTheRampWithoutOne) {
  InkSettings settings = test::priorSettings();
  const std::string pictured = test::tempPath("pictured.q7q"), plain = test::tempPath("plain.q7q");
  ASSERT_EQ(writePreset(pictured, settings, &test::halfRedHalfBlue()), 0);
  ASSERT_EQ(writePreset(plain, settings, nullptr), 0);
  test::Thumbnail thumbnail, target(1);
  for (const std::int32_t size : {128, 64, 40, 200}) {
    ASSERT_TRUE(readPicture(pictured, thumbnail.record, target.image, size)) << size;
    EXPECT_EQ(std::make_pair(target.image.width[0], target.image.height[0]), std::make_pair(size, size));
    EXPECT_TRUE(test::isHalfRedHalfBlue(target.image, size)) << size;
  }
  EXPECT_FALSE(readPicture(plain, thumbnail.record, target.image, 32));
  EXPECT_TRUE(test::isGreyRamp(thumbnail.image));
  EXPECT_EQ(target.image.width[0], 200) << "the target stays as it was";
  // A raw picture of 2 x 2 fills the whole target, not the ramp around it.
  const std::string raw = test::tempPath("raw.q5q");
  test::writeBytes(raw, PresetBytes{}.words({187, 1, 1, 1, 0, 0, 0, 1, 50, 50, 1, 2, 0}).bytes(std::vector<std::uint8_t>(12, 200)).text);
  ASSERT_TRUE(readPicture(raw, thumbnail.record, target.image, 32));
  EXPECT_NEAR(test::rgbAt(target.image, 31, 31)[1], 200, 1);
}

TEST(PresetFolderConversion, RewritesOldPresetsInPlaceAndRenamesQ9q) {
  const std::string folder = test::tempPath("old presets");
  std::filesystem::create_directories(folder + "/folder.q5q");
  const std::string v186 = PresetBytes{}.words({186, 9, 2, 3, 60, 200, 1, 12, 100, 40}).text;
  const std::string v181 = PresetBytes{}.words({181, 14, 1, 2, 30, 90, 1}).text;
  // Left alone: not an old name, read-only, no preset, cut short, and the name "c.q9q" wants.
  const std::pair<std::string, std::string> untouched[] = {{"d.q7q", v186}, {"locked.q5q", v186},
      {"notes.q5q.txt", "notes"}, {"cut.q5q", v186.substr(0, 30)}, {"c.q5q", "taken"}};
  for (const auto& [name, bytes] : untouched) test::writeBytes(folder + "/" + name, bytes);
  for (const auto& [name, bytes] : {std::pair{"a.q5q", v186}, {"c.q9q", v186}, {"e.Q9Q", v181}})
    test::writeBytes(folder + "/" + name, bytes);
  std::filesystem::permissions(folder + "/locked.q5q", std::filesystem::perms(0444));

  InkSettings settings = test::priorSettings();
  setText(settings.settingsName, "my look");
  const InkSettings before = settings;
  std::vector<std::string> pictured;
  const auto makePicture = [&](const InkSettings& look, ImageBuffer& picture) {
    pictured.push_back(look.settingsName);
    fillGreyRamp(picture);
    return look.look.style != 14;  // e goes without a picture
  };
  EXPECT_EQ(convertPresetFolder(folder, settings, makePicture), 3);
  EXPECT_EQ(pictured, (std::vector<std::string>{"a.q5q", "c.q9q", "e.Q9Q"}));
  EXPECT_EQ(std::memcmp(&settings.look, &before.look, sizeof settings.look), 0);
  EXPECT_STREQ(settings.settingsName, "my look");

  // The defaults under each file, and the user's blend mode where the file had none.
  EXPECT_EQ(test::readBytes(folder + "/e.q5q"), PresetBytes{}.words({191, 14, 1, 2, 30, 90, 1, 7, 0, 75, 0, 3, 0}).text);
  EXPECT_FALSE(std::filesystem::exists(folder + "/e.Q9Q"));
  const std::string converted = PresetBytes{}.words({191, 9, 2, 3, 60, 200, 1, 12, 100, 40, 0, 3, 1}).text;
  for (const char* name : {"a.q5q", "c.q9q"}) EXPECT_EQ(test::readBytes(folder + "/" + name).substr(0, 52), converted);
  for (const auto& [name, bytes] : untouched) EXPECT_EQ(test::readBytes(folder + "/" + name), bytes) << name;
  EXPECT_EQ(convertPresetFolder(folder + "/missing", settings, makePicture), -1);
}

}  // namespace
}  // namespace qm
