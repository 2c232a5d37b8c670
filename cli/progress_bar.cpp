// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/progress_bar.h"

#include <algorithm>
#include <cstdio>

#include "platform/file_system.h"

namespace qm::cli {

ProgressBar::ProgressBar(bool enabled)
    : enabled_(enabled && platform::isTerminal(stderr)), start_(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(std::int32_t done, std::int32_t total) {
  if (!enabled_ || total <= 0) return;
  if (!shown_ && std::chrono::steady_clock::now() - start_ < std::chrono::milliseconds(500)) return;
  const int percent = int(std::clamp<std::int64_t>(std::int64_t(done) * 100 / total, 0, 100));
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  shown_ = true;
  constexpr int kWidth = 40;
  char bar[kWidth + 1];
  const int filled = percent * kWidth / 100;
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = '\0';
  std::fprintf(stderr, "\rrendering [%s] %3d%%", bar, percent);
  std::fflush(stderr);
}

void ProgressBar::finish() {
  if (!shown_) return;
  std::fprintf(stderr, "\r%60s\r", "");
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace qm::cli
