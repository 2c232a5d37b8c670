// SPDX-License-Identifier: LicenseRef-Quillmark
// The 15-bit pseudo-random generator of the runtime: state = state * 214013 + 2531011,
// result = (state >> 16) & 32767. One state per thread; every thread starts at 1, and the
// host's thread is seeded at every prepare.
//
// The draws are inline and the state is reached straight from the thread pointer: the
// noisier styles draw once or more per pixel, and a shared library's thread-local storage
// otherwise costs a call into the loader per draw, more than the draw itself.
#pragma once

#include <cstdint>

namespace qm {

namespace detail {
#if defined(__ELF__)
// Hidden: each library keeps its own state, so that the plug-in's draws never share one with
// a host built from the same code (an exported thread-local would be bound to a single copy
// across the process).
#define QM_RANDOM_STATE_ATTRIBUTES __attribute__((visibility("hidden"), tls_model("initial-exec")))
#else
#define QM_RANDOM_STATE_ATTRIBUTES
#endif
extern constinit thread_local std::uint32_t randomState QM_RANDOM_STATE_ATTRIBUTES;
}  // namespace detail

inline void seedRandom(std::uint32_t seed) { detail::randomState = seed; }

inline int nextRandom() {  // 0..32767
  const std::uint32_t state = detail::randomState * 214013u + 2531011u;
  detail::randomState = state;
  return int((state >> 16) & 32767u);
}

// The calling thread's state, so that work run on this thread for a moment (a task that
// starts from state 1) can hand it back untouched with seedRandom.
inline std::uint32_t randomState() { return detail::randomState; }

}  // namespace qm
