// SPDX-License-Identifier: LicenseRef-Quillmark
// Running the Windows command under wine64 from the Linux tests, and looking at its windows
// on the X display (Xvfb) the tests run under.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/run_command.h"

namespace qm::test {

// The Windows spelling of a Linux path, on wine's drive that maps the root folder.
std::string windowsPath(const std::string& path);

// Runs quillmark.exe of the Windows build with the arguments (file paths already converted).
ChildResult runWindowsCommand(const std::vector<std::string>& arguments, int timeoutSeconds = 180);
std::string windowsPluginPath();

// quillmark.exe run on a thread of its own while the test works its windows. The command
// has always ended once this is gone: one still running then is killed, so a failed check
// never leaves it behind.
class BackgroundWindowsCommand {
 public:
  explicit BackgroundWindowsCommand(const std::vector<std::string>& arguments, int timeoutSeconds = 120);
  ~BackgroundWindowsCommand();
  BackgroundWindowsCommand(const BackgroundWindowsCommand&) = delete;
  BackgroundWindowsCommand& operator=(const BackgroundWindowsCommand&) = delete;
  bool ended() const { return ended_; }
  // How it ended, waiting for it up to graceSeconds and killing it after that.
  const ChildResult& finish(int graceSeconds);

 private:
  std::atomic<bool> ended_{false};
  std::atomic<bool> kill_{false};
  ChildResult result_;
  std::thread thread_;
};

// X display helpers. A window is found by its exact title; 0 when none shows up in time.
unsigned long waitForWindow(const std::string& title, int timeoutSeconds);
// Presses a key in whichever window has the focus.
bool pressKey(const std::string& key);

// A window's place on the screen, in pixels. Under Xvfb no window manager frames wine's
// windows, so a dialog's X window is its client area, without caption or border.
struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const ScreenRect&) const = default;
};
bool windowRect(unsigned long window, ScreenRect& rect);
// Presses the left button at one point, moves to another in a few steps, and lets go.
bool dragPointer(int fromX, int fromY, int toX, int toY);
// The whole screen as a PNG file; true on success.
bool takeScreenshot(const std::string& path);

}  // namespace qm::test
