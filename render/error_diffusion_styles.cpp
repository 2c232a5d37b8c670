// SPDX-License-Identifier: LicenseRef-Quillmark
// The styles that diffuse the error of each ink/paper decision onto pixels not yet visited:
// diffusion, the variable-coefficient diffusion and the two three-row partial diffusions.
// All threshold at 128 and hand on the difference between the wanted density and the ink
// or paper actually stored. The error row's entries are 16 bits wide; they are read
// sign-extended and written back as their low 16 bits.
#include <algorithm>
#include <array>
#include <cstddef>

#include "platform/random_generator.h"
#include "render/share_division.h"
#include "render/style_families.h"

namespace qm {
namespace {

struct Decision {
  bool paper;
  std::int32_t error;  // what the pixel still owes its neighbours
};

// Without a branch: in the mid-tones ink and paper alternate too irregularly to be guessed.
Decision threshold(std::int32_t value) {
  const std::int32_t inkMask = -std::int32_t(value >= 128);
  return Decision{inkMask == 0, value - (inkMask & 255)};
}

void store(StyleRowContext& context, std::int32_t x, const Decision& decision) {
  putInk(context, x, decision.error + 127, decision.paper ? 255 : 0, 0);
}

void addTo(std::int16_t& entry, std::int32_t amount) { entry = std::int16_t(entry + amount); }

// A row's columns in scan order: from start to end in steps of `step`.
struct ScanSpan {
  std::int32_t start;
  std::int32_t end;
  std::int32_t step;
  bool empty;
  // Columns after the start.
  std::int32_t length() const { return (end - start) * step; }
};

// As scanRow visits them: the task's columns inside the error row, odd rows backward for
// serpentine scans.
ScanSpan scanSpan(StyleRowContext& context, bool serpentine) {
  const std::int32_t first = std::max(context.first, 0);
  const std::int32_t last = std::min(context.last, context.state->lastColumn);
  const std::int32_t step = serpentine && scansBackward(context) ? -1 : 1;
  context.direction = step;
  return {step > 0 ? first : last, step > 0 ? last : first, step, first > last};
}

// The rows below carry their entries in registers and store their cells directly, which
// they may when every column of the span has its cell in the task's band.
bool insideBand(const StyleRowContext& context, const ScanSpan& span) {
  const std::int32_t low = std::min(span.start, span.end);
  const std::int32_t high = std::max(span.start, span.end);
  return context.rowCells && low >= context.cellLeft && high < context.cellLeft + context.cellCount;
}

// Runs the whole span with the plain steps when it has too few columns for the carried
// ones (each needs `reach` columns of the row after it, and one before) or does not lie in
// the band; false when the carried steps are to run.
template <class Step>
bool ranPlainly(const StyleRowContext& context, const ScanSpan& span, std::int32_t reach, Step plainStep) {
  if (span.length() > reach && insideBand(context, span)) return false;
  for (std::int32_t x = span.start; x != span.end + span.step; x += span.step) plainStep(x);
  return true;
}

// What putInk stores for a decision of these styles, worked out once a row: they pass it
// grey 0, so only the dark region's invert flag could apply.
class DecisionInk {
 public:
  explicit DecisionInk(const RenderState& state)
      : gray_(state.grayOutput != 0), paper_(state.invertDarkRegion ? 0 : 255), ink_(255 - paper_) {}

  std::uint16_t of(const Decision& decision) const {
    if (gray_) return std::uint16_t(std::clamp(decision.error + 127, 0, 255));
    return std::uint16_t(decision.paper ? paper_ : ink_);
  }

 private:
  bool gray_;
  std::int32_t paper_;
  std::int32_t ink_;
};

// Hyper A and Hyper B: six neighbours over three rows get about an eighth of the error each
// and a quarter is dropped, which steepens the mid-tones. The error row holds three row
// blocks used in turn; each entry is zeroed when its pixel is visited, so a block is clean
// by the time it comes round again as the row after next.
struct HyperShares {
  std::int32_t ahead;       // the next pixel on the row
  std::int32_t twoAhead;    // the one after
  std::int32_t behind;      // the row below: behind, under and ahead
  std::int32_t under;
  std::int32_t belowAhead;
  std::int32_t twoBelow;    // two rows below, under
};

HyperShares hyperShares(std::int32_t error) {
  const std::int32_t kept = error * 3 / 4;
  const std::int32_t ahead = 2 * kept / 3;
  const std::int32_t down = kept - ahead;
  const std::int32_t ahead2 = ahead / 2;
  const std::int32_t behind = (ahead - ahead2) / 2;
  const std::int32_t ahead4 = ahead2 / 2;
  const std::int32_t down2 = down / 2;
  return {ahead4, ahead2 - ahead4, behind, ahead - ahead2 - behind, down2, down - down2};
}

// The shares by the value a pixel sums to (its entry and its density), for the values
// pictures give (entries hold a few eighths of nearby errors): a table read is shorter
// than the divisions that make them, and the share of the next pixel is all that leads
// from one pixel to the next.
class HyperShareTable {
 public:
  HyperShareTable() {
    for (std::size_t i = 0; i < shares_.size(); ++i) {
      const HyperShares shares = hyperShares(threshold(std::int32_t(i) + kLowest).error);
      shares_[i] = {std::int16_t(shares.ahead),  std::int16_t(shares.twoAhead),   std::int16_t(shares.behind),
                    std::int16_t(shares.under), std::int16_t(shares.belowAhead), std::int16_t(shares.twoBelow)};
    }
  }
  HyperShares of(std::int32_t value) const {
    const std::uint32_t slot = std::uint32_t(value - kLowest);
    if (__builtin_expect(slot >= shares_.size(), 0)) return hyperShares(threshold(value).error);
    const Packed& shares = shares_[slot];
    return {shares.ahead, shares.twoAhead, shares.behind, shares.under, shares.belowAhead, shares.twoBelow};
  }

 private:
  struct Packed {
    std::int16_t ahead, twoAhead, behind, under, belowAhead, twoBelow;
  };
  static constexpr std::int32_t kLowest = -512;
  std::array<Packed, 1280> shares_{};
};

// As in the variable-weight diffusion below, the entries a pixel reaches on this row and
// the next are carried in registers inside the row; the ends, where entries meet, take the
// plain steps.
void renderHyperRow(StyleRowContext& context, bool serpentine) {
  const std::int32_t last = context.state->lastColumn;
  const std::int32_t width = last + 1;
  const std::int32_t block = (context.row % 3 + 3) % 3;
  std::int16_t* here = context.state->errorRow + block * width;
  std::int16_t* below = context.state->errorRow + (block + 1) % 3 * width;
  std::int16_t* twoBelow = context.state->errorRow + (block + 2) % 3 * width;
  const auto plainStep = [&](std::int32_t x) {
    const std::int32_t d = context.direction;
    const std::int32_t x1 = std::clamp(x + d, 0, last);
    const std::int32_t x2 = std::clamp(x + 2 * d, 0, last);
    const std::int32_t xb = std::clamp(x - d, 0, last);
    const Decision decision = threshold(here[x] + densityAt(context, x));
    store(context, x, decision);
    const HyperShares shares = hyperShares(decision.error);
    here[x] = 0;
    addTo(here[x1], shares.ahead);
    addTo(here[x2], shares.twoAhead);
    addTo(below[xb], shares.behind);
    addTo(below[x], shares.under);
    addTo(below[x1], shares.belowAhead);
    addTo(twoBelow[x], shares.twoBelow);
  };
  const ScanSpan span = scanSpan(context, serpentine);
  if (span.empty || ranPlainly(context, span, 2, plainStep)) return;
  const std::int32_t d = span.step;
  plainStep(span.start);
  const DecisionInk ink(*context.state);
  std::int32_t next = here[span.start + d];
  std::int32_t afterNext = here[span.start + 2 * d];
  std::int32_t belowBehind = below[span.start];
  std::int32_t belowUnder = below[span.start + d];
  static const HyperShareTable shareTable;
  for (std::int32_t x = span.start + d; x != span.end - d; x += d) {
    const std::int32_t value = next + densityAt(context, x);
    const Decision decision = threshold(value);
    context.rowCells[x - context.cellLeft].ink = ink.of(decision);
    const HyperShares shares = shareTable.of(value);
    const std::int32_t twoAhead = here[x + 2 * d];  // not reached by this row yet
    const std::int32_t belowAhead = below[x + d];
    here[x] = 0;
    below[x - d] = std::int16_t(belowBehind + shares.behind);
    belowBehind = belowUnder + shares.under;
    belowUnder = belowAhead + shares.belowAhead;
    addTo(twoBelow[x], shares.twoBelow);
    next = std::int16_t(afterNext + shares.ahead);
    afterNext = std::int16_t(twoAhead + shares.twoAhead);
  }
  here[span.end - d] = std::int16_t(next);
  here[span.end] = std::int16_t(afterNext);
  below[span.end - 2 * d] = std::int16_t(belowBehind);
  below[span.end - d] = std::int16_t(belowUnder);
  plainStep(span.end - d);
  plainStep(span.end);
}

// The exact shares of each row of weights, worked out once.
struct OstromoukhovShares {
  ShareDivision right;
  ShareDivision down;
};

const std::array<OstromoukhovShares, 128>& ostromoukhovShares() {
  static const std::array<OstromoukhovShares, 128> shares = [] {
    std::array<OstromoukhovShares, 128> all{};
    for (std::size_t i = 0; i < all.size(); ++i) {
      const DiffusionWeights& weights = kOstromoukhovWeights[i];
      const std::int32_t sum = weights.right + weights.downLeft + weights.down;
      all[i] = {ShareDivision(weights.right, sum), ShareDivision(weights.down, sum)};
    }
    return all;
  }();
  return shares;
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
//
// Inside the row the three entries are apart, and the pixel's error reaches the next pixel
// only through the entry ahead: that entry and the one behind are carried from pixel to
// pixel in registers, and each entry is stored once, when the scan has left it. The ends
// of the row, where the entries meet, take the plain steps.
void renderOstromoukhovRow(StyleRowContext& context) {
  const std::int32_t last = context.state->lastColumn;
  std::int16_t* errors = context.state->errorRow;
  const std::array<OstromoukhovShares, 128>& allShares = ostromoukhovShares();
  const auto sharesAt = [&](std::int32_t density) -> const OstromoukhovShares& {
    return allShares[std::size_t(std::clamp(density <= 127 ? density : 255 - density, 0, 127))];
  };
  const auto plainStep = [&](std::int32_t x) {
    const std::int32_t density = densityAt(context, x);
    const OstromoukhovShares& shares = sharesAt(density);
    const std::int32_t xn = std::clamp(x + context.direction, 0, last);
    const std::int32_t xb = std::clamp(x - context.direction, 0, last);
    const Decision decision = threshold(errors[x] + density);
    store(context, x, decision);
    const std::int32_t right = shares.right.of(decision.error);
    const std::int32_t down = shares.down.of(decision.error);
    addTo(errors[xn], right);
    errors[x] = std::int16_t(down);
    addTo(errors[xb], decision.error - right - down);
  };
  const ScanSpan span = scanSpan(context, true);
  if (span.empty || ranPlainly(context, span, 1, plainStep)) return;
  const std::int32_t d = span.step;
  plainStep(span.start);
  const DecisionInk ink(*context.state);
  std::int32_t here = errors[span.start + d];
  std::int32_t behind = errors[span.start];
  for (std::int32_t x = span.start + d; x != span.end; x += d) {
    const std::int32_t density = densityAt(context, x);
    const OstromoukhovShares& shares = sharesAt(density);
    const std::int32_t ahead = errors[x + d];  // not reached by this row yet
    const Decision decision = threshold(here + density);
    context.rowCells[x - context.cellLeft].ink = ink.of(decision);
    const std::int32_t right = shares.right.of(decision.error);
    const std::int32_t down = shares.down.of(decision.error);
    errors[x - d] = std::int16_t(behind + decision.error - right - down);
    behind = down;
    here = std::int16_t(ahead + right);
  }
  errors[span.end - d] = std::int16_t(behind);
  errors[span.end] = std::int16_t(here);
  plainStep(span.end);
}

void renderHyperARow(StyleRowContext& context) { renderHyperRow(context, false); }
void renderHyperBRow(StyleRowContext& context) { renderHyperRow(context, true); }

}  // namespace qm
