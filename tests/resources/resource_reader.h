// SPDX-License-Identifier: LicenseRef-Quillmark
// Reads resource bytes back the way a host does: little-endian numbers, codes as
// little-endian 32-bit words, Pascal strings. A read past the end marks the reader failed
// and yields zeros, so a truncated resource shows up as a failed check, never a crash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

class ResourceReader {
 public:
  explicit ResourceReader(const std::vector<std::uint8_t>& bytes, std::size_t start = 0, std::size_t end = SIZE_MAX)
      : bytes_(bytes), at_(start), end_(end < bytes.size() ? end : bytes.size()) {}

  std::uint8_t u8() { return has(1) ? bytes_[at_++] : fail(); }
  std::uint16_t u16() { return std::uint16_t(number(2)); }
  std::uint32_t u32() { return number(4); }
  std::string pascal() {
    std::string text;
    for (std::size_t length = u8(); length > 0 && ok_; --length) text += char(u8());
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
  // Little-endian: the first byte is the lowest.
  std::uint32_t number(int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) value |= std::uint32_t(u8()) << (8 * i);
    return value;
  }
  std::uint8_t fail() {
    ok_ = false;
    return 0;
  }

  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_;
  std::size_t end_;
  bool ok_ = true;
};

}  // namespace qm::test
