// SPDX-License-Identifier: LicenseRef-Quillmark
// Preset files: which fields each version holds, files that end early or are damaged, the
// picture blocks, and what the writer puts on disk.
#include <gtest/gtest.h>

#include <cstring>

#include "formats/jpeg_codec.h"
#include "tests/settings/preset_test_files.h"

namespace qm {
namespace {

using test::PresetBytes;
using test::valuesOf;
using Values = std::vector<int>;

// Version, then style, scale, invert, warping, angle, gray, blend, diameter, sharpen, raw
// picture word, line weight: each version's file is the first words of this.
const std::vector<std::uint32_t> kStored = {0, 9, 2, 3, 60, 200, 1, 12, 100, 40, 0, 5};
std::vector<std::uint32_t> storedWords(std::uint32_t version, std::size_t count) {
  std::vector<std::uint32_t> words(kStored.begin(), kStored.begin() + std::ptrdiff_t(count));
  words[0] = version;
  return words;
}

// The prior look (values in record order, see valuesOf) has blend mode 7.
TEST(PresetReading, EachVersionLoadsItsOwnFieldsAndKeepsTheRest) {
  const std::tuple<std::uint32_t, std::size_t, Values> cases[] = {
      {180, 6, {9, 2, 7, 0, 0, 75, 3, 3, 60, 200}},      {181, 7, {9, 2, 7, 1, 0, 75, 3, 3, 60, 200}},
      {182, 8, {9, 2, 12, 1, 0, 75, 3, 3, 60, 200}},     {186, 10, {9, 2, 12, 1, 100, 40, 3, 3, 60, 200}},
      {187, 11, {9, 2, 12, 1, 100, 40, 3, 3, 60, 200}},  {190, 12, {9, 2, 12, 1, 100, 40, 5, 3, 60, 200}}};
  for (const auto& [version, count, expected] : cases) {
    InkSettings settings = test::priorSettings();
    const PresetReadResult read = PresetBytes{}.words(storedWords(version, count)).read(settings, PresetReadMode::Load);
    EXPECT_EQ(read.result, 0) << version;
    EXPECT_EQ(read.version, std::int32_t(version));
    EXPECT_EQ(valuesOf(settings.look), expected) << version;
  }
}

// Every prefix of a written file loads the fields it holds whole and no others; a picture
// cut short is no picture, and the thumbnail keeps its ramp.
TEST(PresetReading, AFileCutAnywhereLoadsExactlyTheWholeFields) {
  InkSettings written = test::priorSettings();
  written.look = {21, 3, 40, 1, 180, 10, 1, 4, 99, 300};
  const std::string whole = test::writtenPreset(written, &test::halfRedHalfBlue());
  // The fields in file order after the version; the raw picture word holds none.
  std::int32_t UserValues::* const inFileOrder[] = {&UserValues::style,   &UserValues::scale,     &UserValues::invertMode,
                                                    &UserValues::warping, &UserValues::angle,     &UserValues::gray,
                                                    &UserValues::blendMode, &UserValues::diameter, &UserValues::sharpen,
                                                    nullptr,              &UserValues::lineWeight};
  test::Thumbnail thumbnail;
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    InkSettings settings = test::priorSettings();
    const PresetReadResult read = PresetBytes{whole.substr(0, cut)}.read(settings, PresetReadMode::Load, &thumbnail.record);
    UserValues expected = test::priorSettings().look;
    for (std::size_t word = 1; word <= 11 && (word + 1) * 4 <= cut; ++word)
      if (const auto field = inFileOrder[word - 1]) expected.*field = written.look.*field;
    ASSERT_EQ(valuesOf(settings.look), valuesOf(expected)) << cut;
    ASSERT_TRUE(read.result != 0 && !read.pictureDelivered) << cut;
  }
  EXPECT_TRUE(test::isGreyRamp(thumbnail.image));
}

TEST(PresetReading, WhatNoVersionWroteIsRefusedAndStoredValuesComeIntoRange) {
  for (const std::uint32_t version : {0u, 179u, 192u, 0xFFFFFFFFu}) {
    InkSettings settings = test::priorSettings();
    const InkSettings before = settings;
    EXPECT_EQ(PresetBytes{}.words(storedWords(version, 12)).read(settings, PresetReadMode::Load).result,
              platform::kReadFailed);
    EXPECT_EQ(std::memcmp(&settings, &before, sizeof settings), 0) << version;
  }
  InkSettings settings = test::priorSettings();
  PresetBytes{}.words({191, 99, 0, 9, 0xFFFFFFFF, 400, 7, 70, 251, 101, 0, 6, 0}).read(settings, PresetReadMode::Load);
  EXPECT_EQ(valuesOf(settings.look), (Values{25, 1, 69, 1, 250, 100, 5, 4, 0, 40}));
  EXPECT_EQ(readPreset(test::tempPath("none"), settings, PresetReadMode::Load, nullptr).result, platform::kOpenRefused);
}

// Picture blocks are kept or passed over, and the reader always lands where the block ends:
// one byte fewer than the block claims runs out. Reading for the picture alone changes no
// setting.
TEST(PresetReading, PictureBlocksAreKeptOrPassedOverByTheirStoredSize) {
  const ImageBuffer& picture = test::halfRedHalfBlue();
  const std::vector<std::uint8_t> stream = encodeJpeg(picture, kPresetPictureQuality);
  const std::vector<std::uint8_t> cut(stream.begin(), stream.begin() + std::ptrdiff_t(stream.size() / 2));
  const std::vector<std::uint8_t> oversize(kPresetPictureBufferBytes + 1, 0xFF);
  const std::tuple<const char*, std::vector<std::uint32_t>, const std::vector<std::uint8_t>*, bool> cases[] = {
      {"a picture", {1, 128, 128}, &stream, true},           {"a negative kind", {0xFFFFFFFF, 128, 128}, &stream, true},
      {"sizes held at 128", {1, 300, 5000}, &stream, true},  {"kind 2", {2, 128, 128}, &stream, false},
      {"another size", {1, 64, 128}, &stream, false},        {"a damaged stream", {1, 128, 128}, &cut, false},
      {"more than the buffer", {1, 128, 128}, &oversize, false}};
  for (const auto& [what, header, bytes, delivered] : cases) {
    for (const PresetReadMode mode : {PresetReadMode::Load, PresetReadMode::PictureOnly}) {
      test::Thumbnail thumbnail;
      PresetBytes file;
      file.words(storedWords(191, 12)).words(header).words({std::uint32_t(bytes->size())}).bytes(*bytes);
      InkSettings settings = test::priorSettings();
      const InkSettings before = settings;
      const PresetReadResult read = file.read(settings, mode, &thumbnail.record);
      EXPECT_EQ(read.result, 0) << what;
      EXPECT_EQ(read.pictureDelivered, delivered) << what;
      EXPECT_EQ(test::isGreyRamp(thumbnail.image), !delivered) << what;
      EXPECT_TRUE(mode == PresetReadMode::Load ? settings.look.style == 9
                                               : std::memcmp(&settings, &before, sizeof before) == 0) << what;
      file.text.pop_back();
      EXPECT_EQ(file.read(settings, mode, &thumbnail.record).result, platform::kReadFailed) << what;
    }
  }
}

// A side past 128 is passed over by its real size; one whose pixels no file could hold ends
// the reading.
TEST(PresetReading, RawPicturesOfAnySideAreReadOrPassedOverAndTheLineWeightFollows) {
  for (const std::uint32_t side : {0u, 1u, 2u, 64u, 128u, 129u, 200u, 0xFFFFFFFFu}) {
    for (const bool withThumbnail : {true, false}) {
      test::Thumbnail thumbnail;
      PresetBytes file;
      file.words(storedWords(190, 10)).words({1, side, 0xDEAD});
      const bool whole = side <= 200, kept = withThumbnail && side >= 1 && side <= 128;
      for (std::uint32_t i = 0; whole && i < side * side; ++i) file.bytes({std::uint8_t(i), 50, 200});
      InkSettings settings = test::priorSettings();
      const PresetReadResult read =
          file.words({2}).read(settings, PresetReadMode::Load, withThumbnail ? &thumbnail.record : nullptr);
      EXPECT_EQ(read.result, whole ? 0 : platform::kReadFailed) << side;
      EXPECT_EQ(settings.look.lineWeight, whole ? 2 : 3) << side;
      EXPECT_EQ(read.pictureDelivered, kept) << side;
      const test::Rgb last{int((side - 1) % 256), 50, 200};
      EXPECT_TRUE(!kept || (test::rgbAt(thumbnail.image, std::int32_t(side - 1), 0) == last && thumbnail.record.width == int(side)));
    }
  }
}

TEST(PresetWriting, TheFileIsTwelveWordsAndThePictureBlockAndReadsBack) {
  InkSettings settings = test::priorSettings();
  settings.look = {21, 3, 40, 1, 180, 10, 1, 4, 99, 300};
  const std::string plain = test::writtenPreset(settings, nullptr);
  EXPECT_EQ(plain, PresetBytes{}.words({191, 21, 3, 4, 99, 300, 1, 40, 180, 10, 0, 1, 0}).text);
  const std::string pictured = test::writtenPreset(settings, &test::halfRedHalfBlue());
  ASSERT_GT(pictured.size(), 64u);
  EXPECT_EQ(pictured.substr(0, 64), plain.substr(0, 48) + PresetBytes{}.words({1, 128, 128, std::uint32_t(pictured.size() - 64)}).text);
  test::Thumbnail thumbnail;
  InkSettings read = test::priorSettings();
  EXPECT_TRUE(PresetBytes{pictured}.read(read, PresetReadMode::Load, &thumbnail.record).pictureDelivered);
  EXPECT_EQ(valuesOf(read.look), valuesOf(settings.look));
  EXPECT_EQ(thumbnail.record.width + thumbnail.record.height, 256);
  EXPECT_TRUE(test::isHalfRedHalfBlue(thumbnail.image, 128));
}

}  // namespace
}  // namespace qm
