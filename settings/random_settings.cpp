// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/random_settings.h"

#include "platform/random_generator.h"

namespace qm {

std::int32_t randomInt(std::int32_t lo, std::int32_t hi) {
  if (lo > hi) {
    const std::int32_t swapped = lo;
    lo = hi;
    hi = swapped;
  }
  // Wide arithmetic: the span of the extreme bounds does not fit 32 bits.
  const std::int64_t span = std::int64_t(hi) - lo;
  std::int64_t mask = 1;
  while (span > mask && mask != 2147483647) mask = mask * 2 + 1;
  for (;;) {
    const std::int32_t r = std::int16_t(nextRandom()) >> 4;
    const std::int64_t value = (r & mask) + lo;
    if (value <= hi) return std::int32_t(value);
  }
}

void randomizeSettings(InkSettings& settings) {
  UserValues& look = settings.look;
  look.angle = randomInt(0, 359);
  look.warping = randomInt(0, 100);
  look.style = randomInt(1, 25);
  look.lineWeight = randomInt(1, 5);
  look.scale = randomInt(1, 3);
  look.invertMode = randomInt(1, 4);
  look.blendMode = randomInt(1, 69);
  if (randomInt(0, 100) > 8) look.blendMode = 1;
  if (randomInt(0, 100) > 90) look.gray = randomInt(0, 1);
}

void applyRandomLook(InkSettings& settings) {
  randomizeSettings(settings);
  setText(settings.settingsName, kRandomSettingsName);
}

}  // namespace qm
