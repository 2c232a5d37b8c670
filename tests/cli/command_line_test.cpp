// SPDX-License-Identifier: LicenseRef-Quillmark
// The quillmark command's arguments: what is accepted, what is refused and how, and the
// scripting descriptor the settings become.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/settings_text.h"
#include "host/plugin_interface.h"

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

// A render of in.png to out.png with these options.
Parsed render(std::vector<std::string> options) {
  options.insert(options.begin(), {"render", "in.png", "out.png"});
  return parse(std::move(options));
}

std::uint32_t code(std::string_view four) {
  std::uint32_t value = 0;
  for (char c : four.substr(0, 4)) value = (value << 8) | std::uint8_t(c);
  return value;
}

// The number an enumerator carries in its last two characters ('QN17' is 17).
int enumeratorNumber(std::uint32_t enumerator) {
  const int tens = int((enumerator >> 8) & 0xFF) - '0';
  const int units = int(enumerator & 0xFF) - '0';
  return tens * 10 + units;
}

// The descriptor item under a key; fails the test when there is not exactly one.
DescriptorItem itemFor(const Command& command, std::string_view key) {
  const std::uint32_t wanted = code(key);
  const DescriptorItem* found = nullptr;
  int count = 0;
  for (const DescriptorItem& item : command.settings)
    if (item.key == wanted) found = &item, ++count;
  EXPECT_EQ(count, 1) << key;
  return found ? *found : DescriptorItem{};
}

// The value a named option was parsed to, read from its enumerator's two digits.
int namedValue(const std::vector<std::string>& options, std::string_view key) {
  const Parsed parsed = render(options);
  EXPECT_TRUE(parsed.ok) << options.back() << ": " << parsed.error;
  return enumeratorNumber(itemFor(parsed.command, key).enumValue);
}

void expectRefused(const Parsed& parsed, const std::vector<std::string>& fragments) {
  EXPECT_FALSE(parsed.ok);
  EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
  for (const std::string& fragment : fragments)
    EXPECT_NE(parsed.error.find(fragment), std::string::npos) << "\"" << fragment << "\" in: " << parsed.error;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

TEST(CommandLineNames, MatchWithoutCaseAndWithDashOrUnderscoreForSpace) {
  EXPECT_EQ(namedValue({"--style", "square-chaos"}, "QNky"), 6);
  EXPECT_EQ(namedValue({"--style", "Poster_Tone_1"}, "QNky"), 17);
  EXPECT_EQ(namedValue({"--style", "HYPER-b"}, "QNky"), 25);
  EXPECT_EQ(namedValue({"--style", "bayer"}, "QNky"), 19);
  EXPECT_EQ(namedValue({"--style", "poster tone 2"}, "QNky"), 18);
  EXPECT_EQ(namedValue({"--line", "THICKER"}, "Qmky"), 5);
  EXPECT_EQ(namedValue({"--invert", "Invert_Dark"}, "QGky"), 3);
  EXPECT_EQ(namedValue({"--blend", "contrast-negate"}, "GLUE"), 69);
  EXPECT_EQ(namedValue({"--blend", "Procedural +"}, "GLUE"), 2);
  EXPECT_EQ(namedValue({"--scale", "4X"}, "QSky"), 3);
}

TEST(CommandLineNames, NumbersStandForNamedValuesExceptTheScale) {
  EXPECT_EQ(namedValue({"--style", "1"}, "QNky"), 1);
  EXPECT_EQ(namedValue({"--style", "25"}, "QNky"), 25);
  EXPECT_EQ(namedValue({"--blend", "69"}, "GLUE"), 69);
  EXPECT_EQ(namedValue({"--line", "1"}, "Qmky"), 1);
  EXPECT_EQ(namedValue({"--invert", "4"}, "QGky"), 4);
  EXPECT_EQ(namedValue({"--scale", "1x"}, "QSky"), 1);
  EXPECT_EQ(namedValue({"--scale", "2x"}, "QSky"), 2);
  // "2" could be the second entry or twice the size, so the scale takes its factor only.
  for (const char* scale : {"2", "1", "3x", "8x", "x2", ""})
    expectRefused(render({"--scale", scale}), {"scale", "1x, 2x, 4x"});
}

TEST(CommandLineNames, UnknownNameListsTheChoices) {
  expectRefused(render({"--style", "fog"}), {"unknown style \"fog\"", "diffusion, noise", "Hyper A, Hyper B"});
  expectRefused(render({"--line", "bold"}), {"line", "thinner, thin, medium, thick, thicker"});
  expectRefused(render({"--invert", "invert"}), {"invert", "normal, invert light, invert dark, invert all"});
  expectRefused(render({"--blend", "normal-ish"}), {"blend", "normal, procedural +", "contrast negate"});
  // A name glued to a number, or with its spaces dropped, is no name.
  expectRefused(render({"--style", "squarechaos"}), {"style"});
  expectRefused(render({"--style", "4x"}), {"style"});
}

struct Range {
  const char* option;
  int minimum;
  int maximum;
};

// Every option that takes a number, with the range its help text promises.
const Range kRanges[] = {{"style", 1, 25}, {"line", 1, 5},     {"invert", 1, 4},   {"blend", 1, 69},
                         {"warping", 0, 100}, {"angle", 0, 359}, {"diameter", 0, 250}, {"sharpen", 0, 100}};

TEST(CommandLineRanges, EndsAreAcceptedAndOnePastIsRefusedByName) {
  for (const Range& range : kRanges) {
    SCOPED_TRACE(range.option);
    const std::string option = std::string("--") + range.option;
    for (int value : {range.minimum, range.maximum}) {
      const Parsed parsed = render({option, std::to_string(value)});
      ASSERT_TRUE(parsed.ok) << parsed.error;
      ASSERT_EQ(parsed.command.settings.size(), 1u);
      const DescriptorItem& item = parsed.command.settings[0];
      const int got = item.type == pi::typeEnumerated ? enumeratorNumber(item.enumValue) : item.integer;
      EXPECT_EQ(got, value);
    }
    const std::string between = "between " + std::to_string(range.minimum) + " and " + std::to_string(range.maximum);
    for (int value : {range.minimum - 1, range.maximum + 1})
      expectRefused(render({option, std::to_string(value)}), {option + " " + std::to_string(value), between});
  }
}

TEST(CommandLineRanges, NumbersMustBeWholeAndFitAnInteger) {
  for (const char* text : {"abc", "12.5", "", "1e2", "0x10", "7 ", "4294967316", "99999999999999999999999"})
    expectRefused(render({"--warping", text}), {"--warping"});
  expectRefused(render({"--angle", "-1"}), {"--angle -1", "between 0 and 359"});
  expectRefused(render({"--style", "4294967297"}), {"--style"});  // 2^32 + 1 must not wrap to 1
  expectRefused(render({"--blend", "-4294967295"}), {"--blend"});
}

TEST(CommandLineRanges, SeedAndRepeatHaveTheirOwnRanges) {
  EXPECT_EQ(render({"--seed", "0"}).command.seed, 0u);
  EXPECT_EQ(render({"--seed", "2147483647"}).command.seed, 2147483647u);
  EXPECT_EQ(render({"--repeat", "0"}).command.repeat, 0);
  EXPECT_EQ(render({"--repeat", "100"}).command.repeat, 100);
  for (const char* seed : {"-1", "2147483648", "seven", "1.0"})
    expectRefused(render({"--seed", seed}), {"--seed", "0 and 2147483647", std::string("\"") + seed + "\""});
  for (const char* repeat : {"-1", "101", "twice"})
    expectRefused(render({"--repeat", repeat}), {"--repeat", "0 and 100"});
  // Neither is a setting of the filter.
  EXPECT_TRUE(render({"--seed", "5", "--repeat", "3"}).command.settings.empty());
}

TEST(CommandLineOptions, GrayIsAFlagThatTakesNoValue) {
  const Parsed parsed = parse({"render", "--gray", "in.tif", "out.tif"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.input, "in.tif");
  EXPECT_EQ(parsed.command.output, "out.tif");
  const DescriptorItem gray = itemFor(parsed.command, "0006");
  EXPECT_EQ(gray.type, pi::typeBoolean);
  EXPECT_EQ(gray.integer, 1);
}

TEST(CommandLineOptions, RepeatedOptionLastWinsWithOneItemPerKey) {
  const Parsed parsed = render({"--style", "3", "--warping", "10", "--style", "maze", "--warping", "90", "--gray",
                                "--gray", "--seed", "1", "--seed", "2", "--mask", "a.png", "--mask", "b.png"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.command.settings.size(), 3u);
  EXPECT_EQ(itemFor(parsed.command, "QNky").enumValue, code("QN10"));
  EXPECT_EQ(itemFor(parsed.command, "0004").integer, 90);
  EXPECT_EQ(itemFor(parsed.command, "0006").integer, 1);
  EXPECT_EQ(parsed.command.seed, 2u);
  EXPECT_EQ(parsed.command.mask, "b.png");
}

TEST(CommandLineOptions, RunOptionsAndDefaults) {
  const Parsed plain = render({});
  ASSERT_TRUE(plain.ok) << plain.error;
  EXPECT_EQ(plain.command.kind, CommandKind::Render);
  EXPECT_TRUE(plain.command.settings.empty()) << "values not given are left to the filter";
  EXPECT_FALSE(plain.command.seed.has_value());
  EXPECT_EQ(plain.command.repeat, 0);
  EXPECT_TRUE(plain.command.progress);
  EXPECT_FALSE(plain.command.printSettings);
  EXPECT_TRUE(plain.command.mask.empty());
  EXPECT_TRUE(plain.command.pluginPath.empty());

  const Parsed all = parse({"render", "--no-progress", "a.png", "--plugin", "/x/Q.so", "--print-settings", "b.tif",
                            "--mask", "m.png"});
  ASSERT_TRUE(all.ok) << all.error;
  EXPECT_EQ(all.command.input, "a.png");
  EXPECT_EQ(all.command.output, "b.tif");
  EXPECT_EQ(all.command.mask, "m.png");
  EXPECT_EQ(all.command.pluginPath, "/x/Q.so");
  EXPECT_FALSE(all.command.progress);
  EXPECT_TRUE(all.command.printSettings);
}

TEST(CommandLineOptions, DescriptorItemsCarryKeysTypesAndEnumerators) {
  const Parsed parsed = render({"--style", "square-chaos", "--scale", "4x", "--invert", "invert-light", "--blend",
                                "contrast negate", "--line", "thin", "--warping", "55", "--angle", "0", "--gray"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  struct Expected {
    const char* key;
    const char* type;
    const char* value;
  };
  const Expected enumerated[] = {{"QNky", "QNty", "QN06"}, {"QSky", "QSty", "Qs03"}, {"QGky", "QGty", "QG02"},
                                 {"GLUE", "GLty", "GL69"}, {"Qmky", "Qmty", "Qm02"}};
  for (const Expected& e : enumerated) {
    const DescriptorItem item = itemFor(parsed.command, e.key);
    EXPECT_EQ(item.type, pi::typeEnumerated) << e.key;
    EXPECT_EQ(item.enumType, code(e.type)) << e.key;
    EXPECT_EQ(item.enumValue, code(e.value)) << e.key;
  }
  const DescriptorItem warping = itemFor(parsed.command, "0004");
  EXPECT_EQ(warping.type, pi::typeInteger);
  EXPECT_EQ(warping.integer, 55);
  const DescriptorItem angle = itemFor(parsed.command, "0005");
  EXPECT_EQ(angle.type, pi::typeInteger);
  EXPECT_EQ(angle.integer, 0);
  EXPECT_EQ(itemFor(parsed.command, "0006").type, pi::typeBoolean);
  EXPECT_EQ(parsed.command.settings.size(), 8u);
}

TEST(CommandLineErrors, MissingValuesAreNamed) {
  for (const char* option : {"--style", "--scale", "--warping", "--mask", "--plugin", "--seed", "--repeat"}) {
    const Parsed parsed = render({option});
    EXPECT_FALSE(parsed.ok) << option;
    EXPECT_NE(parsed.error.find(option), std::string::npos) << parsed.error;
  }
  expectRefused(render({"--blend"}), {"--blend needs a value"});
  // An option takes the next argument as its value even when it names a file.
  expectRefused(parse({"render", "in.png", "--style", "out.png"}), {"style"});
}

TEST(CommandLineErrors, UnknownOptionsAndCommands) {
  expectRefused(render({"--colour", "red"}), {"unknown option --colour", "--help"});
  expectRefused(parse({"draw", "in.png", "out.png"}), {"unknown command \"draw\"", "--help"});
  expectRefused(parse({"styles", "all"}), {"styles takes no arguments"});
  expectRefused(parse({"blends", "--style", "3"}), {"blends takes no arguments"});
}

TEST(CommandLineErrors, RenderNeedsExactlyTwoFiles) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"render"}, {"render", "in.png"}, {"render", "a.png", "b.png", "c.png"},
        {"render", "--gray", "in.png"}, {"render", "in.png", "out.png", "-x"}}) {
    expectRefused(parse(arguments), {"render needs an input and an output file"});
  }
}

TEST(CommandLineHelp, HelpAnywhereWinsOverEverythingElse) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, {"--help"}, {"-h"}, {"render", "--style", "nonsense", "--help"},
        {"draw", "--help"}, {"styles", "extra", "-h"}, {"render", "in.png", "out.png", "--help", "--seed"}}) {
    const Parsed parsed = parse(arguments);
    EXPECT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.command.kind, CommandKind::Help);
    EXPECT_EQ(parsed.command.repeat, 0) << "the command is reset";
  }
  // A value that happens to read "--help" is still a request for help, not a mask name.
  EXPECT_EQ(parse({"render", "in.png", "out.png", "--mask", "--help"}).command.kind, CommandKind::Help);
}

TEST(CommandLineHelp, ListsAndHelpText) {
  EXPECT_EQ(parse({"styles"}).command.kind, CommandKind::Styles);
  EXPECT_EQ(parse({"blends"}).command.kind, CommandKind::Blends);
  const auto styles = linesOf(cli::styleList());
  ASSERT_EQ(styles.size(), 25u);
  EXPECT_EQ(styles[0], "   1  diffusion");
  EXPECT_EQ(styles[9], "  10  maze");
  EXPECT_EQ(styles[24], "  25  Hyper B");
  const auto blends = linesOf(cli::blendList());
  ASSERT_EQ(blends.size(), 69u);
  EXPECT_EQ(blends[68], "  69  contrast negate");
  const std::string help = cli::helpText();
  for (const char* option : {"--style", "--scale", "--line", "--invert", "--warping", "--angle", "--gray",
                             "--diameter", "--sharpen", "--blend", "--mask", "--seed", "--repeat",
                             "--print-settings", "--no-progress", "--plugin"})
    EXPECT_NE(help.find(std::string("  ") + option + " "), std::string::npos) << option;
}

DescriptorItem enumerated(std::uint32_t key, std::uint32_t type, std::uint32_t value) {
  DescriptorItem item;
  item.key = key;
  item.type = pi::typeEnumerated;
  item.enumType = type;
  item.enumValue = value;
  return item;
}

DescriptorItem integer(std::uint32_t key, pi::DescriptorTypeID type, std::int32_t value) {
  DescriptorItem item;
  item.key = key;
  item.type = type;
  item.integer = value;
  return item;
}

TEST(CommandLineSettings, DescribesEachItemInOrderAndFlagsUnknownValues) {
  const DescriptorItems items = {
      integer(code("0005"), pi::typeInteger, 300),
      enumerated(code("QNky"), code("QNty"), code("QN99")),
      enumerated(code("QNky"), code("QNty"), code("QN04")),
      enumerated(code("GLUE"), code("GLty"), code("QN04")),  // another enumeration's
      integer(code("0006"), pi::typeBoolean, 0),
      integer(code("abcd"), pi::typeInteger, -7),
      enumerated(0x51010203u, code("QNty"), code("QN01")),
  };
  const auto lines = linesOf(cli::describeSettings(items));
  ASSERT_EQ(lines.size(), items.size());
  EXPECT_EQ(lines[0], "0005 angle    = 300");
  EXPECT_EQ(lines[1], "QNky style    = QN99  (not a known value)");
  EXPECT_EQ(lines[2], "QNky style    = QN04  arabesque");
  EXPECT_EQ(lines[3], "GLUE blend    = QN04  (not a known value)");
  EXPECT_EQ(lines[4], "0006 gray     = false");
  EXPECT_EQ(lines[5], "abcd ?        = -7");
  EXPECT_EQ(lines[6].rfind("Q\\x01\\x02\\x03 ?", 0), 0u) << lines[6];
  EXPECT_NE(lines[6].find("(not a known value)"), std::string::npos) << lines[6];
  EXPECT_EQ(cli::describeSettings({}), "");
}

// A contact sheet of in.png to sheet.png with these options.
Parsed sheet(std::vector<std::string> options) {
  options.insert(options.begin(), {"sheet", "in.png", "sheet.png"});
  return parse(std::move(options));
}

TEST(CommandLineSheet, TakesTheLookOfRenderAndACrop) {
  const Parsed plain = sheet({});
  ASSERT_TRUE(plain.ok) << plain.error;
  EXPECT_EQ(plain.command.kind, CommandKind::Sheet);
  EXPECT_EQ(plain.command.input, "in.png");
  EXPECT_EQ(plain.command.output, "sheet.png");
  EXPECT_EQ(plain.command.cropWidth, 320);
  EXPECT_EQ(plain.command.cropHeight, 240);
  EXPECT_TRUE(plain.command.settings.empty());

  const Parsed look = parse({"sheet", "--invert", "invert-all", "in.tif", "--crop", "64X48", "OUT.PNG", "--seed",
                             "9", "--gray", "--settings", "look.txt", "--no-progress", "--plugin", "/x/Q.so"});
  ASSERT_TRUE(look.ok) << look.error;
  EXPECT_EQ(look.command.input, "in.tif");
  EXPECT_EQ(look.command.output, "OUT.PNG");
  EXPECT_EQ(look.command.cropWidth, 64);
  EXPECT_EQ(look.command.cropHeight, 48);
  EXPECT_EQ(look.command.seed, 9u);
  EXPECT_EQ(look.command.settingsFile, "look.txt");
  EXPECT_EQ(look.command.pluginPath, "/x/Q.so");
  EXPECT_FALSE(look.command.progress);
  EXPECT_EQ(itemFor(look.command, "QGky").enumValue, code("QG04"));
  EXPECT_EQ(itemFor(look.command, "0006").integer, 1);

  const Parsed ends = sheet({"--crop", "1x2048"});
  ASSERT_TRUE(ends.ok) << ends.error;
  EXPECT_EQ(ends.command.cropWidth, 1);
  EXPECT_EQ(ends.command.cropHeight, 2048);
}

TEST(CommandLineSheet, RefusesBadCropsAndWhatOnlyRenderTakes) {
  for (const char* crop : {"0x10", "10x0", "2049x10", "10x2049", "64", "64x", "x48", "-4x4", "4x-4", "64*48",
                           "64x48x2", "ax4", "4294967360x48", ""})
    expectRefused(sheet({"--crop", crop}), {"--crop", "WIDTHxHEIGHT", "2048", std::string("\"") + crop + "\""});
  expectRefused(sheet({"--crop"}), {"--crop needs a value"});
  expectRefused(sheet({"--style", "3"}), {"every style", "--style"});
  for (const char* option : {"--mask", "--repeat", "--print-settings", "--lean-host"})
    expectRefused(sheet({option, "1"}), {option, "render only"});
  // --crop belongs to the sheet.
  expectRefused(render({"--crop", "64x48"}), {"unknown option --crop"});
}

TEST(CommandLineSheet, WritesOnlyPngAndNeedsTwoFiles) {
  for (const char* output : {"sheet.tif", "sheet.png.tiff", "sheet", "png", ".png"})
    expectRefused(parse({"sheet", "in.png", output}), {"PNG", std::string("\"") + output + "\""});
  EXPECT_TRUE(parse({"sheet", "in.png", "dir/Sheet.Png"}).ok);
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"sheet"}, {"sheet", "in.png"}, {"sheet", "a.png", "b.png", "c.png"}})
    expectRefused(parse(arguments), {"sheet needs an input and an output file", "OUT.png"});
  const std::string help = cli::helpText();
  EXPECT_NE(help.find("quillmark sheet IN OUT.png"), std::string::npos);
  EXPECT_NE(help.find("  --crop WxH "), std::string::npos);
}

TEST(CommandLineSheet, StyleSettingIsWhatStyleWouldGive) {
  for (int style : {1, 7, 25}) {
    const Parsed parsed = render({"--style", std::to_string(style)});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(cli::styleSetting(style), itemFor(parsed.command, "QNky")) << style;
  }
}

}  // namespace
}  // namespace qm::test
