// SPDX-License-Identifier: LicenseRef-Quillmark
#include "platform/random_generator.h"

namespace qm {
namespace {
thread_local std::uint32_t randomState = 1;
}

void seedRandom(std::uint32_t seed) { randomState = seed; }

int nextRandom() {
  randomState = randomState * 214013u + 2531011u;
  return int((randomState >> 16) & 32767u);
}

}  // namespace qm
