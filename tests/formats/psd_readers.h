// SPDX-License-Identifier: LicenseRef-Quillmark
// The independent readers our PSD files and metadata blocks are checked with (exiftool,
// ImageMagick, and a JavaScript PSD reader under node), and just enough JSON to read what
// they print: values found by their key, the first occurrence.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/run_command.h"

namespace qm::test {

inline std::size_t afterKey(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\"");
  if (at == std::string::npos) return at;
  const std::size_t colon = json.find(':', at);
  return colon == std::string::npos ? colon : json.find_first_not_of(" \n\t", colon + 1);
}

// A string value, or every string of an array; empty when the key is missing.
inline std::vector<std::string> jsonTexts(const std::string& json, const std::string& key) {
  std::vector<std::string> texts;
  std::size_t at = afterKey(json, key);
  if (at == std::string::npos) return texts;
  const bool array = json[at] == '[';
  const std::size_t end = array ? json.find(']', at) : json.find('"', json.find('"', at) + 1);
  while ((at = json.find('"', at)) < end) {
    const std::size_t close = json.find('"', at + 1);
    texts.push_back(json.substr(at + 1, close - at - 1));
    at = close + 1;
  }
  return texts;
}

// A number, or every number of an array.
inline std::vector<double> jsonNumbers(const std::string& json, const std::string& key) {
  std::vector<double> numbers;
  std::size_t at = afterKey(json, key);
  if (at == std::string::npos) return numbers;
  const bool array = json[at] == '[';
  const char* from = json.c_str() + at + (array ? 1 : 0);
  for (;;) {
    char* end = nullptr;
    const double value = std::strtod(from, &end);
    if (end == from) break;
    numbers.push_back(value);
    if (!array || *end != ',') break;
    from = end + 1;
  }
  return numbers;
}

// A program found on the PATH, as the shell would; empty when there is none.
inline std::string programPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  for (std::size_t from = 0; from <= folders.size();) {
    const std::size_t end = std::min(folders.find(':', from), folders.size());
    const std::filesystem::path candidate = std::filesystem::path(folders.substr(from, end - from)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    from = end + 1;
  }
  return {};
}

// What a reader printed, after a check that it ran and ended well. The program is looked
// up on the PATH.
inline std::string readerOutput(const std::vector<std::string>& command) {
  const ChildResult result = runChild(programPath(command.front()), {command.begin() + 1, command.end()});
  EXPECT_TRUE(result.started && result.exitStatus == 0)
      << command.front() << " " << command.back() << ": " << result.failure << result.err;
  return result.out;
}

// The JavaScript readers, installed once into the build tree by tools/node-readers.
inline bool nodeReadersReady() {
  const std::string script = (std::filesystem::path(__FILE__).parent_path() / "../../tools/node-readers").string();
  const ChildResult result = runChild(script, {QUILLMARK_NODE_READERS},
                                      {.timeout = std::chrono::minutes(5)});
  EXPECT_EQ(result.exitStatus, 0) << "installing the node readers: " << result.failure << result.err;
  return result.exitStatus == 0;
}

}  // namespace qm::test
