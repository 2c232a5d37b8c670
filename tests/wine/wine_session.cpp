// SPDX-License-Identifier: LicenseRef-Quillmark
#include "tests/wine/wine_session.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace qm::test {
namespace {

const char* kWine = "/usr/lib/wine/wine64";

ChildOptions wineOptions(int timeoutSeconds) {
  ChildOptions options;
  options.timeout = std::chrono::seconds(timeoutSeconds);
  options.set = {{"WINEPREFIX", QUILLMARK_WINE_PREFIX}, {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
  return options;
}

}  // namespace

std::string windowsPath(const std::string& path) {
  std::string converted = "Z:" + path;
  for (char& c : converted)
    if (c == '/') c = '\\';
  return converted;
}

std::string windowsPluginPath() { return windowsPath(std::string(QUILLMARK_WINDOWS_DIR) + "/bin/Quillmark.8bf"); }

ChildResult runWindowsCommand(const std::vector<std::string>& arguments, int timeoutSeconds) {
  std::vector<std::string> argv = {std::string(QUILLMARK_WINDOWS_DIR) + "/bin/quillmark.exe"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return runChild(kWine, argv, wineOptions(timeoutSeconds));
}

unsigned long waitForWindow(const std::string& title, int timeoutSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  while (std::chrono::steady_clock::now() < deadline) {
    const ChildResult found = runChild("/usr/bin/xdotool", {"search", "--name", "^" + title + "$"});
    if (found.exitStatus == 0 && !found.out.empty()) return std::stoul(found.out);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  return 0;
}

bool pressKey(const std::string& key) {
  return runChild("/usr/bin/xdotool", {"key", key}).exitStatus == 0;
}

bool takeScreenshot(const std::string& path) {
  // Always plain 8-bit RGB: a screen of few colours would otherwise be saved as a palette PNG.
  return runChild("/usr/bin/import", {"-window", "root", "png24:" + path}).exitStatus == 0;
}

}  // namespace qm::test
