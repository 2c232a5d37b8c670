// SPDX-License-Identifier: LicenseRef-Quillmark
// The small window that says how far an export is: a line saying what is being done and a
// percentage, over the dialog, while the dialog waits for the work.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace qm::ui {

class ProgressWindow {
 public:
  ProgressWindow() = default;
  ~ProgressWindow() { close(); }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Shows the window centred over `owner` with "0%"; an open one is brought to the front.
  void open(HWND owner, HMODULE module, const std::string& title, const std::string& doing);
  // Sets the percentage and lets the window paint it.
  void show(int percent);
  void close();

 private:
  HWND window_ = nullptr;
  int shown_ = -1;
};

}  // namespace qm::ui
