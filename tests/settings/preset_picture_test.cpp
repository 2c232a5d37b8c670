// SPDX-License-Identifier: LicenseRef-Quillmark
// A preset's picture at the size its viewers want, and old preset folders brought up to
// date.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>

#include "settings/preset_file.h"
#include "tests/settings/preset_test_files.h"

namespace qm {
namespace {

using test::PresetBytes;

TEST(PresetPicture, IsResampledToTheSizeAskedOrLeavesTheRampWithoutOne) {
  InkSettings settings = test::priorSettings();
  const std::string pictured = test::tempPath("pictured.q7q");
  ASSERT_EQ(writePreset(pictured, settings, &test::halfRedHalfBlue()), 0);
  for (const std::int32_t size : {128, 64, 40, 200}) {
    test::Thumbnail thumbnail;
    test::OwnImage target(1, 1);
    ASSERT_TRUE(readPicture(pictured, thumbnail.record, target.image, size)) << size;
    EXPECT_EQ(target.image.width[0], size);
    EXPECT_EQ(target.image.height[0], size);
    EXPECT_TRUE(test::isHalfRedHalfBlue(target.image, size)) << size;
  }
  // A raw picture of 2 x 2 fills the whole target.
  const std::string raw = test::tempPath("raw.q5q");
  test::writeBytes(raw, PresetBytes{}.words({187, 1, 1, 1, 0, 0, 0, 1, 50, 50, 1, 2, 0})
                            .bytes({200, 10, 10, 200, 10, 10, 200, 10, 10, 200, 10, 10}).text);
  test::Thumbnail thumbnail;
  test::OwnImage target(1, 1);
  ASSERT_TRUE(readPicture(raw, thumbnail.record, target.image, 32));
  const test::Rgb corner = test::rgbAt(target.image, 31, 31);
  EXPECT_NEAR(corner[0], 200, 1);
  EXPECT_NEAR(corner[1], 10, 1);
  // Without a picture the thumbnail shows the ramp and the target stays as it was.
  const std::string plain = test::tempPath("plain.q7q");
  ASSERT_EQ(writePreset(plain, settings, nullptr), 0);
  EXPECT_FALSE(readPicture(plain, thumbnail.record, target.image, 32));
  EXPECT_TRUE(test::isGreyRamp(thumbnail.pixels.image));
  EXPECT_EQ(target.image.width[0], 32);
}

TEST(PresetFolderConversion, RewritesOldPresetsInPlaceAndRenamesQ9q) {
  const std::string folder = test::tempPath("old presets");
  std::filesystem::create_directories(folder + "/folder.q5q");
  const std::string v186 = PresetBytes{}.words({186, 9, 2, 3, 60, 200, 1, 12, 100, 40}).text;
  const std::string v181 = PresetBytes{}.words({181, 14, 1, 2, 30, 90, 1}).text;
  const std::string notAPreset = "notes, not a preset";
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
           {"a.q5q", v186}, {"B.Q9Q", v181}, {"c.q9q", v186}, {"c.q5q", notAPreset}, {"d.q7q", v186},
           {"locked.q5q", v186}, {"notes.q5q.txt", notAPreset}, {"cut.q5q", v186.substr(0, 30)}})
    test::writeBytes(folder + "/" + name, bytes);
  std::filesystem::permissions(folder + "/locked.q5q", std::filesystem::perms(0444));

  InkSettings settings = test::priorSettings();
  setText(settings.settingsName, "my look");
  const InkSettings before = settings;
  std::vector<std::string> pictured;
  const auto makePicture = [&](const InkSettings& look, ImageBuffer& picture) {
    pictured.push_back(look.settingsName);
    for (std::int32_t y = 0; y < 128; ++y)
      for (std::int32_t x = 0; x < 128; ++x) setColour(picture, x, y, 0, std::array<std::uint8_t, 4>{0, 0, 255, 255}.data());
    return look.look.style != 14;  // the old B gets no picture
  };
  EXPECT_EQ(convertPresetFolder(folder, settings, makePicture), 3);
  EXPECT_EQ(pictured, (std::vector<std::string>{"B.Q9Q", "a.q5q", "c.q9q"}));
  EXPECT_EQ(std::memcmp(&settings.look, &before.look, sizeof settings.look), 0);
  EXPECT_STREQ(settings.settingsName, "my look");

  // Written in the current version over the defaults, with the user's blend mode where the
  // file had none; "c.q9q" keeps its name since "c.q5q" is taken.
  EXPECT_EQ(test::readBytes(folder + "/B.q5q"), PresetBytes{}.words({191, 14, 1, 2, 30, 90, 1, 7, 0, 75, 0, 3, 0}).text);
  EXPECT_FALSE(std::filesystem::exists(folder + "/B.Q9Q"));
    for (const char* name : {"a.q5q", "c.q9q"}) {
    test::Thumbnail thumbnail;
    InkSettings read = test::priorSettings();
    EXPECT_TRUE(readPreset(folder + "/" + name, read, PresetReadMode::Load, &thumbnail.record).pictureDelivered);
    EXPECT_TRUE(test::sameLook(read.look, {9, 2, 12, 1, 100, 40, 3, 3, 60, 200})) << name;
  }
  for (const auto& [name, bytes] : {std::pair{"d.q7q", v186}, {"locked.q5q", v186}, {"notes.q5q.txt", notAPreset},
                                    {"cut.q5q", v186.substr(0, 30)}, {"c.q5q", notAPreset}})
    EXPECT_EQ(test::readBytes(folder + "/" + name), bytes) << name;
  EXPECT_EQ(convertPresetFolder(folder + "/missing", settings, makePicture), -1);
}

}  // namespace
}  // namespace qm
