// SPDX-License-Identifier: LicenseRef-Quillmark
// Runs a program as a child process, without a shell, and collects what it printed and how
// it ended, so the tests can treat the quillmark command as a user does.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {

struct ChildOptions {
  // The child is killed when it runs longer; a hung command fails its test, not the suite.
  std::chrono::milliseconds timeout{60000};
  // The child starts with SIGINT blocked and already pending, as if Ctrl-C came the moment
  // it started; it sees the signal as soon as it unblocks it.
  bool interruptAtStart = false;
  // Environment variables removed from, or set in, the child's copy of ours.
  std::vector<std::string> unset = {};
  std::vector<std::pair<std::string, std::string>> set = {};
  // Once signalWhen(the child's process id) holds (it is asked every few milliseconds), these
  // signals go to the child in order, a moment apart, so that each is handled before the next.
  std::function<bool(int)> signalWhen = nullptr;
  std::vector<int> signals = {};
};

struct ChildResult {
  bool started = false;  // false: fork or exec failed, see failure
  bool timedOut = false;
  int exitStatus = -1;   // the status passed to exit, when the child exited
  int signal = 0;        // the signal that ended the child, when one did
  long peakKilobytes = 0;  // the most memory the child held, counting what it shared with us
                           // from the fork until it started the program
  std::string out;
  std::string err;
  std::string failure;
};

// Runs program with arguments (argv[0] is program), stdin from /dev/null.
ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildOptions& options = {});

}  // namespace qm::test
