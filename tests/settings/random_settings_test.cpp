// SPDX-License-Identifier: LicenseRef-Quillmark
// Random looks and the random integer under them, checked against a model of the draw
// that is written here from the generator's formula alone.
#include <gtest/gtest.h>

#include <algorithm>
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

  int next() {
    state = state * 214013u + 2531011u;
    ++steps;
    return int((state >> 16) & 32767u);
  }
  // Bits 4..14 of a value, kept below the smallest all-ones mask that covers the span.
  std::int32_t draw(std::int32_t lo, std::int32_t hi) {
    ++draws;
    const std::uint32_t span = std::uint32_t(std::max(lo, hi) - std::min(lo, hi));
    const std::uint32_t mask = std::max<std::uint32_t>(1, std::bit_ceil(span + 1) - 1);
    for (;;) {
      const std::int32_t value = std::int32_t((std::uint32_t(next()) >> 4) & mask) + std::min(lo, hi);
      if (value <= std::max(lo, hi)) return value;
    }
  }
};

struct ModelLook {
  UserValues look;
  std::uint32_t stateAfter;
  int steps;
  int draws;
};

ModelLook modelRandomLook(std::uint32_t seed, const UserValues& before) {
  ModelGenerator generator{seed};
  UserValues look = before;
  look.angle = generator.draw(0, 359);
  look.warping = generator.draw(0, 100);
  look.style = generator.draw(1, 25);
  look.lineWeight = generator.draw(1, 5);
  look.scale = generator.draw(1, 3);
  look.invertMode = generator.draw(1, 4);
  look.blendMode = generator.draw(1, 69);
  if (generator.draw(0, 100) > 8) look.blendMode = 1;
  if (generator.draw(0, 100) > 90) look.gray = generator.draw(0, 1);
  return {look, generator.state, generator.steps, generator.draws};
}

InkSettings startingSettings() {
  InkSettings settings{};
  resetForRun(settings);
  settings.look.diameter = 123;
  settings.look.sharpen = 9;
  settings.look.gray = 1;
  return settings;
}

void expectSameLook(const UserValues& expected, const UserValues& actual, std::uint32_t seed) {
  EXPECT_EQ(actual.angle, expected.angle) << "seed " << seed;
  EXPECT_EQ(actual.warping, expected.warping) << "seed " << seed;
  EXPECT_EQ(actual.style, expected.style) << "seed " << seed;
  EXPECT_EQ(actual.lineWeight, expected.lineWeight) << "seed " << seed;
  EXPECT_EQ(actual.scale, expected.scale) << "seed " << seed;
  EXPECT_EQ(actual.invertMode, expected.invertMode) << "seed " << seed;
  EXPECT_EQ(actual.blendMode, expected.blendMode) << "seed " << seed;
  EXPECT_EQ(actual.gray, expected.gray) << "seed " << seed;
  EXPECT_EQ(actual.diameter, 123) << "the sharpening is never drawn";
  EXPECT_EQ(actual.sharpen, 9) << "the sharpening is never drawn";
}

TEST(RandomLook, FollowsTheDrawOrderFromEverySeed) {
  std::set<int> drawCounts;
  for (std::uint32_t seed = 0; seed < 400; ++seed) {
    InkSettings settings = startingSettings();
    const ModelLook expected = modelRandomLook(seed, settings.look);
    seedRandom(seed);
    applyRandomLook(settings);
    expectSameLook(expected.look, settings.look, seed);
    EXPECT_EQ(randomState(), expected.stateAfter) << "seed " << seed << ": the generator moved otherwise";
    EXPECT_STREQ(settings.settingsName, "random settings");
    drawCounts.insert(expected.draws);
  }
  EXPECT_EQ(drawCounts, (std::set<int>{9, 10})) << "both the kept and the redrawn gray were seen";
}

// Seeds whose draws were all accepted at once: the generator then moves exactly one step
// per draw, nine when gray stays and ten when it is redrawn.
TEST(RandomLook, MakesNineDrawsOrTenWhenGrayIsRedrawn) {
  for (const int wantedDraws : {9, 10}) {
    SCOPED_TRACE(wantedDraws);
    std::uint32_t seed = 0;
    const UserValues before = startingSettings().look;
    while (seed < 1000000) {
      const ModelLook model = modelRandomLook(seed, before);
      if (model.draws == wantedDraws && model.steps == wantedDraws) break;
      ++seed;
    }
    ASSERT_LT(seed, 1000000u) << "no such seed";
    std::uint32_t stepped = seed;
    for (int step = 0; step < wantedDraws; ++step) stepped = stepped * 214013u + 2531011u;

    InkSettings settings = startingSettings();
    seedRandom(seed);
    randomizeSettings(settings);
    EXPECT_EQ(randomState(), stepped) << "seed " << seed;
    if (wantedDraws == 9) {
      EXPECT_EQ(settings.look.gray, 1) << "gray is left as it was";
    }
  }
}

TEST(RandomInt, SingleValueAndSwappedBoundsFollowTheModel) {
  struct Case {
    std::int32_t lo, hi;
  };
  for (const Case c : {Case{5, 5}, Case{10, 1}, Case{-3, 3}, Case{0, 359}}) {
    std::set<std::int32_t> seen;
    for (std::uint32_t seed = 0; seed < 2000; ++seed) {
      ModelGenerator model{seed};
      const std::int32_t expected = model.draw(c.lo, c.hi);
      seedRandom(seed);
      const std::int32_t value = randomInt(c.lo, c.hi);
      ASSERT_EQ(value, expected) << c.lo << ".." << c.hi << " seed " << seed;
      ASSERT_EQ(randomState(), model.state) << c.lo << ".." << c.hi << " seed " << seed;
      seen.insert(value);
    }
    const std::int32_t lo = std::min(c.lo, c.hi), hi = std::max(c.lo, c.hi);
    EXPECT_EQ(*seen.begin(), lo);
    EXPECT_EQ(*seen.rbegin(), hi);
    EXPECT_EQ(seen.size(), std::size_t(hi - lo + 1)) << "every value in the range comes up";
  }
}

TEST(RandomInt, SingleValueTakesOneStepWhenTheFirstDrawFits) {
  // The mask of a span of 0 is 1, so an odd draw is redrawn; seed 0's first value is even.
  ModelGenerator model{0};
  ASSERT_EQ((model.next() >> 4) & 1, 0);
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
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  for (int i = 0; i < 100; ++i) {
    const std::int32_t value = randomInt(kMax, kMin);
    ASSERT_GE(value, kMin);
    ASSERT_LE(value, kMin + 2047);
  }
}

}  // namespace
}  // namespace qm
