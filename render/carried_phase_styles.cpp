// SPDX-License-Identifier: LicenseRef-Quillmark
// The styles that carry a phase or a running sum along the row and down through the error
// row, rather than an error: arabesque, splatter and ripple. Their decisions compare a
// periodic value with the density, so the carried value shapes strokes instead of
// balancing tone. Entries of the error row are 16 bits, read sign-extended and written
// back as their low 16 bits.
#include <algorithm>

#include "platform/random_generator.h"
#include "render/style_families.h"
#include "render/style_setup.h"

namespace qm {
namespace {

// A random mix of the value above (12/32 to 19/32) and the value before, as diffusion mixes
// its errors; here the mixed values are phases.
std::int32_t mixWithAbove(std::int32_t above, std::int32_t before) {
  const std::int32_t w = (nextRandom() & 7) + 12;
  return (above * w + (32 - w) * before) / 32;
}

std::int32_t paperOrInk(bool paper) { return paper ? 255 : 0; }

// Two straight segments: the lower third of the tones spreads over the lower half.
double splatterCurve(double v) { return v < 0.33 ? v * 0.5 / 0.33 : (v - 0.33) * 0.5 / 0.67 + 0.5; }

}  // namespace

// Random starting phases, one per column.
void arabesqueSetUp(RenderState& s) {
  for (std::int32_t i = 0; i <= s.lastColumn; ++i) s.errorRow[i] = std::int16_t(setup::draw() & 2047);
  s.constants.multiplier = setup::byWeight(s, {16, 8, 6, 5, 4});
  s.constants.phaseStep = setup::byScale(s, 64, 32, 16);
}

// The phase advances by a fixed step per pixel and wraps within -1023..1023; its sawtooth,
// scaled by the line weight, is the screen the density is compared with. The last phase of
// a row is the first "before" of the next, so strokes run on across row ends. The sawtooth
// reaches 0, which the comparison alone would ink even where there is no density at all:
// white paper stays white.
void renderArabesqueRow(StyleRowContext& context) {
  RenderState& state = *context.state;
  std::int16_t* phases = state.errorRow;
  const std::int32_t step = state.constants.phaseStep;
  const std::int32_t m = state.constants.multiplier;
  bool visited = false;
  withRowInk(context, [&](const auto ink) {
    scanRow(context, false, [&](std::int32_t x) {
      std::int32_t p = mixWithAbove(phases[x], context.previousError) + step;
      if (p > 1023) p -= 2047;
      const std::int32_t value = (((p + 1023) * m) / 8) & 255;
      const std::int32_t density = densityAt(context, x);
      ink.put(x, value, paperOrInk(value > density || density == 0), toneAt(context, x));
      phases[x] = std::int16_t(p);
      context.previousError = p;
      visited = true;
    });
  });
  if (visited) state.arabesqueCarry = context.previousError;
}

void splatterSetUp(RenderState& s) {
  for (std::int32_t i = 0; i <= s.lastColumn; ++i) s.errorRow[i] = std::int16_t((setup::draw() & 255) - 127);
  for (std::int32_t i = 0; i < kToneLevels; ++i)
    s.tables->waveTable[i] = std::int16_t(255.0 * splatterCurve(i / 255.0));
  StyleConstants& k = s.constants;
  k.splatterBias = setup::byWeight(s, {10, 8, 6, 5, 4});
  k.splatterMask = s.scaleFactor == 1 ? 63 : 127;
  k.splatterShift = s.scaleFactor == 1 ? 2 : 1;
  if (s.scaleFactor == 4) k.splatterBias /= 2;
}

// Like arabesque with a small step (the bias) and a short period: the mixed phase, masked,
// is compared with a tone curve that gives the light third of the tones half the range.
// Density 0 is paper, though the masked phase can be 0 too.
void renderSplatterRow(StyleRowContext& context) {
  const RenderState& state = *context.state;
  std::int16_t* phases = state.errorRow;
  const StyleConstants& k = state.constants;
  withRowInk(context, [&](const auto ink) {
    scanRow(context, true, [&](std::int32_t x) {
      std::int32_t p = mixWithAbove(phases[x], context.previousError) + k.splatterBias;
      if (p > 127) p -= 255;
      const std::int32_t v = (p + 127) & k.splatterMask;
      const std::int32_t tone = toneAt(context, x);
      const std::int32_t density = std::clamp<std::int32_t>(state.tables->toneMap[tone], 0, kToneLevels - 1);
      const bool paper = v > (state.tables->waveTable[density] >> k.splatterShift) || density == 0;
      ink.put(x, 2 * v, paperOrInk(paper), tone);
      phases[x] = std::int16_t(p);
      context.previousError = p;
    });
  });
}

// The error row starts cleared (the registry says so): an entry left over from an earlier
// render would seed strokes.
void rippleSetUp(RenderState& s) {
  StyleConstants& k = s.constants;
  k.lineFactor = s.lineWeight * s.scaleFactor;
  k.indexMask = setup::byScale(s, 255, 511, 1023);
  k.amplitude = setup::byScale(s, 127, 255, 511);
  setup::sineWave(s, k.indexMask, k.amplitude);
}

// A running sum of 16 x density overflows at 2047 into an ink stroke of lineFactor pixels,
// each stroke pixel paying 4095 back. Where x plus or minus the row's sine offset meets the
// amplitude mask the sum restarts from what the row above held there, which bends the
// strokes into ripples. The stroke counter starts far beyond any stroke length, so no row
// starts inside a stroke.
void renderRippleRow(StyleRowContext& context) {
  const RenderState& state = *context.state;
  std::int16_t* sums = state.errorRow;
  const StyleConstants& k = state.constants;
  const std::int32_t offset = state.tables->waveTable[context.row & k.indexMask & (kWaveTableSize - 1)];
  std::int32_t run = 0;
  std::int32_t count = 4000;
  withRowInk(context, [&](const auto ink) {
    scanRow(context, false, [&](std::int32_t x) {
      bool paper = true;
      if (count < k.lineFactor) {
        run -= 4095;
        paper = false;
      }
      if (((x - offset) & k.amplitude) == 0 || ((x + offset) & k.amplitude) == 0) run = sums[x];
      const std::int32_t old = run;
      run = old + densityAt(context, x) * 16;
      if (run > 2047) {
        run -= 4095;
        count = 0;
        paper = false;
      }
      sums[x] = std::int16_t(old);
      ++count;
      ink.put(x, (run + 2047) >> 4, paperOrInk(paper), toneAt(context, x));
    });
  });
  context.spare[0] = run;
  context.spare[1] = count;
}

}  // namespace qm
