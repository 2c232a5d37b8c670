// SPDX-License-Identifier: LicenseRef-Quillmark
// Preset files: which fields each version holds, files that end early or are damaged, the
// picture blocks, and what the writer puts on disk.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/preset_file.h"
#include "tests/settings/preset_test_files.h"

namespace qm {
namespace {

using test::PresetBytes;

// Style, scale, invert, warping, angle, gray, blend, diameter, sharpen, raw word, line weight.
const std::vector<std::uint32_t> kStored = {9, 2, 3, 60, 200, 1, 12, 100, 40, 0, 5};

// The user values in record order: style, scale, blend, gray, diameter, sharpen, line
// weight, invert, warping, angle. The prior look has blend 7.
TEST(PresetReading, EachVersionLoadsItsOwnFieldsAndKeepsTheRest) {
  struct Case {
    std::uint32_t version;
    std::size_t words;  // of kStored
    UserValues expected;
  };
  const Case cases[] = {{180, 5, {9, 2, 7, 0, 0, 75, 3, 3, 60, 200}},   {181, 6, {9, 2, 7, 1, 0, 75, 3, 3, 60, 200}},
                        {182, 7, {9, 2, 12, 1, 0, 75, 3, 3, 60, 200}},  {186, 9, {9, 2, 12, 1, 100, 40, 3, 3, 60, 200}},
                        {187, 10, {9, 2, 12, 1, 100, 40, 3, 3, 60, 200}}, {190, 11, {9, 2, 12, 1, 100, 40, 5, 3, 60, 200}},
                        {191, 11, {9, 2, 12, 1, 100, 40, 5, 3, 60, 200}}};
  for (const Case& c : cases) {
    PresetBytes file;
    file.word(c.version).words({kStored.begin(), kStored.begin() + std::ptrdiff_t(c.words)});
    if (c.version == 191) file.word(0);  // no picture
    InkSettings settings = test::priorSettings();
    const PresetReadResult read = file.read(settings, PresetReadMode::Load);
    EXPECT_EQ(read.result, 0) << c.version;
    EXPECT_EQ(read.version, std::int32_t(c.version));
    EXPECT_TRUE(test::sameLook(settings.look, c.expected)) << c.version;
  }
}

// Every prefix of a file loads the fields it holds whole and no others; a picture cut
// short is no picture, and the thumbnail keeps its ramp.
TEST(PresetReading, AFileCutAnywhereLoadsExactlyTheWholeFields) {
  test::Thumbnail thumbnail;
  InkSettings written = test::priorSettings();
  written.look = {21, 3, 40, 1, 180, 10, 1, 4, 99, 300};
  const std::string whole = test::writtenPreset(written, &test::halfRedHalfBlue());
  // Word index of each field in a version-191 file (after the version word).
  const std::pair<std::int32_t UserValues::*, std::size_t> offsets[] = {
      {&UserValues::style, 1},    {&UserValues::scale, 2},    {&UserValues::invertMode, 3},
      {&UserValues::warping, 4},  {&UserValues::angle, 5},    {&UserValues::gray, 6},
      {&UserValues::blendMode, 7}, {&UserValues::diameter, 8}, {&UserValues::sharpen, 9},
      {&UserValues::lineWeight, 11}};
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    InkSettings settings = test::priorSettings();
    fillGreyRamp(*thumbnail.record.image);
    const PresetReadResult read = PresetBytes{whole.substr(0, cut)}.read(settings, PresetReadMode::Load, &thumbnail.record);
    ASSERT_NE(read.result, 0) << cut;
    ASSERT_FALSE(read.pictureDelivered) << cut;
    UserValues expected = test::priorSettings().look;
    for (const auto& [field, index] : offsets)
      if ((index + 1) * 4 <= cut) expected.*field = written.look.*field;
    ASSERT_TRUE(test::sameLook(settings.look, expected)) << cut;
    ASSERT_TRUE(test::isGreyRamp(*thumbnail.record.image)) << cut;
  }
}

TEST(PresetReading, PictureOnlyLeavesTheWholeRecordAlone) {
  InkSettings written = test::priorSettings();
  written.look.style = 17;
  const std::string bytes = test::writtenPreset(written, &test::halfRedHalfBlue());
  test::Thumbnail thumbnail;
  InkSettings settings = test::priorSettings();
  const InkSettings before = settings;
  EXPECT_TRUE(PresetBytes{bytes}.read(settings, PresetReadMode::PictureOnly, &thumbnail.record).pictureDelivered);
  EXPECT_EQ(std::memcmp(&settings, &before, sizeof settings), 0);
}

TEST(PresetReading, WhatNoVersionWroteIsRefusedAndStoredValuesComeIntoRange) {
  for (const std::uint32_t version : {0u, 179u, 192u, 0xFFFFFFFFu}) {
    InkSettings settings = test::priorSettings();
    const InkSettings before = settings;
    EXPECT_EQ(PresetBytes{}.word(version).words(kStored).read(settings, PresetReadMode::Load).result,
              platform::kReadFailed);
    EXPECT_EQ(std::memcmp(&settings, &before, sizeof settings), 0) << version;
  }
  InkSettings settings = test::priorSettings();
  PresetBytes{}.word(191).words({99, 0, 9, 0xFFFFFFFF, 400, 7, 70, 251, 101, 0, 6, 0}).read(settings, PresetReadMode::Load);
  EXPECT_TRUE(test::sameLook(settings.look, {25, 1, 69, 1, 250, 100, 5, 4, 0, 40}));
  EXPECT_EQ(readPreset(test::tempPath("none"), settings, PresetReadMode::Load, nullptr).result,
            platform::kOpenRefused);
}

// Picture blocks: what is kept, and that the reader always lands where the block ends.
TEST(PresetReading, PictureBlocksAreKeptOrPassedOverByTheirStoredSize) {
  const std::vector<std::uint8_t> stream = test::jpegOf(test::halfRedHalfBlue());
  const std::vector<std::uint8_t> cutStream(stream.begin(), stream.begin() + std::ptrdiff_t(stream.size() / 2));
  const std::vector<std::uint8_t> oversize(kPresetPictureBufferBytes + 1, 0xFF);
  struct Case {
    const char* what;
    std::vector<std::uint32_t> header;  // kind, width, height (the count follows)
    const std::vector<std::uint8_t>* bytes;
    bool delivered;
  };
  const Case cases[] = {{"a picture", {1, 128, 128}, &stream, true},
                        {"a negative kind", {0xFFFFFFFF, 128, 128}, &stream, true},
                        {"stored sizes held at 128", {1, 300, 5000}, &stream, true},
                        {"kind 2", {2, 128, 128}, &stream, false},
                        {"another size", {1, 64, 128}, &stream, false},
                        {"a damaged stream", {1, 128, 128}, &cutStream, false},
                        {"more than the buffer", {1, 128, 128}, &oversize, false}};
  for (const Case& c : cases) {
    test::Thumbnail thumbnail;
    fillGreyRamp(*thumbnail.record.image);
    PresetBytes file;
    file.word(191).words({kStored.begin(), kStored.end()}).words(c.header).word(std::uint32_t(c.bytes->size()));
    file.bytes(*c.bytes);
    InkSettings settings = test::priorSettings();
    const PresetReadResult read = file.read(settings, PresetReadMode::Load, &thumbnail.record);
    EXPECT_EQ(read.result, 0) << c.what;
    EXPECT_EQ(read.pictureDelivered, c.delivered) << c.what;
    EXPECT_EQ(test::isGreyRamp(*thumbnail.record.image), !c.delivered) << c.what;
    // One byte fewer than the block claims: the skip or read runs out.
    file.text.pop_back();
    EXPECT_EQ(file.read(settings, PresetReadMode::Load, &thumbnail.record).result, platform::kReadFailed) << c.what;
  }
}

TEST(PresetReading, RawPicturesOfAnySideAreReadOrSkippedAndTheLineWeightFollows) {
  for (const std::uint32_t side : {0u, 1u, 2u, 64u, 128u, 129u, 200u}) {
    for (const bool withThumbnail : {true, false}) {
      test::Thumbnail thumbnail;
      PresetBytes file;
      file.word(190).words({kStored.begin(), kStored.begin() + 9}).words({1, side, 0xDEAD});
      for (std::uint32_t i = 0; i < side * side; ++i) file.bytes({std::uint8_t(i), 50, 200});
      file.word(2);  // line weight
      InkSettings settings = test::priorSettings();
      const PresetReadResult read =
          file.read(settings, PresetReadMode::Load, withThumbnail ? &thumbnail.record : nullptr);
      EXPECT_EQ(read.result, 0) << side;
      EXPECT_EQ(settings.look.lineWeight, 2) << side;
      const bool kept = withThumbnail && side >= 1 && side <= 128;
      ASSERT_EQ(read.pictureDelivered, kept) << side;
      if (!kept) continue;
      EXPECT_EQ(thumbnail.record.width, std::int32_t(side));
      EXPECT_EQ(test::rgbAt(*thumbnail.record.image, std::int32_t(side - 1), 0), test::Rgb({std::uint8_t(side - 1), 50, 200}));
    }
  }
  // A side whose pixels no file could hold ends the reading without a crash.
  InkSettings settings = test::priorSettings();
  const PresetReadResult read =
      PresetBytes{}.word(190).words({kStored.begin(), kStored.begin() + 9}).words({1, 0xFFFFFFFF, 0}).read(settings, PresetReadMode::Load);
  EXPECT_EQ(read.result, platform::kReadFailed);
  EXPECT_EQ(settings.look.lineWeight, 3);
}

TEST(PresetWriting, TheFileIsTwelveWordsAndThePictureBlockAndReadsBack) {
  InkSettings settings = test::priorSettings();
  settings.look = {21, 3, 40, 1, 180, 10, 1, 4, 99, 300};
  const std::string plain = test::writtenPreset(settings, nullptr);
  EXPECT_EQ(plain, PresetBytes{}.words({191, 21, 3, 4, 99, 300, 1, 40, 180, 10, 0, 1, 0}).text);
  EXPECT_EQ(settings.formatVersion, 191);
  const std::string pictured = test::writtenPreset(settings, &test::halfRedHalfBlue());
  ASSERT_GT(pictured.size(), 64u);
  EXPECT_EQ(pictured.substr(0, 48), plain.substr(0, 48));
  EXPECT_EQ(pictured.substr(48, 16), PresetBytes{}.words({1, 128, 128, std::uint32_t(pictured.size() - 64)}).text);
  test::Thumbnail thumbnail;
  InkSettings read = test::priorSettings();
  EXPECT_TRUE(PresetBytes{pictured}.read(read, PresetReadMode::Load, &thumbnail.record).pictureDelivered);
  EXPECT_TRUE(test::sameLook(read.look, settings.look));
  EXPECT_EQ(thumbnail.record.width, 128);
  EXPECT_EQ(thumbnail.record.height, 128);
  EXPECT_TRUE(test::isHalfRedHalfBlue(*thumbnail.record.image, 128));
}

TEST(PresetNames, PresetExtensionsAndDefaultFileNames) {
  EXPECT_TRUE(isPresetName("Look.Q7Q"));
  EXPECT_TRUE(isPresetName("a.q7q.bak"));
  EXPECT_FALSE(isPresetName("aq7q"));
  EXPECT_EQ(presetFileNameFor(""), "Quillmark settings.q7q");
  EXPECT_EQ(presetFileNameFor("dot 3"), "dot 3.q7q");
  EXPECT_EQ(presetFileNameFor("old.look.q5q"), "old.look.q7q");
  EXPECT_EQ(presetFileNameFor(".hidden"), ".hidden.q7q");
  char unterminated[kTextLength];
  std::memset(unterminated, 'x', sizeof unterminated);
  EXPECT_EQ(presetFileNameFor(unterminated), std::string(kTextLength, 'x') + ".q7q");
}

}  // namespace
}  // namespace qm
