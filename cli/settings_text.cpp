// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/settings_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "settings/four_char_code.h"
#include "settings/user_value_table.h"

namespace qm::cli {
namespace {

std::string notAValue(const UserValueEntry& entry, const std::string& token) {
  return "\"" + token + "\" is no value for " + entry.option;
}

std::string outOfRange(const UserValueEntry& entry, const std::string& token, const std::string& minimum,
                       const std::string& maximum) {
  return std::string(entry.option) + " " + token + " is out of range: it must be between " + minimum + " and " +
         maximum;
}

// A value outside its range is refused, as the command line refuses it, rather than brought
// into range by the filter without a word.
bool parseEnumerated(const UserValueEntry& entry, const std::string& token, DescriptorItem& item,
                     std::string& problem) {
  item.type = pi::typeEnumerated;
  item.enumType = entry.enumType;
  if (token.size() != 4) return problem = notAValue(entry, token), false;
  item.enumValue = fourCharCode(token);
  if (valueOfEnumerator(entry, item.enumValue) != 0) return true;
  problem = outOfRange(entry, token, fourCharCodeText(enumeratorFor(entry, entry.minimum)),
                       fourCharCodeText(enumeratorFor(entry, entry.maximum)));
  return false;
}

bool parseInteger(const UserValueEntry& entry, const std::string& token, DescriptorItem& item, std::string& problem) {
  item.type = pi::typeInteger;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(token.c_str(), &end, 10);
  if (errno != 0 || !end || *end != '\0' || token.empty())
    return problem = notAValue(entry, token), false;
  if (value < entry.minimum || value > entry.maximum)
    return problem = outOfRange(entry, token, std::to_string(entry.minimum), std::to_string(entry.maximum)), false;
  item.integer = std::int32_t(value);
  return true;
}

bool parseValue(const UserValueEntry& entry, const std::string& token, DescriptorItem& item, std::string& problem) {
  item.key = entry.descriptorKey;
  if (entry.kind == ValueKind::Enumerated) return parseEnumerated(entry, token, item, problem);
  if (entry.kind == ValueKind::Integer) return parseInteger(entry, token, item, problem);
  item.type = pi::typeBoolean;
  item.integer = token == "true" ? 1 : 0;
  if (token == "true" || token == "false") return true;
  return problem = notAValue(entry, token), false;
}

bool parseLine(const std::string& line, DescriptorItem& item, std::string& problem) {
  std::istringstream words(line);
  std::string key, option, equals, value;
  words >> key >> option >> equals >> value;
  const UserValueEntry* entry = key.size() == 4 ? findUserValueByKey(fourCharCode(key)) : nullptr;
  if (!entry) return problem = "unknown key \"" + key + "\"", false;
  if (equals != "=" || value.empty()) return problem = "expected \"KEY name = value\"", false;
  return parseValue(*entry, value, item, problem);
}

}  // namespace

std::string describeSettings(const DescriptorItems& items) {
  std::ostringstream out;
  for (const DescriptorItem& item : items) {
    const UserValueEntry* entry = findUserValueByKey(item.key);
    std::string option = entry ? entry->option : "?";
    option.resize(9, ' ');
    out << fourCharCodeText(item.key) << ' ' << option << "= ";
    if (item.type == pi::typeEnumerated) {
      const std::int32_t value = entry ? valueOfEnumerator(*entry, item.enumValue) : 0;
      out << fourCharCodeText(item.enumValue) << "  " << (entry && value ? entry->name(value) : "(not a known value)");
    } else if (item.type == pi::typeBoolean) {
      out << (item.integer ? "true" : "false");
    } else {
      out << item.integer;
    }
    out << '\n';
  }
  return out.str();
}

bool parseSettingsText(const std::string& text, DescriptorItems& items, std::string& error) {
  items.clear();
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // written on Windows
    // Blank lines and "#" comments (preset show's first line) carry no value.
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    DescriptorItem item;
    std::string problem;
    if (!parseLine(line, item, problem)) {
      error = "line " + std::to_string(number) + ": " + problem;
      return false;
    }
    mergeSettings(items, {item});
  }
  return true;
}

void mergeSettings(DescriptorItems& base, const DescriptorItems& overrides) {
  for (const DescriptorItem& item : overrides) {
    auto same = std::find_if(base.begin(), base.end(), [&](const DescriptorItem& b) { return b.key == item.key; });
    if (same != base.end())
      *same = item;
    else
      base.push_back(item);
  }
}

}  // namespace qm::cli
