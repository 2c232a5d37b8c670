// SPDX-License-Identifier: LicenseRef-Quillmark
#include "tests/wine/wine_session.h"

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
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

// The wine loader's arguments: the Windows program and its own.
std::vector<std::string> commandLine(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {std::string(QUILLMARK_WINDOWS_DIR) + "/bin/quillmark.exe"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
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
  return runChild(kWine, commandLine(arguments), wineOptions(timeoutSeconds));
}

BackgroundWindowsCommand::BackgroundWindowsCommand(const std::vector<std::string>& arguments, int timeoutSeconds) {
  ChildOptions options = wineOptions(timeoutSeconds);
  // The wine loader becomes the Windows process itself, so its id is the command's.
  options.signalWhen = [this](int) { return kill_.load(); };
  options.signals = {SIGKILL};
  thread_ = std::thread([this, argv = commandLine(arguments), options] {
    result_ = runChild(kWine, argv, options);
    ended_ = true;
  });
}

BackgroundWindowsCommand::~BackgroundWindowsCommand() {
  kill_ = true;
  if (thread_.joinable()) thread_.join();
}

const ChildResult& BackgroundWindowsCommand::finish(int graceSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(graceSeconds);
  while (!ended_ && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill_ = true;
  if (thread_.joinable()) thread_.join();
  return result_;
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

bool windowRect(unsigned long window, ScreenRect& rect) {
  const ChildResult found = runChild("/usr/bin/xdotool", {"getwindowgeometry", "--shell", std::to_string(window)});
  if (found.exitStatus != 0) return false;
  // Lines of NAME=VALUE: WINDOW, X, Y, WIDTH, HEIGHT, SCREEN.
  std::istringstream lines(found.out);
  int seen = 0;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = line.substr(0, equals);
    int* field = name == "X" ? &rect.x : name == "Y" ? &rect.y : name == "WIDTH" ? &rect.width
               : name == "HEIGHT" ? &rect.height : nullptr;
    if (!field) continue;
    *field = std::atoi(line.c_str() + equals + 1);
    ++seen;
  }
  return seen == 4 && rect.width > 0 && rect.height > 0;
}

bool dragPointer(int fromX, int fromY, int toX, int toY) {
  // Intermediate moves, a moment apart, so that the program sees a drag and not a jump.
  std::vector<std::string> steps = {"mousemove", std::to_string(fromX), std::to_string(fromY), "mousedown", "1"};
  constexpr int kSteps = 4;
  for (int step = 1; step <= kSteps; ++step)
    steps.insert(steps.end(), {"sleep", "0.1", "mousemove", std::to_string(fromX + (toX - fromX) * step / kSteps),
                               std::to_string(fromY + (toY - fromY) * step / kSteps)});
  steps.insert(steps.end(), {"sleep", "0.1", "mouseup", "1"});
  return runChild("/usr/bin/xdotool", steps).exitStatus == 0;
}

bool takeScreenshot(const std::string& path) {
  // Always plain 8-bit RGB: a screen of few colours would otherwise be saved as a palette PNG.
  return runChild("/usr/bin/import", {"-window", "root", "png24:" + path}).exitStatus == 0;
}

}  // namespace qm::test
