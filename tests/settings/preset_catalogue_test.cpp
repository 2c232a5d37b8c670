// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/preset_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "formats/html_catalogue.h"
#include "tests/formats/html_page_checks.h"
#include "tests/settings/preset_test_files.h"

namespace qm::test {
namespace {

// A catalogue picture as the browser gets it, with the metadata it carries.
struct CataloguePicture {
  Buffer image;
  JpegMetadata metadata;
};
CataloguePicture readCataloguePicture(const std::string& path) {
  const std::string bytes = readBytes(path);
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  JpegInfo info;
  EXPECT_TRUE(readJpegInfo(data, bytes.size(), info)) << path;
  CataloguePicture picture{makeBuffer(std::max(info.width, 1), std::max(info.height, 1), kRgba8), {}};
  EXPECT_TRUE(decodeJpeg(data, bytes.size(), *picture.image)) << path;
  EXPECT_TRUE(readJpegMetadata(data, bytes.size(), picture.metadata)) << path;
  return picture;
}

struct PresetCatalogue : ::testing::Test {
  std::string folder = tempPath("my presets");
  std::string page = tempPath("page/Quillmark presets.html");
  std::string error;
  InkSettings settings = priorSettings();

  void SetUp() override {
    std::filesystem::create_directories(folder + "/sub.q7q");
    std::filesystem::create_directories(tempPath("page"));
    for (const char* name : {"A & B.q7q", "x.Q7Q", "d.q7q", "e.q7q"})
      ASSERT_EQ(writePreset(folder + "/" + name, settings, &halfRedHalfBlue()), 0);
    for (const char* name : {"b.q7q", "c.q7q"}) ASSERT_EQ(writePreset(folder + "/" + name, settings, nullptr), 0);
    writeBytes(folder + "/broken.q7q", "no preset");
    writeBytes(folder + "/notes.txt", "not listed");
  }
};

TEST_F(PresetCatalogue, ListsEveryPresetInNameOrderWithItsPicture) {
  ASSERT_EQ(writePresetCatalogue(folder + "/", page, error), 0) << error;
  const std::string text = readBytes(page);
  const PageCounts counts = countPage(text);
  EXPECT_EQ(counts.pictures, 7);
  EXPECT_EQ(counts.fillers, 3);
  EXPECT_EQ(counts.rows, 2);
  EXPECT_NE(text.find("Quillmark presets from my presets<br>"), std::string::npos);
  EXPECT_EQ(text.find("notes"), std::string::npos);
  EXPECT_EQ(text.find("sub"), std::string::npos);
  std::size_t previous = 0;
  for (const char* caption : {">A &amp; B<", ">b<", ">broken<", ">c<", ">d<", ">e<", ">x<"}) {
    const std::size_t at = text.find(caption);
    ASSERT_NE(at, std::string::npos) << caption;
    EXPECT_GT(at, previous) << caption;
    previous = at;
  }
  EXPECT_NE(text.find("src=\"web_images/A%20%26%20B.jpg\" alt=\"A &amp; B.jpg\" width=\"88\" height=\"88\""),
            std::string::npos);

  const CataloguePicture pictured = readCataloguePicture(tempPath("page/web_images/A & B.jpg"));
  EXPECT_EQ(pictured.image->width[0], kCataloguePictureSide);
  EXPECT_TRUE(isHalfRedHalfBlue(*pictured.image, kCataloguePictureSide));
  EXPECT_FALSE(pictured.metadata.exif.empty());
  EXPECT_FALSE(pictured.metadata.iptc.empty());
  // Without a readable picture, the grey ramp of the whole thumbnail, from white down.
  for (const char* name : {"broken", "b"}) {
    const CataloguePicture ramp = readCataloguePicture(tempPath("page/web_images/") + name + ".jpg");
    EXPECT_NEAR(rgbAt(*ramp.image, 44, 0)[1], 255, 8) << name;
    EXPECT_NEAR(rgbAt(*ramp.image, 44, kCataloguePictureSide - 1)[1], 129, 8) << name;
  }
  expectValidHtml(page);
  openInBrowser(page, 7);
}

TEST_F(PresetCatalogue, FailsWithAMessageAndLeavesAnOlderPageAsItWas) {
  writeBytes(page, "older page");
  EXPECT_EQ(writePresetCatalogue(tempPath("no such folder"), page, error), platform::kReadFailed);
  EXPECT_NE(error.find("no such folder"), std::string::npos);
  EXPECT_EQ(readBytes(page), "older page");
  EXPECT_FALSE(std::filesystem::exists(tempPath("page/web_images")));

  error.clear();
  EXPECT_EQ(writePresetCatalogue(folder, tempPath("no page folder/page.html"), error), platform::kOpenRefused);
  EXPECT_NE(error.find("cannot be written"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(tempPath("no page folder")));
}

}  // namespace
}  // namespace qm::test
