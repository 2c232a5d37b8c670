// SPDX-License-Identifier: LicenseRef-Quillmark
// The plug-in property list and the scripting terminology, read back as a host reads them.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "resources/property_list.h"
#include "resources/terminology.h"
#include "settings/four_char_code.h"
#include "settings/name_tables.h"
#include "settings/user_value_table.h"
#include "tests/resources/resource_reader.h"

namespace qm::test {
namespace {

struct Property {
  std::uint32_t vendor, key, index, length;
  std::size_t dataAt;
};

struct PropertyList {
  std::vector<std::uint32_t> header;  // reserved, version, count
  std::vector<Property> properties;
  bool readToEnd = false;
};

// The strictest hosts step 16 + length from one property to the next without rounding.
PropertyList readStrictly(const std::vector<std::uint8_t>& bytes) {
  ResourceReader reader(bytes);
  PropertyList list;
  list.header = {reader.u16(), reader.u32(), reader.u32()};
  for (std::uint32_t i = 0; i < list.header[2] && reader.ok(); ++i) {
    Property property{reader.u32(), reader.u32(), reader.u32(), reader.u32(), reader.offset()};
    reader.skip(property.length);
    if (reader.ok()) list.properties.push_back(property);
  }
  list.readToEnd = reader.ok() && reader.atEnd();
  return list;
}

class PropertyListBytes : public ::testing::Test {
 protected:
  const std::vector<std::uint8_t> bytes = resources::propertyListBytes();
  const PropertyList list = readStrictly(bytes);

  const Property& find(const char* key, std::uint32_t index = 0) const {
    for (const Property& property : list.properties)
      if (property.key == fourCharCode(key) && property.index == index) return property;
    ADD_FAILURE() << "no property " << key << " " << index;
    return list.properties.front();
  }
  std::vector<std::uint8_t> data(const char* key, std::uint32_t index = 0) const {
    const Property& property = find(key, index);
    return {bytes.begin() + std::ptrdiff_t(property.dataAt),
            bytes.begin() + std::ptrdiff_t(property.dataAt + property.length)};
  }
};

TEST_F(PropertyListBytes, HeaderAndEveryPropertyInOrderForAStrictReader) {
  EXPECT_EQ(list.header, (std::vector<std::uint32_t>{1, 0, 11}));
  EXPECT_TRUE(list.readToEnd) << "stepping 16 + length must land exactly on the end";
  std::vector<std::string> keys;  // and the index where it is not 0
  for (const Property& property : list.properties) {
    keys.push_back(fourCharCodeText(property.key) + (property.index ? " " + std::to_string(property.index) : ""));
    EXPECT_EQ(property.vendor, fourCharCode("8BIM")) << keys.back();
    EXPECT_EQ(property.length % 4, 0u) << keys.back();
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"kind", "name", "catg", "vers", "wx86", "8664", "hstm", "mode", "enbl",
                                            "enbl 1", "fici"}));
  // Codes are stored little-endian: 'kind' reads "dnik" in the file.
  EXPECT_EQ(std::string(bytes.begin() + 14, bytes.begin() + 18), "dnik");
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
  EXPECT_EQ(ResourceReader(bytes, find("name").dataAt).pascal(), "Quillmark...");
  EXPECT_EQ(ResourceReader(bytes, find("catg").dataAt).pascal(), "Tallowbridge");
  for (const char* key : {"wx86", "8664"}) {
    EXPECT_EQ(ResourceReader(bytes, find(key).dataAt).cString(), "PluginMain") << key;
    // Only zeros after the terminator: the padding never leaks other bytes.
    const std::vector<std::uint8_t> padded = data(key);
    for (std::size_t i = 10; i < padded.size(); ++i) EXPECT_EQ(padded[i], 0) << key;
  }
  // Reserved, the event's class and id, the terminology's id and its scope.
  const Property& scripting = find("hstm");
  ResourceReader reader(bytes, scripting.dataAt, scripting.dataAt + scripting.length);
  EXPECT_EQ((std::vector<std::uint32_t>{reader.u32(), reader.u32(), reader.u32(), reader.u16()}),
            (std::vector<std::uint32_t>{0, fourCharCode("TbQm"), fourCharCode("TbQm"), 16000}));
  EXPECT_EQ(reader.cString(), "Tallowbridge Quillmark");
}

// The mode names inside "in (PSHOP_ImageMode, ...)".
std::set<std::string> modesNamedIn(const std::string& expression) {
  std::smatch list;
  if (!std::regex_search(expression, list, std::regex(R"(in \(PSHOP_ImageMode,([^)]*)\))"))) return {};
  const std::string names = list[1].str();
  const std::regex name(R"(\w+)");
  return {std::sregex_token_iterator(names.begin(), names.end(), name), std::sregex_token_iterator()};
}

TEST_F(PropertyListBytes, EnablingExpressionsNameTheDepthsTheFilterRendersAndNoOthers) {
  const std::string older = ResourceReader(bytes, find("enbl", 0).dataAt).cString();
  EXPECT_EQ(modesNamedIn(older), (std::set<std::string>{"RGBMode", "GrayScaleMode", "RGB48Mode", "Gray16Mode"}));
  const std::string withFloat = ResourceReader(bytes, find("enbl", 1).dataAt).cString();
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
  const std::vector<std::uint8_t> bytes = resources::terminologyBytes();
  const Terminology terminology = parseTerminology(bytes);
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
  std::vector<std::pair<std::string, std::size_t>> listed;
  for (const auto& enumeration : terminology.enumerations)
    listed.emplace_back(fourCharCodeText(enumeration.type), enumeration.enumerators.size());
  ASSERT_EQ(listed, (std::vector<std::pair<std::string, std::size_t>>{
                        {"QNty", 21}, {"Qmty", 5}, {"QSty", 3}, {"QGty", 4}, {"GLty", 61}}));
  const auto& styles = terminology.enumerations[0].enumerators;
  for (int style = 1; style <= 20; ++style) {
    EXPECT_EQ(styles[std::size_t(style - 1)].name, styleName(style));
    EXPECT_EQ(styles[std::size_t(style - 1)].code, enumeratorFor(*findUserValue("style"), style));
  }
  // The historical lists: a style the filter later gained, blends whose names and codes differ
  // from today's.
  struct Entry {
    std::size_t enumeration, index;
    std::string name;
    const char* code;
  };
  const Entry entries[] = {{0, 20, "green noise", "QN21"}, {2, 2, "4x", "Qs03"},      {1, 4, "thicker", "Qm05"},
                           {4, 0, "normal", "GL01"},       {4, 25, "harsh diff", "GL26"}, {4, 58, blendName(59), "GL59"},
                           {4, 59, "screendim", "GL59"},   {4, 60, "starbright", "GL63"}};
  for (const Entry& e : entries) {
    const resources::TerminologyEnumerator& entry = terminology.enumerations[e.enumeration].enumerators[e.index];
    EXPECT_EQ(entry.name, e.name);
    EXPECT_EQ(entry.code, fourCharCode(e.code)) << e.name;
  }
}

TEST_F(TerminologyBytes, EveryListedEnumeratorIsOneTheFilterAccepts) {
  // Which user value each enumeration belongs to, by its parameter.
  std::map<std::uint32_t, const UserValueEntry*> byType;
  for (const UserValueEntry& entry : userValueTable())
    if (entry.kind == ValueKind::Enumerated) byType[entry.enumType] = &entry;
  for (const auto& enumeration : terminology.enumerations) {
    ASSERT_TRUE(byType.count(enumeration.type));
    const UserValueEntry& entry = *byType[enumeration.type];
    for (const auto& enumerator : enumeration.enumerators) {
      EXPECT_NE(valueOfEnumerator(entry, enumerator.code), 0) << enumerator.name;
      EXPECT_FALSE(enumerator.name.empty());
    }
  }
}

}  // namespace
}  // namespace qm::test
