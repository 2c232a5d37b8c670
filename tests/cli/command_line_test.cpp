// SPDX-License-Identifier: LicenseRef-Quillmark
// The quillmark command's arguments: what is accepted, what is refused and how, and the
// scripting descriptor the settings become.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/command_line.h"
#include "host/plugin_interface.h"
#include "settings/four_char_code.h"

namespace qm::test {
namespace {

using cli::Command;
using cli::CommandKind;
using cli::DescriptorItem;

struct Parsed {
  bool ok = false;
  Command command;
  std::string error;
};

Parsed parse(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "quillmark");
  Parsed parsed;
  parsed.command.repeat = -1;  // so a parse that leaves the command alone shows
  parsed.ok = cli::parseCommandLine(arguments, parsed.command, parsed.error);
  return parsed;
}

// A render of in.png to out.png with these options.
Parsed render(std::vector<std::string> options) {
  options.insert(options.begin(), {"render", "in.png", "out.png"});
  return parse(std::move(options));
}

// A contact sheet of in.png to sheet.png with these options.
Parsed sheet(std::vector<std::string> options) {
  options.insert(options.begin(), {"sheet", "in.png", "sheet.png"});
  return parse(std::move(options));
}

// The value an option was parsed to, whether an enumerator's two digits or an integer; the
// test fails unless there is exactly one item under the key. An enumeration's type is named
// after its key ('QNky' values are of type 'QNty').
int valueOf(const Parsed& parsed, const char* key) {
  EXPECT_TRUE(parsed.ok) << parsed.error;
  const DescriptorItem* found = nullptr;
  int count = 0;
  for (const DescriptorItem& item : parsed.command.settings)
    if (item.key == fourCharCode(key)) found = &item, ++count;
  EXPECT_EQ(count, 1) << key;
  if (!found || found->type != pi::typeEnumerated) return found ? found->integer : -1;
  EXPECT_EQ(fourCharCodeText(found->enumType), std::string(key, 2) + "ty") << key;
  // The number an enumerator carries in its last two characters ('QN17' is 17).
  return (int((found->enumValue >> 8) & 0xFF) - '0') * 10 + int(found->enumValue & 0xFF) - '0';
}

void expectRefused(const Parsed& parsed, const std::vector<std::string>& fragments) {
  EXPECT_FALSE(parsed.ok);
  EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
  for (const std::string& fragment : fragments)
    EXPECT_NE(parsed.error.find(fragment), std::string::npos) << "\"" << fragment << "\" in: " << parsed.error;
}

// Names compare without case, '-' or '_' stand for a space, and numbers stand for named
// values, except for the scale, whose "2" could be the second entry or twice the size.
TEST(CommandLineNames, NamesAndNumbersOfNamedValues) {
  const std::tuple<const char*, const char*, const char*, int> cases[] = {
      {"--style", "square-chaos", "QNky", 6},     {"--style", "Poster_Tone_1", "QNky", 17},
      {"--style", "HYPER-b", "QNky", 25},         {"--style", "poster tone 2", "QNky", 18},
      {"--line", "THICKER", "Qmky", 5},           {"--invert", "Invert_Dark", "QGky", 3},
      {"--blend", "contrast-negate", "GLUE", 69}, {"--blend", "Procedural +", "GLUE", 2},
      {"--scale", "4X", "QSky", 3},               {"--scale", "1x", "QSky", 1},
      {"--style", "25", "QNky", 25},              {"--blend", "69", "GLUE", 69},
      {"--line", "1", "Qmky", 1},                 {"--invert", "4", "QGky", 4}};
  for (const auto& [option, text, key, value] : cases) EXPECT_EQ(valueOf(render({option, text}), key), value) << text;
}

// Every option that takes a number, with the range its help text promises.
TEST(CommandLineRanges, EndsAreAcceptedAndOnePastIsRefusedByName) {
  const std::tuple<const char*, const char*, int, int> ranges[] = {
      {"style", "QNky", 1, 25},     {"line", "Qmky", 1, 5},      {"invert", "QGky", 1, 4},
      {"blend", "GLUE", 1, 69},     {"warping", "0004", 0, 100}, {"angle", "0005", 0, 359},
      {"diameter", "0008", 0, 250}, {"sharpen", "0009", 0, 100}};
  for (const auto& [name, key, minimum, maximum] : ranges) {
    SCOPED_TRACE(name);
    const std::string option = std::string("--") + name;
    for (int value : {minimum, maximum}) EXPECT_EQ(valueOf(render({option, std::to_string(value)}), key), value);
    const std::string between = "between " + std::to_string(minimum) + " and " + std::to_string(maximum);
    for (int value : {minimum - 1, maximum + 1})
      expectRefused(render({option, std::to_string(value)}), {option + " " + std::to_string(value), between});
  }
}

TEST(CommandLineErrors, EachRefusalSaysWhatIsWrong) {
  const std::vector<std::string> renderNeedsFiles = {"render needs an input and an output file"};
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"render", "a", "b", "--scale", "2"}, {"scale", "1x, 2x, 4x"}},
      {{"render", "a", "b", "--scale", "8x"}, {"scale", "1x, 2x, 4x"}},
      {{"render", "a", "b", "--style", "fog"}, {"unknown style \"fog\"", "diffusion, noise", "Hyper A, Hyper B"}},
      {{"render", "a", "b", "--line", "bold"}, {"line", "thinner, thin, medium, thick, thicker"}},
      {{"render", "a", "b", "--invert", "invert"}, {"invert", "normal, invert light, invert dark, invert all"}},
      {{"render", "a", "b", "--blend", "normal-ish"}, {"blend", "normal, procedural +", "contrast negate"}},
      // A name glued to a number, or with its spaces dropped, is no name.
      {{"render", "a", "b", "--style", "squarechaos"}, {"style"}},
      {{"render", "a", "b", "--style", "4x"}, {"style"}},
      // Whole numbers that fit an integer: 2^32 + 1 must not wrap to 1.
      {{"render", "a", "b", "--warping", "12.5"}, {"--warping"}},
      {{"render", "a", "b", "--warping", "7 "}, {"--warping"}},
      {{"render", "a", "b", "--warping", "99999999999999999999999"}, {"--warping"}},
      {{"render", "a", "b", "--style", "4294967297"}, {"--style"}},
      {{"render", "a", "b", "--blend", "-4294967295"}, {"--blend"}},
      {{"render", "a", "b", "--blend"}, {"--blend needs a value"}},
      {{"render", "a", "b", "--seed", "2147483648"}, {"--seed", "0 and 2147483647", "\"2147483648\""}},
      {{"render", "a", "b", "--seed", "-1"}, {"--seed", "0 and 2147483647"}},
      {{"render", "a", "b", "--repeat", "101"}, {"--repeat", "0 and 100"}},
      {{"render", "a", "b", "--repeat", "twice"}, {"--repeat", "0 and 100"}},
      {{"render", "a", "b", "--mask"}, {"--mask needs a value"}},
      // An option takes the next argument as its value even when it names a file.
      {{"render", "in.png", "--style", "out.png"}, {"style"}},
      {{"render", "a", "b", "--colour", "red"}, {"unknown option --colour", "--help"}},
      {{"draw", "in.png", "out.png"}, {"unknown command \"draw\"", "--help"}},
      {{"styles", "all"}, {"styles takes no arguments"}},
      {{"blends", "--style", "3"}, {"blends takes no arguments"}},
      {{"about", "--seed", "3"}, {"about takes only --plugin"}},
      {{"render"}, renderNeedsFiles},
      {{"render", "a.png", "b.png", "c.png"}, renderNeedsFiles},
      {{"render", "--gray", "in.png"}, renderNeedsFiles},
      {{"render", "in.png", "out.png", "-x"}, renderNeedsFiles},
  };
  for (const auto& [arguments, fragments] : cases) expectRefused(parse(arguments), fragments);
}

TEST(CommandLineOptions, OptionsAnywhereAndTheLastOfARepeatedOneWins) {
  const Parsed parsed = parse({"render", "--style", "3", "a.png", "--warping", "10", "--style", "maze", "--gray",
                               "b.tif", "--warping", "90", "--gray", "--seed", "1", "--seed", "2147483647", "--mask",
                               "m.png", "--plugin", "/x/Q.so", "--no-progress", "--print-settings", "--repeat", "100"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const Command& c = parsed.command;
  EXPECT_EQ(std::vector<std::string>({c.input, c.output, c.mask, c.pluginPath}),
            std::vector<std::string>({"a.png", "b.tif", "m.png", "/x/Q.so"}));
  EXPECT_EQ(c.settings.size(), 3u);
  EXPECT_EQ(valueOf(parsed, "QNky"), 10);
  EXPECT_EQ(valueOf(parsed, "0004"), 90);
  // The seed and the repeats at the ends of their ranges; neither is a setting of the filter.
  EXPECT_EQ(std::vector<std::int64_t>({c.seed.value_or(0), c.repeat, c.progress, c.printSettings}),
            std::vector<std::int64_t>({2147483647, 100, false, true}));
}

TEST(CommandLineHelp, HelpAnywhereWinsOverEverythingElse) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, {"--help"}, {"-h"}, {"render", "--style", "nonsense", "--help"},
        {"draw", "--help"}, {"styles", "extra", "-h"}, {"render", "in.png", "out.png", "--help", "--seed"},
        {"render", "in.png", "out.png", "--mask", "--help"}}) {
    const Parsed parsed = parse(arguments);
    EXPECT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.command.kind, CommandKind::Help);
    EXPECT_EQ(parsed.command.repeat, 0) << "the command is reset";
  }
}

// The sheet takes render's look and run options (its cells are checked against renders) and
// a crop, but nothing that makes no sense for 25 renders of a crop.
TEST(CommandLineSheet, TakesACropAndRefusesWhatOnlyRenderTakes) {
  const Parsed ends = parse({"sheet", "--crop", "1X2048", "in.tif", "dir/Sheet.Png", "--gray"});
  ASSERT_TRUE(ends.ok) << ends.error;
  EXPECT_EQ(std::pair(ends.command.cropWidth, ends.command.cropHeight), std::pair(1, 2048));
  EXPECT_EQ(ends.command.kind, CommandKind::Sheet);
  for (const char* crop : {"0x10", "10x0", "2049x10", "10x2049", "64", "64x", "x48", "-4x4", "4x-4", "64*48",
                           "64x48x2", "ax4", "4294967360x48", ""})
    expectRefused(sheet({"--crop", crop}), {"--crop", "WIDTHxHEIGHT", "2048", std::string("\"") + crop + "\""});
  expectRefused(sheet({"--crop"}), {"--crop needs a value"});
  expectRefused(sheet({"--style", "3"}), {"every style", "--style"});
  for (const char* option : {"--mask", "--repeat", "--print-settings", "--lean-host"})
    expectRefused(sheet({option, "1"}), {option, "render only"});
  expectRefused(render({"--crop", "64x48"}), {"unknown option --crop"});
  for (const char* output : {"sheet.tif", "sheet.png.tiff", "sheet", "png", ".png"})
    expectRefused(parse({"sheet", "in.png", output}), {"PNG", std::string("\"") + output + "\""});
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"sheet"}, {"sheet", "in.png"}, {"sheet", "a.png", "b.png", "c.png"}})
    expectRefused(parse(arguments), {"sheet needs an input and an output file", "OUT.png"});
}

}  // namespace
}  // namespace qm::test
