// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/terminology.h"

#include <array>

#include "resources/little_endian_writer.h"
#include "resources/property_list.h"
#include "settings/four_char_code.h"
#include "settings/user_value_table.h"

namespace qm::resources {
namespace {

constexpr const char* kSuiteName = "Tallowbridge";
constexpr const char* kEventName = "Quillmark";
constexpr const char* kEventDescription = "Creates halftone effects";
constexpr std::uint32_t kNoReply = fourCharCode("null");
constexpr std::uint32_t kImageReference = fourCharCode("#ImR");
constexpr std::uint32_t kInteger = fourCharCode("long");

// Flag words, most significant bit first: optional, list, enumerated, changes state.
constexpr std::uint16_t kDirectParameterFlags = 0xB000;  // optional, enumerated, changes state
constexpr std::uint16_t kOptional = 0x8000;
constexpr std::uint16_t kOptionalEnumerated = 0xA000;

// The names hosts show for the keys; recorded actions carry them, so they keep their
// historical spelling rather than following the command-line names.
struct ParameterName {
  const char* option;  // row of the user value table
  const char* name;
};
constexpr std::array<ParameterName, kUserValueCount> kParameterNames = {{
    {"style", "style"},
    {"scale", "scale"},
    {"invert", "gamma"},
    {"warping", "warping"},
    {"angle", "angle"},
    {"gray", "gray"},
    {"blend", "glue"},
    {"diameter", "sharpen diameter"},
    {"sharpen", "sharpen"},
    {"line", "line"},
}};

const UserValueEntry& valueEntry(const char* option) { return *findUserValue(option); }

// The values first..last of an enumerated user value, under their display names.
TerminologyEnumeration namedRange(const char* option, int last) {
  const UserValueEntry& entry = valueEntry(option);
  TerminologyEnumeration enumeration{entry.enumType, {}};
  for (int value = entry.minimum; value <= last; ++value)
    enumeration.enumerators.push_back({entry.name(value), enumeratorFor(entry, value)});
  return enumeration;
}

TerminologyEnumeration wholeRange(const char* option) { return namedRange(option, valueEntry(option).maximum); }

void append(TerminologyEnumeration& enumeration, const char* option, const char* name, int value) {
  enumeration.enumerators.push_back({name, enumeratorFor(valueEntry(option), value)});
}

// The style and blend lists end where the first release of the terminology ended, plus the
// few names that scripts of that release already used.
TerminologyEnumeration styleEnumeration() {
  TerminologyEnumeration styles = namedRange("style", 20);
  append(styles, "style", "green noise", 21);
  return styles;
}

TerminologyEnumeration blendEnumeration() {
  TerminologyEnumeration blends = namedRange("blend", 59);
  blends.enumerators[25].name = "harsh diff";
  append(blends, "blend", "screendim", 59);
  append(blends, "blend", "starbright", 63);
  return blends;
}

void writeParameter(LittleEndianWriter& out, const ParameterName& parameter) {
  const UserValueEntry& entry = valueEntry(parameter.option);
  const bool enumerated = entry.kind == ValueKind::Enumerated;
  out.pascal(parameter.name);
  out.code(entry.descriptorKey);
  // The gray switch travels as a boolean but is declared an integer, as it always was.
  out.code(enumerated ? entry.enumType : kInteger);
  out.pascal("");
  out.u16(enumerated ? kOptionalEnumerated : kOptional);
}

void writeEvent(LittleEndianWriter& out) {
  out.pascal(kEventName);
  out.pascal(kEventDescription);
  out.code(kScriptingEventCode);
  out.code(kScriptingEventCode);
  out.code(kNoReply);
  out.pascal("");
  out.u16(0);
  out.code(kImageReference);
  out.pascal("");
  out.u16(kDirectParameterFlags);
  out.u16(std::uint16_t(kParameterNames.size()));
  for (const ParameterName& parameter : kParameterNames) writeParameter(out, parameter);
}

void writeEnumeration(LittleEndianWriter& out, const TerminologyEnumeration& enumeration) {
  out.code(enumeration.type);
  out.u16(std::uint16_t(enumeration.enumerators.size()));
  for (const TerminologyEnumerator& enumerator : enumeration.enumerators) {
    out.pascal(enumerator.name);
    out.code(enumerator.code);
    out.pascal("");
  }
}

}  // namespace

std::vector<TerminologyEnumeration> terminologyEnumerations() {
  return {styleEnumeration(), wholeRange("line"), wholeRange("scale"), wholeRange("invert"), blendEnumeration()};
}

std::vector<std::uint8_t> terminologyBytes() {
  LittleEndianWriter out;
  out.u16(1);  // Windows only
  out.u8(1);   // major version
  out.u8(0);   // minor version
  out.u16(0);  // language
  out.u16(0);  // script
  out.u16(1);  // suites

  out.pascal(kSuiteName);
  out.pascal("");
  out.code(kScriptingEventCode);
  out.u16(1);  // level
  out.u16(1);  // version
  out.u16(1);  // events
  writeEvent(out);
  out.u16(0);  // classes
  out.u16(0);  // comparison operators
  const std::vector<TerminologyEnumeration> enumerations = terminologyEnumerations();
  out.u16(std::uint16_t(enumerations.size()));
  for (const TerminologyEnumeration& enumeration : enumerations) writeEnumeration(out, enumeration);
  return out.take();
}

}  // namespace qm::resources
