// SPDX-License-Identifier: LicenseRef-Quillmark
// The quillmark command's arguments: what is accepted, what is refused and how, and the
// scripting descriptor the settings become; and recorded settings as text, what
// --print-settings shows and --settings reads back.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/command_line.h"
#include "cli/settings_text.h"
#include "host/plugin_interface.h"
#include "settings/four_char_code.h"

namespace qm::test {
namespace {

using cli::Command;
using cli::CommandKind;
using cli::DescriptorItem;
using cli::DescriptorItems;

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

// A render (or a contact sheet) of in.png to out.png with these options.
Parsed render(std::vector<std::string> options, const char* command = "render") {
  options.insert(options.begin(), {command, "in.png", "out.png"});
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
  // Options of a render, and what the refusal says.
  const std::pair<std::vector<std::string>, std::vector<std::string>> options[] = {
      {{"--scale", "2"}, {"scale", "1x, 2x, 4x"}}, {{"--scale", "8x"}, {"scale", "1x, 2x, 4x"}},
      {{"--style", "fog"}, {"unknown style \"fog\"", "diffusion, noise", "Hyper A, Hyper B"}},
      {{"--line", "bold"}, {"line", "thinner, thin, medium, thick, thicker"}},
      {{"--invert", "invert"}, {"invert", "normal, invert light, invert dark, invert all"}},
      {{"--blend", "normal-ish"}, {"blend", "normal, procedural +", "contrast negate"}},
      // A name glued to a number, or with its spaces dropped, is no name.
      {{"--style", "squarechaos"}, {"style"}}, {{"--style", "4x"}, {"style"}},
      // Whole numbers that fit an integer: 2^32 + 1 must not wrap to 1.
      {{"--warping", "12.5"}, {"--warping"}}, {{"--warping", "7 "}, {"--warping"}},
      {{"--warping", "99999999999999999999999"}, {"--warping"}}, {{"--style", "4294967297"}, {"--style"}},
      {{"--blend", "-4294967295"}, {"--blend"}}, {{"--blend"}, {"--blend needs a value"}},
      {{"--seed", "2147483648"}, {"--seed", "0 and 2147483647", "\"2147483648\""}},
      {{"--seed", "-1"}, {"--seed", "0 and 2147483647"}}, {{"--repeat", "101"}, {"--repeat", "0 and 100"}},
      {{"--repeat", "twice"}, {"--repeat", "0 and 100"}}, {{"--mask"}, {"--mask needs a value"}},
      {{"--colour", "red"}, {"unknown option --colour", "--help"}}};
  for (const auto& [given, fragments] : options) expectRefused(render(given), fragments);
  // Whole command lines.
  const std::vector<std::string> renderNeedsFiles = {"render needs an input and an output file"};
  const std::pair<std::vector<std::string>, std::vector<std::string>> commands[] = {
      // An option takes the next argument as its value even when it names a file.
      {{"render", "in.png", "--style", "out.png"}, {"style"}},
      {{"draw", "in.png", "out.png"}, {"unknown command \"draw\"", "--help"}},
      {{"styles", "all"}, {"styles takes no arguments"}}, {{"blends", "--style", "3"}, {"blends takes no arguments"}},
      {{"about", "--seed", "3"}, {"about takes only --plugin"}}, {{"render"}, renderNeedsFiles},
      {{"render", "a.png", "b.png", "c.png"}, renderNeedsFiles}, {{"render", "--gray", "in.png"}, renderNeedsFiles},
      {{"render", "in.png", "out.png", "-x"}, renderNeedsFiles}};
  for (const auto& [arguments, fragments] : commands) expectRefused(parse(arguments), fragments);
}

TEST(CommandLineOptions, OptionsAnywhereAndTheLastOfARepeatedOneWins) {
  const Parsed parsed = parse({"render", "--style", "3", "a.png", "--warping", "10", "--style", "maze", "--gray",
                               "b.tif", "--warping", "90", "--gray", "--seed", "1", "--seed", "2147483647", "--mask",
                               "m.png", "--plugin", "/x/Q.so", "--no-progress", "--print-settings", "--repeat", "100"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const Command& c = parsed.command;
  EXPECT_EQ(std::vector<std::string>({c.input, c.output, c.mask, c.pluginPath}),
            std::vector<std::string>({"a.png", "b.tif", "m.png", "/x/Q.so"}));
  EXPECT_EQ((std::vector<int>{int(c.settings.size()), valueOf(parsed, "QNky"), valueOf(parsed, "0004")}),
            (std::vector<int>{3, 10, 90}));
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
  for (const std::string crop : {"0x10", "10x0", "2049x10", "10x2049", "64", "64x", "x48", "-4x4", "4x-4", "64*48",
                                 "64x48x2", "ax4", "4294967360x48", ""})
    expectRefused(render({"--crop", crop}, "sheet"), {"--crop", "WIDTHxHEIGHT", "2048", "\"" + crop + "\""});
  expectRefused(render({"--crop"}, "sheet"), {"--crop needs a value"});
  expectRefused(render({"--style", "3"}, "sheet"), {"every style", "--style"});
  for (const char* option : {"--mask", "--repeat", "--print-settings", "--lean-host"})
    expectRefused(render({option, "1"}, "sheet"), {option, "render only"});
  expectRefused(render({"--crop", "64x48"}), {"unknown option --crop"});
  for (const char* output : {"sheet.tif", "sheet.png.tiff", "sheet", "png", ".png"})
    expectRefused(parse({"sheet", "in.png", output}), {"PNG", std::string("\"") + output + "\""});
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"sheet"}, {"sheet", "in.png"}, {"sheet", "a.png", "b.png", "c.png"}})
    expectRefused(parse(arguments), {"sheet needs an input and an output file", "OUT.png"});
}

// --- settings as text ---

DescriptorItem enumerated(const char* key, const char* type, const char* value) {
  return {.key = fourCharCode(key), .type = pi::typeEnumerated, .enumType = fourCharCode(type),
          .enumValue = fourCharCode(value)};
}

DescriptorItem integer(std::uint32_t key, std::int32_t value, pi::DescriptorTypeID type = pi::typeInteger) {
  return {.key = key, .type = type, .integer = value};
}

TEST(SettingsText, DescribesEachItemInOrderAndFlagsUnknownValues) {
  const DescriptorItems items = {integer(fourCharCode("0005"), 300),
                                 enumerated("QNky", "QNty", "QN99"),
                                 enumerated("QNky", "QNty", "QN04"),
                                 enumerated("GLUE", "GLty", "QN04"),  // another enumeration's
                                 integer(fourCharCode("0006"), 0, pi::typeBoolean),
                                 integer(fourCharCode("abcd"), -7),
                                 integer(0x51010203u, 1)};
  EXPECT_EQ(describeSettings(items),
            "0005 angle    = 300\n"
            "QNky style    = QN99  (not a known value)\n"
            "QNky style    = QN04  arabesque\n"
            "GLUE blend    = QN04  (not a known value)\n"
            "0006 gray     = false\n"
            "abcd ?        = -7\n"
            "Q\\x01\\x02\\x03 ?        = 1\n");
}

TEST(SettingsText, WhatIsPrintedReadsBackTheSameWhateverTheLineEnds) {
  const DescriptorItems items = {enumerated("QNky", "QNty", "QN14"), integer(fourCharCode("0004"), 7),
                                 integer(fourCharCode("0006"), 1, pi::typeBoolean)};
  std::string windows = describeSettings(items);
  for (std::size_t at = windows.find('\n'); at != std::string::npos; at = windows.find('\n', at + 2))
    windows.insert(at, "\r");
  for (const std::string& text : {describeSettings(items), windows}) {
    DescriptorItems read;
    std::string error;
    ASSERT_TRUE(parseSettingsText(text, read, error)) << error;
    EXPECT_EQ(read, items);
  }
}

// A bad line is named by its number; a value out of range is refused as the command line
// refuses it, naming the setting and its range.
TEST(SettingsText, BadLinesAndValuesOutOfRangeAreRefused) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"\nQNky style = QN01\nXXXX style = QN01\n", {"line 3", "XXXX"}},
      {"0004 warping = lots\n", {"line 1", "\"lots\" is no value for warping"}},
      {"0006 gray = maybe\n", {"gray"}}, {"QNky style QN01\n", {"KEY name = value"}},
      {"0005 angle = 99999999999\n", {"angle 99999999999 is out of range"}},
      {"0004 warping = 101\n", {"warping 101 is out of range", "between 0 and 100"}},
      {"0005 angle = -1\n", {"angle -1 is out of range", "between 0 and 359"}},
      {"QNky style = QN26\n", {"style QN26 is out of range", "between QN01 and QN25"}},
      {"QSky scale = QN02\n", {"scale QN02", "between Qs01 and Qs03"}},
      {"Qmky line = Qm1\n", {"\"Qm1\" is no value for line"}}};
  for (const auto& [text, fragments] : cases) {
    DescriptorItems read;
    std::string error;
    EXPECT_FALSE(parseSettingsText(text, read, error)) << text;
    for (const std::string& fragment : fragments) EXPECT_NE(error.find(fragment), std::string::npos) << error;
  }
}

TEST(SettingsText, LaterValuesAndOverridesReplaceEarlierOnes) {
  DescriptorItems read;
  std::string error;
  ASSERT_TRUE(parseSettingsText("0004 warping = 1\n0004 warping = 2\n", read, error)) << error;
  EXPECT_EQ(read, (DescriptorItems{integer(fourCharCode("0004"), 2)}));
  mergeSettings(read, {integer(fourCharCode("0004"), 9), enumerated("GLUE", "GLty", "GL03")});
  EXPECT_EQ(read, (DescriptorItems{integer(fourCharCode("0004"), 9), enumerated("GLUE", "GLty", "GL03")}));
}

}  // namespace
}  // namespace qm::test
