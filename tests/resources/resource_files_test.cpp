// SPDX-License-Identifier: LicenseRef-Quillmark
// The generated resource files: raw data as resource-script words (the dot textures among
// them), bitmap files, and the about-box artwork.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "render/dot_textures.h"
#include "resources/about_artwork.h"
#include "resources/bitmap_file.h"
#include "resources/dot_texture_script.h"
#include "resources/rc_raw_data.h"
#include "tests/resources/resource_reader.h"

namespace qm::test {
namespace {

// A resource of a resource script, "ID TYPE DISCARDABLE BEGIN ... END", with the bytes a
// resource compiler makes of its 16-bit words ("0x1234", low byte first).
struct ScriptResource {
  int id;
  std::string type;
  std::vector<std::uint8_t> bytes;
};

std::vector<ScriptResource> readScriptResources(const std::string& script) {
  std::vector<ScriptResource> resources;
  const std::regex header(R"((\d+) (\w+) DISCARDABLE\nBEGIN\n)");
  const std::regex number("0x([0-9A-Fa-f]+)");
  for (auto it = std::sregex_iterator(script.begin(), script.end(), header); it != std::sregex_iterator(); ++it) {
    ScriptResource resource{std::stoi((*it)[1].str()), (*it)[2].str(), {}};
    const std::size_t begin = std::size_t(it->position() + it->length());
    const std::string body = script.substr(begin, script.find("END", begin) - begin);
    for (auto word = std::sregex_iterator(body.begin(), body.end(), number); word != std::sregex_iterator(); ++word) {
      const unsigned long value = std::stoul((*word)[1].str(), nullptr, 16);
      EXPECT_LE(value, 0xFFFFul);
      resource.bytes.insert(resource.bytes.end(), {std::uint8_t(value), std::uint8_t(value >> 8)});
    }
    resources.push_back(resource);
  }
  return resources;
}


// Odd, empty and even counts of bytes, the last longer than one line of words.
TEST(RawDataResource, WordsGiveBackTheBytesWithOnePaddingZeroForAnOddCount) {
  using Bytes = std::vector<std::uint8_t>;
  const Bytes odd = {0x01, 0x00, 0xFF, 0x80, 'M', 'I', 'B', '8', 0x7F, 0xA5, 0x00, 0x42, 0xC3};
  for (const Bytes& bytes : {odd, Bytes{}, Bytes(34, 0xAB)}) {
    const std::string script = resources::rawDataResource(16000, "PIPL", bytes);
    const std::vector<ScriptResource> read = readScriptResources(script);
    ASSERT_EQ(read.size(), 1u) << script;
    EXPECT_EQ(read[0].id, 16000);
    EXPECT_EQ(read[0].type, "PIPL");
    Bytes stored = bytes;
    if (stored.size() % 2 != 0) stored.push_back(0);
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
  std::ifstream file(std::filesystem::path(__FILE__).parent_path() / "../../resources/quillmark.rc");
  ASSERT_TRUE(file) << "resources/quillmark.rc beside the tests";
  const std::string text{std::istreambuf_iterator<char>(file), {}};
  EXPECT_NE(text.find("\n#include \"dot_textures.rc\""), std::string::npos);
}

// "BM", file size, reserved, where the pixels start, then the info header's size, width,
// height, planes, bits per pixel, compression and the size of the pixels.
std::vector<std::uint32_t> bitmapHeader(const std::vector<std::uint8_t>& file) {
  ResourceReader r(file);
  return {r.u8(), r.u8(), r.u32(), r.u32(), r.u32(), r.u32(), r.u32(), r.u32(), r.u16(), r.u16(), r.u32(), r.u32()};
}

TEST(BitmapFile, TwentyFourBitRowsRunBottomUpInBlueGreenRedOrderPaddedToFour) {
  resources::RgbImage image{3, 2, {}};
  // Top row red, green, blue; bottom row white, black, grey.
  image.rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};
  const std::vector<std::uint8_t> file = resources::encodeBitmap24(image);
  // The pixels right after both headers: two rows of 9 bytes padded to 12.
  EXPECT_EQ(bitmapHeader(file), (std::vector<std::uint32_t>{'B', 'M', 54 + 24, 0, 54, 40, 3, 2, 1, 24, 0, 24}));
  ASSERT_EQ(file.size(), 54u + 24u);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()),
            (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0,  //
                                       0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}));
}

TEST(BitmapFile, OneBitMaskHasABlackWhitePaletteAndMostSignificantBitFirst) {
  std::vector<bool> white(20, false);
  for (int i : {0, 9, 10}) white[std::size_t(i)] = true;  // both ends of the top row, the first of the bottom one
  const std::vector<std::uint8_t> file = resources::encodeBitmap1(10, 2, white);
  // The pixels after both headers and a palette of two entries: two rows of 4 bytes.
  EXPECT_EQ(bitmapHeader(file), (std::vector<std::uint32_t>{'B', 'M', 62 + 8, 0, 62, 40, 10, 2, 1, 1, 0, 8}));
  ResourceReader palette(file, 46);
  EXPECT_EQ(palette.u32(), 2u);  // entries
  palette.skip(4);
  EXPECT_EQ((std::vector<std::uint32_t>{palette.u32(), palette.u32()}), (std::vector<std::uint32_t>{0, 0xFFFFFF}));
  ASSERT_EQ(file.size(), 62u + 8u);
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
