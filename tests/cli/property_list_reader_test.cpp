// SPDX-License-Identifier: LicenseRef-Quillmark
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cli/property_list_reader.h"
#include "settings/four_char_code.h"

namespace qm::cli {
namespace {

void put32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(value >> (8 * i)));
}

// A list as a host finds it in a library: header, then {vendor, key, id, length, data}.
struct ListBuilder {
  std::vector<std::uint8_t> bytes = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::uint32_t count = 0;
  bool padLengths = true;
  void add(std::uint32_t key, std::vector<std::uint8_t> data) {
    put32(bytes, fourCharCode("8BIM"));
    put32(bytes, key);
    put32(bytes, 0);
    const std::size_t padded = (data.size() + 3) & ~std::size_t(3);
    put32(bytes, std::uint32_t(padLengths ? padded : data.size()));
    data.resize(padded, 0);
    bytes.insert(bytes.end(), data.begin(), data.end());
    ++count;
    std::memcpy(&bytes[6], &count, 4);
  }
};

std::vector<std::uint8_t> text(const char* value, bool pascal) {
  const std::string bytes = pascal ? std::string(1, char(std::strlen(value))) + value : std::string(value) + '\0';
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

ListBuilder sampleList(bool padLengths) {
  ListBuilder list;
  list.padLengths = padLengths;
  list.add(fourCharCode("kind"), {0x4D, 0x46, 0x42, 0x38});
  list.add(fourCharCode("name"), text("Quillmark...", true));  // 13 bytes: odd
  list.add(fourCharCode("catg"), text("Tallowbridge", true));
  list.add(fourCharCode("wx86"), text("PluginMain", false));
  list.add(fourCharCode("8664"), text("PluginMain", false));
  list.add(fourCharCode("mode"), {0x50, 0x00});
  return list;
}

TEST(PropertyListReader, ReadsPaddedAndExactLengthsAlike) {
  for (bool padded : {true, false}) {
    const ListBuilder list = sampleList(padded);
    PluginProperties properties;
    std::string error;
    ASSERT_TRUE(readPropertyList(list.bytes.data(), list.bytes.size(), properties, error)) << error;
    EXPECT_EQ(properties.kind, fourCharCode("8BFM"));
    // The category follows a property of odd length.
    EXPECT_EQ((std::vector<std::string>{properties.name, properties.category, properties.entryX86,
                                        properties.entryX64, entryPointFor(properties)}),
              (std::vector<std::string>{"Quillmark...", "Tallowbridge", "PluginMain", "PluginMain", "PluginMain"}));
    EXPECT_EQ(properties.modes, (std::vector<int>{1, 3}));
  }
}

TEST(PropertyListReader, DamagedListsAreRefused) {
  const ListBuilder list = sampleList(true);
  PluginProperties properties;
  std::string error;
  for (std::size_t cut : {std::size_t(0), std::size_t(9), std::size_t(20), list.bytes.size() - 1}) {
    EXPECT_FALSE(readPropertyList(list.bytes.data(), cut, properties, error)) << cut;
    EXPECT_FALSE(error.empty());
  }
  // Another version; a first property whose length runs far past the end.
  for (const auto& [at, byte] : {std::pair{2, 1}, std::pair{10 + 12, 0xFF}, std::pair{10 + 15, 0x7F}}) {
    std::vector<std::uint8_t> damaged = list.bytes;
    damaged[std::size_t(at)] = std::uint8_t(byte);
    EXPECT_FALSE(readPropertyList(damaged.data(), damaged.size(), properties, error)) << at;
  }
}

}  // namespace
}  // namespace qm::cli
