// SPDX-License-Identifier: LicenseRef-Quillmark
// The styles that diffuse the error of each ink/paper decision onto pixels not yet visited:
// diffusion, the variable-coefficient diffusion and the two three-row partial diffusions.
// All threshold at 128 and hand on the difference between the wanted density and the ink
// or paper actually stored. The error row's entries are 16 bits wide; they are read
// sign-extended and written back as their low 16 bits.
#include <algorithm>

#include "platform/random_generator.h"
#include "render/style_families.h"

namespace qm {
namespace {

struct Decision {
  bool paper;
  std::int32_t error;  // what the pixel still owes its neighbours
};

Decision threshold(std::int32_t value) { return value >= 128 ? Decision{false, value - 255} : Decision{true, value}; }

void store(StyleRowContext& context, std::int32_t x, const Decision& decision) {
  putInk(context, x, decision.error + 127, decision.paper ? 255 : 0, 0);
}

void addTo(std::int16_t& entry, std::int32_t amount) { entry = std::int16_t(entry + amount); }

// Hyper A and Hyper B: six neighbours over three rows get about an eighth of the error each
// and a quarter is dropped, which steepens the mid-tones. The error row holds three row
// blocks used in turn; each entry is zeroed when its pixel is visited, so a block is clean
// by the time it comes round again as the row after next.
void renderHyperRow(StyleRowContext& context, bool serpentine) {
  const std::int32_t last = context.state->lastColumn;
  const std::int32_t width = last + 1;
  const std::int32_t block = (context.row % 3 + 3) % 3;
  std::int16_t* here = context.state->errorRow + block * width;
  std::int16_t* below = context.state->errorRow + (block + 1) % 3 * width;
  std::int16_t* twoBelow = context.state->errorRow + (block + 2) % 3 * width;
  scanRow(context, serpentine, [&](std::int32_t x) {
    const std::int32_t d = context.direction;
    const std::int32_t x1 = std::clamp(x + d, 0, last);
    const std::int32_t x2 = std::clamp(x + 2 * d, 0, last);
    const std::int32_t xb = std::clamp(x - d, 0, last);
    const Decision decision = threshold(here[x] + densityAt(context, x));
    store(context, x, decision);
    const std::int32_t kept = decision.error * 3 / 4;
    const std::int32_t ahead = 2 * kept / 3;
    const std::int32_t down = kept - ahead;
    const std::int32_t ahead2 = ahead / 2;
    const std::int32_t behind = (ahead - ahead2) / 2;
    const std::int32_t ahead4 = ahead2 / 2;
    const std::int32_t down2 = down / 2;
    here[x] = 0;
    addTo(here[x1], ahead4);
    addTo(here[x2], ahead2 - ahead4);
    addTo(below[xb], behind);
    addTo(below[x], ahead - ahead2 - behind);
    addTo(below[x1], down2);
    addTo(twoBelow[x], down - down2);
  });
}

}  // namespace

// Each pixel takes a random mix of the error above it (12/32 to 19/32) and of the pixel
// before it; the randomness breaks up the regular textures of fixed weights.
void renderDiffusionRow(StyleRowContext& context) {
  std::int16_t* errors = context.state->errorRow;
  scanRow(context, true, [&](std::int32_t x) {
    const std::int32_t w = (nextRandom() & 7) + 12;
    const std::int32_t mixed = errors[x] * w + (32 - w) * context.previousError;
    const Decision decision = threshold(mixed / 32 + densityAt(context, x));
    store(context, x, decision);
    errors[x] = std::int16_t(decision.error);
    context.previousError = decision.error;
  });
}

// The weights depend on the density (symmetric about 127.5). The entry of the current column
// is read, then reused for the row below, so the order of the three updates matters: on a
// one-pixel row all three land on the same entry. The share behind is the remainder, so
// the rounding of the other two shares is not lost.
void renderOstromoukhovRow(StyleRowContext& context) {
  const std::int32_t last = context.state->lastColumn;
  std::int16_t* errors = context.state->errorRow;
  scanRow(context, true, [&](std::int32_t x) {
    const std::int32_t density = densityAt(context, x);
    const DiffusionWeights& weights = kOstromoukhovWeights[std::clamp(density <= 127 ? density : 255 - density, 0, 127)];
    const std::int32_t sum = weights.right + weights.downLeft + weights.down;
    const std::int32_t xc = std::clamp(x, 0, last);
    const std::int32_t xn = std::clamp(xc + context.direction, 0, last);
    const std::int32_t xb = std::clamp(xc - context.direction, 0, last);
    const Decision decision = threshold(errors[xc] + density);
    store(context, x, decision);
    const std::int32_t right = decision.error * weights.right / sum;
    const std::int32_t down = decision.error * weights.down / sum;
    addTo(errors[xn], right);
    errors[xc] = std::int16_t(down);
    addTo(errors[xb], decision.error - right - down);
  });
}

void renderHyperARow(StyleRowContext& context) { renderHyperRow(context, false); }
void renderHyperBRow(StyleRowContext& context) { renderHyperRow(context, true); }

}  // namespace qm
