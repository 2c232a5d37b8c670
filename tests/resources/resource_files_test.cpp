// SPDX-License-Identifier: LicenseRef-Quillmark
// The generated resource files: raw data as resource-script words (the dot textures among
// them), bitmap files, and the about-box artwork.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "render/dot_textures.h"
#include "resources/about_artwork.h"
#include "resources/bitmap_file.h"
#include "resources/dot_texture_script.h"
#include "resources/rc_raw_data.h"
#include "tests/resources/resource_reader.h"

namespace qm::test {
namespace {

// Odd, empty and even counts of bytes, the last longer than one line of words.
TEST(RawDataResource, WordsGiveBackTheBytesWithOnePaddingZeroForAnOddCount) {
  using Bytes = std::vector<std::uint8_t>;
  const Bytes odd = {0x01, 0x00, 0xFF, 0x80, 'M', 'I', 'B', '8', 0x7F, 0xA5, 0x00, 0x42, 0xC3};
  Bytes padded = odd;
  padded.push_back(0);
  for (const auto& [bytes, stored] : {std::pair{odd, padded}, std::pair{Bytes{}, Bytes{}},
                                      std::pair{Bytes(34, 0xAB), Bytes(34, 0xAB)}}) {
    const std::string script = resources::rawDataResource(16000, "PIPL", bytes);
    const std::vector<ScriptResource> read = readScriptResources(script);
    ASSERT_EQ(read.size(), 1u) << script;
    EXPECT_EQ(read[0].id, 16000);
    EXPECT_EQ(read[0].type, "PIPL");
    EXPECT_EQ(read[0].bytes, stored);
    // Quoted strings would depend on the compiler's code page; only numbers are written. A
    // trailing comma before END would be read as one more word.
    EXPECT_EQ(script.find('"'), std::string::npos);
    EXPECT_FALSE(std::regex_search(script, std::regex(",\\s*END"))) << script;
  }
}

// The dot textures' script holds exactly the four textures under their ids, byte for byte
// the generator's, and the plug-in's resource script takes it in.
TEST(DotTextureResources, ScriptHoldsTheGeneratorsBytesUnderTheFourIds) {
  const std::vector<ScriptResource> resources = readScriptResources(resources::dotTexturesScript());
  ASSERT_EQ(resources.size(), kDotTextureIds.size());
  for (std::size_t i = 0; i < resources.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "resource " << resources[i].id);
    EXPECT_EQ(resources[i].id, kDotTextureIds[i]);
    EXPECT_EQ(resources[i].type, "RCDATA");  // type 10
    const std::uint8_t* texture = dotTexture(resources[i].id);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(resources[i].bytes, std::vector<std::uint8_t>(texture, texture + kDotTextureBytes));
  }
  const std::filesystem::path source = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
  std::ifstream file(source / "resources" / "quillmark.rc");
  ASSERT_TRUE(file) << "resources/quillmark.rc beside the tests";
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_NE(text.str().find("\n#include \"dot_textures.rc\""), std::string::npos);
}

TEST(BitmapFile, TwentyFourBitRowsRunBottomUpInBlueGreenRedOrderPaddedToFour) {
  resources::RgbImage image{3, 2, {}};
  // Top row red, green, blue; bottom row white, black, grey.
  image.rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};
  const std::vector<std::uint8_t> file = resources::encodeBitmap24(image);
  ResourceReader r(file);
  // "BM", file size, reserved, pixels after both headers, header size, width, height, planes,
  // bits, no compression, and two rows of 9 bytes padded to 12.
  const std::vector<std::uint32_t> header = {r.u8(), r.u8(), r.u32(), r.u32(), r.u32(), r.u32(),
                                             r.u32(), r.u32(), r.u16(), r.u16(), r.u32(), r.u32()};
  EXPECT_EQ(header, (std::vector<std::uint32_t>{'B', 'M', 54 + 24, 0, 54, 40, 3, 2, 1, 24, 0, 24}));
  ASSERT_EQ(file.size(), 54u + 24u);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()),
            (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0,  //
                                       0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}));
}

TEST(BitmapFile, OneBitMaskHasABlackWhitePaletteAndMostSignificantBitFirst) {
  const int width = 10;
  std::vector<bool> white(20, false);
  white[0] = true;   // top row, first pixel
  white[9] = true;   // top row, last pixel
  white[10] = true;  // bottom row, first pixel
  const std::vector<std::uint8_t> file = resources::encodeBitmap1(width, 2, white);
  ASSERT_EQ(file.size(), 14u + 40u + 8u + 8u);
  ResourceReader reader(file, 10);
  EXPECT_EQ(reader.u32(), 62u);
  reader.skip(12);
  EXPECT_EQ(reader.u16(), 1);  // planes
  EXPECT_EQ(reader.u16(), 1);  // bits per pixel
  reader.skip(16);
  EXPECT_EQ(reader.u32(), 2u);  // palette entries
  reader.skip(4);
  EXPECT_EQ(reader.u32(), 0x000000u);
  EXPECT_EQ(reader.u32(), 0xFFFFFFu);
  // Bottom row first, each padded to four bytes.
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 62, file.end()),
            (std::vector<std::uint8_t>{0x80, 0x00, 0, 0, 0x80, 0x40, 0, 0}));
}

TEST(AboutArtwork, PictureHasItsSizeAndIsTheSameEveryTime) {
  const resources::RgbImage picture = resources::drawAboutPicture();
  ASSERT_EQ(picture.rgb.size(), std::size_t(resources::kAboutPictureWidth * resources::kAboutPictureHeight * 3));
  EXPECT_EQ(picture.rgb, resources::drawAboutPicture().rgb);
  // Ink on paper: both near-black and near-paper pixels occur.
  int dark = 0, light = 0;
  for (std::size_t i = 0; i < picture.rgb.size(); i += 3) {
    const int level = picture.rgb[i] + picture.rgb[i + 1] + picture.rgb[i + 2];
    dark += level < 3 * 80;
    light += level > 3 * 220;
  }
  EXPECT_GT(dark, 500);
  EXPECT_GT(light, picture.width * picture.height / 3);
}

TEST(AboutArtwork, MarkIsBlackWhereverItsMaskIsWhite) {
  const resources::AboutMark mark = resources::drawAboutMark();
  ASSERT_EQ(mark.image.width, resources::kMarkSize);
  ASSERT_EQ(mark.maskWhite.size(), std::size_t(resources::kMarkSize * resources::kMarkSize));
  int shown = 0;
  for (std::size_t i = 0; i < mark.maskWhite.size(); ++i) {
    const std::uint8_t* pixel = &mark.image.rgb[3 * i];
    if (mark.maskWhite[i])
      EXPECT_EQ(pixel[0] | pixel[1] | pixel[2], 0) << "pixel " << i;
    else
      ++shown;
  }
  // A round mark: the corners are background, and most of it is drawn.
  EXPECT_TRUE(mark.maskWhite.front() && mark.maskWhite.back());
  EXPECT_GT(shown, resources::kMarkSize * resources::kMarkSize / 2);
}

}  // namespace
}  // namespace qm::test
