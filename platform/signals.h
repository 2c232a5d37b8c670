// SPDX-License-Identifier: LicenseRef-Quillmark
// The signals that stop the command from outside, and how it leaves when one comes: at
// once, without the partial file it was writing.
#pragma once

#include <string>

namespace qm::platform {

// Ctrl-C: calls handler from the signal. A process started with the signal ignored (a
// background job) keeps ignoring it; a signal blocked by whoever started us is let through.
void catchInterrupt(void (*handler)(int));
// The other signals that end a process from outside (SIGTERM, SIGHUP, SIGQUIT and their
// kind; Ctrl-Break and SIGTERM on Windows), alike: the handler gets the signal's number and
// should leave through exitAtOnce. Ignored signals stay ignored, as nohup wants.
void catchTermination(void (*handler)(int));

// The temporary file being written, which exitAtOnce removes: a signal that ends the
// command while it writes must not leave a partial file behind. One file at a time; false,
// keeping nothing, for a path too long to keep. Forget it once it is renamed or removed.
bool rememberTemporaryFile(const std::string& path);
void forgetTemporaryFile();
// Ends the process with status at once, also from a signal handler: removes the remembered
// temporary file and runs no destructors or exit handlers.
[[noreturn]] void exitAtOnce(int status);

}  // namespace qm::platform
