// SPDX-License-Identifier: LicenseRef-Quillmark
// The threshold screens: noise, wave, xor, the two poster tones and Bayer. Each pixel is
// decided on its own by comparing its density with a value that depends only on where the
// pixel lies (noise and xor add random grain, and xor lets the blurred grey shift its
// pattern). Nothing is carried between pixels or rows, so bands may run on any thread in
// any order. Positions are pattern coordinates, so a preview lines up with the final image.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/random_generator.h"
#include "render/bayer_matrix.h"
#include "render/style_families.h"
#include "render/style_setup.h"

namespace qm {
namespace {

// Visits the columns first..last, left to right, with the row's ink; columns without a
// band cell have no tone to read and are left out.
template <typename Visit>
void eachColumn(StyleRowContext& context, Visit visit) {
  const std::int32_t first = std::max(context.first, context.cellLeft);
  const std::int32_t last = std::min(context.last, context.cellLeft + context.cellCount - 1);
  const RowInk ink(context);
  for (std::int32_t x = first; x <= last; ++x) {
    context.column = x;
    visit(x, ink);
  }
}

std::int32_t paperOrInk(bool paper) { return paper ? 255 : 0; }

// Two's complement keeps the parity of negative coordinates (-1 is odd).
bool isOdd(std::int32_t v) { return (v & 1) != 0; }

// Five levels of one-pixel patterns: blank, three quarters paper, checkerboard, one quarter
// paper, full ink.
bool posterTone2Paper(std::int32_t density, std::int32_t px, std::int32_t py) {
  if (density < 51) return true;
  if (density < 102) return isOdd(px) || isOdd(py);
  if (density < 153) return isOdd(px ^ py);
  if (density < 204) return isOdd(px) && !isOdd(py);
  return false;
}

}  // namespace

// A 12-bit random number against 16 x the density: the share of ink is density / 256.
void renderNoiseRow(StyleRowContext& context) {
  eachColumn(context, [&](std::int32_t x, const RowInk& ink) {
    const std::int32_t t16 = densityAt(context, x) * 16;
    const std::int32_t v = nextRandom() & 4095;
    ink.put(x, v, paperOrInk(v >= t16), t16);
  });
}

// A sawtooth along the angle (the stroke coordinate u) bent by the sine of the cross
// coordinate w; where it reaches 0, density 0 still stays paper. The products are 64-bit so that large coordinates cannot overflow; the
// division truncates toward zero, and w is kept inside the wave table.
void waveSetUp(RenderState& s) {
  StyleConstants& k = s.constants;
  k.indexMask = setup::byScale(s, 255, 511, 1023);
  const double turned = setup::radians(s) + setup::kQuarterTurn;
  k.direction[0] = std::int32_t(std::sin(turned) * 250);
  k.direction[1] = std::int32_t(std::cos(turned) * 250);
  k.strokeMask = setup::byWeight(s, {3, 7, 15, 31, 63});
  k.strokeShift = setup::byWeight(s, {6, 5, 4, 3, 2});
  if (s.scaleFactor == 2) {
    k.strokeMask = 2 * k.strokeMask + 1;
    k.strokeShift -= 1;
  } else if (s.scaleFactor == 4) {
    k.strokeMask = 4 * k.strokeMask + 3;
    k.strokeShift -= 2;
  }
  setup::sineWave(s, k.indexMask, 10.0 * s.warping);
}

void renderWaveRow(StyleRowContext& context) {
  const RenderState& state = *context.state;
  const StyleConstants& k = state.constants;
  const std::int16_t* wave = state.tables->waveTable;
  const std::int64_t a = k.direction[0];
  const std::int64_t b = k.direction[1];
  const std::int64_t py = patternY(context);
  const std::int64_t crossMask = k.indexMask & (kWaveTableSize - 1);
  eachColumn(context, [&](std::int32_t x, const RowInk& ink) {
    const std::int64_t px = patternX(context, x);
    const std::int32_t u = std::int32_t(((a * px + b * py) / 128) & k.strokeMask);
    const std::int32_t w = std::int32_t(((b * px - a * py) / 128) & crossMask);
    const std::int32_t value = (wave[w] + (u << k.strokeShift)) & 255;
    const std::int32_t density = densityAt(context, x);
    ink.put(x, value, paperOrInk(value > density || density == 0), toneAt(context, x));
  });
}

// The xor of sums and differences of the scaled coordinates, displaced along the angle by
// the blurred grey, plus random grain at 1x and 2x. The coordinates are scaled by a product
// rather than a shift so that negative view offsets are well defined.
void xorSetUp(RenderState& s) {
  s.constants.shift = setup::byScale(s, 2, 1, 0);
  s.constants.randomMask = setup::byScale(s, 31, 7, 0);
  s.constants.rotation[0] = std::int32_t(std::cos(setup::radians(s)) * 255 * s.warping / 100);
  s.constants.rotation[1] = std::int32_t(std::sin(setup::radians(s)) * 255 * s.warping / 100);
}

void renderXorRow(StyleRowContext& context) {
  const StyleConstants& k = context.state->constants;
  const std::int32_t c = k.rotation[0];
  const std::int32_t s = k.rotation[1];
  const std::int32_t scale = std::int32_t(1) << std::clamp(k.shift, 0, 8);
  const std::int32_t py = patternY(context) * scale;
  eachColumn(context, [&](std::int32_t x, const RowInk& ink) {
    const std::int32_t blurred = blurredToneAt(context, x);
    const std::int32_t u = ((c * blurred) >> 9) + patternX(context, x) * scale;
    const std::int32_t v = ((s * blurred) >> 9) + py;
    const std::int32_t grain = std::int16_t(nextRandom()) & k.randomMask;
    const std::int32_t value = grain + ((((u - v) * 8) ^ ((u ^ v) * 8) ^ ((u + v) * 8)) & 248);
    ink.put(x, value, paperOrInk(value >= densityAt(context, x)), toneAt(context, x));
  });
}

// Three levels: paper, a one-pixel checkerboard, ink. The inversion lives in the tone map
// alone, so the decision is stored with grey 0.
void renderPosterTone1Row(StyleRowContext& context) {
  const std::int32_t py = patternY(context);
  eachColumn(context, [&](std::int32_t x, const RowInk& ink) {
    const std::int32_t t = densityAt(context, x);
    const bool paper = t < 85 || (t < 170 && isOdd(patternX(context, x) ^ py));
    const std::int32_t value = paperOrInk(paper);
    ink.put(x, value, value, 0);
  });
}

void renderPosterTone2Row(StyleRowContext& context) {
  const std::int32_t py = patternY(context);
  eachColumn(context, [&](std::int32_t x, const RowInk& ink) {
    const std::int32_t value = paperOrInk(posterTone2Paper(densityAt(context, x), patternX(context, x), py));
    ink.put(x, value, value, 0);
  });
}

// Paper where the matrix entry (1..256) exceeds the density; full density counts as 256 so
// that it inks every position.
void renderBayerRow(StyleRowContext& context) {
  const auto& matrixRow = kBayerMatrix[std::size_t(patternY(context) & (kBayerSize - 1))];
  eachColumn(context, [&](std::int32_t x, const RowInk& ink) {
    const std::int32_t t = densityAt(context, x);
    const std::int32_t threshold = t == 255 ? 256 : t;
    const std::int32_t value = matrixRow[std::size_t(patternX(context, x) & (kBayerSize - 1))];
    ink.put(x, value, paperOrInk(value > threshold), toneAt(context, x));
  });
}

}  // namespace qm
