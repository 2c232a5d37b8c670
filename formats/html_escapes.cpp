// SPDX-License-Identifier: LicenseRef-Quillmark
#include "formats/html_escapes.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace qm {
namespace {

// The HTML 4 entities of Latin-1 160 to 255, in code order.
constexpr std::array<const char*, 96> kLatin1Entities = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

const char* markupEntity(std::uint8_t byte) {
  switch (byte) {
    case '"': return "&quot;";
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    default: return nullptr;
  }
}

// The length of the UTF-8 sequence starting at `at`, or 0 when none starts there: no
// overlong forms, no surrogates, nothing past U+10FFFF.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return std::uint8_t(text[i]); };
  const std::uint8_t lead = byte(at);
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xbf;  // range of the first continuation byte
  if (lead < 0x80) return 1;
  if (lead >= 0xc2 && lead <= 0xdf) length = 2;
  else if (lead >= 0xe0 && lead <= 0xef) length = 3, low = lead == 0xe0 ? 0xa0 : 0x80, high = lead == 0xed ? 0x9f : 0xbf;
  else if (lead >= 0xf0 && lead <= 0xf4) length = 4, low = lead == 0xf0 ? 0x90 : 0x80, high = lead == 0xf4 ? 0x8f : 0xbf;
  else return 0;
  if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if ((byte(at + i) & 0xc0) != 0x80) return 0;
  return length;
}

bool isSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

}  // namespace

bool isUtf8Name(std::string_view text) {
  bool wide = false;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8SequenceLength(text, at);
    if (length == 0) return false;
    wide = wide || length > 1;
    at += length;
  }
  return wide;
}

std::string htmlEscape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = std::uint8_t(c);
    if (const char* entity = markupEntity(byte)) {
      out += entity;
    } else if (byte >= 160) {
      out.append("&").append(kLatin1Entities[byte - 160]).append(";");
    } else if (byte >= 123) {
      char reference[8];
      std::snprintf(reference, sizeof reference, "&#%03d;", byte);
      out += reference;
    } else {
      out += c;
    }
  }
  return out;
}

std::string htmlEscapeMarkup(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const char* entity = markupEntity(std::uint8_t(c));
    entity ? out.append(entity) : out.append(1, c);
  }
  return out;
}

std::string urlEscape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      out += c;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02x", unsigned(std::uint8_t(c)));
      out += escaped;
    }
  }
  return out;
}

std::string safeName(std::string_view name) {
  const bool keepWide = isUtf8Name(name);
  std::string out;
  for (const char c : name) {
    const auto byte = std::uint8_t(c);
    if (byte < 32) {
      out += ' ';
    } else if (byte >= 128 && keepWide) {
      out += c;
    } else if (byte >= 128) {
      // The mapped byte never gives "." (as pages written before), nor a separator, which
      // would cut the name into folders.
      const char mapped = char((byte & 127) + 32);
      out += mapped == '.' || isSeparator(mapped) ? '_' : mapped;
    } else {
      out += isSeparator(c) ? '_' : c;
    }
  }
  return out;
}

}  // namespace qm
