// SPDX-License-Identifier: LicenseRef-Quillmark
// The preset and random-look commands end to end: a look saved, shown, rendered from and
// converted, and a random look that a seed reproduces and --settings reads back.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <utility>

#include "tests/cli/command_checks.h"

namespace qm::test {
namespace {

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

  const ChildResult rendered = render(photograph("preset source.png"), tempPath("from preset.png"),
                                      {"--preset", preset, "--angle", "10", "--print-settings"});
  ASSERT_TRUE(succeeded(rendered));
  std::string expected = shown.out.substr(shown.out.find('\n') + 1);  // the settings lines
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
  EXPECT_EQ(std::pair(image.width, image.height), std::pair(128, 128));
  // Bayer ink on a ramp: both ink and paper in the picture, even after JPEG.
  int dark = 0, light = 0;
  for (std::uint8_t sample : image.pixels) dark += sample < 64, light += sample > 192;
  EXPECT_TRUE(dark > 3000 && light > 3000) << dark << " dark and " << light << " light samples";
}

TEST(PresetCommands, BadPresetsAndNamesFailWithOneLineAndWriteNothing) {
  const std::string notPreset = tempPath("not a preset.q7q"), cut = tempPath("cut.q7q"), bare = tempPath("bare.q7q");
  writeBytes(notPreset, "GIF89a and so on");
  writeBytes(cut, std::string("\0\0\0\xbf\0\0\0\x07\0\0", 10));
  ASSERT_TRUE(succeeded(quillmark({"preset", "save", bare})));
  const std::string input = photograph("bad preset source.png"), output = tempPath("never written.png");
  const std::string small = writeTemp(makeTestImage(100, 200, SampleType::UInt8, 3, false), "small source.png");
  const std::string look = tempPath("look.txt"), smallPreset = tempPath("small.q7q");
  const std::string noPicture = tempPath("no picture.png");
  // The command, the file it must not write, its exit status and what the line says.
  const std::tuple<std::vector<std::string>, std::string, int, const char*> cases[] = {
      {{"render", input, output, "--preset", notPreset}, output, 1, "not a preset file"},
      {{"render", input, output, "--preset", cut}, output, 1, "ends early"},
      {{"render", input, output, "--preset", tempPath("missing.q7q")}, output, 1, "cannot open"},
      {{"preset", "save", look}, look, 2, "named .q7q"},
      {{"preset", "save", smallPreset, "--picture-from", small}, smallPreset, 1, "smaller"},
      {{"preset", "show", bare, "--picture", noPicture}, noPicture, 1, "has no picture"}};
  for (const auto& [arguments, out, status, cause] : cases) expectCleanFailure(arguments, out, status, {cause});
}

TEST(PresetCommands, ASeedReproducesARandomLookThatSettingsReadBack) {
  const ChildResult first = quillmark({"random", "--seed", "77"});
  ASSERT_TRUE(succeeded(first));
  EXPECT_EQ(quillmark({"random", "--seed", "77"}).out, first.out);
  EXPECT_NE(quillmark({"random", "--seed", "78"}).out, first.out);
  const std::string settings = tempPath("random look.txt");
  writeBytes(settings, first.out);
  const ChildResult replayed =
      render(photograph("random source.png"), tempPath("random.png"), {"--settings", settings, "--print-settings"});
  ASSERT_TRUE(succeeded(replayed));
  EXPECT_EQ(replayed.out, first.out);
}

TEST(PresetCommands, ConvertRewritesOlderNamesInTheCurrentVersion) {
  const std::filesystem::path folder = tempPath("old presets");
  std::filesystem::create_directory(folder);
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
