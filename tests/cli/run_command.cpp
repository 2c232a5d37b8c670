// SPDX-License-Identifier: LicenseRef-Quillmark
#include "tests/cli/run_command.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace qm::test {
namespace {

using Clock = std::chrono::steady_clock;

// Ours, less the variables the options remove or set, then the ones they set.
std::vector<std::string> environmentFor(const ChildOptions& options) {
  std::vector<std::string> environment;
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string name = std::string(*entry).substr(0, std::string(*entry).find('='));
    const auto setNamed = [&](const auto& pair) { return pair.first == name; };
    if (std::find(options.unset.begin(), options.unset.end(), name) == options.unset.end() &&
        std::none_of(options.set.begin(), options.set.end(), setNamed))
      environment.emplace_back(*entry);
  }
  for (const auto& [name, value] : options.set) environment.push_back(name + "=" + value);
  return environment;
}

// The null-terminated array that exec takes; it points into texts.
std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// In the child: its streams, SIGINT as an interactive shell leaves it whatever state the test
// runner was started in (blocked and pending when asked), then the program. Never returns; an
// exec that fails reports its errno through the pipe.
[[noreturn]] void becomeChild(char* const* argv, char* const* envp, int out, int err, int report, bool interrupt) {
  const int input = ::open("/dev/null", O_RDONLY);
  if (input < 0 || ::dup2(input, STDIN_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0 ||
      ::dup2(err, STDERR_FILENO) < 0) {
    _exit(127);
  }
  ::signal(SIGINT, SIG_DFL);
  sigset_t blocked;
  sigemptyset(&blocked);
  if (interrupt) sigaddset(&blocked, SIGINT);
  sigprocmask(SIG_SETMASK, &blocked, nullptr);
  if (interrupt) raise(SIGINT);
  ::execve(argv[0], argv, envp);
  const int error = errno;
  (void)!::write(report, &error, sizeof error);
  _exit(127);
}

// All that the child wrote to the file; the file is closed.
std::string takeContents(int file) {
  std::string text;
  char buffer[4096];
  for (ssize_t got = 0; (got = ::pread(file, buffer, sizeof buffer, off_t(text.size()))) > 0;)
    text.append(buffer, std::size_t(got));
  ::close(file);
  return text;
}

}  // namespace

ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildOptions& options) {
  ChildResult result;
  // Everything the child needs is made before fork: after it only async-signal-safe calls.
  std::vector<std::string> argv = arguments;
  argv.insert(argv.begin(), program);
  std::vector<std::string> environment = environmentFor(options);
  const std::vector<char*> argp = pointersTo(argv);
  const std::vector<char*> envp = pointersTo(environment);
  // What the child prints goes to files, which need no reading while it runs.
  const int out = ::memfd_create("stdout", MFD_CLOEXEC);
  const int err = ::memfd_create("stderr", MFD_CLOEXEC);
  int report[2] = {-1, -1};
  const pid_t child = out >= 0 && err >= 0 && ::pipe2(report, O_CLOEXEC) == 0 ? ::fork() : -1;
  if (child == 0) becomeChild(argp.data(), envp.data(), out, err, report[1], options.interruptAtStart);
  int error = child < 0 ? errno : 0;
  ::close(report[1]);
  // The pipe closes as the program starts, or brings the reason it could not.
  if (child > 0 && ::read(report[0], &error, sizeof error) != ssize_t(sizeof error)) error = 0;
  ::close(report[0]);
  const auto deadline = Clock::now() + options.timeout;
  bool signalled = options.signals.empty();
  int status = 0;
  rusage usage{};
  for (pid_t ended = child > 0 ? 0 : child; ended != child && !(ended < 0 && errno != EINTR);) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    // The options' signals once their moment has come, a moment apart so that each is handled
    // before the next.
    if (!signalled && !error && options.signalWhen(int(child))) {
      for (int signal : options.signals) {
        ::kill(child, signal);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      signalled = true;
    }
    if (!result.timedOut && Clock::now() > deadline) {
      result.timedOut = true;
      ::kill(child, SIGKILL);
    }
    ended = ::wait4(child, &status, WNOHANG, &usage);
  }
  if (child > 0 && WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  if (child > 0 && WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.peakKilobytes = usage.ru_maxrss;
  result.out = takeContents(out);
  result.err = takeContents(err);
  result.started = error == 0;
  if (error != 0) result.failure = "cannot run " + program + ": " + std::strerror(error);
  return result;
}

}  // namespace qm::test
