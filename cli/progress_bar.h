// SPDX-License-Identifier: LicenseRef-Quillmark
// A progress bar on the terminal for long renders: it appears only after half a second,
// only when the standard error stream is a terminal, and is wiped when the render ends.
#pragma once

#include <chrono>
#include <cstdint>

namespace qm::cli {

class ProgressBar {
 public:
  explicit ProgressBar(bool enabled);
  ~ProgressBar();
  void update(std::int32_t done, std::int32_t total);
  void finish();

 private:
  bool enabled_;
  bool shown_ = false;
  int lastPercent_ = -1;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace qm::cli
