// SPDX-License-Identifier: LicenseRef-Quillmark
// A path that a signal handler may read: kept in a fixed buffer that is filled before it is
// marked valid, so the handler needs no allocation and never sees half a path.
#pragma once

#include <atomic>
#include <csignal>
#include <cstring>
#include <string>

namespace qm::platform {

class SignalSafePath {
 public:
  // False, keeping nothing, for a path longer than the buffer.
  bool set(const std::string& path) {
    clear();
    if (path.size() >= sizeof text_) return false;
    std::memcpy(text_, path.c_str(), path.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);  // the text is complete before it counts
    valid_ = 1;
    return true;
  }
  void clear() {
    valid_ = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
  }
  // Null when no path is kept.
  const char* get() const { return valid_ ? text_ : nullptr; }

 private:
  char text_[4096] = {};
  volatile std::sig_atomic_t valid_ = 0;
};

}  // namespace qm::platform
