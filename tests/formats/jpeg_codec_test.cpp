// SPDX-License-Identifier: LicenseRef-Quillmark
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "formats/jpeg_codec.h"
#include "tests/formats/jpeg_test_streams.h"

namespace qm::test {
namespace {

// Red, green and blue at 0..255 (grey in all three for Gray8), and opacity.
std::array<double, 4> rgbAt(const ImageBuffer& image, std::int32_t x, std::int32_t y) {
  float n[4];
  getNormalised(image, x, y, 0, n);
  return {std::round(n[0] * 255), std::round(n[1] * 255), std::round(n[2] * 255), std::round(n[3] * 255)};
}

double luma(const std::array<double, 4>& c) { return (77 * c[0] + 150 * c[1] + 29 * c[2]) / 256; }

TEST(JpegCodec, RoundTripStaysCloseAtEveryQualityAndFormat) {
  struct Case {
    std::int32_t source, target;
    int quality;
    double meanError;  // per channel (of grey when either is grey), 0..255
  };
  for (const Case c : {Case{kRgba8, kRgba8, 99, 1.0}, Case{kRgba8, kRgba8, 50, 2.0}, Case{kRgba8, kRgba8, 0, 6.0},
                       Case{kRgba16, kRgba8, 90, 1.5}, Case{kRgbaFloat, kRgba8, 75, 2.0}, Case{kGray8, kRgba8, 99, 1.0},
                       Case{kGray8, kGray8, 40, 2.0}, Case{kRgba8, kGray8, 99, 1.5}, Case{kRgbaFloat, kGray8, 20, 4.0}}) {
    SCOPED_TRACE(testing::Message() << "from " << c.source << " to " << c.target << " at " << c.quality);
    const Buffer source = smoothPicture(40, 24, c.source);
    const std::vector<std::uint8_t> stream = encodeJpeg(*source, c.quality);
    Buffer decoded = makeBuffer(40, 24, c.target);
    std::string error;
    ASSERT_TRUE(decodeJpeg(stream.data(), stream.size(), *decoded, &error)) << error;
    const bool grey = c.source == kGray8 || c.target == kGray8;
    double total = 0;
    for (std::int32_t y = 0; y < 24; ++y)
      for (std::int32_t x = 0; x < 40; ++x) {
        const auto want = rgbAt(*source, x, y), got = rgbAt(*decoded, x, y);
        for (int i = 0; i < (grey ? 1 : 3); ++i)
          total += grey ? std::abs(luma(want) - got[0]) : std::abs(want[std::size_t(i)] - got[std::size_t(i)]);
        ASSERT_EQ(got[3], 255);
      }
    EXPECT_LE(total / (40 * 24 * (grey ? 1 : 3)), c.meanError);
  }
}

// Paper must stay paper when a colour stream is read as grey.
TEST(JpegCodec, WhiteColourStreamDecodesToWhiteGrey) {
  Buffer white = makeBuffer(24, 24, kRgba8);
  fillLevel0(*white, [](std::int32_t, std::int32_t) { return Pixel{255, 255, 255, 255}; });
  const std::vector<std::uint8_t> stream = encodeJpeg(*white, 95);
  Buffer grey = makeBuffer(24, 24, kGray8);
  ASSERT_TRUE(decodeJpeg(stream.data(), stream.size(), *grey));
  for (const Pixel& p : levelPixels(*grey)) ASSERT_EQ(p[0], 255);
}

// Another size or format is refused and the image left as it was made; nothing to encode
// or metadata too large for its marker gives no stream.
TEST(JpegCodec, RefusalsLeaveImagesAloneAndGiveNoStream) {
  const std::vector<std::uint8_t> stream = encodeJpeg(*smoothPicture(20, 18, kRgba8), 80);
  for (const auto& [width, height, format] : {std::tuple{18, 20, kRgba8}, std::tuple{20, 17, kGray8},
                                              std::tuple{20, 18, kRgba16}, std::tuple{20, 18, kRgbaFloat}}) {
    Buffer target = makeBuffer(width, height, format);
    std::string error;
    EXPECT_FALSE(decodeJpeg(stream.data(), stream.size(), *target, &error)) << width << " x " << height;
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(hasPixels(*target) && target->width[0] == width);
  }
  ImageBuffer empty;
  initImageBuffer(empty, nullptr);
  EXPECT_TRUE(encodeJpeg(empty, 50).empty());
  JpegMetadata tooLarge;
  tooLarge.exif.assign(65528, 1);
  EXPECT_TRUE(encodeJpeg(*smoothPicture(16, 16, kRgba8), 50, &tooLarge).empty());
  tooLarge.exif.pop_back();
  EXPECT_FALSE(encodeJpeg(*smoothPicture(16, 16, kRgba8), 50, &tooLarge).empty());
}

// Every table as docs/jpeg.md prints it: per t, luminance and chrominance side by side.
std::string quantTablesText() {
  std::string text = "```\n";
  for (int t = 0; t < 10; ++t) {
    text += "t = " + std::to_string(t) + ", quality " + std::to_string(t * 10) + " to " + std::to_string(t * 10 + 9) +
            "\n   luminance                   chrominance\n";
    for (int row = 0; row < 8; ++row) {
      for (int component = 0; component < 2; ++component) {
        text += component == 0 ? " " : "    ";
        for (int column = 0; column < 8; ++column) {
          char entry[8];
          std::snprintf(entry, sizeof entry, "%3d", jpegQuantTable(component, t * 10)[std::size_t(row * 8 + column)]);
          text += entry;
        }
      }
      text += "\n";
    }
  }
  return text + "```\n";
}

// The tables in the documentation are the tables the code makes.
TEST(JpegCodec, DocumentedTablesAreTheCodesTables) {
  std::ifstream file(std::filesystem::path(__FILE__).parent_path() / "../../docs/jpeg.md");
  ASSERT_TRUE(file) << "docs/jpeg.md beside the tests";
  std::stringstream contents;
  contents << file.rdbuf();
  const std::string doc = contents.str(), begin = "<!-- tables -->\n", end = "<!-- /tables -->";
  const std::size_t from = doc.find(begin), to = doc.find(end);
  ASSERT_TRUE(from != std::string::npos && to != std::string::npos);
  EXPECT_EQ(doc.substr(from + begin.size(), to - from - begin.size()), quantTablesText())
      << "paste this between the markers:\n" << quantTablesText();
}

}  // namespace
}  // namespace qm::test
