// SPDX-License-Identifier: LicenseRef-Quillmark
// Four-character codes as 32-bit numbers, first character in the high byte.
#pragma once

#include <cstdint>

namespace qm {

constexpr std::uint32_t fourCharCode(const char (&code)[5]) {
  return (std::uint32_t(std::uint8_t(code[0])) << 24) | (std::uint32_t(std::uint8_t(code[1])) << 16) |
         (std::uint32_t(std::uint8_t(code[2])) << 8) | std::uint32_t(std::uint8_t(code[3]));
}

}  // namespace qm
