// SPDX-License-Identifier: LicenseRef-Quillmark
// Random looks and the random integer under them, checked against a model of the draw
// written here from the generator's formula alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <set>
#include <tuple>

#include "platform/random_generator.h"
#include "settings/random_settings.h"

namespace qm {
namespace {

struct ModelGenerator {
  std::uint32_t state;
  int steps = 0;
  int draws = 0;
  // Bits 4..14 of each value, under the smallest all-ones mask that covers the span.
  std::int32_t draw(std::int32_t a, std::int32_t b) {
    ++draws;
    const std::int32_t lo = std::min(a, b), hi = std::max(a, b);
    const std::uint32_t mask = std::max<std::uint32_t>(1, std::bit_ceil(std::uint32_t(hi - lo) + 1) - 1);
    for (;;) {
      state = state * 214013u + 2531011u;
      ++steps;
      if (const std::int32_t value = std::int32_t((state >> 20) & 2047 & mask) + lo; value <= hi) return value;
    }
  }
};

UserValues modelLook(ModelGenerator& generator, UserValues v) {
  // In this order, each over its whole range.
  for (const auto& [field, lo, hi] : {std::tuple{&UserValues::angle, 0, 359}, {&UserValues::warping, 0, 100},
                                      {&UserValues::style, 1, 25}, {&UserValues::lineWeight, 1, 5}, {&UserValues::scale, 1, 3},
                                      {&UserValues::invertMode, 1, 4}, {&UserValues::blendMode, 1, 69}})
    v.*field = generator.draw(lo, hi);
  if (generator.draw(0, 100) > 8) v.blendMode = 1;
  if (generator.draw(0, 100) > 90) v.gray = generator.draw(0, 1);
  return v;
}

TEST(RandomLook, FollowsTheDrawOrderFromEverySeed) {
  std::set<int> drawsTakenAtOnce;  // seeds whose every draw was kept: one step per draw
  for (std::uint32_t seed = 0; seed < 3000; ++seed) {
    InkSettings settings{};
    resetForRun(settings);
    settings.look.gray = 1;
    settings.look.diameter = 123;  // the sharpening is never drawn
    ModelGenerator model{seed};
    const UserValues expected = modelLook(model, settings.look);
    seedRandom(seed);
    applyRandomLook(settings);
    ASSERT_EQ(std::memcmp(&settings.look, &expected, sizeof expected), 0) << "seed " << seed;
    ASSERT_EQ(randomState(), model.state) << "seed " << seed << ": the generator moved otherwise";
    ASSERT_STREQ(settings.settingsName, "random settings");
    if (model.steps == model.draws) drawsTakenAtOnce.insert(model.draws);
  }
  EXPECT_EQ(drawsTakenAtOnce, (std::set<int>{9, 10})) << "nine draws, ten when gray is redrawn";
}

// The look's draws compared each span with the model; these are the odd ones. Only 11 bits
// of each value are used, so a wide span stops at lo + 2047 (the filter draws none).
TEST(RandomInt, OddSpans) {
  seedRandom(0);  // a span of 0 masks with 1, so only an even draw is taken: seed 0's first
  EXPECT_EQ(randomInt(5, 5), 5);
  EXPECT_EQ(randomState(), 2531011u);
  std::set<std::int32_t> seen, wide;
  for (int i = 0; i < 20000; ++i) {
    seen.insert(randomInt(10, 1));
    wide.insert(randomInt(0, 5000));
    const std::int32_t extreme = randomInt(INT32_MAX, INT32_MIN);
    ASSERT_TRUE(extreme >= INT32_MIN && extreme <= INT32_MIN + 2047) << extreme;
  }
  EXPECT_EQ(seen, (std::set<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(*wide.rbegin(), 2047);
}

}  // namespace
}  // namespace qm
