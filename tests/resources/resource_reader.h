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

// 'abcd' as the 32-bit number a code is stored as.
inline std::uint32_t codeOf(const char* four) {
  return (std::uint32_t(std::uint8_t(four[0])) << 24) | (std::uint32_t(std::uint8_t(four[1])) << 16) |
         (std::uint32_t(std::uint8_t(four[2])) << 8) | std::uint32_t(std::uint8_t(four[3]));
}

}  // namespace qm::test
