// SPDX-License-Identifier: LicenseRef-Quillmark
// The line and pattern screens: square and round chaos, basketweave, crosscut, maze, flow
// and hatching. Each builds a periodic pattern from the pattern coordinates (bent by the
// blurred grey through the displacement tables where the style has them) and compares it
// with the density. None carries anything from pixel to pixel beyond crosscut's last value
// within a row, so every row depends only on position, tone and the read-only tables.
//
// Products that grow with the coordinates are taken in 64 bits: only their low bits are
// used, which are the same as those of the 32-bit wrap, and no overflow can occur. Every
// table index is masked or clamped into its table; see the notes at maze and tableIndex.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "engine/wider_vectors.h"
#include "render/style_families.h"
#include "render/style_setup.h"

namespace qm {
namespace {

constexpr std::int32_t kWaveMask = kWaveTableSize - 1;
// Crosscut and maze fill the first 198 entries of the wave table with their cell hash.
constexpr std::int64_t kCellHashModulus = 197;
// Hatching: random bytes after the 256 wobble entries.
constexpr std::int32_t kHatchRandomBase = 256;
constexpr std::int32_t kHatchRandomMask = 2047;
constexpr std::int32_t kHatchWobbleMask = 255;
constexpr std::int32_t kHatchBrick = 48;

std::int32_t paperOrInk(bool paper) { return paper ? 255 : 0; }

// The driver keeps the greys and the density in 0..255; clamped anyway, since they index
// 256-entry tables.
std::int32_t tableIndex(std::int32_t tone) { return std::clamp(tone, 0, kToneLevels - 1); }

std::int32_t shifted(std::int32_t coordinate, std::int32_t shift) { return coordinate * (1 << shift); }

// Basketweave and flow: the ramp period and how far the mixed ramps are shifted down.
struct RampWords {
  std::int32_t shift;     // r
  std::int32_t wrapMask;  // M
  std::int32_t step4;     // basketweave's offset of the second family's row ramp
  std::int32_t step5;     // and of both its ramps
};

RampWords rampWords(const RenderState& state) {
  const std::int32_t lw = std::clamp(state.lineWeight, 1, 5);  // keeps the shift non-negative
  switch (state.scaleFactor) {
    case 1: return {lw - 1, 63, 16, 32};
    case 2: return {lw, 127, 32, 64};
    default: return {lw + 1, 255, 64, 128};
  }
}

// One family of ramps: two ramps across each other, each bent by the wave of the other
// coordinate, mixed by the blurred grey (the first weighs more in dark surroundings, the
// second in light ones) so that the strokes turn with the local tone.
std::int32_t mixedRamp(std::int32_t darkRamp, std::int32_t lightRamp, std::int32_t blurred, std::int32_t displace,
                       std::int32_t shift) {
  return ((darkRamp * (255 - blurred) + lightRamp * blurred + displace) >> shift) & 255;
}

// What basketweave and flow share along a row: the wave table with its index mask, the
// ramp words, and the row's pattern coordinate with its wave.
struct RampRow {
  const std::int16_t* w;
  std::int32_t n;
  RampWords k;
  std::int32_t py;
  std::int32_t wy;
};

RampRow rampRow(const StyleRowContext& context) {
  const RenderState& state = *context.state;
  const std::int16_t* w = state.tables->waveTable;
  const std::int32_t n = state.constants.indexMask & kWaveMask;
  const std::int32_t py = patternY(context);
  return {w, n, rampWords(state), py, w[py & n]};
}

// The first family of ramps at pattern column px, mixed by the blurred grey b.
std::int32_t firstFamily(const RampRow& row, const RenderTables& tables, std::int32_t px, std::int32_t b) {
  const std::int32_t wx = row.w[px & row.n];
  return mixedRamp(((wx + row.py) & row.k.wrapMask) - wx, ((px + row.wy) & row.k.wrapMask) - row.wy, b,
                   tables.displaceX[b], row.k.shift);
}

void chaosConstants(RenderState& s) {
  s.constants.shift = setup::byScale(s, 2, 1, 0);
  s.constants.multiplier = setup::byWeight(s, {5, 4, 3, 2, 1});
}

// Crosscut and maze: displacements along the angle and the cell hash (random entries).
void crosscutTables(RenderState& s, bool maze) {
  RenderTables& t = *s.tables;
  s.constants.shift = setup::byScale(s, 2, 1, 0);
  s.constants.density = setup::byWeight(s, {8, 6, 4, 2, 2}) / (maze ? 2 : 1);
  const double c = std::cos(setup::radians(s));
  const double sn = std::sin(setup::radians(s));
  for (std::int32_t i = 0; i < kToneLevels; ++i) {
    t.displaceX[i] = std::int32_t(c * (s.scaleFactor * i) * s.warping / 200);
    t.displaceY[i] = std::int32_t(sn * (s.scaleFactor * i) * s.warping / 200);
  }
  for (std::int32_t i = 0; i <= 197; ++i) t.waveTable[i] = std::int16_t(std::int16_t(setup::draw()) >> 4);
}

}  // namespace

// A five-step chain of lookups through the wave table scrambles the coordinates into a
// value compared with the grey itself; the tone map is not consulted, and grey 0 is passed
// so that the set-up's cleared flags leave the decision alone under every invert mode.
// The chaos tables: a sawtooth (square) or a sine (round) over 4096 entries, scaled by the
// warping.
void squareChaosSetUp(RenderState& s) {
  chaosConstants(s);
  for (std::int32_t i = 0; i < kWaveTableSize; ++i) {
    const std::int32_t v = (s.warping + 50) * i * 40 / 4096;
    s.tables->waveTable[i] = std::int16_t(i > 2047 ? 1500 - v : v);
  }
}
void roundChaosSetUp(RenderState& s) {
  chaosConstants(s);
  for (std::int32_t i = 0; i < kWaveTableSize; ++i)
    s.tables->waveTable[i] = std::int16_t(std::sin(i * 2 * setup::kPi / 4096) * (s.warping + 50) * 20);
}

namespace {

std::int32_t chaosValue(const std::int16_t* w, std::int32_t cx, std::int32_t y, std::int32_t m) {
  const std::int32_t a0 = (w[cx] + y) & kWaveMask;
  const std::int32_t a1 = (w[a0] + cx) & kWaveMask;
  const std::int32_t a2 = (w[a1] + a0) & kWaveMask;
  const std::int32_t a3 = (w[a2] + a1) & kWaveMask;
  const std::int32_t a4 = w[(w[a3] + a2) & kWaveMask];
  return ((a4 + a3) * m) & 255;
}

}  // namespace

// Along a row the value depends on the column only through cx, which repeats every
// 4096 >> h columns (at most 4096): the chain of lookups runs for one such period, and a
// wider row reads it again.
void renderChaosRow(StyleRowContext& context) {
  const RenderState& state = *context.state;
  const std::int16_t* w = state.tables->waveTable;
  const std::int32_t h = state.constants.shift;
  const std::int32_t m = state.constants.multiplier;
  const std::int32_t y = shifted(patternY(context), h);
  const std::int32_t columns = context.last - context.first + 1;
  if (columns <= 0) return;
  const std::int32_t period = std::max(1, kWaveTableSize >> h);
  const std::int32_t known = std::min(period, columns);
  const std::int32_t px = patternX(context, context.first);
  std::array<std::uint8_t, kWaveTableSize> values;
  for (std::int32_t i = 0; i < known; ++i)
    values[std::size_t(i)] = std::uint8_t(chaosValue(w, shifted(px + i, h) & kWaveMask, y, m));
  std::int32_t i = 0;
  withRowInk(context, [&](const auto ink) {
    for (std::int32_t x = context.first; x <= context.last; ++x) {
      const std::int32_t value = values[std::size_t(i)];
      ink.put(x, value, paperOrInk(value <= toneAt(context, x)), 0);
      i = i + 1 == period ? 0 : i + 1;
    }
  });
}

namespace {

// Basketweave's two families at one pattern column, each mix dark (255 - b) + light b
// kept as 255 dark + (light - dark) b: one product a family once b is known.
struct WeaveColumn {
  std::int32_t firstBase, firstSlope;
  std::int32_t secondBase, secondSlope;
};

WeaveColumn weaveColumn(const RampRow& row, std::int32_t wy2, std::int32_t px) {
  const RampWords& k = row.k;
  const std::int32_t wx = row.w[px & row.n];
  const std::int32_t firstDark = ((wx + row.py) & k.wrapMask) - wx;
  const std::int32_t firstLight = ((px + row.wy) & k.wrapMask) - row.wy;
  const std::int32_t secondDark = ((px + wy2 + k.step5) & k.wrapMask) - wy2;
  const std::int32_t secondLight = ((wx - row.py + k.step5) & k.wrapMask) - wx;
  return {255 * firstDark, firstLight - firstDark, 255 * secondDark, secondLight - secondDark};
}

// The columns repeat every n + 1 (px & n and (px + c) & wrapMask, whose period divides it).
constexpr std::int32_t kMostWeavePeriod = 1024;

std::int32_t weavePeriod(const RampRow& row) {
  const std::int32_t period = row.n + 1;
  const bool powerOfTwo = (period & row.n) == 0;
  return powerOfTwo && period <= kMostWeavePeriod && period > row.k.wrapMask ? period : 0;
}

}  // namespace

// Two crossing families of ramps against the ramp table's curve of the density: where the
// first family is above the curve, the second, shifted by half a period, gets its chance.
// The columns of one period are worked out once a row (a set-up outside the usual could
// leave no period; then each pixel works out its own).
void renderBasketweaveRow(StyleRowContext& context) {
  const RenderTables& tables = *context.state->tables;
  const RampRow row = rampRow(context);
  const RampWords& k = row.k;
  const std::int32_t wy2 = row.w[(row.py + k.step4) & row.n];
  const std::int32_t columns = context.last - context.first + 1;
  if (columns <= 0) return;
  const std::int32_t period = weavePeriod(row);
  const std::int32_t px = patternX(context, context.first);
  std::array<WeaveColumn, kMostWeavePeriod> known;
  for (std::int32_t i = 0; i < std::min(period, columns); ++i) known[std::size_t(i)] = weaveColumn(row, wy2, px + i);
  // The ramp table's curve of each grey's density, one lookup a pixel instead of two.
  std::int32_t thresholds[kToneLevels];
  for (std::int32_t tone = 0; tone < kToneLevels; ++tone)
    thresholds[tone] = tables.rampTable[tableIndex(tables.toneMap[tone])];
  withRowInk(context, [&](const auto ink) {
    std::int32_t i = 0;
    for (std::int32_t x = context.first; x <= context.last; ++x) {
      const WeaveColumn column = period > 0 ? known[std::size_t(i)] : weaveColumn(row, wy2, px + (x - context.first));
      i = i + 1 == period ? 0 : i + 1;
      const std::int32_t b = tableIndex(blurredToneAt(context, x));
      const std::int32_t threshold = thresholds[toneAt(context, x)];
      const std::int32_t first = ((column.firstBase + column.firstSlope * b + tables.displaceX[b]) >> k.shift) & 255;
      const std::int32_t second =
          ((column.secondBase + column.secondSlope * b + tables.displaceY[b]) >> k.shift) & 255;
      // The second family where the first is above the curve, picked by arithmetic: a
      // branch on it is guessed wrong wherever the strokes are fine.
      const std::int32_t pick = opaqueToCompiler(-std::int32_t(first >= threshold));
      const std::int32_t value = first ^ ((first ^ second) & pick);
      ink.put(x, value, paperOrInk(value >= threshold), toneAt(context, x));
    }
  });
}

// One family of ramps compared with the density directly.
void renderFlowRow(StyleRowContext& context) {
  const RenderTables& tables = *context.state->tables;
  const RampRow row = rampRow(context);
  withRowInk(context, [&](const auto ink) {
    for (std::int32_t x = context.first; x <= context.last; ++x) {
      const std::int32_t b = tableIndex(blurredToneAt(context, x));
      const std::int32_t value = firstFamily(row, tables, patternX(context, x), b);
      ink.put(x, value, paperOrInk(value >= densityAt(context, x)), toneAt(context, x));
    }
  });
}

// Two families of steep lines. Below mid-density the first family keeps its mid-density
// width and the second cuts it into dashes that lengthen as the tone darkens; from
// mid-density on the first family widens alone. A pixel that neither family decides keeps
// the value of the last one that did, so the gray output runs on across the gaps.
void crosscutSetUp(RenderState& s) { crosscutTables(s, false); }
void mazeSetUp(RenderState& s) { crosscutTables(s, true); }

void renderCrosscutRow(StyleRowContext& context) {
  const RenderState& state = *context.state;
  const RenderTables& tables = *state.tables;
  const std::int32_t h = state.constants.shift;
  const std::int64_t d = state.constants.density;
  const std::int64_t rowBase = shifted(patternY(context), h);
  std::int32_t value = 0;
  withRowInk(context, [&](const auto ink) {
    for (std::int32_t x = context.first; x <= context.last; ++x) {
      const std::int32_t b = tableIndex(blurredToneAt(context, x));
      const std::int32_t t = densityAt(context, x);
      const std::int64_t a = std::int64_t(shifted(patternX(context, x), h)) + tables.displaceX[b];
      const std::int64_t c = rowBase + tables.displaceY[b];
      const std::int32_t h1 = std::int32_t((((c + 8 * a) >> 2) * d) & 127);
      const std::int32_t h2 = std::int32_t((((a + 8 * c) >> 2) * d) & 127);
      bool paper = true;
      if (2 * h1 < std::max(t, 127)) {
        paper = false;
        value = 2 * h1;
      }
      if (t < 128 && h2 >= t) {
        paper = true;
        value = h2;
      }
      ink.put(x, value, paperOrInk(paper), toneAt(context, x));
    }
  });
}

// The lines of crosscut at half the period, with one of four directions per skewed cell,
// chosen by a hash of the cell into the wave table's random entries. Near the top and left
// edges the displacement can make the cell numbers negative and the remainder with it;
// such remainders are brought into 0..196 by adding the modulus, so the hash stays in the
// filled part of the table.
namespace {

// One pixel of maze from its two skewed coordinates, g1 = cy + 8 cx and g2 = cx + 8 cy (cx
// and cy the pattern coordinates bent by the displacement of the blurred grey), in 64 bits,
// which hold every product wherever the pattern lies. Rows whose coordinates stay small
// take the same steps in 32 bits (mazeRunCells).
template <class Ink>
void putMazePixel(const StyleRowContext& context, const Ink& ink, std::int32_t x, std::int64_t g1, std::int64_t g2,
                  std::int64_t d) {
  const std::int32_t h1 = std::int32_t((d * (g1 >> 2)) & 127);
  const std::int32_t h2 = std::int32_t((d * (g2 >> 2)) & 127);
  std::int64_t cell = ((g2 >> 8) * 17 + (g1 >> 8) * 13) % kCellHashModulus;
  if (cell < 0) cell += kCellHashModulus;
  // Picked from the four, a byte each of one word, rather than branched to (the cell hash
  // changes every few pixels) or read back from memory (which waited on the stores).
  const std::uint32_t directions = std::uint32_t(h1) | std::uint32_t(h2) << 8 |
                                   std::uint32_t((h1 + h2) & 127) << 16 | std::uint32_t((h2 - h1) & 127) << 24;
  const auto v = std::int32_t((directions >> (8 * (context.state->tables->waveTable[cell] & 3))) & 127);
  ink.put(x, 2 * v, paperOrInk(v >= densityAt(context, x) >> 1), toneAt(context, x));
}

// Whether every product of the row fits 32 bits: the skewed coordinates are at most nine
// times the largest of the pattern coordinates and displacements, the hash's sum a tenth
// of that, and the density is a few units.
bool mazeRowFitsInt(const StyleRowContext& context, std::int32_t h, std::int64_t rowBase, std::int64_t d) {
  const RenderTables& tables = *context.state->tables;
  std::int64_t reach = std::max(std::abs(rowBase), std::max(std::abs(std::int64_t(patternX(context, context.first)) << h),
                                                           std::abs(std::int64_t(patternX(context, context.last)) << h)));
  std::int64_t displace = 0;
  for (std::int32_t i = 0; i < kToneLevels; ++i)
    displace = std::max({displace, std::abs(std::int64_t(tables.displaceX[i])), std::abs(std::int64_t(tables.displaceY[i]))});
  constexpr std::int64_t kMostReach = std::int64_t(1) << 26;
  return reach + displace < kMostReach && d >= 0 && d <= 4;
}

// The directions and cell hashes of a run of maze pixels in 32 bits, the two as
// putMazePixel works them out; `along` and `across` hold what each blurred grey's
// displacement adds to g1 and g2, and the pattern column steps by `step` a pixel. Plain
// arithmetic on every pixel alike, which the compiler does many pixels at once.
QUILLMARK_WIDER_VECTOR_CLONES
void mazeRunCells(const BandCell* __restrict cells, std::int32_t count, const std::int32_t* __restrict along,
                  const std::int32_t* __restrict across, std::int32_t column, std::int32_t step, std::int32_t d,
                  std::uint32_t* __restrict directions, std::int32_t* __restrict hashes) {
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t b = cells[i].blurred;
    const std::int32_t c = column + i * step;
    const std::int32_t g1 = along[b] + 8 * c;
    const std::int32_t g2 = across[b] + c;
    const std::int32_t h1 = (d * (g1 >> 2)) & 127;
    const std::int32_t h2 = (d * (g2 >> 2)) & 127;
    const std::int32_t cell = ((g2 >> 8) * 17 + (g1 >> 8) * 13) % std::int32_t(kCellHashModulus);
    hashes[i] = cell < 0 ? cell + std::int32_t(kCellHashModulus) : cell;
    directions[i] = std::uint32_t(h1) | std::uint32_t(h2) << 8 | std::uint32_t((h1 + h2) & 127) << 16 |
                    std::uint32_t((h2 - h1) & 127) << 24;
  }
}

// The row in 32 bits, a run of pixels at a time: their directions and hashes first, then
// each pixel's pick and ink. A pixel's steps form one long chain of dependent work; taken
// in stages, many pixels' chains overlap instead of a few.
template <class Ink>
void mazeRowInInt(const StyleRowContext& context, const Ink& ink, std::int32_t h, std::int32_t rowBase,
                  std::int32_t d) {
  const RenderTables& tables = *context.state->tables;
  std::int32_t along[kToneLevels];   // what the displacement adds to g1
  std::int32_t across[kToneLevels];  // and to g2
  for (std::int32_t i = 0; i < kToneLevels; ++i) {
    along[i] = rowBase + tables.displaceY[i] + 8 * tables.displaceX[i];
    across[i] = 8 * rowBase + tables.displaceX[i] + 8 * tables.displaceY[i];
  }
  constexpr std::int32_t kRun = 256;
  std::uint32_t directions[kRun];
  std::int32_t hashes[kRun];
  const std::int32_t step = 1 << h;
  for (std::int32_t first = context.first; first <= context.last; first += kRun) {
    const std::int32_t count = std::min(kRun, context.last - first + 1);
    mazeRunCells(context.rowCells + (first - context.cellLeft), count, along, across,
                 shifted(patternX(context, first), h), step, d, directions, hashes);
    for (std::int32_t i = 0; i < count; ++i) {
      const std::int32_t x = first + i;
      const auto v = std::int32_t((directions[i] >> (8 * (tables.waveTable[hashes[i]] & 3))) & 127);
      ink.put(x, 2 * v, paperOrInk(v >= densityAt(context, x) >> 1), toneAt(context, x));
    }
  }
}

}  // namespace

void renderMazeRow(StyleRowContext& context) {
  const RenderState& state = *context.state;
  const RenderTables& tables = *state.tables;
  const std::int32_t h = state.constants.shift + 1;
  const std::int64_t d = state.constants.density;
  const std::int64_t rowBase = shifted(patternY(context), h);
  withRowInk(context, [&](const auto ink) {
    if (mazeRowFitsInt(context, h, rowBase, d)) {
      mazeRowInInt(context, ink, h, std::int32_t(rowBase), std::int32_t(d));
      return;
    }
    for (std::int32_t x = context.first; x <= context.last; ++x) {
      const std::int32_t b = tableIndex(blurredToneAt(context, x));
      const std::int64_t cx = std::int64_t(shifted(patternX(context, x), h)) + tables.displaceX[b];
      const std::int64_t cy = rowBase + tables.displaceY[b];
      putMazePixel(context, ink, x, cy + 8 * cx, cx + 8 * cy, d);
    }
  });
}

namespace {

// Hatching cells come from bricks 48 wide and 32 high cut along diagonals: the cut-off
// parts join the cells of the neighbouring brick or, in the lower half, of the brick row
// below, so the cells interlock. Gives the cell number and whether the part takes its
// number from the row below.
struct HatchCell {
  std::int32_t cell;
  std::int32_t flag;
};

// The part at place rx of brick q along a row.
HatchCell hatchPart(std::int32_t q, std::int32_t rx, std::int32_t cy) {
  const std::int32_t yh = (cy & 31) >> 1;
  // Comparisons as numbers rather than branches, since the part changes every few pixels.
  // In the lower half the two cut-off corners never meet (one needs rx > 31, the other
  // rx < 16); in the upper half rx - yh > 31 implies yh + rx >= 16.
  if ((cy & 31) > 15) {
    const std::int32_t nextBrick = yh + rx > 47;
    const std::int32_t lastBrick = rx - yh < 0;
    return {1 + nextBrick - lastBrick + 2 * q, nextBrick | lastBrick};
  }
  return {std::int32_t(yh + rx >= 16) + std::int32_t(rx - yh > 31) + 2 * q, 0};
}

HatchCell hatchCell(std::int32_t cx, std::int32_t cy) {
  const std::int32_t q = cx / kHatchBrick;
  return hatchPart(q, cx - kHatchBrick * q, cy);
}

// The brick and the place in it of each column along a row, one step of 1 << shift
// units a pixel, without a division; rows that start left of 0, where the division
// truncates toward zero, take the division every pixel.
class HatchBrickWalk {
 public:
  HatchBrickWalk(std::int32_t cx, std::int32_t step)
      : step_(step), walks_(cx >= 0), q_(cx / kHatchBrick), rx_(cx - kHatchBrick * q_) {}

  HatchCell part(std::int32_t cx, std::int32_t cy) const { return walks_ ? hatchPart(q_, rx_, cy) : hatchCell(cx, cy); }
  void advance() {
    rx_ += step_;
    const std::int32_t nextBrick = rx_ >= kHatchBrick;
    rx_ -= kHatchBrick * nextBrick;
    q_ += nextBrick;
  }

 private:
  std::int32_t step_;
  bool walks_;
  std::int32_t q_;
  std::int32_t rx_;
};

// A cell part's random byte rk sets its strokes along the row: the column ramp ±rk px,
// the row ramp (255 - rk) py and which way the wobble bends them.
struct HatchStrokes {
  std::int64_t columnSlope;  // rk, negative when rk is odd
  std::int64_t rowRamp;
  std::int64_t wobbleMask;   // 0 when bit 1 of rk is set (the wobble adds), else -1
};

HatchStrokes hatchStrokes(std::int32_t rk, std::int32_t py) {
  return {(rk & 1) ? -std::int64_t(rk) : std::int64_t(rk), std::int64_t(255 - rk) * py, (rk & 2) ? 0 : -1};
}

}  // namespace

// Each cell draws a random byte that sets the direction of its parallel strokes (the mix of
// the column and row ramps) and which way the wobble bends them.
void hatchingSetUp(RenderState& s) {
  s.constants.strokeFactor = setup::byWeight(s, {8, 6, 4, 2, 1});
  s.constants.shift = setup::byScale(s, 2, 1, 0);
  s.constants.strokeShift = setup::byScale(s, 2, 3, 4);
  std::int16_t* w = s.tables->waveTable;
  for (std::int32_t i = 0; i < 256; ++i)
    w[i] = std::int16_t(std::sin(i * setup::kPi / 620 + 0.78539816325) * (s.warping + 10) * 100);
  for (std::int32_t i = 0; i < 2048; ++i) w[256 + i] = std::int16_t(setup::draw() & 255);
}

void renderHatchingRow(StyleRowContext& context) {
  const RenderState& state = *context.state;
  const std::int16_t* w = state.tables->waveTable;
  const StyleConstants& k = state.constants;
  const std::int32_t py = patternY(context);
  const std::int32_t cy = shifted(py, k.shift);
  const std::int64_t factor = k.strokeFactor;
  const std::int32_t pxFirst = patternX(context, context.first);
  HatchBrickWalk bricks(shifted(pxFirst, k.shift), 1 << k.shift);
  // The random byte is drawn again only when the part changes, every few pixels.
  std::int32_t drawn = -1;
  HatchStrokes strokes{};
  withRowInk(context, [&](const auto ink) {
    for (std::int32_t x = context.first; x <= context.last; ++x, bricks.advance()) {
      const std::int32_t px = pxFirst + (x - context.first);
      const HatchCell part = bricks.part(shifted(px, k.shift), cy);
      const std::int32_t index = (33 * part.cell + 47 * (part.flag + (cy >> 5))) & kHatchRandomMask;
      if (index != drawn) {
        drawn = index;
        strokes = hatchStrokes(w[kHatchRandomBase + index], py);
      }
      const std::int64_t a = strokes.columnSlope * px;
      const std::int64_t b = strokes.rowRamp;
      const std::int64_t mid = (a + b) >> 1;
      const std::int64_t apart = a > b ? a - b : b - a;
      const std::int64_t wobble = w[(apart >> 5) & kHatchWobbleMask];
      // Plus or minus the wobble: (v ^ m) - m is v for m = 0 and -v for m = -1.
      const std::int64_t stroke = factor * (mid + ((wobble ^ strokes.wobbleMask) - strokes.wobbleMask));
      const std::int32_t value = std::int32_t((stroke >> k.strokeShift) & 255);
      ink.put(x, value, paperOrInk(value >= densityAt(context, x)), toneAt(context, x));
    }
  });
}

}  // namespace qm
