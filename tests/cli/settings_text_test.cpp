// SPDX-License-Identifier: LicenseRef-Quillmark
#include <gtest/gtest.h>

#include "cli/settings_text.h"

namespace qm::cli {
namespace {

DescriptorItems recordedLook() {
  DescriptorItems items(3);
  items[0].key = 0x514E6B79;  // 'QNky'
  items[0].type = pi::typeEnumerated;
  items[0].enumType = 0x514E7479;  // 'QNty'
  items[0].enumValue = 0x514E3134;  // 'QN14'
  items[1].key = 0x30303034;  // '0004'
  items[1].type = pi::typeInteger;
  items[1].integer = -7;
  items[2].key = 0x30303036;  // '0006'
  items[2].type = pi::typeBoolean;
  items[2].integer = 1;
  return items;
}

TEST(SettingsText, WhatIsPrintedReadsBackTheSame) {
  const DescriptorItems items = recordedLook();
  DescriptorItems read;
  std::string error;
  ASSERT_TRUE(parseSettingsText(describeSettings(items), read, error)) << error;
  ASSERT_EQ(read.size(), items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(read[i].key, items[i].key);
    EXPECT_EQ(read[i].type, items[i].type);
    EXPECT_EQ(read[i].integer, items[i].integer);
    EXPECT_EQ(read[i].enumValue, items[i].enumValue);
  }
}

TEST(SettingsText, LinesEndedTheWindowsWayReadTheSame) {
  std::string text = describeSettings(recordedLook());
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2)) text.insert(at, "\r");
  DescriptorItems read;
  std::string error;
  ASSERT_TRUE(parseSettingsText(text, read, error)) << error;
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[1].integer, -7);
}

TEST(SettingsText, BadLinesAreNamedByNumber) {
  DescriptorItems read;
  std::string error;
  EXPECT_FALSE(parseSettingsText("\nQNky style = QN01\nXXXX style = QN01\n", read, error));
  EXPECT_NE(error.find("line 3"), std::string::npos) << error;
  EXPECT_FALSE(parseSettingsText("0004 warping = lots\n", read, error));
  EXPECT_NE(error.find("warping"), std::string::npos) << error;
  EXPECT_FALSE(parseSettingsText("0006 gray = maybe\n", read, error));
  EXPECT_FALSE(parseSettingsText("QNky style QN01\n", read, error));
  EXPECT_FALSE(parseSettingsText("0005 angle = 99999999999\n", read, error));
}

TEST(SettingsText, LaterValuesAndOverridesReplaceEarlierOnes) {
  DescriptorItems read;
  std::string error;
  ASSERT_TRUE(parseSettingsText("0004 warping = 1\n0004 warping = 2\n", read, error));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].integer, 2);
  DescriptorItem blend;
  blend.key = 0x474C5545;  // 'GLUE'
  DescriptorItem warping = read[0];
  warping.integer = 9;
  mergeSettings(read, {warping, blend});
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].integer, 9);
  EXPECT_EQ(read[1].key, blend.key);
}

}  // namespace
}  // namespace qm::cli
