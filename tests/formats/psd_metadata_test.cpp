// SPDX-License-Identifier: LicenseRef-Quillmark
// The metadata blocks: the keyword rules, the IPTC datasets as a plain walk finds them, the
// UTC date, and a JPEG picture carrying both blocks as exiftool reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "formats/jpeg_codec.h"
#include "formats/psd_metadata.h"
#include "tests/formats/psd_readers.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

struct Dataset {
  int record;
  int number;
  std::string data;
};

std::uint32_t bigEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | bytes.at(at + std::size_t(i));
  return value;
}

// The datasets after the resource header, which must measure them; a failure when the walk
// does not end exactly at the block's end (allowing the one pad byte).
std::vector<Dataset> datasetsOf(const std::vector<std::uint8_t>& block) {
  std::vector<Dataset> found;
  EXPECT_EQ(std::string(block.begin(), block.begin() + 4), "8BIM");
  EXPECT_EQ(bigEndian(block, 4, 2), 0x0404u);
  EXPECT_EQ(bigEndian(block, 6, 2), 0u);
  const std::size_t length = bigEndian(block, 8, 4);
  EXPECT_EQ(length % 2, 0u);
  EXPECT_EQ(block.size(), 12 + length);
  std::size_t at = 12;
  while (at + 5 <= block.size() && block[at] == 0x1C) {
    const std::size_t size = bigEndian(block, at + 3, 2);
    found.push_back({block[at + 1], block[at + 2], std::string(block.begin() + long(at + 5), block.begin() + long(at + 5 + size))});
    at += 5 + size;
  }
  EXPECT_TRUE(at == block.size() || (at + 1 == block.size() && block[at] == 0)) << at << " of " << block.size();
  return found;
}

TEST(PsdMetadata, KeywordListKeepsNineteenShortDistinctTexts) {
  IptcKeywords list;
  EXPECT_TRUE(list.add("thinner"));
  EXPECT_FALSE(list.add("thin"));  // an entry begins with it
  EXPECT_TRUE(list.add("thick"));
  EXPECT_FALSE(list.add("thick"));
  EXPECT_TRUE(list.add("thickest"));  // compared over its own length, it is new
  EXPECT_FALSE(list.add(""));
  EXPECT_FALSE(list.add(std::string(50, 'x')));
  EXPECT_TRUE(list.add(std::string(49, 'x')));
  for (int i = 0; list.texts().size() < IptcKeywords::kMaximumCount; ++i) EXPECT_TRUE(list.add("k" + std::to_string(i)));
  EXPECT_FALSE(list.add("twentieth"));
  EXPECT_EQ(list.texts().size(), 19u);
  EXPECT_EQ(list.texts()[2], "thickest");
}

TEST(PsdMetadata, IptcBlockHoldsItsDatasetsInOrderAndPadsToEven) {
  for (const std::vector<std::string>& keywords :
       {std::vector<std::string>{"spots", "thick", "4x"}, {"spots", "thick", "4x", "xor", "spots", "HDR"}, {}}) {
    const std::vector<Dataset> sets = datasetsOf(iptcBlock(keywords, "20250101"));
    ASSERT_GE(sets.size(), 5u);
    EXPECT_EQ(sets[0].number, 0);
    EXPECT_EQ(sets[0].data, std::string("\0\2", 2));
    EXPECT_EQ(sets[1].number, 115);
    EXPECT_EQ(sets[1].data, kJpegComment);
    EXPECT_EQ(sets[2].number, 55);
    EXPECT_EQ(sets[2].data, "20250101");
    EXPECT_EQ(sets[3].number, 120);
    EXPECT_EQ(sets[3].data, "Made with Quillmark");
    std::vector<std::string> words;
    for (std::size_t i = 4; i < sets.size(); ++i) {
      EXPECT_EQ(sets[i].record, 2);
      EXPECT_EQ(sets[i].number, 25);
      words.push_back(sets[i].data);
    }
    std::vector<std::string> expected{"Quillmark"};
    for (const std::string& word : keywords)
      if (std::find(expected.begin() + 1, expected.end(), word) == expected.end()) expected.push_back(word);
    EXPECT_EQ(words, expected);
  }
}

TEST(PsdMetadata, DateIsTheUtcCalendarDay) {
  EXPECT_EQ(utcDateStamp(0), "19700101");
  EXPECT_EQ(utcDateStamp(951868799), "20000229");  // the last second of a leap day
  EXPECT_EQ(utcDateStamp(951868800), "20000301");
  // 20:00 on New Year's Eve in New York is already the next year at Greenwich.
  EXPECT_EQ(utcDateStamp(1735693200), "20250101");
  EXPECT_EQ(utcDateStamp().size(), 8u);
}

TEST(PsdMetadata, ExiftoolReadsBothBlocksFromAJpegPicture) {
  const std::vector<std::uint8_t> exif = exifBlock();
  EXPECT_EQ(exif.size(), 36u);
  const JpegMetadata metadata{exif, {}, iptcBlock({"spots", "thick", "high dynamic range"}, "20240229")};
  const std::vector<std::uint8_t> grey(3 * 20, 128);
  const std::vector<std::uint8_t> stream =
      encodeJpegRows(20, 12, 3, [&](std::int32_t) { return grey.data(); }, 80, &metadata);
  const std::string path = tempPath("metadata.jpg");
  writeBytes(path, std::string(stream.begin(), stream.end()));
  const std::string json = readerOutput(
      {"exiftool", "-j", "-Keywords", "-Software", "-Caption-Abstract", "-Source", "-DateCreated", path});
  EXPECT_EQ(jsonTexts(json, "Keywords"), (std::vector<std::string>{"Quillmark", "spots", "thick", "high dynamic range"}));
  EXPECT_EQ(jsonTexts(json, "Software"), std::vector<std::string>{"Quillmark"});
  EXPECT_EQ(jsonTexts(json, "Caption-Abstract"), std::vector<std::string>{"Made with Quillmark"});
  EXPECT_EQ(jsonTexts(json, "Source"), std::vector<std::string>{kJpegComment});
  EXPECT_EQ(jsonTexts(json, "DateCreated"), std::vector<std::string>{"2024:02:29"});
}

}  // namespace
}  // namespace qm::test
