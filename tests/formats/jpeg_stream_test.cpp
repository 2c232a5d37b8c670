// SPDX-License-Identifier: LicenseRef-Quillmark
// The stream as other readers see it: its markers, tables and sampling walked by hand, and
// the picture read back by the system's own decoder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "formats/jpeg_codec.h"
#include "platform/files.h"
#include "tests/formats/jpeg_test_streams.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

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

std::vector<std::uint8_t>::iterator findMarker(std::vector<std::uint8_t>& stream, std::uint8_t marker) {
  const std::uint8_t bytes[2] = {0xFF, marker};
  return std::search(stream.begin(), stream.end(), bytes, bytes + 2);
}

TEST(JpegStream, QualityChoosesTablesAndSampling) {
  struct Case {
    int quality, t, lumaSampling;
  };
  const Buffer image = smoothPicture(16, 16, kRgba8);
  for (const Case c : {Case{100, 9, 0x11}, Case{99, 9, 0x11}, Case{50, 5, 0x11}, Case{49, 4, 0x22},
                       Case{10, 1, 0x22}, Case{-7, 0, 0x22}}) {
    SCOPED_TRACE(c.quality);
    const std::vector<JpegSegment> segments = segmentsOf(encodeJpeg(*image, c.quality));
    const std::map<int, std::vector<int>> tables = quantTablesOf(segments);
    for (int slot = 0; slot < 2; ++slot) {
      ASSERT_EQ(tables.count(slot), 1u);
      const std::array<std::uint16_t, 64>& expected = jpegQuantTable(slot, c.t * 10);
      for (int i = 0; i < 64; ++i) EXPECT_EQ(tables.at(slot)[std::size_t(i)], expected[std::size_t(kZigzag[i])]);
    }
    const auto frame = std::find_if(segments.begin(), segments.end(), [](const JpegSegment& s) { return s.marker == 0xC1 || s.marker == 0xC0; });
    ASSERT_NE(frame, segments.end());
    ASSERT_EQ(frame->payload[5], 3) << "components";
    EXPECT_EQ(frame->payload[7], c.lumaSampling);
    EXPECT_EQ(frame->payload[10], 0x11);
    EXPECT_EQ(frame->payload[13], 0x11);
  }
}

// The steps between the fixed ends never leave their range nor grow coarser towards t = 9.
TEST(JpegStream, TablesStepFromCoarsestToFinest) {
  EXPECT_EQ(jpegQuantTable(0, 0)[4], 51);
  EXPECT_EQ(jpegQuantTable(1, 99)[18], 4);
  for (int component = 0; component < 2; ++component)
    for (int t = 1; t < 10; ++t)
      for (std::size_t i = 0; i < 64; ++i) {
        EXPECT_LE(jpegQuantTable(component, t * 10)[i], jpegQuantTable(component, t * 10 - 10)[i]);
        EXPECT_GE(jpegQuantTable(component, t * 10)[i], 1);
      }
}

TEST(JpegStream, MarkersFollowTheJfifHeaderInOrder) {
  const JpegMetadata metadata = sampleMetadata(150000, 70000);  // three profile pieces, two IPTC markers
  const std::vector<JpegSegment> segments = segmentsOf(encodeJpeg(*smoothPicture(10, 10, kRgba8), 75, &metadata));
  std::vector<int> order;
  for (const JpegSegment& s : segments)
    if (s.marker == 0xD8 || s.marker == 0xFE || (s.marker & 0xF0) == 0xE0) order.push_back(s.marker);
  EXPECT_EQ(order, (std::vector<int>{0xD8, 0xE0, 0xFE, 0xE1, 0xE2, 0xE2, 0xE2, 0xED, 0xED}));
  ASSERT_GE(segments.size(), 3u);
  EXPECT_EQ(std::memcmp(segments[1].payload.data(), "JFIF\0", 5), 0);
  const std::string comment(segments[2].payload.begin(), segments[2].payload.end());
  EXPECT_EQ(comment, std::string("https://quillmark.invalid/", 27)) << "the address with its terminating zero";
  EXPECT_EQ(segments[4].payload[12], 1);
  EXPECT_EQ(segments[4].payload[13], 3);

  JpegMetadata read;
  const std::vector<std::uint8_t> stream = encodeJpeg(*smoothPicture(10, 10, kRgba8), 75, &metadata);
  ASSERT_TRUE(readJpegMetadata(stream.data(), stream.size(), read));
  EXPECT_EQ(read.exif, metadata.exif);
  EXPECT_EQ(read.iccProfile, metadata.iccProfile);
  EXPECT_EQ(read.iptc, metadata.iptc);
}

TEST(JpegStream, ProfilePiecesOutOfOrderAreReassembled) {
  const JpegMetadata metadata = sampleMetadata(140000, 0);
  std::vector<std::uint8_t> stream = encodeJpeg(*smoothPicture(16, 16, kRgba8), 75, &metadata);
  // Swap the first two APP2 segments, which have the same length.
  const auto first = findMarker(stream, 0xE2);
  ASSERT_NE(first, stream.end());
  const std::size_t length = std::size_t(first[2]) << 8 | first[3];
  std::swap_ranges(first, first + std::ptrdiff_t(2 + length), first + std::ptrdiff_t(2 + length));
  JpegMetadata read;
  ASSERT_TRUE(readJpegMetadata(stream.data(), stream.size(), read));
  EXPECT_EQ(read.iccProfile, metadata.iccProfile);
  // A piece that claims another count leaves the profile out rather than garbling it.
  first[2 + 2 + 13] = 9;
  ASSERT_TRUE(readJpegMetadata(stream.data(), stream.size(), read));
  EXPECT_TRUE(read.iccProfile.empty());
}

// A 10 x 7 picture is encoded at 16 x 16, its last column and row repeated, and the
// system's own decoder reads it so.
TEST(JpegStream, SmallPictureRepeatsItsEdgesAndTheSystemDecoderReadsIt) {
  Buffer image = makeBuffer(10, 7, kRgba8);
  fillLevel0(*image, [](std::int32_t x, std::int32_t y) { return Pixel{x == 9 ? 250.0 : 10, y == 6 ? 240.0 : 20, 128, 255}; });
  const std::vector<std::uint8_t> stream = encodeJpeg(*image, 99);
  const std::string picture = tempPath("small.jpg"), decoded = tempPath("small.pnm");
  writeBytes(picture, std::string(stream.begin(), stream.end()));
  ASSERT_EQ(std::system(("djpeg -pnm -outfile '" + decoded + "' '" + picture + "' 2>/dev/null").c_str()), 0);
  EXPECT_EQ(readBytes(decoded).substr(0, 13), "P6\n16 16\n255\n");
  JpegInfo info;
  ASSERT_TRUE(readJpegInfo(stream.data(), stream.size(), info));
  EXPECT_EQ(info.components, 3);
  Buffer ours = makeBuffer(info.width, info.height, kRgba8);
  ASSERT_TRUE(decodeJpeg(stream.data(), stream.size(), *ours));
  EXPECT_NEAR(pixelAt(*ours, 15, 2)[0], 250, 12);
  EXPECT_NEAR(pixelAt(*ours, 3, 15)[1], 240, 12);
  EXPECT_NEAR(pixelAt(*ours, 3, 2)[0], 10, 12);
}

TEST(JpegStream, DamagedStreamsFailCleanly) {
  const JpegMetadata metadata = sampleMetadata(300, 40);
  const std::vector<std::uint8_t> stream = encodeJpeg(*smoothPicture(40, 33, kRgba8), 60, &metadata);
  Buffer target = makeBuffer(40, 33, kGray8);
  for (std::size_t cut = 0; cut < stream.size(); cut += cut + 4 < stream.size() ? 1 + cut / 16 : 1) {
    std::string error;
    EXPECT_FALSE(decodeJpeg(stream.data(), cut, *target, &error)) << "cut at " << cut;
    EXPECT_FALSE(error.empty());
    JpegInfo info;
    JpegMetadata read;
    readJpegInfo(stream.data(), cut, info);
    readJpegMetadata(stream.data(), cut, read);
  }
  // Garbage in the entropy-coded data: a marker where none belongs.
  std::vector<std::uint8_t> damaged = stream;
  const std::size_t scanData = damaged.size() - 60;
  damaged[scanData] = 0xFF;
  damaged[scanData + 1] = 0xD3;
  EXPECT_FALSE(decodeJpeg(damaged.data(), damaged.size(), *target));
  const std::uint8_t notJpeg[] = "\x89PNG\r\n\x1a\n....";
  JpegInfo info;
  EXPECT_FALSE(readJpegInfo(notJpeg, sizeof notJpeg, info));
  EXPECT_TRUE(decodeJpeg(stream.data(), stream.size(), *target));
}

// With the header: words 1, the encoded size and the stream's length, then the stream;
// without: the stream alone. With nothing to encode, the word 0, or a failure.
TEST(JpegStream, PictureWithHeaderAndWithout) {
  const Buffer image = smoothPicture(12, 30, kRgba16);
  ImageBuffer empty;
  initImageBuffer(empty, nullptr);
  const std::vector<std::uint8_t> stream = encodeJpeg(*image, 80);
  const std::string path = tempPath("picture.bin");
  platform::File file;
  ASSERT_EQ(file.openForWriting(path), 0);
  ASSERT_EQ(writeJpegPicture(file, *image, 80, true), 0);
  ASSERT_EQ(writeJpegPicture(file, *image, 80, false), 0);
  EXPECT_EQ(writeJpegPicture(file, empty, 80, true), 0);
  EXPECT_NE(writeJpegPicture(file, empty, 80, false), 0) << "no stream is no success";
  file.close();
  const std::size_t n = stream.size();
  const std::string header = std::string("\0\0\0\1\0\0\0\x10\0\0\0\x1e\0\0", 14) + char(n >> 8) + char(n & 0xFF);
  const std::string body(stream.begin(), stream.end());
  EXPECT_EQ(readBytes(path), header + body + body + std::string(4, '\0'));
}

}  // namespace
}  // namespace qm::test
