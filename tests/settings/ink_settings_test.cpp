// SPDX-License-Identifier: LicenseRef-Quillmark
#include <gtest/gtest.h>

#include <cstring>

#include "settings/ink_settings.h"
#include "settings/name_tables.h"
#include "settings/user_value_table.h"

namespace qm {
namespace {

// A record as a host hands it over: whatever bytes the memory held.
InkSettings garbageSettings() {
  InkSettings settings;
  std::memset(&settings, 0xA5, sizeof settings);
  return settings;
}

// Whatever the host's memory held, a run starts from the table's defaults, "normal" blend
// and its own name, with the preview at 1:1 and the host's image as the target.
TEST(InkSettingsReset, RunResetGivesTheDefaultLookAndNormalBlend) {
  InkSettings settings = garbageSettings();
  resetForRun(settings);
  for (const UserValueEntry& entry : userValueTable())
    EXPECT_EQ(settings.look.*entry.field, entry.setByDefaults ? entry.defaultValue : 1) << entry.option;
  EXPECT_STREQ(settings.settingsName, "Quillmark settings");
  EXPECT_EQ(settings.previewZoom, 1);
  EXPECT_EQ(settings.renderTarget, kTargetHostImage);
  EXPECT_EQ(settings.previewEnabled, 0);
  EXPECT_EQ(settings.previewSuppressed, 0);
}

TEST(InkSettingsReset, PlainResetKeepsTheBlendModeAndRenamesTheLook) {
  InkSettings settings = garbageSettings();
  resetForRun(settings);
  settings.look.blendMode = 17;
  settings.look.style = 9;
  resetToPlain(settings);
  EXPECT_EQ(settings.look.blendMode, 17);
  EXPECT_EQ(settings.look.style, 4);
  EXPECT_STREQ(settings.settingsName, "plain settings");
  // A new run brings the blend mode back to normal.
  resetForRun(settings);
  EXPECT_EQ(settings.look.blendMode, 1);
}

TEST(InkSettingsSnapshot, CopiesTheLookAndNameOnly) {
  InkSettings settings = garbageSettings();
  resetForRun(settings);
  settings.look.style = 12;
  setText(settings.settingsName, "dot 3");
  const Preset snapshot = takeSnapshot(settings);

  settings.look.style = 2;
  settings.look.angle = 300;
  settings.viewOffsetX = 77;
  setText(settings.settingsName, "changed");
  restoreSnapshot(settings, snapshot);
  EXPECT_EQ(settings.look.style, 12);
  EXPECT_EQ(settings.look.angle, 45);
  EXPECT_STREQ(settings.settingsName, "dot 3");
  EXPECT_EQ(settings.viewOffsetX, 77) << "working fields are not part of a look";
}

TEST(InkSettingsText, LongTextsAreCutAndTerminated) {
  InkSettings settings = garbageSettings();
  const std::string longName(400, 'q');
  setText(settings.settingsName, longName.c_str());
  EXPECT_EQ(std::strlen(settings.settingsName), std::size_t(kTextLength - 1));
  setText(settings.settingsName, nullptr);
  EXPECT_STREQ(settings.settingsName, "");
}

TEST(UserValueRanges, ClampingBringsEveryValueIntoRange) {
  UserValues look{};
  look.style = 30;
  look.scale = 0;
  look.blendMode = 70;
  look.gray = 5;
  look.diameter = -3;
  look.sharpen = 1000;
  look.lineWeight = -1;
  look.invertMode = 9;
  look.warping = 101;
  look.angle = -90;
  clampUserValues(look);
  EXPECT_EQ(look.style, 25);
  EXPECT_EQ(look.scale, 1);
  EXPECT_EQ(look.blendMode, 69);
  EXPECT_EQ(look.gray, 1);
  EXPECT_EQ(look.diameter, 0);
  EXPECT_EQ(look.sharpen, 100);
  EXPECT_EQ(look.lineWeight, 1);
  EXPECT_EQ(look.invertMode, 4);
  EXPECT_EQ(look.warping, 100);
  EXPECT_EQ(look.angle, 270) << "an angle wraps around the circle";
}

TEST(UserValueRanges, AngleWrapsAtEveryExtreme) {
  const UserValueEntry& angle = *findUserValue("angle");
  EXPECT_EQ(limitToRange(angle, 360), 0);
  EXPECT_EQ(limitToRange(angle, 359), 359);
  EXPECT_EQ(limitToRange(angle, -1), 359);
  EXPECT_EQ(limitToRange(angle, INT32_MIN), (INT32_MIN % 360 + 360) % 360);
  EXPECT_EQ(limitToRange(angle, INT32_MAX), INT32_MAX % 360);
}

TEST(NameTables, NumbersOutsideATableHaveNoName) {
  for (int outside : {0, -5, kStyleCount + 1}) EXPECT_STREQ(styleName(outside), "") << outside;
  for (int outside : {0, kBlendModeCount + 1}) EXPECT_STREQ(blendName(outside), "") << outside;
  EXPECT_STREQ(invertName(0), "");
  EXPECT_STREQ(scaleName(kScaleCount + 1), "");
}

TEST(Enumerators, CarryTheValueAsTwoDigits) {
  const UserValueEntry& style = *findUserValue("style");
  const UserValueEntry& scale = *findUserValue("scale");
  const UserValueEntry& blend = *findUserValue("blend");
  EXPECT_EQ(enumeratorFor(style, 7), 0x514E3037u);  // 'QN07'
  EXPECT_EQ(enumeratorFor(scale, 3), 0x51733033u);  // 'Qs03'
  EXPECT_EQ(enumeratorFor(blend, 69), 0x474C3639u); // 'GL69'
  EXPECT_EQ(enumeratorFor(style, 30), kNoEnumerator);
  EXPECT_EQ(enumeratorFor(style, 0), kNoEnumerator);
  for (const UserValueEntry& entry : userValueTable()) {
    if (entry.kind != ValueKind::Enumerated) continue;
    for (int v = entry.minimum; v <= entry.maximum; ++v) EXPECT_EQ(valueOfEnumerator(entry, enumeratorFor(entry, v)), v);
  }
}

TEST(Enumerators, CodesOfAnotherTypeOrOutOfRangeGiveZero) {
  const UserValueEntry& style = *findUserValue("style");
  const UserValueEntry& scale = *findUserValue("scale");
  EXPECT_EQ(valueOfEnumerator(style, kNoEnumerator), 0);
  EXPECT_EQ(valueOfEnumerator(scale, enumeratorFor(style, 2)), 0) << "'QN02' is not a scale";
  EXPECT_EQ(valueOfEnumerator(style, 0x514E3236u), 0) << "'QN26' is past the last style";
  EXPECT_EQ(valueOfEnumerator(style, 0x514E3030u), 0) << "'QN00' is before the first style";
  EXPECT_EQ(valueOfEnumerator(style, 0x514E3A31u), 0) << "not two digits";
}

TEST(UserValueTable, EveryValueHasOneKeyAndSaneRange) {
  for (const UserValueEntry& entry : userValueTable()) {
    EXPECT_LE(entry.minimum, entry.defaultValue) << entry.option;
    EXPECT_GE(entry.maximum, entry.defaultValue) << entry.option;
    int sameKey = 0;
    for (const UserValueEntry& other : userValueTable()) sameKey += other.descriptorKey == entry.descriptorKey;
    EXPECT_EQ(sameKey, 1) << entry.option;
    if (entry.kind != ValueKind::Enumerated) continue;
    for (int v = entry.minimum; v <= entry.maximum; ++v) EXPECT_STRNE(entry.name(v), "") << entry.option << v;
  }
  EXPECT_EQ(findUserValue("nonsense"), nullptr);
}

}  // namespace
}  // namespace qm
