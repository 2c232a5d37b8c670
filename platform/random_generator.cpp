// SPDX-License-Identifier: LicenseRef-Quillmark
#include "platform/random_generator.h"

namespace qm {
namespace {
thread_local std::uint32_t state = 1;
}

void seedRandom(std::uint32_t seed) { state = seed; }

int nextRandom() {
  state = state * 214013u + 2531011u;
  return int((state >> 16) & 32767u);
}

std::uint32_t randomState() { return state; }

}  // namespace qm
