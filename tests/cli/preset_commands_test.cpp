// SPDX-License-Identifier: LicenseRef-Quillmark
// The preset and random-look commands end to end: a look saved, shown, rendered from and
// converted, and a random look that a seed reproduces and --settings reads back.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/command_checks.h"

namespace qm::test {
namespace {

// The settings lines of what preset show or random printed, without its comment line.
std::string settingsLines(const std::string& printed) {
  return printed.rfind('#', 0) == 0 ? printed.substr(printed.find('\n') + 1) : printed;
}

// A picture large enough for a preset's 128 x 128 picture.
std::string photograph(const std::string& name) {
  return writeTemp(makeTestImage(160, 140, SampleType::UInt8, 3, false), name);
}

TEST(PresetCommands, ASavedLookShowsAndRendersAsGivenAndOptionsGivenWithItWin) {
  const std::string preset = tempPath("saved look.q7q");
  ASSERT_TRUE(succeeded(quillmark({"preset", "save", preset, "--style", "hatching", "--line", "thick", "--gray"})));
  EXPECT_EQ(readBytes(preset).size(), 13u * 4) << "no picture: thirteen words";

  const ChildResult shown = quillmark({"preset", "show", preset});
  ASSERT_TRUE(succeeded(shown));
  EXPECT_EQ(shown.out.substr(0, shown.out.find('\n')), "# saved look.q7q: preset version 191, without a picture");
  for (const char* line : {"QNky style    = QN14  hatching", "Qmky line     = Qm04  thick", "0006 gray     = true"})
    EXPECT_NE(shown.out.find(line), std::string::npos) << line << " in\n" << shown.out;

  const std::string input = photograph("preset source.png");
  const ChildResult rendered = quillmark({"render", input, tempPath("from preset.png"), "--preset", preset, "--angle",
                                          "10", "--print-settings", "--no-progress", "--seed", "3"});
  ASSERT_TRUE(succeeded(rendered));
  std::string expected = settingsLines(shown.out);
  const std::string angle = "0005 angle    = 45";
  expected.replace(expected.find(angle), angle.size(), "0005 angle    = 10");
  EXPECT_EQ(rendered.out, expected);
}

TEST(PresetCommands, APictureRenderedFromTheCentreIsStoredAndWrittenBack) {
  const std::string preset = tempPath("with picture.q7q");
  ASSERT_TRUE(succeeded(quillmark({"preset", "save", preset, "--style", "Bayer", "--picture-from",
                                   photograph("picture source.png"), "--seed", "5"})));
  EXPECT_GT(readBytes(preset).size(), 16u * 4);

  const std::string picture = tempPath("preset picture.png");
  const ChildResult shown = quillmark({"preset", "show", preset, "--picture", picture});
  ASSERT_TRUE(succeeded(shown));
  EXPECT_NE(shown.out.find("with a 128 x 128 picture"), std::string::npos) << shown.out;
  const RasterImage image = loaded(picture);
  EXPECT_EQ(image.width, 128);
  EXPECT_EQ(image.height, 128);
  // Bayer ink on a ramp: both ink and paper in the picture, even after JPEG.
  int dark = 0, light = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const double green = sampleAt(image, x, y, 1);
      dark += green < 64;
      light += green > 192;
    }
  EXPECT_GT(dark, 1000);
  EXPECT_GT(light, 1000);
}

TEST(PresetCommands, BadPresetsAndNamesFailWithOneLineAndWriteNothing) {
  const std::string notPreset = tempPath("not a preset.q7q");
  writeBytes(notPreset, "GIF89a and so on");
  const std::string cut = tempPath("cut.q7q");
  writeBytes(cut, std::string("\0\0\0\xbf\0\0\0\x07\0\0", 10));
  const std::string input = photograph("bad preset source.png");
  const std::string output = tempPath("never written.png");
  expectCleanFailure({"render", input, output, "--preset", notPreset}, output, 1, {"not a preset file"});
  expectCleanFailure({"render", input, output, "--preset", cut}, output, 1, {"ends early"});
  expectCleanFailure({"render", input, output, "--preset", tempPath("missing.q7q")}, output, 1, {"cannot open"});
  expectCleanFailure({"preset", "save", tempPath("look.txt")}, tempPath("look.txt"), 2, {"named .q7q"});
  const std::string small = writeTemp(makeTestImage(100, 200, SampleType::UInt8, 3, false), "small source.png");
  expectCleanFailure({"preset", "save", tempPath("small.q7q"), "--picture-from", small}, tempPath("small.q7q"), 1,
                     {"smaller"});
  const std::string bare = tempPath("bare.q7q");
  ASSERT_TRUE(succeeded(quillmark({"preset", "save", bare})));
  expectCleanFailure({"preset", "show", bare, "--picture", tempPath("no picture.png")}, tempPath("no picture.png"), 1,
                     {"has no picture"});
}

TEST(PresetCommands, ASeedReproducesARandomLookThatSettingsReadBack) {
  const ChildResult first = quillmark({"random", "--seed", "77"});
  ASSERT_TRUE(succeeded(first));
  EXPECT_EQ(quillmark({"random", "--seed", "77"}).out, first.out);
  EXPECT_NE(quillmark({"random", "--seed", "78"}).out, first.out);
  const std::string settings = tempPath("random look.txt");
  writeBytes(settings, first.out);
  const ChildResult replayed = quillmark({"render", photograph("random source.png"), tempPath("random.png"),
                                          "--settings", settings, "--print-settings", "--no-progress"});
  ASSERT_TRUE(succeeded(replayed));
  EXPECT_EQ(replayed.out, first.out);
}

TEST(PresetCommands, ConvertRewritesOlderNamesInTheCurrentVersion) {
  const std::filesystem::path folder = tempPath("old presets");
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  // Version 182: style 9, scale 2, invert 3, warping 40, angle 100, gray 1, blend 5.
  std::string old;
  for (const std::uint32_t word : {182u, 9u, 2u, 3u, 40u, 100u, 1u, 5u})
    for (const int shift : {24, 16, 8, 0}) old += char((word >> shift) & 255);
  writeBytes((folder / "ink.q9q").string(), old);
  writeBytes((folder / "wash.q5q").string(), old);
  writeBytes((folder / "notes.txt").string(), "left alone");

  const ChildResult converted = quillmark({"preset", "convert", folder.string()});
  ASSERT_TRUE(succeeded(converted));
  EXPECT_EQ(converted.out, "converted 2 presets in " + folder.string() + "\n");
  EXPECT_EQ(folderEntries(folder.string()), (std::vector<std::string>{"ink.q5q", "notes.txt", "wash.q5q"}));
  EXPECT_EQ(readBytes((folder / "notes.txt").string()), "left alone");
  for (const char* name : {"ink.q5q", "wash.q5q"}) {
    const std::string bytes = readBytes((folder / name).string());
    ASSERT_EQ(bytes.size(), 13u * 4) << name;
    EXPECT_EQ(bytes.substr(0, 4), std::string("\0\0\0\xbf", 4)) << name;
    EXPECT_EQ(bytes.substr(4, 4 * 7), old.substr(4, 4 * 7)) << name;
  }
}

}  // namespace
}  // namespace qm::test
