// SPDX-License-Identifier: LicenseRef-Quillmark
// Reads resource bytes back the way a host does: little-endian numbers, codes as
// little-endian 32-bit words, Pascal strings. A read past the end marks the reader failed
// and yields zeros, so a truncated resource shows up as a failed check, never a crash.
// Also the resources of a resource script, as its compiler reads them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>
#include <vector>

namespace qm::test {

class ResourceReader {
 public:
  explicit ResourceReader(const std::vector<std::uint8_t>& bytes, std::size_t start = 0, std::size_t end = SIZE_MAX)
      : bytes_(bytes), at_(start), end_(end < bytes.size() ? end : bytes.size()) {}

  std::uint8_t u8() { return has(1) ? bytes_[at_++] : fail(); }
  std::uint16_t u16() {
    const std::uint16_t low = u8();
    return std::uint16_t(low | (u8() << 8));
  }
  std::uint32_t u32() {
    const std::uint32_t low = u16();
    return low | (std::uint32_t(u16()) << 16);
  }
  std::string pascal() {
    const std::size_t length = u8();
    if (!has(length)) return fail(), std::string();
    std::string text(bytes_.begin() + std::ptrdiff_t(at_), bytes_.begin() + std::ptrdiff_t(at_ + length));
    at_ += length;
    return text;
  }
  std::string cString() {
    std::string text;
    for (std::uint8_t c = u8(); c != 0 && ok_; c = u8()) text += char(c);
    return text;
  }
  void skip(std::size_t count) { has(count) ? void(at_ += count) : void(fail()); }

  bool ok() const { return ok_; }
  bool atEnd() const { return at_ == end_; }
  std::size_t offset() const { return at_; }

 private:
  bool has(std::size_t count) const { return ok_ && count <= end_ - at_; }
  std::uint8_t fail() {
    ok_ = false;
    return 0;
  }

  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_;
  std::size_t end_;
  bool ok_ = true;
};

// A resource of a resource script, "ID TYPE DISCARDABLE BEGIN ... END", with the bytes a
// resource compiler makes of its 16-bit words ("0x1234", low byte first).
struct ScriptResource {
  int id;
  std::string type;
  std::vector<std::uint8_t> bytes;
};

inline std::vector<ScriptResource> readScriptResources(const std::string& script) {
  std::vector<ScriptResource> resources;
  const std::regex header(R"((\d+) (\w+) DISCARDABLE\nBEGIN\n)");
  const std::regex number("0x([0-9A-Fa-f]+)");
  for (auto it = std::sregex_iterator(script.begin(), script.end(), header); it != std::sregex_iterator(); ++it) {
    ScriptResource resource{std::stoi((*it)[1].str()), (*it)[2].str(), {}};
    const std::size_t begin = std::size_t(it->position() + it->length());
    const std::string body = script.substr(begin, script.find("END", begin) - begin);
    for (auto word = std::sregex_iterator(body.begin(), body.end(), number); word != std::sregex_iterator(); ++word) {
      const unsigned long value = std::stoul((*word)[1].str(), nullptr, 16);
      EXPECT_LE(value, 0xFFFFul);
      resource.bytes.insert(resource.bytes.end(), {std::uint8_t(value), std::uint8_t(value >> 8)});
    }
    resources.push_back(resource);
  }
  return resources;
}

}  // namespace qm::test
