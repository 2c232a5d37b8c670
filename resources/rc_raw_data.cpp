// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/rc_raw_data.h"

#include <cstdio>

namespace qm::resources {
namespace {

constexpr std::size_t kWordsPerLine = 8;

std::string hexWord(unsigned word) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", word & 0xFFFFu);
  return text;
}

}  // namespace

std::string rawDataResource(int id, std::string_view type, const std::vector<std::uint8_t>& bytes) {
  std::string text = std::to_string(id) + " " + std::string(type) + " DISCARDABLE\nBEGIN\n";
  const std::size_t wordCount = (bytes.size() + 1) / 2;
  for (std::size_t word = 0; word < wordCount; ++word) {
    const unsigned low = bytes[2 * word];
    const unsigned high = 2 * word + 1 < bytes.size() ? bytes[2 * word + 1] : 0u;
    const bool lineStart = word % kWordsPerLine == 0;
    const bool last = word + 1 == wordCount;
    if (lineStart) text += "  ";
    text += hexWord(low | (high << 8));
    if (!last) text += (word % kWordsPerLine == kWordsPerLine - 1) ? ",\n" : ", ";
  }
  if (wordCount > 0) text += "\n";
  text += "END\n";
  return text;
}

}  // namespace qm::resources
