// SPDX-License-Identifier: LicenseRef-Quillmark
// The quillmark command as the end-to-end tests run it, and what they check of every run:
// how it ended, the one line it printed, and what it left beside its output.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/cli/run_command.h"
#include "tests/test_images.h"

namespace qm::test {

// "16-bit 3+alpha": a picture's layout as a trace shows it.
inline std::string layoutName(SampleType type, int colorChannels, bool hasAlpha) {
  return std::to_string(cli::bytesPerSample(type) * 8) + "-bit " + std::to_string(colorChannels) +
         (hasAlpha ? "+alpha" : "");
}

// " a b c": the arguments as a trace shows them.
inline std::string joined(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) text += " " + argument;
  return text;
}

// Runs the command beside the tests with the plug-in beside it; fails the test when the
// command hangs, dies of a signal or reports a sanitizer finding.
inline ChildResult quillmark(const std::vector<std::string>& arguments, ChildOptions options = {}) {
  // The plug-in beside the command, not whatever the environment running the tests names.
  options.unset.push_back("QUILLMARK_PLUGIN");
  ChildResult result = runChild(QUILLMARK_CLI_PATH, arguments, options);
  EXPECT_TRUE(result.started) << result.failure;
  EXPECT_FALSE(result.timedOut) << "quillmark" << joined(arguments) << " did not end and was killed";
  EXPECT_EQ(result.signal, 0) << "quillmark" << joined(arguments) << " ended by signal " << result.signal;
  // A sanitizer report fails the test even when the exit status looks right.
  for (const char* marker : {"Sanitizer", "runtime error:"})
    EXPECT_EQ(result.err.find(marker), std::string::npos) << "the command reported:\n" << result.err;
  return result;
}

// A quiet, reproducible render (or contact sheet) of in to out.
inline ChildResult render(const std::string& in, const std::string& out, std::vector<std::string> options = {},
                          const std::string& command = "render") {
  options.insert(options.begin(), {command, in, out, "--no-progress", "--seed", "1"});
  return quillmark(options);
}

// Exit status 0 and nothing on the standard error stream.
inline ::testing::AssertionResult succeeded(const ChildResult& result) {
  if (result.exitStatus == 0 && result.err.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "exit status " << result.exitStatus << ", stderr: " << result.err;
}

// The exit status, nothing on stdout, and exactly one line on stderr: "quillmark: " and
// every fragment.
inline ::testing::AssertionResult failedWith(const ChildResult& result, int status,
                                             const std::vector<std::string>& fragments) {
  const std::string& err = result.err;
  bool failed = result.exitStatus == status && result.out.empty() && err.rfind("quillmark: ", 0) == 0 &&
                err.find('\n') == err.size() - 1;
  for (const std::string& fragment : fragments) failed = failed && err.find(fragment) != std::string::npos;
  if (failed) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected exit status " << status << ", nothing on stdout and one line "
                                       << "\"quillmark: ...\" with" << joined(fragments) << "; got exit status "
                                       << result.exitStatus << ", stderr \"" << err << "\", stdout \"" << result.out
                                       << "\"";
}

// The sorted names in a folder, or none when it does not exist.
inline std::optional<std::vector<std::string>> folderEntries(const std::string& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Runs a command that must fail with one line and leave the output's folder as it was: no
// output, no temporary file beside it, an existing output unchanged. Gives what it printed.
inline ChildResult expectCleanFailure(const std::vector<std::string>& arguments, const std::string& output, int status,
                                      const std::vector<std::string>& fragments, ChildOptions options = {}) {
  SCOPED_TRACE("quillmark" + joined(arguments));
  const std::string folder = std::filesystem::path(output).parent_path().string();
  const auto before = folderEntries(folder);
  const bool existed = std::filesystem::exists(output);
  const std::string bytes = existed ? readBytes(output) : "";
  ChildResult result = quillmark(arguments, std::move(options));
  EXPECT_TRUE(failedWith(result, status, fragments));
  EXPECT_EQ(folderEntries(folder), before);
  EXPECT_EQ(std::filesystem::exists(output), existed);
  EXPECT_TRUE(!existed || readBytes(output) == bytes) << output << " was changed";
  return result;
}

// The picture in a file the command wrote.
inline RasterImage loaded(const std::string& path) {
  RasterImage image;
  std::string error;
  EXPECT_TRUE(cli::loadImage(path, image, error)) << error;
  return image;
}

}  // namespace qm::test
