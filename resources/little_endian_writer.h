// SPDX-License-Identifier: LicenseRef-Quillmark
// Appends the numbers and strings of Windows resource records: integers little-endian,
// four-character codes as little-endian 32-bit numbers (so 'kind' is stored "dnik").
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qm::resources {

class LittleEndianWriter {
 public:
  void u8(std::uint8_t value) { bytes_.push_back(value); }
  void u16(std::uint16_t value) {
    u8(std::uint8_t(value));
    u8(std::uint8_t(value >> 8));
  }
  void u32(std::uint32_t value) {
    u16(std::uint16_t(value));
    u16(std::uint16_t(value >> 16));
  }
  void code(std::uint32_t fourCharCode) { u32(fourCharCode); }

  // A length byte and at most 255 bytes of text; longer text is cut, never overflows.
  void pascal(std::string_view text) {
    const std::size_t length = std::min<std::size_t>(text.size(), 255);
    u8(std::uint8_t(length));
    bytes_.insert(bytes_.end(), text.begin(), text.begin() + std::ptrdiff_t(length));
  }
  void cString(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    u8(0);
  }
  void padTo4() {
    while (bytes_.size() % 4 != 0) u8(0);
  }
  void patch32(std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_[offset + std::size_t(i)] = std::uint8_t(value >> (8 * i));
  }

  std::size_t size() const { return bytes_.size(); }
  std::vector<std::uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace qm::resources
