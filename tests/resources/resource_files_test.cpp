// SPDX-License-Identifier: LicenseRef-Quillmark
// The generated resource files: raw data as resource-script words, bitmap files, and the
// about-box artwork.
#include <gtest/gtest.h>

#include <regex>

#include "resources/about_artwork.h"
#include "resources/bitmap_file.h"
#include "resources/rc_raw_data.h"
#include "tests/resources/resource_reader.h"

namespace qm::test {
namespace {

// The bytes a resource compiler makes of the numbers between BEGIN and END (16-bit words).
std::vector<std::uint8_t> wordsToBytes(const std::string& script) {
  const std::size_t begin = script.find("BEGIN");
  const std::size_t end = script.find("END", begin + 5);
  const std::string body = script.substr(begin + 5, end - begin - 5);
  std::vector<std::uint8_t> bytes;
  const std::regex number("0x([0-9A-Fa-f]+)");
  for (auto it = std::sregex_iterator(body.begin(), body.end(), number); it != std::sregex_iterator(); ++it) {
    const unsigned long word = std::stoul((*it)[1].str(), nullptr, 16);
    EXPECT_LE(word, 0xFFFFul);
    bytes.push_back(std::uint8_t(word));
    bytes.push_back(std::uint8_t(word >> 8));
  }
  return bytes;
}

TEST(RawDataResource, WordsGiveBackTheBytesWithOnePaddingZeroForAnOddCount) {
  const std::vector<std::uint8_t> bytes = {0x01, 0x00, 0xFF, 0x80, 'M', 'I', 'B', '8', 0x7F, 0xA5, 0x00, 0x42, 0xC3};
  const std::string script = resources::rawDataResource(16000, "PIPL", bytes);
  EXPECT_EQ(script.rfind("16000 PIPL DISCARDABLE\nBEGIN\n", 0), 0u) << script;
  EXPECT_NE(script.find("\nEND\n"), std::string::npos);
  // Quoted strings would depend on the compiler's code page; only numbers are written.
  EXPECT_EQ(script.find('"'), std::string::npos);
  std::vector<std::uint8_t> expected = bytes;
  expected.push_back(0);
  EXPECT_EQ(wordsToBytes(script), expected);
  // No trailing comma before END, which a resource compiler would read as one more word.
  EXPECT_EQ(std::regex_search(script, std::regex(",\\s*END")), false);
}

TEST(RawDataResource, EmptyAndEvenInputs) {
  EXPECT_TRUE(wordsToBytes(resources::rawDataResource(1, "AETE", {})).empty());
  const std::vector<std::uint8_t> even(34, 0xAB);  // more than one line of words
  EXPECT_EQ(wordsToBytes(resources::rawDataResource(1, "AETE", even)), even);
}

TEST(BitmapFile, TwentyFourBitRowsRunBottomUpInBlueGreenRedOrderPaddedToFour) {
  resources::RgbImage image{3, 2, {}};
  // Top row red, green, blue; bottom row white, black, grey.
  image.rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};
  const std::vector<std::uint8_t> file = resources::encodeBitmap24(image);
  ResourceReader reader(file);
  EXPECT_EQ(reader.u8(), 'B');
  EXPECT_EQ(reader.u8(), 'M');
  EXPECT_EQ(reader.u32(), file.size());
  reader.u32();
  EXPECT_EQ(reader.u32(), 54u);  // pixels follow the two headers
  EXPECT_EQ(reader.u32(), 40u);
  EXPECT_EQ(reader.u32(), 3u);
  EXPECT_EQ(reader.u32(), 2u);
  EXPECT_EQ(reader.u16(), 1);
  EXPECT_EQ(reader.u16(), 24);
  EXPECT_EQ(reader.u32(), 0u);
  EXPECT_EQ(reader.u32(), 24u);  // two rows of 9 bytes padded to 12
  ASSERT_EQ(file.size(), 54u + 24u);
  const std::vector<std::uint8_t> pixels(file.begin() + 54, file.end());
  const std::vector<std::uint8_t> expected = {255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0,
                                              0,   0,   255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
  EXPECT_EQ(pixels, expected);
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
  EXPECT_EQ(picture.width, resources::kAboutPictureWidth);
  EXPECT_EQ(picture.height, resources::kAboutPictureHeight);
  ASSERT_EQ(picture.rgb.size(), std::size_t(picture.width * picture.height * 3));
  EXPECT_EQ(picture.rgb, resources::drawAboutPicture().rgb);
  // Ink on paper: both near-black and near-paper pixels occur.
  int dark = 0;
  int light = 0;
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
  // A round mark: the corners are background, the centre is drawn.
  EXPECT_TRUE(mark.maskWhite.front());
  EXPECT_TRUE(mark.maskWhite.back());
  EXPECT_FALSE(mark.maskWhite[std::size_t(resources::kMarkSize / 2 * (resources::kMarkSize + 1))]);
  EXPECT_GT(shown, resources::kMarkSize * resources::kMarkSize / 2);
}

}  // namespace
}  // namespace qm::test
