// SPDX-License-Identifier: LicenseRef-Quillmark
// Preset files: which fields each version holds, files that end early or are damaged, the
// picture blocks, and what the writer puts on disk; the cached settings, a preset file of
// their own.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "formats/jpeg_codec.h"
#include "settings/cached_settings.h"
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

// The prior look (values in record order, see valuesOf) has blend mode 7. A version no
// release wrote is refused and changes nothing; stored values come into range.
TEST(PresetReading, EachVersionLoadsItsOwnFieldsAndKeepsTheRest) {
  const std::pair<std::vector<std::uint32_t>, Values> cases[] = {
      {storedWords(180, 6), {9, 2, 7, 0, 0, 75, 3, 3, 60, 200}}, {storedWords(181, 7), {9, 2, 7, 1, 0, 75, 3, 3, 60, 200}},
      {storedWords(182, 8), {9, 2, 12, 1, 0, 75, 3, 3, 60, 200}}, {storedWords(186, 10), {9, 2, 12, 1, 100, 40, 3, 3, 60, 200}},
      {storedWords(187, 11), {9, 2, 12, 1, 100, 40, 3, 3, 60, 200}}, {storedWords(190, 12), {9, 2, 12, 1, 100, 40, 5, 3, 60, 200}},
      {{191, 99, 0, 9, 0xFFFFFFFF, 400, 7, 70, 251, 101, 0, 6, 0}, {25, 1, 69, 1, 250, 100, 5, 4, 0, 40}},
      {storedWords(0, 12), {}}, {storedWords(179, 12), {}}, {storedWords(192, 12), {}},
      {storedWords(0xFFFFFFFF, 12), {}}};
  for (const auto& [words, expected] : cases) {
    SCOPED_TRACE(words[0]);
    InkSettings settings = test::priorSettings();
    const InkSettings before = settings;
    const PresetReadResult read = PresetBytes{}.words(words).read(settings, PresetReadMode::Load);
    EXPECT_EQ(read.result, expected.empty() ? platform::kReadFailed : 0);
    EXPECT_EQ(read.version, std::int32_t(words[0]));
    EXPECT_EQ(valuesOf(settings.look), expected.empty() ? valuesOf(before.look) : expected);
    EXPECT_TRUE(!expected.empty() || std::memcmp(&settings, &before, sizeof settings) == 0);
  }
  InkSettings settings = test::priorSettings();
  EXPECT_EQ(readPreset(test::tempPath("none"), settings, PresetReadMode::Load, nullptr).result, platform::kOpenRefused);
}

// The writer's file is 13 words without a picture, 16 words and the stream with one. Every
// prefix of it loads the fields it holds whole and no others; a picture cut short is no
// picture, and the thumbnail keeps its ramp until the whole file is read.
TEST(PresetWriting, TheWrittenFileHasItsLayoutAndACutAnywhereLoadsExactlyTheWholeFields) {
  InkSettings written = test::priorSettings();
  written.look = {21, 3, 40, 1, 180, 10, 1, 4, 99, 300};
  const std::string plain = test::writtenPreset(written, nullptr), whole = test::writtenPreset(written, &test::halfRedHalfBlue());
  EXPECT_EQ(plain, PresetBytes{}.words({191, 21, 3, 4, 99, 300, 1, 40, 180, 10, 0, 1, 0}).text);
  ASSERT_GT(whole.size(), 64u);
  EXPECT_EQ(whole.substr(0, 64), plain.substr(0, 48) + PresetBytes{}.words({1, 128, 128, std::uint32_t(whole.size() - 64)}).text);
  // The fields in file order after the version; the raw picture word holds none.
  std::int32_t UserValues::* const inFileOrder[] = {&UserValues::style,   &UserValues::scale,     &UserValues::invertMode,
                                                    &UserValues::warping, &UserValues::angle,     &UserValues::gray,
                                                    &UserValues::blendMode, &UserValues::diameter, &UserValues::sharpen,
                                                    nullptr,              &UserValues::lineWeight};
  test::Thumbnail thumbnail;
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    InkSettings settings = test::priorSettings();
    const PresetReadResult read = PresetBytes{whole.substr(0, cut)}.read(settings, PresetReadMode::Load, &thumbnail.record);
    UserValues expected = test::priorSettings().look;
    for (std::size_t word = 1; word <= 11 && (word + 1) * 4 <= cut; ++word)
      if (const auto field = inFileOrder[word - 1]) expected.*field = written.look.*field;
    ASSERT_EQ(valuesOf(settings.look), valuesOf(expected)) << cut;
    const bool complete = cut == whole.size();
    ASSERT_EQ(std::pair(read.result == 0, read.pictureDelivered), std::pair(complete, complete)) << cut;
    ASSERT_EQ(test::isGreyRamp(thumbnail.image), !complete) << cut;
  }
  EXPECT_EQ(thumbnail.record.width + thumbnail.record.height, 256);
  EXPECT_TRUE(test::isHalfRedHalfBlue(thumbnail.image, 128));
}

// Picture blocks are kept or passed over, and the reader always lands where the block ends:
// one byte fewer than the block claims runs out. Reading for the picture alone changes no
// setting.
TEST(PresetReading, PictureBlocksAreKeptOrPassedOverByTheirStoredSize) {
  const std::vector<std::uint8_t> stream = encodeJpeg(test::halfRedHalfBlue(), kPresetPictureQuality);
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
      PresetBytes file = PresetBytes{}.words(storedWords(191, 12)).words(header).words({std::uint32_t(bytes->size())});
      InkSettings settings = test::priorSettings();
      const InkSettings before = settings;
      const PresetReadResult read = file.bytes(*bytes).read(settings, mode, &thumbnail.record);
      EXPECT_EQ(std::pair(read.result, read.pictureDelivered), std::pair(0, delivered)) << what;
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
      PresetBytes file = PresetBytes{}.words(storedWords(190, 10)).words({1, side, 0xDEAD});
      const bool whole = side <= 200, kept = withThumbnail && side >= 1 && side <= 128;
      for (std::uint32_t i = 0; whole && i < side * side; ++i) file.bytes({std::uint8_t(i), 50, 200});
      InkSettings settings = test::priorSettings();
      const PresetReadResult read =
          file.words({2}).read(settings, PresetReadMode::Load, withThumbnail ? &thumbnail.record : nullptr);
      EXPECT_EQ(std::tuple(read.result, settings.look.lineWeight, read.pictureDelivered),
                std::tuple(whole ? 0 : platform::kReadFailed, whole ? 2 : 3, kept)) << side;
      EXPECT_TRUE(!kept || (test::rgbAt(thumbnail.image, std::int32_t(side - 1), 0) == test::Rgb{int((side - 1) % 256), 50, 200} &&
                            thumbnail.record.width == int(side))) << side;
    }
  }
}

// The look last applied returns, from a preset without a picture; with no file, nothing
// changes.
TEST(CachedSettings, TheLastLookReturnsAndAMissingFileChangesNothing) {
  const test::OwnStateFolder state;
  InkSettings fresh = test::priorSettings(), applied = test::priorSettings();
  applied.look.style = 7;
  EXPECT_FALSE(loadCachedSettings(fresh));
  EXPECT_EQ(fresh.look.style, 4);
  ASSERT_EQ(saveCachedSettings(applied), 0);
  EXPECT_EQ(std::filesystem::file_size(platform::temporaryPath(kCachedSettingsName)), 13u * 4) << "no picture";
  EXPECT_TRUE(loadCachedSettings(fresh));
  EXPECT_EQ(valuesOf(fresh.look), valuesOf(applied.look));
}

}  // namespace
}  // namespace qm
