// SPDX-License-Identifier: LicenseRef-Quillmark
#include "tests/cli/run_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
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

class Pipe {
 public:
  Pipe() {
    if (::pipe2(ends_, O_CLOEXEC) != 0) ends_[0] = ends_[1] = -1;
  }
  ~Pipe() {
    closeEnd(0);
    closeEnd(1);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool valid() const { return ends_[0] >= 0; }
  int read() const { return ends_[0]; }
  int write() const { return ends_[1]; }
  void closeWrite() { closeEnd(1); }

 private:
  void closeEnd(int which) {
    if (ends_[which] >= 0) ::close(ends_[which]);
    ends_[which] = -1;
  }
  int ends_[2] = {-1, -1};
};

// Everything the child needs, built before fork: after it only async-signal-safe calls.
struct ExecPlan {
  std::vector<std::string> argumentText;
  std::vector<std::string> environmentText;
  std::vector<char*> argv;
  std::vector<char*> envp;
};

bool dropped(const std::string& entry, const ChildOptions& options) {
  const std::string name = entry.substr(0, entry.find('='));
  auto named = [&](const std::string& n) { return n == name; };
  auto setNamed = [&](const auto& pair) { return pair.first == name; };
  return std::any_of(options.unset.begin(), options.unset.end(), named) ||
         std::any_of(options.set.begin(), options.set.end(), setNamed);
}

ExecPlan planFor(const std::string& program, const std::vector<std::string>& arguments,
                 const ChildOptions& options) {
  ExecPlan plan;
  plan.argumentText.push_back(program);
  plan.argumentText.insert(plan.argumentText.end(), arguments.begin(), arguments.end());
  for (char** entry = environ; entry && *entry; ++entry)
    if (!dropped(*entry, options)) plan.environmentText.emplace_back(*entry);
  for (const auto& [name, value] : options.set) plan.environmentText.push_back(name + "=" + value);
  for (std::string& text : plan.argumentText) plan.argv.push_back(text.data());
  for (std::string& text : plan.environmentText) plan.envp.push_back(text.data());
  plan.argv.push_back(nullptr);
  plan.envp.push_back(nullptr);
  return plan;
}

// In the child: its streams, a known signal state, then the program. Never returns.
[[noreturn]] void becomeChild(const ExecPlan& plan, const Pipe& out, const Pipe& err, const Pipe& failed,
                              bool interrupt) {
  const int input = ::open("/dev/null", O_RDONLY);
  if (input < 0 || ::dup2(input, STDIN_FILENO) < 0 || ::dup2(out.write(), STDOUT_FILENO) < 0 ||
      ::dup2(err.write(), STDERR_FILENO) < 0) {
    _exit(127);
  }
  // SIGINT as an interactive shell leaves it, whatever state the test runner was started in.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  sigaction(SIGINT, &byDefault, nullptr);
  sigset_t blocked;
  sigemptyset(&blocked);
  if (interrupt) sigaddset(&blocked, SIGINT);
  sigprocmask(SIG_SETMASK, &blocked, nullptr);
  if (interrupt) raise(SIGINT);
  ::execve(plan.argv[0], plan.argv.data(), plan.envp.data());
  const int error = errno;
  (void)!::write(failed.write(), &error, sizeof error);
  _exit(127);
}

// Sends the options' signals once their moment has come; false while it is still awaited.
bool signalIfDue(pid_t child, const ChildOptions& options, bool& sent) {
  if (sent || options.signals.empty()) return true;
  if (!options.signalWhen(int(child))) return false;
  for (int signal : options.signals) {
    ::kill(child, signal);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return sent = true;
}

// Reads both streams until they close or the deadline passes; false on timeout.
bool collect(int outFd, int errFd, Clock::time_point deadline, const std::function<bool()>& signalled,
             ChildResult& result) {
  pollfd streams[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  while (streams[0].fd >= 0 || streams[1].fd >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    const int wait = signalled() ? 1000 : 2;
    const int ready = ::poll(streams, 2, int(std::min<long long>(left.count(), wait)));
    if (ready < 0 && errno != EINTR) return false;
    for (int i = 0; i < 2; ++i) {
      if (streams[i].fd < 0 || !(streams[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[4096];
      const ssize_t got = ::read(streams[i].fd, buffer, sizeof buffer);
      if (got > 0) sinks[i]->append(buffer, std::size_t(got));
      else if (got == 0 || errno != EINTR) streams[i].fd = -1;
    }
  }
  return true;
}

// How the child ended, and the most memory it held.
void waitFor(pid_t child, ChildResult& result) {
  int status = 0;
  rusage usage{};
  while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.peakKilobytes = usage.ru_maxrss;
}

}  // namespace

ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildOptions& options) {
  ChildResult result;
  const ExecPlan plan = planFor(program, arguments, options);
  Pipe out, err, failed;
  if (!out.valid() || !err.valid() || !failed.valid()) {
    result.failure = std::string("pipe: ") + std::strerror(errno);
    return result;
  }
  const auto deadline = Clock::now() + options.timeout;
  const pid_t child = ::fork();
  if (child < 0) {
    result.failure = std::string("fork: ") + std::strerror(errno);
    return result;
  }
  if (child == 0) becomeChild(plan, out, err, failed, options.interruptAtStart);
  out.closeWrite();
  err.closeWrite();
  failed.closeWrite();
  bool sent = false;
  if (!collect(out.read(), err.read(), deadline, [&] { return signalIfDue(child, options, sent); }, result)) {
    result.timedOut = true;
    ::kill(child, SIGKILL);
  }
  waitFor(child, result);
  int execError = 0;
  if (::read(failed.read(), &execError, sizeof execError) == ssize_t(sizeof execError)) {
    result.failure = "cannot run " + program + ": " + std::strerror(execError);
    return result;
  }
  result.started = true;
  return result;
}

}  // namespace qm::test
