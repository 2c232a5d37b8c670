// SPDX-License-Identifier: LicenseRef-Quillmark
// The host reading a plug-in's property list: the list our plug-in carries, one written with
// exact lengths, and damaged ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/property_list_reader.h"
#include "resources/property_list.h"
#include "settings/four_char_code.h"

namespace qm::cli {
namespace {

// The plug-in's main properties as a list whose lengths are exact rather than rounded up to
// 4 (the data is still padded): header, then {vendor, key, index, length, data}.
std::vector<std::uint8_t> exactLengthList() {
  std::vector<std::uint8_t> bytes = {1, 0, 0, 0, 0, 0, 6, 0, 0, 0};
  const auto add = [&](const char* key, const std::string& data) {
    for (std::uint32_t word : {fourCharCode("8BIM"), fourCharCode(key), 0u, std::uint32_t(data.size())})
      for (int shift = 0; shift < 32; shift += 8) bytes.push_back(std::uint8_t(word >> shift));
    bytes.insert(bytes.end(), data.begin(), data.end());
    bytes.insert(bytes.end(), (4 - data.size() % 4) % 4, 0);
  };
  const auto pascal = [](const std::string& text) { return char(text.size()) + text; };
  add("kind", "MFB8");
  add("name", pascal("Quillmark..."));  // 13 bytes: odd
  add("catg", pascal("Tallowbridge"));
  add("wx86", std::string("PluginMain", 11));
  add("8664", std::string("PluginMain", 11));
  add("mode", std::string("\x50\0", 2));
  return bytes;
}

TEST(PropertyListReader, ReadsThePluginsListAndOneOfExactLengthsAlike) {
  for (const std::vector<std::uint8_t>& list : {resources::propertyListBytes(), exactLengthList()}) {
    PluginProperties properties;
    std::string error;
    ASSERT_TRUE(readPropertyList(list.data(), list.size(), properties, error)) << error;
    EXPECT_EQ(properties.kind, fourCharCode("8BFM"));
    // In the list of exact lengths the category follows a property of odd length.
    EXPECT_EQ((std::vector<std::string>{properties.name, properties.category, properties.entryX86,
                                        properties.entryX64, entryPointFor(properties)}),
              (std::vector<std::string>{"Quillmark...", "Tallowbridge", "PluginMain", "PluginMain", "PluginMain"}));
    EXPECT_EQ(properties.modes, (std::vector<int>{1, 3}));
  }
}

TEST(PropertyListReader, DamagedListsAreRefused) {
  const std::vector<std::uint8_t> list = resources::propertyListBytes();
  PluginProperties properties;
  std::string error;
  for (std::size_t cut : {std::size_t(0), std::size_t(9), std::size_t(20), list.size() - 1}) {
    EXPECT_FALSE(readPropertyList(list.data(), cut, properties, error)) << cut;
    EXPECT_FALSE(error.empty());
  }
  // Another version; a first property whose length runs far past the end.
  for (const auto& [at, byte] : {std::pair{2, 1}, std::pair{10 + 12, 0xFF}, std::pair{10 + 15, 0x7F}}) {
    std::vector<std::uint8_t> damaged = list;
    damaged[std::size_t(at)] = std::uint8_t(byte);
    EXPECT_FALSE(readPropertyList(damaged.data(), damaged.size(), properties, error)) << at;
  }
}

}  // namespace
}  // namespace qm::cli
