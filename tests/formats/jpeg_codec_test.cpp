// SPDX-License-Identifier: LicenseRef-Quillmark
// The codec's pictures and streams: round trips over formats and qualities, the stream as
// other readers see it (markers, tables and sampling walked by hand, the picture read back
// by the system's own decoder), damaged streams, and the tables the documentation prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <tuple>

#include "formats/jpeg_codec.h"
#include "platform/files.h"
#include "tests/engine/engine_fixtures.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

struct JpegSegment {
  int marker;                         // 0xD8 for the start of image, 0xE0 for APP0, ...
  std::vector<std::uint8_t> payload;  // after the length word
};

// SOI and every segment up to and including the first SOS; empty when the stream breaks
// that structure.
std::vector<JpegSegment> segmentsOf(const std::vector<std::uint8_t>& stream) {
  std::vector<JpegSegment> segments;
  if (stream.size() < 2 || stream[0] != 0xFF || stream[1] != 0xD8) return {};
  segments.push_back({0xD8, {}});
  for (std::size_t at = 2; at + 4 <= stream.size();) {
    if (stream[at] != 0xFF) return {};
    const int marker = stream[at + 1];
    const std::size_t length = std::size_t(stream[at + 2]) << 8 | stream[at + 3];
    if (length < 2 || at + 2 + length > stream.size()) return {};
    segments.push_back({marker, {stream.begin() + std::ptrdiff_t(at + 4), stream.begin() + std::ptrdiff_t(at + 2 + length)}});
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return segments;
}

// Gentle colour ramps in the format's own units, which lossy coding keeps within a few levels.
Buffer smoothPicture(std::int32_t width, std::int32_t height, std::int32_t format) {
  const double full = format == kRgba16 ? 32768 : format == kRgbaFloat ? 1.0 : 255;
  Buffer image = makeBuffer(width, height, format);
  fillLevel0(*image, [&](std::int32_t x, std::int32_t y) {
    const double u = double(x) / width, v = double(y) / height;
    return Pixel{full * (0.1 + 0.8 * u), full * (0.2 + 0.6 * v), full * (0.9 - 0.5 * u * v), full};
  });
  return image;
}

// Red, green and blue at 0..255 (grey in all three for Gray8), and opacity.
std::array<double, 4> rgbAt(const ImageBuffer& image, std::int32_t x, std::int32_t y) {
  float n[4];
  getNormalised(image, x, y, 0, n);
  return {std::round(n[0] * 255), std::round(n[1] * 255), std::round(n[2] * 255), std::round(n[3] * 255)};
}

double luma(const std::array<double, 4>& c) { return (77 * c[0] + 150 * c[1] + 29 * c[2]) / 256; }

TEST(JpegCodec, RoundTripsStayCloseAtEveryQualityAndFormatAndPaperStaysWhite) {
  // From one format to another at a quality, and the mean error allowed per channel (of
  // grey when either is grey), 0..255.
  for (const auto& [from, to, quality, meanError] :
       {std::tuple{kRgba8, kRgba8, 99, 1.0}, {kRgba8, kRgba8, 50, 2.0}, {kRgba8, kRgba8, 0, 6.0},
        {kRgba16, kRgba8, 90, 1.5}, {kRgbaFloat, kRgba8, 75, 2.0}, {kGray8, kRgba8, 99, 1.0},
        {kGray8, kGray8, 40, 2.0}, {kRgba8, kGray8, 99, 1.5}, {kRgbaFloat, kGray8, 20, 4.0}}) {
    SCOPED_TRACE(testing::Message() << "from " << from << " to " << to << " at " << quality);
    const Buffer source = smoothPicture(40, 24, from);
    const std::vector<std::uint8_t> stream = encodeJpeg(*source, quality);
    Buffer decoded = makeBuffer(40, 24, to);
    std::string error;
    ASSERT_TRUE(decodeJpeg(stream.data(), stream.size(), *decoded, &error)) << error;
    const bool grey = from == kGray8 || to == kGray8;
    double total = 0;
    for (std::int32_t y = 0; y < 24; ++y)
      for (std::int32_t x = 0; x < 40; ++x) {
        const auto want = rgbAt(*source, x, y), got = rgbAt(*decoded, x, y);
        total += grey ? std::abs(luma(want) - got[0])
                      : std::abs(want[0] - got[0]) + std::abs(want[1] - got[1]) + std::abs(want[2] - got[2]);
        ASSERT_EQ(got[3], 255);
      }
    EXPECT_LE(total / (40 * 24 * (grey ? 1 : 3)), meanError);
  }
  // Paper must stay paper when a colour stream is read as grey.
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

constexpr int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
                             41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
                             30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

JpegMetadata sampleMetadata(std::size_t iccSize, std::size_t iptcSize) {
  JpegMetadata metadata;
  metadata.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0};
  for (std::size_t i = 0; i < iccSize; ++i) metadata.iccProfile.push_back(std::uint8_t(i * 7 + i / 251));
  for (std::size_t i = 0; i < iptcSize; ++i) metadata.iptc.push_back(std::uint8_t(i * 13 + 5));
  return metadata;
}

JpegMetadata metadataOf(const std::vector<std::uint8_t>& stream) {
  JpegMetadata read;
  EXPECT_TRUE(readJpegMetadata(stream.data(), stream.size(), read));
  return read;
}

// The quality picks the tables (one 8-bit table to a segment, luminance first, in the
// stream's zigzag order) and, below 50, 2 x 2 sampling of the luminance.
TEST(JpegCodec, QualityChoosesTablesAndSampling) {
  const Buffer image = smoothPicture(16, 16, kRgba8);
  for (const auto& [quality, t, lumaSampling] : {std::tuple{100, 9, 0x11}, {99, 9, 0x11}, {50, 5, 0x11},
                                                 {49, 4, 0x22}, {10, 1, 0x22}, {-7, 0, 0x22}}) {
    SCOPED_TRACE(quality);
    std::vector<std::vector<std::uint8_t>> tables, expected(2);
    std::vector<std::uint8_t> frame;
    for (const JpegSegment& s : segmentsOf(encodeJpeg(*image, quality))) {
      if (s.marker == 0xDB) tables.push_back(s.payload);
      if (s.marker == 0xC0 || s.marker == 0xC1) frame = s.payload;
    }
    for (std::uint8_t slot = 0; slot < 2; ++slot) {
      expected[slot].push_back(slot);
      for (const int at : kZigzag) expected[slot].push_back(std::uint8_t(jpegQuantTable(slot, t * 10)[std::size_t(at)]));
    }
    EXPECT_EQ(tables, expected);
    ASSERT_GE(frame.size(), 14u);
    // Three components, and the sampling of each.
    EXPECT_EQ((std::vector<int>{frame[5], frame[7], frame[10], frame[13]}), (std::vector<int>{3, lumaSampling, 0x11, 0x11}));
  }
}

// The metadata comes back whole, also with the profile's pieces out of order; a piece that
// claims another count leaves the profile out rather than garbling it.
TEST(JpegCodec, MarkersFollowTheJfifHeaderInOrderAndTheMetadataReturns) {
  const JpegMetadata metadata = sampleMetadata(150000, 70000);  // three profile pieces, two IPTC markers
  std::vector<std::uint8_t> stream = encodeJpeg(*smoothPicture(10, 10, kRgba8), 75, &metadata);
  const std::vector<JpegSegment> segments = segmentsOf(stream);
  std::vector<int> order;
  for (const JpegSegment& s : segments)
    if (s.marker == 0xD8 || s.marker == 0xFE || (s.marker & 0xF0) == 0xE0) order.push_back(s.marker);
  EXPECT_EQ(order, (std::vector<int>{0xD8, 0xE0, 0xFE, 0xE1, 0xE2, 0xE2, 0xE2, 0xED, 0xED}));
  ASSERT_GE(segments.size(), 5u);
  EXPECT_EQ(std::memcmp(segments[1].payload.data(), "JFIF\0", 5), 0);
  EXPECT_EQ(std::string(segments[2].payload.begin(), segments[2].payload.end()), std::string("https://quillmark.invalid/", 27))
      << "the address with its terminating zero";
  EXPECT_EQ((std::vector<int>{segments[4].payload[12], segments[4].payload[13]}), (std::vector<int>{1, 3})) << "piece 1 of 3";
  const JpegMetadata read = metadataOf(stream);
  EXPECT_EQ(std::tie(read.exif, read.iccProfile, read.iptc), std::tie(metadata.exif, metadata.iccProfile, metadata.iptc));

  // The first two profile pieces have the same length: swapped, then the first miscounted.
  const std::uint8_t app2[2] = {0xFF, 0xE2};
  const auto first = std::search(stream.begin(), stream.end(), app2, app2 + 2);
  ASSERT_NE(first, stream.end());
  const std::ptrdiff_t length = std::ptrdiff_t(first[2]) << 8 | first[3];
  std::swap_ranges(first, first + 2 + length, first + 2 + length);
  EXPECT_EQ(metadataOf(stream).iccProfile, metadata.iccProfile);
  first[2 + 2 + 13] = 9;
  EXPECT_TRUE(metadataOf(stream).iccProfile.empty());
}

// A 10 x 7 picture is encoded at 16 x 16, its last column and row repeated, and the
// system's own decoder reads it so.
TEST(JpegCodec, SmallPictureRepeatsItsEdgesAndTheSystemDecoderReadsIt) {
  Buffer image = makeBuffer(10, 7, kRgba8);
  fillLevel0(*image, [](std::int32_t x, std::int32_t y) { return Pixel{x == 9 ? 250.0 : 10, y == 6 ? 240.0 : 20, 128, 255}; });
  const std::vector<std::uint8_t> stream = encodeJpeg(*image, 99);
  const std::string picture = tempPath("small.jpg"), decoded = tempPath("small.pnm");
  writeBytes(picture, std::string(stream.begin(), stream.end()));
  ASSERT_EQ(std::system(("djpeg -pnm -outfile '" + decoded + "' '" + picture + "' 2>/dev/null").c_str()), 0);
  EXPECT_EQ(readBytes(decoded).substr(0, 13), "P6\n16 16\n255\n");
  JpegInfo info;
  ASSERT_TRUE(readJpegInfo(stream.data(), stream.size(), info));
  Buffer ours = makeBuffer(info.width, info.height, kRgba8);
  ASSERT_TRUE(decodeJpeg(stream.data(), stream.size(), *ours));
  for (const auto& [x, y, channel, level] : {std::tuple{15, 2, 0, 250}, {3, 15, 1, 240}, {3, 2, 0, 10}})
    EXPECT_NEAR(pixelAt(*ours, x, y)[std::size_t(channel)], level, 12) << x << ", " << y;
}

TEST(JpegCodec, DamagedStreamsFailCleanly) {
  const JpegMetadata metadata = sampleMetadata(300, 40);
  const std::vector<std::uint8_t> stream = encodeJpeg(*smoothPicture(40, 33, kRgba8), 60, &metadata);
  Buffer target = makeBuffer(40, 33, kGray8);
  JpegInfo info;
  JpegMetadata read;
  // The header alone may be whole, and then it is read right; the metadata is only read.
  for (std::size_t cut = 0; cut < stream.size(); cut += cut + 4 < stream.size() ? 1 + cut / 16 : 1) {
    std::string error;
    EXPECT_FALSE(decodeJpeg(stream.data(), cut, *target, &error)) << "cut at " << cut;
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(!readJpegInfo(stream.data(), cut, info) || (info.width == 40 && info.height == 33)) << cut;
    readJpegMetadata(stream.data(), cut, read);
  }
  // Garbage in the entropy-coded data: a marker where none belongs.
  std::vector<std::uint8_t> damaged = stream;
  damaged[damaged.size() - 60] = 0xFF;
  damaged[damaged.size() - 59] = 0xD3;
  EXPECT_FALSE(decodeJpeg(damaged.data(), damaged.size(), *target));
  const std::uint8_t notJpeg[] = "\x89PNG\r\n\x1a\n....";
  EXPECT_FALSE(readJpegInfo(notJpeg, sizeof notJpeg, info));
  EXPECT_TRUE(decodeJpeg(stream.data(), stream.size(), *target));
}

// With the header: words 1, the encoded size and the stream's length, then the stream;
// without: the stream alone. With nothing to encode, the word 0, or a failure.
TEST(JpegCodec, PictureWithHeaderAndWithout) {
  const Buffer image = smoothPicture(12, 30, kRgba16);
  ImageBuffer empty;
  initImageBuffer(empty, nullptr);
  const std::vector<std::uint8_t> stream = encodeJpeg(*image, 80);
  const std::string path = tempPath("picture.bin");
  platform::File file;
  ASSERT_EQ(file.openForWriting(path), 0);
  // In this order (no stream is no success for the plain form):
  EXPECT_EQ((std::vector{writeJpegPicture(file, *image, 80, true), writeJpegPicture(file, *image, 80, false),
                         writeJpegPicture(file, empty, 80, true), writeJpegPicture(file, empty, 80, false)}),
            (std::vector{0, 0, 0, platform::kWriteFailed}));
  file.close();
  const std::string header =
      std::string("\0\0\0\1\0\0\0\x10\0\0\0\x1e\0\0", 14) + char(stream.size() >> 8) + char(stream.size() & 0xFF);
  const std::string body(stream.begin(), stream.end());
  EXPECT_EQ(readBytes(path), header + body + body + std::string(4, '\0'));
}

// Every number between the documentation's markers, in order: for each t the t, the first
// and last quality it serves, then the luminance and chrominance tables side by side, row
// by row. The steps between the fixed ends never leave their range nor grow coarser
// towards t = 9.
TEST(JpegCodec, DocumentedTablesAreTheCodesTablesAndStepFromCoarsestToFinest) {
  const std::string doc = readBytes(std::filesystem::path(__FILE__).parent_path() / "../../docs/jpeg.md");
  const std::string begin = "<!-- tables -->\n", end = "<!-- /tables -->";
  const std::size_t from = doc.find(begin), to = doc.find(end);
  ASSERT_TRUE(from != std::string::npos && to != std::string::npos) << "docs/jpeg.md beside the tests, with its markers";
  std::string section = doc.substr(from + begin.size(), to - from - begin.size());
  std::replace_if(section.begin(), section.end(), [](char c) { return c < '0' || c > '9'; }, ' ');
  std::istringstream numbers(section);
  std::vector<int> documented, expected;
  for (int n = 0; numbers >> n;) documented.push_back(n);
  for (int t = 0; t < 10; ++t) {
    expected.insert(expected.end(), {t, t * 10, t * 10 + 9});
    for (std::size_t row = 0; row < 8; ++row)
      for (int component = 0; component < 2; ++component)
        for (std::size_t column = 0; column < 8; ++column) expected.push_back(jpegQuantTable(component, t * 10)[row * 8 + column]);
  }
  EXPECT_EQ(documented, expected);
  for (int component = 0; component < 2; ++component)
    for (int t = 1; t < 10; ++t)
      for (std::size_t i = 0; i < 64; ++i) {
        const int entry = jpegQuantTable(component, t * 10)[i];
        EXPECT_TRUE(entry >= 1 && entry <= jpegQuantTable(component, t * 10 - 10)[i]) << component << " " << t << " " << i;
      }
}

}  // namespace
}  // namespace qm::test
