// SPDX-License-Identifier: LicenseRef-Quillmark
// The plug-in property list and the scripting terminology, read back as a host reads them.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <regex>
#include <set>
#include <tuple>

#include "quillmark_version.h"
#include "resources/property_list.h"
#include "resources/terminology.h"
#include "settings/four_char_code.h"
#include "settings/name_tables.h"
#include "settings/user_value_table.h"
#include "tests/resources/resource_reader.h"

namespace qm::test {
namespace {

// The list as the strictest hosts read it, stepping 16 + length from one property to the
// next without rounding: its header, the keys in order (with the index where it is not 0),
// each property's data, and whether the last step lands exactly on the end.
struct PropertyList {
  std::vector<std::uint32_t> header;  // reserved, version, count
  std::vector<std::string> keys;
  std::map<std::string, std::vector<std::uint8_t>> data;
  bool readToEnd = false;
};

PropertyList readStrictly(const std::vector<std::uint8_t>& bytes) {
  ResourceReader reader(bytes);
  PropertyList list;
  list.header = {reader.u16(), reader.u32(), reader.u32()};
  for (std::uint32_t i = 0; i < list.header[2] && reader.ok(); ++i) {
    const auto [vendor, key, index, length] = std::array{reader.u32(), reader.u32(), reader.u32(), reader.u32()};
    const auto start = bytes.begin() + std::ptrdiff_t(reader.offset());
    reader.skip(length);
    if (!reader.ok()) break;
    list.keys.push_back(fourCharCodeText(key) + (index ? " " + std::to_string(index) : ""));
    EXPECT_EQ(vendor, fourCharCode("8BIM")) << list.keys.back();
    EXPECT_EQ(length % 4, 0u) << list.keys.back();
    list.data[list.keys.back()] = {start, start + std::ptrdiff_t(length)};
  }
  list.readToEnd = reader.ok() && reader.atEnd();
  return list;
}

class PropertyListBytes : public ::testing::Test {
 protected:
  const PropertyList list = readStrictly(resources::propertyListBytes());
  const std::vector<std::uint8_t>& data(const std::string& key) const { return list.data.at(key); }
};

TEST_F(PropertyListBytes, HeaderAndEveryPropertyInOrderForAStrictReader) {
  EXPECT_EQ(list.header, (std::vector<std::uint32_t>{1, 0, 12}));
  EXPECT_TRUE(list.readToEnd) << "stepping 16 + length must land exactly on the end";
  EXPECT_EQ(list.keys, (std::vector<std::string>{"kind", "name", "catg", "vers", "cmpt", "wx86", "8664", "hstm",
                                                 "mode", "enbl", "enbl 1", "fici"}));
}

// 'cmpt': the build's version as (major << 16) | (minor << 8) | patch and as the full text
// tools/version printed, its terminator and zeros to the next multiple of 4.
TEST_F(PropertyListBytes, ComponentVersionIsTheBuildsVersion) {
  const std::string text = QUILLMARK_VERSION;
  ASSERT_EQ(data("cmpt").size(), (4 + text.size() + 1 + 3) / 4 * 4);
  ResourceReader reader(data("cmpt"));
  EXPECT_EQ(reader.u32(), std::uint32_t(QUILLMARK_VERSION_MAJOR << 16 | QUILLMARK_VERSION_MINOR << 8 |
                                        QUILLMARK_VERSION_PATCH));
  EXPECT_EQ(reader.cString(), text);
  for (std::size_t i = 4 + text.size(); i < data("cmpt").size(); ++i) EXPECT_EQ(data("cmpt")[i], 0) << i;
  // The text begins with the numbers, as project() in CMakeLists.txt gives them.
  EXPECT_EQ(text.rfind(QUILLMARK_VERSION_NUMBERS, 0), 0u) << text;
  EXPECT_EQ(std::string(QUILLMARK_VERSION_NUMBERS), std::to_string(QUILLMARK_VERSION_MAJOR) + "." +
                                                       std::to_string(QUILLMARK_VERSION_MINOR) + "." +
                                                       std::to_string(QUILLMARK_VERSION_PATCH));
}

TEST_F(PropertyListBytes, KindVersionModesAndFilterCases) {
  EXPECT_EQ(data("kind"), (std::vector<std::uint8_t>{'M', 'F', 'B', '8'}));
  EXPECT_EQ(data("vers"), (std::vector<std::uint8_t>{0, 0, 4, 0}));
  // Mode m is offered when bit 0x80 >> m % 8 of byte m / 8 is set: grayscale (1) and RGB (3) only.
  EXPECT_EQ(data("mode"), (std::vector<std::uint8_t>{0x40 | 0x10, 0, 0, 0}));
  // Every one of the seven filter cases: straight input, straight output, no copy to the destination.
  std::vector<std::uint8_t> cases;
  for (int filterCase = 1; filterCase <= 7; ++filterCase) cases.insert(cases.end(), {1, 1, 1, 0});
  EXPECT_EQ(data("fici"), cases);
}

TEST_F(PropertyListBytes, NamesEntryPointsAndTheScriptingEntry) {
  EXPECT_EQ(ResourceReader(data("name")).pascal(), "Quillmark...");
  EXPECT_EQ(ResourceReader(data("catg")).pascal(), "Tallowbridge");
  for (const char* key : {"wx86", "8664"}) {
    EXPECT_EQ(ResourceReader(data(key)).cString(), "PluginMain") << key;
    // Only zeros after the terminator: the padding never leaks other bytes.
    for (std::size_t i = 10; i < data(key).size(); ++i) EXPECT_EQ(data(key)[i], 0) << key;
  }
  // Reserved, the event's class and id, the terminology's id and its scope.
  ResourceReader reader(data("hstm"));
  EXPECT_EQ((std::vector<std::uint32_t>{reader.u32(), reader.u32(), reader.u32(), reader.u16()}),
            (std::vector<std::uint32_t>{0, fourCharCode("TbQm"), fourCharCode("TbQm"), 16000}));
  EXPECT_EQ(reader.cString(), "Tallowbridge Quillmark");
}

// The mode names inside "in (PSHOP_ImageMode, ...)".
std::set<std::string> modesNamedIn(const std::string& expression) {
  std::smatch list;
  if (!std::regex_search(expression, list, std::regex(R"(in \(PSHOP_ImageMode,([^)]*)\))"))) return {};
  const std::regex name(R"(\w+)");
  return {std::sregex_token_iterator(list[1].first, list[1].second, name), std::sregex_token_iterator()};
}

TEST_F(PropertyListBytes, EnablingExpressionsNameTheDepthsTheFilterRendersAndNoOthers) {
  const std::string older = ResourceReader(data("enbl")).cString();
  EXPECT_EQ(modesNamedIn(older), (std::set<std::string>{"RGBMode", "GrayScaleMode", "RGB48Mode", "Gray16Mode"}));
  const std::string withFloat = ResourceReader(data("enbl 1")).cString();
  EXPECT_EQ(modesNamedIn(withFloat), (std::set<std::string>{"RGBMode", "GrayScaleMode", "RGB48Mode", "Gray16Mode",
                                                            "Gray32Mode", "RGB96Mode"}));
  EXPECT_NE(withFloat.find("PSHOP_ImageMode != MultichannelMode"), std::string::npos) << withFloat;
  EXPECT_EQ(older.find("Multichannel"), std::string::npos);
}

// The terminology, parsed into what a host shows.
struct Parameter {
  std::string name;
  std::uint32_t key, type;
  std::uint16_t flags;
};

struct Terminology {
  std::vector<std::uint32_t> numbers;  // of the header, the suite, its event and the direct parameter
  std::vector<std::string> texts;      // the suite's and the event's names, the event's description
  std::vector<std::uint32_t> codes;    // the event's class and id, reply and direct parameter types
  std::vector<Parameter> parameters;
  std::vector<resources::TerminologyEnumeration> enumerations;
  bool readToEnd;
};

Terminology parseTerminology(const std::vector<std::uint8_t>& bytes) {
  ResourceReader r(bytes);
  Terminology t{};
  t.numbers = {r.u16(), r.u8(), r.u8(), r.u16(), r.u16(), r.u16()};  // reserved, version, language, script, suites
  t.texts.push_back(r.pascal());
  r.pascal();  // the suite's description
  r.u32();     // and code
  t.numbers.insert(t.numbers.end(), {r.u16(), r.u16(), r.u16()});  // level, version, events
  t.texts.insert(t.texts.end(), {r.pascal(), r.pascal()});
  t.codes = {r.u32(), r.u32(), r.u32()};
  r.pascal();  // the reply's description
  r.u16();     // and flags
  t.codes.push_back(r.u32());
  r.pascal();  // the direct parameter's description
  t.numbers.push_back(r.u16());
  for (int i = 0, count = r.u16(); i < count && r.ok(); ++i) {
    Parameter p{r.pascal(), r.u32(), r.u32(), 0};
    r.pascal();
    p.flags = r.u16();
    t.parameters.push_back(p);
  }
  t.numbers.insert(t.numbers.end(), {r.u16(), r.u16()});  // classes, comparisons
  for (int i = 0, count = r.u16(); i < count && r.ok(); ++i) {
    resources::TerminologyEnumeration enumeration{r.u32(), {}};
    for (int j = 0, enumerators = r.u16(); j < enumerators && r.ok(); ++j) {
      enumeration.enumerators.push_back({r.pascal(), r.u32()});
      r.pascal();
    }
    t.enumerations.push_back(enumeration);
  }
  t.readToEnd = r.ok() && r.atEnd();
  return t;
}

class TerminologyBytes : public ::testing::Test {
 protected:
  const Terminology terminology = parseTerminology(resources::terminologyBytes());
};

TEST_F(TerminologyBytes, OneSuiteWithOneEventThatTakesTheImage) {
  EXPECT_TRUE(terminology.readToEnd);
  // Version 1.0 in English and Roman script; one suite of level 1, version 1, with one
  // event; the direct parameter's flags; no classes, no comparisons.
  EXPECT_EQ(terminology.numbers, (std::vector<std::uint32_t>{1, 1, 0, 0, 0, 1, 1, 1, 1, 0xB000, 0, 0}));
  EXPECT_EQ(terminology.texts, (std::vector<std::string>{"Tallowbridge", "Quillmark", "Creates halftone effects"}));
  // The property list's scripting entry and the event must carry the same codes.
  EXPECT_EQ(terminology.codes, (std::vector<std::uint32_t>{resources::kScriptingEventCode, fourCharCode("TbQm"),
                                                           fourCharCode("null"), fourCharCode("#ImR")}));
}

TEST_F(TerminologyBytes, TenParametersUnderTheKeysTheFilterReadsAndWrites) {
  const char* const expected[][3] = {{"style", "QNky", "QNty"},   {"scale", "QSky", "QSty"},
                                     {"gamma", "QGky", "QGty"},   {"warping", "0004", "long"},
                                     {"angle", "0005", "long"},   {"gray", "0006", "long"},
                                     {"glue", "GLUE", "GLty"},    {"sharpen diameter", "0008", "long"},
                                     {"sharpen", "0009", "long"}, {"line", "Qmky", "Qmty"}};
  ASSERT_EQ(terminology.parameters.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const auto& [name, key, type] = expected[i];
    const Parameter& parameter = terminology.parameters[i];
    EXPECT_EQ(parameter.name, name);
    // Enumerated values are flagged 0xA000, numbers 0x8000.
    const std::uint32_t flags = std::string(type) == "long" ? 0x8000 : 0xA000;
    EXPECT_EQ((std::vector<std::uint32_t>{parameter.key, parameter.type, parameter.flags}),
              (std::vector<std::uint32_t>{fourCharCode(key), fourCharCode(type), flags}))
        << name;
    // The key is the one the scripting code uses for the same value, in the same order.
    EXPECT_EQ(parameter.key, userValueTable()[i].descriptorKey) << name;
  }
}

TEST_F(TerminologyBytes, FiveEnumerationsWithTheirHistoricalLists) {
  // Which user value each enumeration belongs to, by its type.
  std::map<std::uint32_t, const UserValueEntry*> byType;
  for (const UserValueEntry& entry : userValueTable()) byType[entry.enumType] = &entry;
  std::vector<std::pair<std::string, std::size_t>> listed;
  for (const auto& enumeration : terminology.enumerations) {
    listed.emplace_back(fourCharCodeText(enumeration.type), enumeration.enumerators.size());
    // Every enumerator listed is named, and one the filter accepts.
    for (const auto& [name, code] : enumeration.enumerators) {
      EXPECT_FALSE(name.empty());
      EXPECT_NE(byType.count(enumeration.type) ? valueOfEnumerator(*byType[enumeration.type], code) : 0, 0) << name;
    }
  }
  ASSERT_EQ(listed, (std::vector<std::pair<std::string, std::size_t>>{
                        {"QNty", 21}, {"Qmty", 5}, {"QSty", 3}, {"QGty", 4}, {"GLty", 61}}));
  const auto& styles = terminology.enumerations[0].enumerators;
  for (int style = 1; style <= 20; ++style) {
    EXPECT_EQ(styles[std::size_t(style - 1)].name, styleName(style));
    EXPECT_EQ(styles[std::size_t(style - 1)].code, enumeratorFor(*findUserValue("style"), style));
  }
  // The historical lists: a style the filter later gained, blends whose names and codes differ
  // from today's.
  const std::tuple<std::size_t, std::size_t, std::string, const char*> entries[] = {
      {0, 20, "green noise", "QN21"}, {2, 2, "4x", "Qs03"},          {1, 4, "thicker", "Qm05"},
      {4, 0, "normal", "GL01"},       {4, 25, "harsh diff", "GL26"}, {4, 58, blendName(59), "GL59"},
      {4, 59, "screendim", "GL59"},   {4, 60, "starbright", "GL63"}};
  for (const auto& [enumeration, index, name, code] : entries) {
    const resources::TerminologyEnumerator& entry = terminology.enumerations[enumeration].enumerators[index];
    EXPECT_EQ(entry.name, name);
    EXPECT_EQ(entry.code, fourCharCode(code)) << name;
  }
}

}  // namespace
}  // namespace qm::test
