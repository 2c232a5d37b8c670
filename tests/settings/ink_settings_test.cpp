// SPDX-License-Identifier: LicenseRef-Quillmark
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "settings/ink_settings.h"
#include "settings/user_value_table.h"
#include "tests/settings/preset_test_files.h"

namespace qm {
namespace {

using Values = std::vector<int>;

// Whatever the host's memory held, a run starts from the table's defaults, "normal" blend
// and its own name, with the preview at 1:1 and the host's image as the target. The Reset
// button gives the defaults but keeps the blend mode; only the next run puts it back. A
// snapshot holds the look and the name (cut to fit, always terminated), not the working
// fields.
TEST(InkSettings, ResetsAndSnapshots) {
  InkSettings settings;
  std::memset(&settings, 0xA5, sizeof settings);
  resetForRun(settings);
  for (const UserValueEntry& entry : userValueTable())
    EXPECT_EQ(settings.look.*entry.field, entry.setByDefaults ? entry.defaultValue : 1) << entry.option;
  EXPECT_STREQ(settings.settingsName, "Quillmark settings");
  EXPECT_EQ((std::vector<int>{settings.previewZoom, settings.renderTarget, settings.previewEnabled, settings.previewSuppressed}),
            (std::vector<int>{1, kTargetHostImage, 0, 0}));
  settings.look.blendMode = 17;
  settings.look.style = 9;
  resetToPlain(settings);
  EXPECT_EQ(std::pair(settings.look.blendMode, settings.look.style), std::pair(17, 4));
  EXPECT_STREQ(settings.settingsName, "plain settings");
  resetForRun(settings);
  EXPECT_EQ(settings.look.blendMode, 1);

  settings.look.style = 12;
  setText(settings.settingsName, std::string(400, 'q').c_str());
  const Preset snapshot = takeSnapshot(settings);
  settings.look.style = 2;
  settings.look.angle = 300;
  settings.viewOffsetX = 77;
  setText(settings.settingsName, nullptr);
  EXPECT_STREQ(settings.settingsName, "");
  restoreSnapshot(settings, snapshot);
  EXPECT_EQ(std::pair(settings.look.style, settings.look.angle), std::pair(12, 45));
  EXPECT_EQ(std::string(settings.settingsName), std::string(kTextLength - 1, 'q'));
  EXPECT_EQ(settings.viewOffsetX, 77);
}

// Values in record order (see valuesOf): past either end of every range, and what they
// become. The angle wraps around the circle, every other value is clamped.
TEST(UserValueRanges, ClampingBringsEveryValueIntoRange) {
  const std::pair<UserValues, Values> cases[] = {
      {{30, 0, 70, 5, -3, 1000, -1, 9, 101, -90}, {25, 1, 69, 1, 0, 100, 1, 4, 100, 270}},
      {{-1, 9, 0, -2, 251, -1, 6, 0, -1, 360}, {1, 3, 1, 0, 250, 0, 5, 1, 0, 0}}};
  for (auto [look, expected] : cases) {
    clampUserValues(look);
    EXPECT_EQ(test::valuesOf(look), expected);
  }
  const UserValueEntry& angle = *findUserValue("angle");
  for (const auto& [value, wrapped] : {std::pair{360, 0}, {359, 359}, {-1, 359}, {INT32_MIN, (INT32_MIN % 360 + 360) % 360},
                                       {INT32_MAX, INT32_MAX % 360}})
    EXPECT_EQ(limitToRange(angle, value), wrapped) << value;
}

// Enumerators carry the value as two digits after the value's own prefix; anything else
// reads as 0.
TEST(Enumerators, CarryTheValueAsTwoDigitsAndNothingElseReads) {
  const UserValueEntry &style = *findUserValue("style"), &scale = *findUserValue("scale");
  for (const auto& [entry, value, code] :
       {std::tuple{&style, 7, 0x514E3037u}, {&scale, 3, 0x51733033u}, {findUserValue("blend"), 69, 0x474C3639u},
        {&style, 26, kNoEnumerator}, {&style, 0, kNoEnumerator}})
    EXPECT_EQ(enumeratorFor(*entry, value), code) << entry->option << value;
  // '<NO>', 'QN26', 'QN00', 'QN:1' and the scale's 'Qs02'.
  for (const std::uint32_t code : {kNoEnumerator, 0x514E3236u, 0x514E3030u, 0x514E3A31u, 0x51733032u})
    EXPECT_EQ(valueOfEnumerator(style, code), 0) << std::hex << code;
}

// Each value has a key of its own and a default in range; an enumerated one names every
// value in range, round-trips its enumerators, and names nothing outside.
TEST(UserValueTable, EveryValueHasOneKeySaneRangeAndItsNames) {
  for (const UserValueEntry& entry : userValueTable()) {
    EXPECT_TRUE(entry.minimum <= entry.defaultValue && entry.defaultValue <= entry.maximum) << entry.option;
    int sameKey = 0;
    for (const UserValueEntry& other : userValueTable()) sameKey += other.descriptorKey == entry.descriptorKey;
    EXPECT_EQ(sameKey, 1) << entry.option;
    if (entry.kind != ValueKind::Enumerated) continue;
    EXPECT_STREQ(entry.name(entry.minimum - 1), "") << entry.option;
    EXPECT_STREQ(entry.name(entry.maximum + 1), "") << entry.option;
    for (int v = entry.minimum; v <= entry.maximum; ++v) {
      EXPECT_STRNE(entry.name(v), "") << entry.option << v;
      EXPECT_EQ(valueOfEnumerator(entry, enumeratorFor(entry, v)), v) << entry.option << v;
    }
  }
  EXPECT_EQ(findUserValue("nonsense"), nullptr);
}

}  // namespace
}  // namespace qm
