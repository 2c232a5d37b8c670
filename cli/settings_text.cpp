// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/settings_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "settings/user_value_table.h"

namespace qm::cli {
namespace {

std::uint32_t codeOf(const std::string& text) {
  std::uint32_t code = 0;
  for (char c : text) code = (code << 8) | std::uint8_t(c);
  return code;
}

bool parseValue(const UserValueEntry& entry, const std::string& token, DescriptorItem& item) {
  item.key = entry.descriptorKey;
  switch (entry.kind) {
    case ValueKind::Enumerated:
      item.type = pi::typeEnumerated;
      item.enumType = entry.enumType;
      item.enumValue = codeOf(token);
      return token.size() == 4;
    case ValueKind::Boolean:
      item.type = pi::typeBoolean;
      item.integer = token == "true" ? 1 : 0;
      return token == "true" || token == "false";
    case ValueKind::Integer: {
      item.type = pi::typeInteger;
      errno = 0;
      char* end = nullptr;
      const long long value = std::strtoll(token.c_str(), &end, 10);
      item.integer = std::int32_t(value);
      return errno == 0 && end && *end == '\0' && !token.empty() && value >= INT32_MIN && value <= INT32_MAX;
    }
  }
  return false;
}

bool parseLine(const std::string& line, DescriptorItem& item, std::string& problem) {
  std::istringstream words(line);
  std::string key, option, equals, value;
  words >> key >> option >> equals >> value;
  const UserValueEntry* entry = key.size() == 4 ? findUserValueByKey(codeOf(key)) : nullptr;
  if (!entry) return problem = "unknown key \"" + key + "\"", false;
  if (equals != "=" || value.empty()) return problem = "expected \"KEY name = value\"", false;
  if (!parseValue(*entry, value, item)) return problem = "\"" + value + "\" is no value for " + entry->option, false;
  return true;
}

}  // namespace

std::string describeSettings(const DescriptorItems& items) {
  std::ostringstream out;
  for (const DescriptorItem& item : items) {
    const UserValueEntry* entry = findUserValueByKey(item.key);
    std::string option = entry ? entry->option : "?";
    option.resize(9, ' ');
    out << fourCCText(item.key) << ' ' << option << "= ";
    if (item.type == pi::typeEnumerated) {
      const std::int32_t value = entry ? valueOfEnumerator(*entry, item.enumValue) : 0;
      out << fourCCText(item.enumValue) << "  " << (entry && value ? entry->name(value) : "(not a known value)");
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
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
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
