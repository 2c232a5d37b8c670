// SPDX-License-Identifier: LicenseRef-Quillmark
// Recorded settings as text: what --print-settings shows and --settings reads back.
#include <gtest/gtest.h>

#include <utility>

#include "cli/settings_text.h"
#include "settings/four_char_code.h"

namespace qm::cli {
namespace {

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
      {"0006 gray = maybe\n", {"gray"}},
      {"QNky style QN01\n", {"KEY name = value"}},
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
}  // namespace qm::cli
