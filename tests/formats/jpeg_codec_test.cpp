// SPDX-License-Identifier: LicenseRef-Quillmark
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "formats/jpeg_codec.h"
#include "tests/formats/jpeg_test_streams.h"

namespace qm::test {
namespace {

// A decoded pixel as 0..255 red, green, blue (grey in all three).
std::array<double, 3> decodedRgb(const ImageBuffer& image, std::int32_t x, std::int32_t y) {
  const Pixel p = pixelAt(image, x, y);
  if (image.format == kGray8) return {p[0], p[0], p[0]};
  return {p[0], p[1], p[2]};
}

// The source's red, green, blue at 0..255 as the encoder reads them (truncated).
std::array<double, 3> sourceRgb(const ImageBuffer& image, std::int32_t x, std::int32_t y) {
  float n[4];
  getNormalised(image, x, y, 0, n);
  return {std::floor(n[0] * 255), std::floor(n[1] * 255), std::floor(n[2] * 255)};
}

double luma(const std::array<double, 3>& c) { return (77 * c[0] + 150 * c[1] + 29 * c[2]) / 256; }

struct RoundTrip {
  std::int32_t source;
  std::int32_t target;
  int quality;
  double meanError;  // per channel, 0..255
};

TEST(JpegCodec, RoundTripStaysCloseAtEveryQualityAndFormat) {
  const RoundTrip cases[] = {
      {kRgba8, kRgba8, 99, 1.0},   {kRgba8, kRgba8, 50, 2.0},      {kRgba8, kRgba8, 0, 6.0},
      {kRgba16, kRgba8, 90, 1.5},  {kRgbaFloat, kRgba8, 75, 2.0},  {kGray8, kRgba8, 99, 1.0},
      {kGray8, kGray8, 40, 2.0},   {kRgba8, kGray8, 99, 1.5},      {kRgbaFloat, kGray8, 20, 4.0},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.source << " to " << c.target << " at " << c.quality);
    const Buffer source = smoothPicture(40, 24, c.source);
    const std::vector<std::uint8_t> stream = encodeJpeg(*source, c.quality);
    ASSERT_FALSE(stream.empty());
    Buffer decoded = makeBuffer(40, 24, c.target);
    std::string error;
    ASSERT_TRUE(decodeJpeg(stream.data(), stream.size(), *decoded, &error)) << error;
    double total = 0;
    int samples = 0;
    for (std::int32_t y = 0; y < 24; ++y) {
      for (std::int32_t x = 0; x < 40; ++x) {
        const auto want = sourceRgb(*source, x, y), got = decodedRgb(*decoded, x, y);
        if (c.target == kGray8 || c.source == kGray8) {
          total += std::abs(luma(want) - got[0]), ++samples;
        } else {
          for (int i = 0; i < 3; ++i) total += std::abs(want[std::size_t(i)] - got[std::size_t(i)]), ++samples;
        }
        if (c.target == kRgba8) {
          EXPECT_EQ(pixelAt(*decoded, x, y)[3], 255);
        }
      }
    }
    EXPECT_LE(total / samples, c.meanError);
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

TEST(JpegCodec, WrongTargetIsRefusedAndLeftAlone) {
  const Buffer source = smoothPicture(20, 18, kRgba8);
  const std::vector<std::uint8_t> stream = encodeJpeg(*source, 80);
  struct Target {
    std::int32_t width, height, format;
  };
  for (const Target t : {Target{18, 20, kRgba8}, Target{20, 17, kGray8}, Target{20, 18, kRgba16},
                         Target{20, 18, kRgbaFloat}}) {
    Buffer target = makeBuffer(t.width, t.height, t.format);
    std::string error;
    EXPECT_FALSE(decodeJpeg(stream.data(), stream.size(), *target, &error)) << t.width << " x " << t.height;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(target->width[0], t.width);
    EXPECT_TRUE(hasPixels(*target));
  }
}

TEST(JpegCodec, NothingToEncodeGivesNoStream) {
  ImageBuffer empty;
  initImageBuffer(empty, nullptr);
  EXPECT_TRUE(encodeJpeg(empty, 50).empty());
  JpegMetadata tooLarge;
  tooLarge.exif.assign(70000, 1);
  EXPECT_TRUE(encodeJpeg(*smoothPicture(16, 16, kRgba8), 50, &tooLarge).empty());
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
