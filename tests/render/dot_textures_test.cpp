// SPDX-License-Identifier: LicenseRef-Quillmark
// The four dot textures: even spread of values, no seam where they tile, and dots that get
// fewer and larger from 146 to 150.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "render/dot_textures.h"

namespace qm {
namespace {

std::int32_t at(const std::uint8_t* texture, std::int32_t x, std::int32_t y) {
  const std::int32_t n = kDotTextureSize;
  return texture[std::size_t(((y % n + n) % n) * n + (x % n + n) % n)];
}

TEST(DotTextures, OnlyTheFourIdsExistAndEachIsMadeOnce) {
  for (const std::int32_t id : kDotTextureIds) {
    ASSERT_NE(dotTexture(id), nullptr) << id;
    EXPECT_EQ(dotTexture(id), dotTexture(id)) << "the same bytes every call";
  }
  for (const std::int32_t id : {0, 145, 147, 151, -146}) EXPECT_EQ(dotTexture(id), nullptr) << id;
  EXPECT_NE(std::vector<std::uint8_t>(dotTexture(146), dotTexture(146) + kDotTextureBytes),
            std::vector<std::uint8_t>(dotTexture(150), dotTexture(150) + kDotTextureBytes));
}

// Each value stands for 64 pixels, so the tile's equalisation has nothing to repair.
TEST(DotTextures, EveryValueOccursEquallyOften) {
  for (const std::int32_t id : kDotTextureIds) {
    std::array<std::int32_t, 256> count{};
    const std::uint8_t* texture = dotTexture(id);
    for (std::size_t i = 0; i < kDotTextureBytes; ++i) ++count[texture[i]];
    for (std::size_t v = 0; v < count.size(); ++v) ASSERT_EQ(count[v], 64) << "texture " << id << " value " << v;
  }
}

// Across the right/left and bottom/top edges the wrapped neighbours differ no more than
// neighbours inside do: for each line between two columns (or rows) the mean and the
// largest step along it; the wrapped line may not exceed the largest of the inner lines.
// (A generator whose distances do not wrap steps three to eight times as far there.)
struct LineSteps {
  double mean;
  std::int32_t largest;
};
LineSteps stepsAfter(const std::uint8_t* t, std::int32_t line, bool betweenColumns) {
  LineSteps steps{0, 0};
  for (std::int32_t i = 0; i < kDotTextureSize; ++i) {
    const std::int32_t step = betweenColumns ? std::abs(at(t, line, i) - at(t, line + 1, i))
                                             : std::abs(at(t, i, line) - at(t, i, line + 1));
    steps.mean += double(step) / kDotTextureSize;
    steps.largest = std::max(steps.largest, step);
  }
  return steps;
}

TEST(DotTextures, TileWithoutASeam) {
  const std::int32_t last = kDotTextureSize - 1;
  for (const std::int32_t id : kDotTextureIds) {
    for (const bool betweenColumns : {true, false}) {
      SCOPED_TRACE(testing::Message() << "texture " << id << (betweenColumns ? ", right to left" : ", bottom to top"));
      LineSteps inside{0, 0};
      for (std::int32_t line = 0; line < last; ++line) {
        const LineSteps steps = stepsAfter(dotTexture(id), line, betweenColumns);
        inside.mean = std::max(inside.mean, steps.mean);
        inside.largest = std::max(inside.largest, steps.largest);
      }
      const LineSteps wrapped = stepsAfter(dotTexture(id), last, betweenColumns);
      EXPECT_LE(wrapped.mean, inside.mean);
      EXPECT_LE(wrapped.largest, inside.largest);
    }
  }
}

// The dots as the darkest tenth of the values: separate round dots, fewer from fine to
// coarse. Dots are counted as 4-connected patches on the torus.
std::int32_t countDots(const std::uint8_t* texture, std::int32_t below) {
  const std::int32_t n = kDotTextureSize;
  std::vector<bool> seen(kDotTextureBytes, false);
  std::int32_t dots = 0;
  std::vector<std::int32_t> stack;
  for (std::int32_t start = 0; start < n * n; ++start) {
    if (seen[std::size_t(start)] || texture[start] >= below) continue;
    ++dots;
    stack.push_back(start);
    seen[std::size_t(start)] = true;
    while (!stack.empty()) {
      const std::int32_t p = stack.back();
      stack.pop_back();
      const std::int32_t x = p % n, y = p / n;
      for (const std::int32_t q : {y * n + (x + 1) % n, y * n + (x + n - 1) % n, ((y + 1) % n) * n + x,
                                   ((y + n - 1) % n) * n + x}) {
        if (seen[std::size_t(q)] || texture[q] >= below) continue;
        seen[std::size_t(q)] = true;
        stack.push_back(q);
      }
    }
  }
  return dots;
}

TEST(DotTextures, DotsGetFewerAndLargerFromFineToCoarse) {
  std::int32_t before = kDotTextureSize * kDotTextureSize;
  for (const std::int32_t id : kDotTextureIds) {
    const std::int32_t dots = countDots(dotTexture(id), 26);
    EXPECT_LT(dots, before) << "texture " << id;
    EXPECT_GT(dots, 20) << "texture " << id;
    before = dots;
  }
}

}  // namespace
}  // namespace qm
