// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/user_value_table.h"

#include <cstring>

#include "settings/four_char_code.h"
#include "settings/name_tables.h"

namespace qm {
namespace {

constexpr std::array<UserValueEntry, kUserValueCount> kTable = {{
    {"style", &UserValues::style, 1, kStyleCount, 4, true, false, ValueKind::Enumerated, fourCharCode("QNky"),
     fourCharCode("QNty"), "QN", styleName},
    {"scale", &UserValues::scale, 1, kScaleCount, 1, true, false, ValueKind::Enumerated, fourCharCode("QSky"),
     fourCharCode("QSty"), "Qs", scaleName},
    {"invert", &UserValues::invertMode, 1, kInvertModeCount, 1, true, false, ValueKind::Enumerated, fourCharCode("QGky"),
     fourCharCode("QGty"), "QG", invertName},
    {"warping", &UserValues::warping, 0, 100, 20, true, false, ValueKind::Integer, fourCharCode("0004"), 0, "",
     nullptr},
    {"angle", &UserValues::angle, 0, 359, 45, true, true, ValueKind::Integer, fourCharCode("0005"), 0, "",
     nullptr},
    {"gray", &UserValues::gray, 0, 1, 0, true, false, ValueKind::Boolean, fourCharCode("0006"), 0, "", nullptr},
    {"blend", &UserValues::blendMode, 1, kBlendModeCount, 1, false, false, ValueKind::Enumerated, fourCharCode("GLUE"),
     fourCharCode("GLty"), "GL", blendName},
    {"diameter", &UserValues::diameter, 0, 250, 50, true, false, ValueKind::Integer, fourCharCode("0008"), 0,
     "", nullptr},
    {"sharpen", &UserValues::sharpen, 0, 100, 75, true, false, ValueKind::Integer, fourCharCode("0009"), 0, "",
     nullptr},
    {"line", &UserValues::lineWeight, 1, kLineWeightCount, 3, true, false, ValueKind::Enumerated, fourCharCode("Qmky"),
     fourCharCode("Qmty"), "Qm", lineWeightName},
}};

std::uint32_t prefixBits(const UserValueEntry& entry) {
  return (std::uint32_t(std::uint8_t(entry.enumPrefix[0])) << 24) |
         (std::uint32_t(std::uint8_t(entry.enumPrefix[1])) << 16);
}

}  // namespace

const std::array<UserValueEntry, kUserValueCount>& userValueTable() { return kTable; }

const UserValueEntry* findUserValue(const char* option) {
  for (const UserValueEntry& entry : kTable)
    if (std::strcmp(entry.option, option) == 0) return &entry;
  return nullptr;
}

const UserValueEntry* findUserValueByKey(std::uint32_t descriptorKey) {
  for (const UserValueEntry& entry : kTable)
    if (entry.descriptorKey == descriptorKey) return &entry;
  return nullptr;
}

std::int32_t limitToRange(const UserValueEntry& entry, std::int32_t value) {
  if (entry.wraps) {
    const std::int64_t span = std::int64_t(entry.maximum) - entry.minimum + 1;
    std::int64_t offset = (std::int64_t(value) - entry.minimum) % span;
    if (offset < 0) offset += span;
    return std::int32_t(entry.minimum + offset);
  }
  if (value < entry.minimum) return entry.minimum;
  if (value > entry.maximum) return entry.maximum;
  return value;
}

std::uint32_t enumeratorFor(const UserValueEntry& entry, std::int32_t value) {
  if (value < entry.minimum || value > entry.maximum || value < 0 || value > 99) return kNoEnumerator;
  const std::uint32_t tens = std::uint32_t('0' + value / 10);
  const std::uint32_t units = std::uint32_t('0' + value % 10);
  return prefixBits(entry) | (tens << 8) | units;
}

std::int32_t valueOfEnumerator(const UserValueEntry& entry, std::uint32_t enumerator) {
  if ((enumerator & 0xFFFF0000u) != prefixBits(entry)) return 0;
  const int tens = int((enumerator >> 8) & 0xFF) - '0';
  const int units = int(enumerator & 0xFF) - '0';
  if (tens < 0 || tens > 9 || units < 0 || units > 9) return 0;
  const std::int32_t value = tens * 10 + units;
  return value >= entry.minimum && value <= entry.maximum ? value : 0;
}

}  // namespace qm
