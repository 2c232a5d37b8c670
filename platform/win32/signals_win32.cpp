// SPDX-License-Identifier: LicenseRef-Quillmark
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <csignal>
#include <cstdlib>

#include "platform/signal_safe_path.h"
#include "platform/signals.h"

namespace qm::platform {
namespace {

SignalSafePath temporaryFile;
void (*interruptHandler)(int) = nullptr;

// The C runtime puts the default handler back before it calls ours: set ours again first,
// so that a second Ctrl-C reaches it too.
void onInterrupt(int signal) {
  std::signal(SIGINT, onInterrupt);
  interruptHandler(signal);
}

}  // namespace

void catchInterrupt(void (*handler)(int)) {
  interruptHandler = handler;
  std::signal(SIGINT, onInterrupt);
}

void catchTermination(void (*handler)(int)) {
  for (int signal : {SIGBREAK, SIGTERM}) std::signal(signal, handler);
}

bool rememberTemporaryFile(const std::string& path) { return temporaryFile.set(path); }

void forgetTemporaryFile() { temporaryFile.clear(); }

// The system runs the handlers of Ctrl-C and Ctrl-Break on a thread of their own while the
// writer may still hold the file open, in which case it cannot be removed: a best effort.
void exitAtOnce(int status) {
  if (const char* path = temporaryFile.get()) DeleteFileA(path);
  std::_Exit(status);
}

}  // namespace qm::platform
