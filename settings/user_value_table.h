// SPDX-License-Identifier: LicenseRef-Quillmark
// The ten user values described once: range, default, display names and scripting key.
// Clamping, the scripting descriptor, the command line and the dialog all read this table,
// so a value is never listed twice. The order is the order of the scripting keys.
#pragma once

#include <array>
#include <cstdint>

#include "settings/ink_settings.h"

namespace qm {

enum class ValueKind { Enumerated, Integer, Boolean };

struct UserValueEntry {
  const char* option;             // command-line name, e.g. "style"
  std::int32_t UserValues::*field;
  std::int32_t minimum;
  std::int32_t maximum;
  std::int32_t defaultValue;
  bool setByDefaults;             // the blend mode is reset per run, not by the defaults
  bool wraps;                     // an angle wraps around the circle instead of clamping
  ValueKind kind;
  std::uint32_t descriptorKey;
  std::uint32_t enumType;         // enumerated values only
  char enumPrefix[3];             // first two characters of the enumerators, e.g. "QN"
  const char* (*name)(int);       // display name of a value, or null for plain numbers
};

constexpr int kUserValueCount = 10;
const std::array<UserValueEntry, kUserValueCount>& userValueTable();

// Null when the option name is unknown.
const UserValueEntry* findUserValue(const char* option);
// Null when no value has this scripting key.
const UserValueEntry* findUserValueByKey(std::uint32_t descriptorKey);

// The value brought into range (clamped, or wrapped for the angle).
std::int32_t limitToRange(const UserValueEntry& entry, std::int32_t value);

// Enumerators carry the value as two decimal digits after the prefix ('QN07' for style 7);
// a value outside the range becomes '<NO>'.
constexpr std::uint32_t kNoEnumerator = 0x3C4E4F3E;  // '<NO>'
std::uint32_t enumeratorFor(const UserValueEntry& entry, std::int32_t value);
// 0 for a code the value's enumeration does not have.
std::int32_t valueOfEnumerator(const UserValueEntry& entry, std::uint32_t enumerator);

}  // namespace qm
