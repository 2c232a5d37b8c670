// SPDX-License-Identifier: LicenseRef-Quillmark
// Random looks and the random integer under them, checked against a model of the draw
// written here from the generator's formula alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <set>

#include "platform/random_generator.h"
#include "settings/random_settings.h"

namespace qm {
namespace {

// The generator by its formula, counting its steps and the draws made from it.
struct ModelGenerator {
  std::uint32_t state;
  int steps = 0;
  int draws = 0;

  std::uint32_t next() {
    state = state * 214013u + 2531011u;
    ++steps;
    return (state >> 16) & 32767u;
  }
  // Bits 4..14 of a value, kept below the smallest all-ones mask that covers the span.
  std::int32_t draw(std::int32_t a, std::int32_t b) {
    ++draws;
    const std::int32_t lo = std::min(a, b), hi = std::max(a, b);
    const std::uint32_t mask = std::max<std::uint32_t>(1, std::bit_ceil(std::uint32_t(hi - lo) + 1) - 1);
    for (;;)
      if (const std::int32_t value = std::int32_t((next() >> 4) & mask) + lo; value <= hi) return value;
  }
};

using Look = std::array<std::int32_t, 10>;
Look asArray(const UserValues& v) {
  return {v.angle, v.warping, v.style, v.lineWeight, v.scale, v.invertMode, v.blendMode, v.gray, v.diameter, v.sharpen};
}

Look modelLook(ModelGenerator& generator, UserValues look) {
  look.angle = generator.draw(0, 359);
  look.warping = generator.draw(0, 100);
  look.style = generator.draw(1, 25);
  look.lineWeight = generator.draw(1, 5);
  look.scale = generator.draw(1, 3);
  look.invertMode = generator.draw(1, 4);
  look.blendMode = generator.draw(1, 69);
  if (generator.draw(0, 100) > 8) look.blendMode = 1;
  if (generator.draw(0, 100) > 90) look.gray = generator.draw(0, 1);
  return asArray(look);
}

InkSettings startingSettings() {
  InkSettings settings{};
  resetForRun(settings);
  settings.look.diameter = 123;  // the sharpening is never drawn, so these must stay
  settings.look.sharpen = 9;
  settings.look.gray = 1;
  return settings;
}

TEST(RandomLook, FollowsTheDrawOrderFromEverySeed) {
  std::set<int> drawCounts;
  for (std::uint32_t seed = 0; seed < 400; ++seed) {
    InkSettings settings = startingSettings();
    ModelGenerator model{seed};
    const Look expected = modelLook(model, settings.look);
    seedRandom(seed);
    applyRandomLook(settings);
    ASSERT_EQ(asArray(settings.look), expected) << "seed " << seed;
    ASSERT_EQ(randomState(), model.state) << "seed " << seed << ": the generator moved otherwise";
    ASSERT_STREQ(settings.settingsName, "random settings");
    drawCounts.insert(model.draws);
  }
  EXPECT_EQ(drawCounts, (std::set<int>{9, 10})) << "both the kept and the redrawn gray were seen";
}

// Seeds whose draws were all taken at once: the generator then moves one step per draw,
// nine when gray stays and ten when it is redrawn.
TEST(RandomLook, MakesNineDrawsOrTenWhenGrayIsRedrawn) {
  for (const int wanted : {9, 10}) {
    const auto takesExactlyWanted = [&](std::uint32_t seed) {
      ModelGenerator model{seed};
      modelLook(model, startingSettings().look);
      return model.draws == wanted && model.steps == wanted;
    };
    std::uint32_t seed = 0;
    while (seed < 1000000 && !takesExactlyWanted(seed)) ++seed;
    ASSERT_LT(seed, 1000000u) << wanted;
    std::uint32_t stepped = seed;
    for (int step = 0; step < wanted; ++step) stepped = stepped * 214013u + 2531011u;
    seedRandom(seed);
    InkSettings settings = startingSettings();
    randomizeSettings(settings);
    EXPECT_EQ(randomState(), stepped) << wanted << " draws from seed " << seed;
  }
}

TEST(RandomInt, SingleValuesAndSwappedBoundsFollowTheModel) {
  for (const auto& [a, b] : {std::pair{5, 5}, {10, 1}, {-3, 3}, {0, 359}}) {
    std::set<std::int32_t> seen;
    for (std::uint32_t seed = 0; seed < 2000; ++seed) {
      ModelGenerator model{seed};
      const std::int32_t expected = model.draw(a, b);
      seedRandom(seed);
      ASSERT_EQ(randomInt(a, b), expected) << a << ".." << b << " seed " << seed;
      ASSERT_EQ(randomState(), model.state) << a << ".." << b << " seed " << seed;
      seen.insert(expected);
    }
    EXPECT_EQ(seen.size(), std::size_t(std::abs(a - b) + 1)) << "every value in " << a << ".." << b << " comes up";
  }
  // A span of 0 has the mask 1, so an odd draw is redrawn; seed 0's first draw is even and
  // is the only one taken.
  seedRandom(0);
  EXPECT_EQ(randomInt(5, 5), 5);
  EXPECT_EQ(randomState(), 2531011u);
}

TEST(RandomInt, WideSpansNeverPassElevenBits) {
  // Only 11 bits of each value are used, so a wide span stops at lo + 2047; the filter
  // itself draws no such span.
  seedRandom(7);
  std::int32_t highest = 0;
  for (int i = 0; i < 20000; ++i) highest = std::max(highest, randomInt(0, 5000));
  EXPECT_EQ(highest, 2047);
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  for (int i = 0; i < 100; ++i) {
    const std::int32_t value = randomInt(std::numeric_limits<std::int32_t>::max(), kMin);
    ASSERT_TRUE(value >= kMin && value <= kMin + 2047) << value;
  }
}

}  // namespace
}  // namespace qm
