// SPDX-License-Identifier: LicenseRef-Quillmark
// The 15-bit pseudo-random generator of the runtime: state = state * 214013 + 2531011,
// result = (state >> 16) & 32767. One state per thread; every thread starts at 1, and the
// host's thread is seeded at every prepare.
#pragma once

#include <cstdint>

namespace qm {

void seedRandom(std::uint32_t seed);
int nextRandom();  // 0..32767

// The calling thread's state, so that work run on this thread for a moment (a task that
// starts from state 1) can hand it back untouched with seedRandom.
std::uint32_t randomState();

}  // namespace qm
