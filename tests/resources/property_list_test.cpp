// SPDX-License-Identifier: LicenseRef-Quillmark
// The plug-in property list and the scripting terminology, read back as a host reads them.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "resources/property_list.h"
#include "resources/terminology.h"
#include "settings/name_tables.h"
#include "settings/user_value_table.h"
#include "tests/resources/resource_reader.h"

namespace qm::test {
namespace {

struct Property {
  std::uint32_t vendor;
  std::uint32_t key;
  std::uint32_t index;
  std::uint32_t length;
  std::size_t dataAt;
};

struct PropertyList {
  std::uint16_t reserved = 0;
  std::uint32_t version = 0;
  std::uint32_t count = 0;
  std::vector<Property> properties;
  bool readToEnd = false;
};

// The strictest hosts step 16 + length from one property to the next without rounding.
PropertyList readStrictly(const std::vector<std::uint8_t>& bytes) {
  ResourceReader reader(bytes);
  PropertyList list;
  list.reserved = reader.u16();
  list.version = reader.u32();
  list.count = reader.u32();
  for (std::uint32_t i = 0; i < list.count && reader.ok(); ++i) {
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
      if (property.key == codeOf(key) && property.index == index) return property;
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
  EXPECT_EQ(list.reserved, 1);
  EXPECT_EQ(list.version, 0u);
  EXPECT_TRUE(list.readToEnd) << "stepping 16 + length must land exactly on the end";
  const std::vector<std::string> expected = {"kind", "name", "catg", "vers", "wx86", "8664",
                                             "hstm", "mode", "enbl", "enbl", "fici"};
  ASSERT_EQ(list.count, expected.size());
  ASSERT_EQ(list.properties.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Property& property = list.properties[i];
    EXPECT_EQ(property.vendor, codeOf("8BIM")) << i;
    EXPECT_EQ(property.key, codeOf(expected[i].c_str())) << i;
    EXPECT_EQ(property.length % 4, 0u) << expected[i];
  }
  EXPECT_EQ(list.properties[8].index, 0u);
  EXPECT_EQ(list.properties[9].index, 1u);
  // Codes are stored little-endian: 'kind' reads "dnik" in the file.
  EXPECT_EQ(std::string(bytes.begin() + 14, bytes.begin() + 18), "dnik");
}

TEST_F(PropertyListBytes, KindVersionModesAndFilterCases) {
  EXPECT_EQ(data("kind"), (std::vector<std::uint8_t>{'M', 'F', 'B', '8'}));
  EXPECT_EQ(data("vers"), (std::vector<std::uint8_t>{0, 0, 4, 0}));
  const std::vector<std::uint8_t> modes = data("mode");
  ASSERT_EQ(modes.size(), 4u);
  EXPECT_EQ(modes[0], 0x50);
  // Mode m is offered when bit (0x80 >> m % 8) of byte m / 8 is set: grayscale 1 and RGB 3 only.
  for (int mode = 0; mode < 32; ++mode) {
    const bool offered = (modes[std::size_t(mode / 8)] & (0x80 >> (mode % 8))) != 0;
    EXPECT_EQ(offered, mode == 1 || mode == 3) << "mode " << mode;
  }
  const std::vector<std::uint8_t> cases = data("fici");
  ASSERT_EQ(cases.size(), 28u);
  for (std::size_t filterCase = 0; filterCase < 7; ++filterCase) {
    EXPECT_EQ(cases[4 * filterCase], 1) << "straight input, case " << filterCase + 1;
    EXPECT_EQ(cases[4 * filterCase + 1], 1) << "straight output";
    EXPECT_EQ(cases[4 * filterCase + 2], 1) << "no copy to the destination";
    EXPECT_EQ(cases[4 * filterCase + 3], 0);
  }
}

TEST_F(PropertyListBytes, NamesAndEntryPointsOfBothArchitectures) {
  ResourceReader name(bytes, find("name").dataAt);
  EXPECT_EQ(name.pascal(), "Quillmark...");
  ResourceReader category(bytes, find("catg").dataAt);
  EXPECT_EQ(category.pascal(), "Tallowbridge");
  for (const char* key : {"wx86", "8664"}) {
    ResourceReader entry(bytes, find(key).dataAt);
    EXPECT_EQ(entry.cString(), "PluginMain") << key;
    // Only zeros after the terminator: the padding never leaks other bytes.
    const std::vector<std::uint8_t> padded = data(key);
    for (std::size_t i = 10; i < padded.size(); ++i) EXPECT_EQ(padded[i], 0) << key;
  }
}

TEST_F(PropertyListBytes, ScriptingEntryNamesTheTerminology) {
  const Property& scripting = find("hstm");
  ResourceReader reader(bytes, scripting.dataAt, scripting.dataAt + scripting.length);
  EXPECT_EQ(reader.u32(), 0u);
  EXPECT_EQ(reader.u32(), codeOf("TbQm"));
  EXPECT_EQ(reader.u32(), codeOf("TbQm"));
  EXPECT_EQ(reader.u16(), 16000);
  EXPECT_EQ(reader.cString(), "Tallowbridge Quillmark");
  EXPECT_TRUE(reader.ok());
}

// The mode names inside "in (PSHOP_ImageMode, ...)".
std::set<std::string> modesNamedIn(const std::string& expression) {
  const std::string opening = "in (PSHOP_ImageMode,";
  const std::size_t start = expression.find(opening);
  const std::size_t end = expression.find(')', start);
  if (start == std::string::npos || end == std::string::npos) return {};
  std::set<std::string> names;
  std::stringstream list(expression.substr(start + opening.size(), end - start - opening.size()));
  for (std::string name; std::getline(list, name, ',');) {
    name.erase(0, name.find_first_not_of(' '));
    names.insert(name);
  }
  return names;
}

TEST_F(PropertyListBytes, EnablingExpressionsNameTheDepthsTheFilterRendersAndNoOthers) {
  ResourceReader first(bytes, find("enbl", 0).dataAt);
  const std::string older = first.cString();
  EXPECT_EQ(modesNamedIn(older), (std::set<std::string>{"RGBMode", "GrayScaleMode", "RGB48Mode", "Gray16Mode"}));
  ResourceReader second(bytes, find("enbl", 1).dataAt);
  const std::string withFloat = second.cString();
  EXPECT_EQ(modesNamedIn(withFloat), (std::set<std::string>{"RGBMode", "GrayScaleMode", "RGB48Mode", "Gray16Mode",
                                                            "Gray32Mode", "RGB96Mode"}));
  EXPECT_NE(withFloat.find("PSHOP_ImageMode != MultichannelMode"), std::string::npos) << withFloat;
  EXPECT_EQ(older.find("Multichannel"), std::string::npos);
}

// The terminology, parsed into what a host shows.
struct Parameter {
  std::string name;
  std::uint32_t key;
  std::uint32_t type;
  std::uint16_t flags;
};

struct Terminology {
  std::uint16_t reserved, suites, level, version, events;
  std::uint8_t major, minor;
  std::string suiteName, eventName, eventDescription;
  std::uint32_t eventClass, eventId, replyType, directType;
  std::uint16_t directFlags;
  std::vector<Parameter> parameters;
  std::uint16_t classes, comparisons;
  std::vector<resources::TerminologyEnumeration> enumerations;
  bool readToEnd;
};

Terminology parseTerminology(const std::vector<std::uint8_t>& bytes) {
  ResourceReader r(bytes);
  Terminology t{};
  t.reserved = r.u16();
  t.major = r.u8();
  t.minor = r.u8();
  r.u16();  // language
  r.u16();  // script
  t.suites = r.u16();
  t.suiteName = r.pascal();
  r.pascal();  // suite description
  r.u32();     // suite code
  t.level = r.u16();
  t.version = r.u16();
  t.events = r.u16();
  t.eventName = r.pascal();
  t.eventDescription = r.pascal();
  t.eventClass = r.u32();
  t.eventId = r.u32();
  t.replyType = r.u32();
  r.pascal();
  r.u16();
  t.directType = r.u32();
  r.pascal();
  t.directFlags = r.u16();
  const std::uint16_t parameterCount = r.u16();
  for (int i = 0; i < parameterCount && r.ok(); ++i) {
    Parameter p;
    p.name = r.pascal();
    p.key = r.u32();
    p.type = r.u32();
    r.pascal();
    p.flags = r.u16();
    t.parameters.push_back(p);
  }
  t.classes = r.u16();
  t.comparisons = r.u16();
  const std::uint16_t enumerationCount = r.u16();
  for (int i = 0; i < enumerationCount && r.ok(); ++i) {
    resources::TerminologyEnumeration enumeration{r.u32(), {}};
    const std::uint16_t count = r.u16();
    for (int j = 0; j < count && r.ok(); ++j) {
      std::string name = r.pascal();
      const std::uint32_t code = r.u32();
      r.pascal();
      enumeration.enumerators.push_back({name, code});
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
  EXPECT_EQ(terminology.reserved, 1);
  EXPECT_EQ(terminology.major, 1);
  EXPECT_EQ(terminology.minor, 0);
  EXPECT_EQ(terminology.suites, 1);
  EXPECT_EQ(terminology.suiteName, "Tallowbridge");
  EXPECT_EQ(terminology.level, 1);
  EXPECT_EQ(terminology.version, 1);
  EXPECT_EQ(terminology.events, 1);
  EXPECT_EQ(terminology.eventName, "Quillmark");
  EXPECT_EQ(terminology.eventDescription, "Creates halftone effects");
  // The property list's scripting entry and the event must carry the same codes.
  EXPECT_EQ(terminology.eventClass, resources::kScriptingEventCode);
  EXPECT_EQ(terminology.eventId, codeOf("TbQm"));
  EXPECT_EQ(terminology.replyType, codeOf("null"));
  EXPECT_EQ(terminology.directType, codeOf("#ImR"));
  EXPECT_EQ(terminology.directFlags, 0xB000);
  EXPECT_EQ(terminology.classes, 0);
  EXPECT_EQ(terminology.comparisons, 0);
}

TEST_F(TerminologyBytes, TenParametersUnderTheKeysTheFilterReadsAndWrites) {
  struct Expected {
    const char* name;
    const char* key;
    const char* type;
  };
  const std::vector<Expected> expected = {
      {"style", "QNky", "QNty"},   {"scale", "QSky", "QSty"},
      {"gamma", "QGky", "QGty"},   {"warping", "0004", "long"},
      {"angle", "0005", "long"},   {"gray", "0006", "long"},
      {"glue", "GLUE", "GLty"},    {"sharpen diameter", "0008", "long"},
      {"sharpen", "0009", "long"}, {"line", "Qmky", "Qmty"}};
  ASSERT_EQ(terminology.parameters.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Parameter& parameter = terminology.parameters[i];
    EXPECT_EQ(parameter.name, expected[i].name);
    EXPECT_EQ(parameter.key, codeOf(expected[i].key)) << expected[i].name;
    EXPECT_EQ(parameter.type, codeOf(expected[i].type)) << expected[i].name;
    const bool enumerated = std::string(expected[i].type) != "long";
    EXPECT_EQ(parameter.flags, enumerated ? 0xA000 : 0x8000) << expected[i].name;
    // The key is the one the scripting code uses for the same value, in the same order.
    EXPECT_EQ(parameter.key, userValueTable()[i].descriptorKey) << expected[i].name;
  }
}

TEST_F(TerminologyBytes, FiveEnumerationsWithTheirHistoricalLists) {
  const std::vector<std::pair<std::string, std::size_t>> expected = {
      {"QNty", 21}, {"Qmty", 5}, {"QSty", 3}, {"QGty", 4}, {"GLty", 61}};
  ASSERT_EQ(terminology.enumerations.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(terminology.enumerations[i].type, codeOf(expected[i].first.c_str()));
    EXPECT_EQ(terminology.enumerations[i].enumerators.size(), expected[i].second) << expected[i].first;
  }
  const auto& styles = terminology.enumerations[0].enumerators;
  ASSERT_EQ(styles.size(), 21u);
  for (int style = 1; style <= 20; ++style) {
    EXPECT_EQ(styles[std::size_t(style - 1)].name, styleName(style));
    EXPECT_EQ(styles[std::size_t(style - 1)].code, enumeratorFor(*findUserValue("style"), style));
  }
  EXPECT_EQ(styles[0].code, codeOf("QN01"));
  EXPECT_EQ(styles[20].name, "green noise");
  EXPECT_EQ(styles[20].code, codeOf("QN21"));

  const auto& scales = terminology.enumerations[2].enumerators;
  EXPECT_EQ(scales[0].code, codeOf("Qs01"));
  EXPECT_EQ(scales[2].name, "4x");
  EXPECT_EQ(terminology.enumerations[1].enumerators[4].code, codeOf("Qm05"));
  EXPECT_EQ(terminology.enumerations[3].enumerators[3].code, codeOf("QG04"));

  const auto& blends = terminology.enumerations[4].enumerators;
  ASSERT_EQ(blends.size(), 61u);
  EXPECT_EQ(blends[0].name, "normal");
  EXPECT_EQ(blends[25].name, "harsh diff");
  EXPECT_EQ(blends[25].code, codeOf("GL26"));
  EXPECT_EQ(blends[58].name, blendName(59));
  EXPECT_EQ(blends[58].code, codeOf("GL59"));
  EXPECT_EQ(blends[59].name, "screendim");
  EXPECT_EQ(blends[59].code, codeOf("GL59"));
  EXPECT_EQ(blends[60].name, "starbright");
  EXPECT_EQ(blends[60].code, codeOf("GL63"));
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
  // And the public list is exactly what the resource holds.
  const auto listed = resources::terminologyEnumerations();
  ASSERT_EQ(listed.size(), terminology.enumerations.size());
  for (std::size_t i = 0; i < listed.size(); ++i)
    EXPECT_EQ(listed[i].enumerators.size(), terminology.enumerations[i].enumerators.size());
}

}  // namespace
}  // namespace qm::test
