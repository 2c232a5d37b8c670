// SPDX-License-Identifier: LicenseRef-Quillmark
// Angles are degrees turned into radians with the factor below; floating values become
// integers by truncation toward zero, as every table of the styles expects.
#include "render/style_tables.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/random_generator.h"

namespace qm {
namespace {

constexpr double kRadiansPerDegree = 0.017453292519943;
constexpr double kQuarterTurn = 1.5707963267948966;
constexpr double kPi = 3.141592653;

std::int32_t pick(std::int32_t index, std::initializer_list<std::int32_t> values) {
  const auto* first = values.begin();
  return first[std::clamp<std::int32_t>(index, 0, std::int32_t(values.size()) - 1)];
}

// By scale factor 1, 2, 4 and by line weight 1..5.
std::int32_t byScale(const RenderState& s, std::int32_t one, std::int32_t two, std::int32_t four) {
  return s.scaleFactor == 1 ? one : (s.scaleFactor == 2 ? two : four);
}
std::int32_t byWeight(const RenderState& s, std::initializer_list<std::int32_t> values) {
  return pick(s.lineWeight - 1, values);
}

std::int32_t draw() { return nextRandom(); }

double radians(const RenderState& s) { return s.angle * kRadiansPerDegree; }

std::int16_t* errorRow(RenderState& s) { return s.errorRow; }

void clearErrorRow(RenderState& s) {
  std::memset(s.errorRow, 0, errorRowEntries(s.lastColumn + 1) * sizeof(std::int16_t));
}

void sineWave(RenderState& s, std::int32_t n, double amplitude) {
  for (std::int32_t i = 0; i <= n; ++i) s.tables->waveTable[i] = std::int16_t(std::sin(i * kPi / n) * amplitude);
}

void rampSetUp(RenderState& s) {
  RenderTables& t = *s.tables;
  const std::int32_t n = byScale(s, 255, 511, 1023);
  s.constants.indexMask = n;
  for (std::int32_t i = 0; i <= n; ++i) t.waveTable[i] = std::int16_t(std::sin(i * kPi / n) * n / 10);
  for (std::int32_t i = 0; i < kToneLevels; ++i)
    t.rampTable[i] = std::int32_t((std::sqrt(4.0 - 4.0 * i / 255.0) - 2.0) * -0.5 * 255.0);
  const double c = std::cos(radians(s));
  const double sn = std::sin(radians(s));
  for (std::int32_t i = 0; i < kToneLevels; ++i) {
    t.displaceX[i] = std::int32_t(c * (s.scaleFactor * i * 3) * s.warping * 0.5);
    t.displaceY[i] = std::int32_t(sn * (s.scaleFactor * i * 3) * s.warping * 0.5);
  }
}

void rippleSetUp(RenderState& s) {
  // The whole row is cleared: an entry left over from an earlier render would seed strokes.
  std::fill(errorRow(s), errorRow(s) + s.lastColumn + 1, std::int16_t(0));
  StyleConstants& k = s.constants;
  k.lineFactor = s.lineWeight * s.scaleFactor;
  k.indexMask = byScale(s, 255, 511, 1023);
  k.amplitude = byScale(s, 127, 255, 511);
  sineWave(s, k.indexMask, k.amplitude);
}

void arabesqueSetUp(RenderState& s) {
  for (std::int32_t i = 0; i <= s.lastColumn; ++i) errorRow(s)[i] = std::int16_t(draw() & 2047);
  s.constants.multiplier = byWeight(s, {16, 8, 6, 5, 4});
  s.constants.phaseStep = byScale(s, 64, 32, 16);
}

void waveSetUp(RenderState& s) {
  StyleConstants& k = s.constants;
  k.indexMask = byScale(s, 255, 511, 1023);
  const double turned = radians(s) + kQuarterTurn;
  k.direction[0] = std::int32_t(std::sin(turned) * 250);
  k.direction[1] = std::int32_t(std::cos(turned) * 250);
  k.strokeMask = byWeight(s, {3, 7, 15, 31, 63});
  k.strokeShift = byWeight(s, {6, 5, 4, 3, 2});
  if (s.scaleFactor == 2) {
    k.strokeMask = 2 * k.strokeMask + 1;
    k.strokeShift -= 1;
  } else if (s.scaleFactor == 4) {
    k.strokeMask = 4 * k.strokeMask + 3;
    k.strokeShift -= 2;
  }
  sineWave(s, k.indexMask, 10.0 * s.warping);
}

void chaosSetUp(RenderState& s, bool round) {
  s.constants.shift = byScale(s, 2, 1, 0);
  s.constants.multiplier = byWeight(s, {5, 4, 3, 2, 1});
  std::int16_t* w = s.tables->waveTable;
  for (std::int32_t i = 0; i < kWaveTableSize; ++i) {
    if (round) {
      w[i] = std::int16_t(std::sin(i * 2 * kPi / 4096) * (s.warping + 50) * 20);
    } else {
      const std::int32_t v = (s.warping + 50) * i * 40 / 4096;
      w[i] = std::int16_t(i > 2047 ? 1500 - v : v);
    }
  }
}

void crosscutSetUp(RenderState& s, bool maze) {
  RenderTables& t = *s.tables;
  s.constants.shift = byScale(s, 2, 1, 0);
  s.constants.density = byWeight(s, {8, 6, 4, 2, 2}) / (maze ? 2 : 1);
  const double c = std::cos(radians(s));
  const double sn = std::sin(radians(s));
  for (std::int32_t i = 0; i < kToneLevels; ++i) {
    t.displaceX[i] = std::int32_t(c * (s.scaleFactor * i) * s.warping / 200);
    t.displaceY[i] = std::int32_t(sn * (s.scaleFactor * i) * s.warping / 200);
  }
  for (std::int32_t i = 0; i <= 197; ++i) t.waveTable[i] = std::int16_t(std::int16_t(draw()) >> 4);
}

void xorSetUp(RenderState& s) {
  s.constants.shift = byScale(s, 2, 1, 0);
  s.constants.randomMask = byScale(s, 31, 7, 0);
  s.constants.rotation[0] = std::int32_t(std::cos(radians(s)) * 255 * s.warping / 100);
  s.constants.rotation[1] = std::int32_t(std::sin(radians(s)) * 255 * s.warping / 100);
}

// Two straight segments: the lower third of the tones spreads over the lower half.
double splatterCurve(double v) { return v < 0.33 ? v * 0.5 / 0.33 : (v - 0.33) * 0.5 / 0.67 + 0.5; }

void splatterSetUp(RenderState& s) {
  for (std::int32_t i = 0; i <= s.lastColumn; ++i) errorRow(s)[i] = std::int16_t((draw() & 255) - 127);
  for (std::int32_t i = 0; i < kToneLevels; ++i)
    s.tables->waveTable[i] = std::int16_t(255.0 * splatterCurve(i / 255.0));
  StyleConstants& k = s.constants;
  k.splatterBias = byWeight(s, {10, 8, 6, 5, 4});
  k.splatterMask = s.scaleFactor == 1 ? 63 : 127;
  k.splatterShift = s.scaleFactor == 1 ? 2 : 1;
  if (s.scaleFactor == 4) k.splatterBias /= 2;
}

void hatchingSetUp(RenderState& s) {
  s.constants.strokeFactor = byWeight(s, {8, 6, 4, 2, 1});
  s.constants.shift = byScale(s, 2, 1, 0);
  s.constants.strokeShift = byScale(s, 2, 3, 4);
  std::int16_t* w = s.tables->waveTable;
  for (std::int32_t i = 0; i < 256; ++i)
    w[i] = std::int16_t(std::sin(i * kPi / 620 + 0.78539816325) * (s.warping + 10) * 100);
  for (std::int32_t i = 0; i < 2048; ++i) w[256 + i] = std::int16_t(draw() & 255);
}

void shardsSetUp(RenderState& s) {
  s.constants.shift = byScale(s, 4, 3, 2);
  std::int16_t* w = s.tables->waveTable;
  for (std::int32_t i = 0; i < 1024; ++i) w[i] = std::int16_t(draw() & 255);
  for (std::int32_t i = 0; i < 1024; ++i) w[1024 + i] = std::int16_t((draw() >> 3) & 31);
}

void bubblesSetUp(RenderState& s) {
  StyleConstants& k = s.constants;
  k.strokeFactor = byWeight(s, {7, 6, 5, 4, 3});
  k.shift = byScale(s, 2, 1, 0);
  k.ringFactor = byScale(s, 4, 8, 16);
  std::int16_t* w = s.tables->waveTable;
  for (std::int32_t i = 0; i < 1024; ++i) {
    w[i] = std::int16_t(draw() & 255);
    w[1024 + i] = std::int16_t((draw() >> 3) & 31);
  }
  for (std::int32_t i = 0; i < 2048; ++i)
    w[2048 + i] = std::int16_t((std::int32_t(std::sqrt(double(i)) * k.strokeFactor) * k.ringFactor + 64) & 255);
  rampSetUp(s);
}

void cellSetUp(RenderState& s) {
  const double turned = radians(s) + kQuarterTurn;
  for (std::int32_t i = 0; i < kToneLevels; ++i) {
    s.tables->displaceX[i] = std::int32_t(std::cos(turned) * i * s.warping / 100);
    s.tables->displaceY[i] = std::int32_t(std::sin(turned) * i * s.warping / 100);
  }
}

void styleSetUp(RenderState& s) {
  switch (s.style) {
    case 3: rippleSetUp(s); break;
    case 4: arabesqueSetUp(s); break;
    case 5: waveSetUp(s); break;
    case 6: chaosSetUp(s, false); break;
    case 7: chaosSetUp(s, true); break;
    case 8:
    case 13: rampSetUp(s); break;
    case 9: crosscutSetUp(s, false); break;
    case 10: crosscutSetUp(s, true); break;
    case 11: xorSetUp(s); break;
    case 12: splatterSetUp(s); break;
    case 14: hatchingSetUp(s); break;
    case 15: shardsSetUp(s); break;
    case 16: bubblesSetUp(s); break;
    case 21:
    case 22:
    case 23: cellSetUp(s); break;
    default: break;  // 1, 2, 17, 18, 19, 20, 24, 25 have no tables of their own
  }
}

bool clearsErrorRow(std::int32_t style) { return style == 1 || style == 20 || style == 24 || style == 25; }

}  // namespace

void prepareToneMap(RenderState& state, std::int32_t invertMode) {
  std::int16_t* map = state.tables->toneMap;
  for (int i = 0; i < kToneLevels; ++i) map[i] = std::int16_t(255 - i);
  state.invertDarkRegion = state.invertBrightRegion = 0;
  int from = 0;
  int to = -1;
  switch (invertMode) {
    case 2: state.invertDarkRegion = 1, from = 0, to = 127; break;
    case 3: state.invertBrightRegion = 1, from = 128, to = 255; break;
    case 4: state.invertDarkRegion = state.invertBrightRegion = 1, from = 0, to = 255; break;
    default: break;
  }
  for (int i = from; i <= to; ++i) map[i] = std::int16_t(255 - map[i]);
}

void prepareStyleTables(RenderState& state, const UserValues& settings) {
  UserValues look = settings;
  clampUserValues(look);
  state.style = look.style;
  state.scaleFactor = look.scale == 1 ? 1 : (look.scale == 2 ? 2 : 4);
  state.lineWeight = look.lineWeight;
  state.warping = look.warping;
  state.angle = look.angle;
  state.grayOutput = look.gray != 0;
  state.invertMode = styleIgnoresInvertMode(look.style) ? 1 : look.invertMode;
  std::memset(&state.constants, 0, sizeof state.constants);
  if (clearsErrorRow(state.style)) clearErrorRow(state);
  styleSetUp(state);
  prepareToneMap(state, state.invertMode);
  state.arabesqueCarry = 0;
}

}  // namespace qm
