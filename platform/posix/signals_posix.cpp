// SPDX-License-Identifier: LicenseRef-Quillmark
#include <unistd.h>

#include <csignal>

#include "platform/signal_safe_path.h"
#include "platform/signals.h"

namespace qm::platform {
namespace {

SignalSafePath temporaryFile;

// An ignored signal stays ignored; one blocked by whoever started us is let through.
void catchSignal(int signal, void (*handler)(int)) {
  struct sigaction previous {};
  if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return;
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(signal, &action, nullptr);
  sigset_t unblocked;
  sigemptyset(&unblocked);
  sigaddset(&unblocked, signal);
  ::sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);
}

}  // namespace

void catchInterrupt(void (*handler)(int)) { catchSignal(SIGINT, handler); }

void catchTermination(void (*handler)(int)) {
  for (int signal : {SIGHUP, SIGQUIT, SIGTERM, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ})
    catchSignal(signal, handler);
}

bool rememberTemporaryFile(const std::string& path) { return temporaryFile.set(path); }

void forgetTemporaryFile() { temporaryFile.clear(); }

// unlink and _exit are safe in a signal handler.
void exitAtOnce(int status) {
  if (const char* path = temporaryFile.get()) ::unlink(path);
  ::_exit(status);
}

}  // namespace qm::platform
