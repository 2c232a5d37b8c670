// SPDX-License-Identifier: LicenseRef-Quillmark
// Running the Windows command under wine64 from the Linux tests, and looking at its windows
// on the X display (Xvfb) the tests run under.
#pragma once

#include <string>
#include <vector>

#include "tests/cli/run_command.h"

namespace qm::test {

// The Windows spelling of a Linux path, on wine's drive that maps the root folder.
std::string windowsPath(const std::string& path);

// Runs quillmark.exe of the Windows build with the arguments (file paths already converted).
ChildResult runWindowsCommand(const std::vector<std::string>& arguments, int timeoutSeconds = 180);
std::string windowsPluginPath();

// X display helpers. A window is found by its exact title; 0 when none shows up in time.
unsigned long waitForWindow(const std::string& title, int timeoutSeconds);
// Presses a key in whichever window has the focus.
bool pressKey(const std::string& key);
// The whole screen as a PNG file; true on success.
bool takeScreenshot(const std::string& path);

}  // namespace qm::test
