// SPDX-License-Identifier: LicenseRef-Quillmark
// The error-diffusion rows that carry the error ahead in registers must store what the plain
// steps store, one entry at a time: here each is run beside a plain model of its row, over
// irregular densities and error rows left by irregular rows before, on rows of every short
// length, in both scan directions and over parts of a row. The exact shares of the
// variable weights are checked for every 16-bit error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "render/share_division.h"
#include "tests/render/style_test_fixture.h"

namespace qm::test {
namespace {

constexpr std::int32_t kOstromoukhov = 20, kHyperA = 24, kHyperB = 25;

TEST(ShareDivision, EqualsTheTruncatedQuotientForEvery16BitErrorAndEveryWeightRow) {
  std::vector<std::pair<std::int32_t, std::int32_t>> pairs;  // weight, sum
  for (const DiffusionWeights& weights : kOstromoukhovWeights) {
    const std::int32_t sum = weights.right + weights.downLeft + weights.down;
    for (const std::int32_t weight : {std::int32_t(weights.right), std::int32_t(weights.down)})
      pairs.emplace_back(weight, sum);
  }
  // The edges of what it is made for: the largest sum with every weight share, a sum of one.
  const std::int32_t largest = ShareDivision::kLargestSum;
  for (const std::int32_t weight : {0, 1, largest / 2, largest - 1, largest}) pairs.emplace_back(weight, largest);
  pairs.emplace_back(1, 1);
  for (const auto& [weight, sum] : pairs) {
    const ShareDivision share(weight, sum);
    std::int32_t wrong = 0;
    for (std::int32_t error = -32768; error <= 32767; ++error)
      wrong += share.of(error) != error * weight / sum;
    EXPECT_EQ(wrong, 0) << weight << " / " << sum;
  }
}

// The row as the plain steps run it: every pixel reads and writes the error row in memory,
// with the shares by division.
void plainOstromoukhovRow(StyleRowContext& context) {
  const std::int32_t last = context.state->lastColumn;
  std::int16_t* errors = context.state->errorRow;
  scanRow(context, true, [&](std::int32_t x) {
    const std::int32_t density = densityAt(context, x);
    const DiffusionWeights& weights = kOstromoukhovWeights[std::clamp(density <= 127 ? density : 255 - density, 0, 127)];
    const std::int32_t sum = weights.right + weights.downLeft + weights.down;
    const std::int32_t xn = std::clamp(x + context.direction, 0, last);
    const std::int32_t xb = std::clamp(x - context.direction, 0, last);
    const std::int32_t value = errors[x] + density;
    const bool paper = value < 128;
    const std::int32_t error = paper ? value : value - 255;
    putInk(context, x, error + 127, paper ? 255 : 0, 0);
    const std::int32_t right = error * weights.right / sum;
    const std::int32_t down = error * weights.down / sum;
    errors[xn] = std::int16_t(errors[xn] + right);
    errors[x] = std::int16_t(down);
    errors[xb] = std::int16_t(errors[xb] + error - right - down);
  });
}

// Hyper A and B as the plain steps run them.
void plainHyperRow(StyleRowContext& context, bool serpentine) {
  const std::int32_t last = context.state->lastColumn;
  const std::int32_t width = last + 1;
  const std::int32_t block = (context.row % 3 + 3) % 3;
  std::int16_t* here = context.state->errorRow + block * width;
  std::int16_t* below = context.state->errorRow + (block + 1) % 3 * width;
  std::int16_t* twoBelow = context.state->errorRow + (block + 2) % 3 * width;
  const auto add = [](std::int16_t& entry, std::int32_t amount) { entry = std::int16_t(entry + amount); };
  scanRow(context, serpentine, [&](std::int32_t x) {
    const std::int32_t d = context.direction;
    const std::int32_t x1 = std::clamp(x + d, 0, last);
    const std::int32_t x2 = std::clamp(x + 2 * d, 0, last);
    const std::int32_t xb = std::clamp(x - d, 0, last);
    const std::int32_t value = here[x] + densityAt(context, x);
    const bool paper = value < 128;
    const std::int32_t error = paper ? value : value - 255;
    putInk(context, x, error + 127, paper ? 255 : 0, 0);
    const std::int32_t kept = error * 3 / 4;
    const std::int32_t ahead = 2 * kept / 3;
    const std::int32_t down = kept - ahead;
    const std::int32_t ahead2 = ahead / 2;
    const std::int32_t behind = (ahead - ahead2) / 2;
    const std::int32_t ahead4 = ahead2 / 2;
    const std::int32_t down2 = down / 2;
    here[x] = 0;
    add(here[x1], ahead4);
    add(here[x2], ahead2 - ahead4);
    add(below[xb], behind);
    add(below[x], ahead - ahead2 - behind);
    add(below[x1], down2);
    add(twoBelow[x], down - down2);
  });
}
void plainHyperARow(StyleRowContext& context) { plainHyperRow(context, false); }
void plainHyperBRow(StyleRowContext& context) { plainHyperRow(context, true); }

// Irregular but repeatable: an odd multiplier walks through every residue.
std::int32_t scrambled(std::int32_t i, std::int32_t range) { return std::int32_t((i * 2654435761u) >> 7) % range; }

struct RowCase {
  std::int32_t width;
  std::int32_t row;  // even rows scan forward, odd ones backward (but Hyper A)
  std::int32_t first;
  std::int32_t last;
};

std::vector<RowCase> rowCases() {
  std::vector<RowCase> cases;
  for (std::int32_t width = 1; width <= 9; ++width)
    for (const std::int32_t row : {4, 5, 6}) {  // each of the three error blocks
      cases.push_back({width, row, 0, width - 1});
      if (width >= 4) cases.push_back({width, row, 1, width - 2});     // a part, away from the edges
    }
  cases.push_back({64, 7, 0, 63});
  return cases;
}

// Renders the first rows of a picture with the style, then the case's row, with the given
// row function; the cells of that row and the whole error row afterwards. Odd seeds store
// the style's value (the gray setting), even ones ink or paper.
struct RowResult {
  std::vector<std::uint16_t> inks;
  std::vector<std::int16_t> errors;
  bool operator==(const RowResult&) const = default;
};

RowResult renderedRow(std::int32_t style, const RowCase& c, std::int32_t seed, StyleRowFunction row) {
  const UserValues look = seed % 2 ? withGray(styleLook(style)) : styleLook(style);
  StyleRender render(c.width, c.row + 1, look, row);
  render.fillTone([&](std::int32_t x, std::int32_t y) { return scrambled(seed + 31 * y + x, 256); });
  for (std::int32_t y = 0; y < c.row; ++y) render.renderRow(y);
  // Errors far from what a picture leaves, to reach the wrap of the 16-bit entries too.
  if (seed % 3 == 0)
    for (std::size_t i = 0; i < render.errorRowSize(); ++i)
      render.errorRow()[i] = std::int16_t(scrambled(seed + std::int32_t(i), 65536) - 32768);
  render.renderRow(c.row, c.first, c.last);
  RowResult result;
  for (std::int32_t x = 0; x < c.width; ++x) result.inks.push_back(render.cell(x, c.row).ink);
  result.errors.assign(render.errorRow(), render.errorRow() + render.errorRowSize());
  return result;
}

TEST(CarriedErrorRows, StoreWhatThePlainStepsStore) {
  const std::pair<std::int32_t, StyleRowFunction> styles[] = {
      {kOstromoukhov, plainOstromoukhovRow}, {kHyperA, plainHyperARow}, {kHyperB, plainHyperBRow}};
  for (const auto& [style, plain] : styles)
    for (const RowCase& c : rowCases())
      for (const std::int32_t seed : {1, 2, 3, 40, 41, 42}) {
        EXPECT_EQ(renderedRow(style, c, seed, nullptr), renderedRow(style, c, seed, plain))
            << "style " << style << ", width " << c.width << ", row " << c.row << ", columns " << c.first << ".."
            << c.last << ", seed " << seed;
      }
}

}  // namespace
}  // namespace qm::test
