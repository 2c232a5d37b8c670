// SPDX-License-Identifier: LicenseRef-Quillmark
// Big-endian bytes gathered in memory: the PSD file's fixed records and its metadata blocks
// are built whole, measured, then written in one piece.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace qm::psd {

class Bytes {
 public:
  void u8(std::uint32_t value) { bytes_.push_back(std::uint8_t(value)); }
  void u16(std::uint32_t value) {
    u8(value >> 8);
    u8(value);
  }
  void u32(std::uint32_t value) {
    u16(value >> 16);
    u16(value);
  }
  void text(std::string_view characters) { bytes_.insert(bytes_.end(), characters.begin(), characters.end()); }
  void append(const std::vector<std::uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
  void zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  // Overwrites a 32-bit length already reserved at `at`, once what it measures is known.
  void patch32(std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_[at + std::size_t(i)] = std::uint8_t(value >> (24 - 8 * i));
  }
  std::size_t size() const { return bytes_.size(); }
  std::vector<std::uint8_t>& vector() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace qm::psd
