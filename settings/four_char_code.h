// SPDX-License-Identifier: LicenseRef-Quillmark
// Four-character codes as 32-bit numbers, first character in the high byte, and back to
// text: the one place that knows how a code and its characters correspond.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qm {

// The code of exactly four characters. Text of another length is a programming error: a
// compile error where the code is a constant, an exception otherwise, so callers that read
// codes from outside check the length first.
constexpr std::uint32_t fourCharCode(std::string_view code) {
  if (code.size() != 4) throw std::invalid_argument("a four-character code needs four characters");
  std::uint32_t value = 0;
  for (char c : code) value = (value << 8) | std::uint8_t(c);
  return value;
}

// The code of a literal such as "8BIM"; a literal of another length does not compile.
constexpr std::uint32_t fourCharCode(const char (&code)[5]) { return fourCharCode(std::string_view(code, 4)); }

// The code as text for people: printable ASCII as it is, any other byte as \xNN, so that
// "Q\x01\x02\x03" shows what a damaged or foreign code holds.
constexpr std::string fourCharCodeText(std::uint32_t code) {
  constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto byte = std::uint8_t(code >> shift);
    if (byte >= 0x20 && byte < 0x7F)
      text += char(byte);
    else
      text += {'\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 15]};
  }
  return text;
}

}  // namespace qm
