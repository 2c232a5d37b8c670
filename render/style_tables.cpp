// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/style_tables.h"

#include <cmath>
#include <cstring>

#include "render/style_registry.h"
#include "render/style_setup.h"

namespace qm {
namespace setup {

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

}  // namespace setup

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
  const StyleEntry& style = styleEntry(look.style);
  state.style = style.number;
  state.scaleFactor = look.scale == 1 ? 1 : (look.scale == 2 ? 2 : 4);
  state.lineWeight = look.lineWeight;
  state.warping = look.warping;
  state.angle = look.angle;
  state.grayOutput = look.gray != 0;
  state.invertMode = style.has(kIgnoresInvertMode) ? 1 : look.invertMode;
  std::memset(&state.constants, 0, sizeof state.constants);
  if (style.has(kClearsErrorRow))
    std::memset(state.errorRow, 0, errorRowEntries(state.lastColumn + 1) * sizeof(std::int16_t));
  if (style.setUp) style.setUp(state);
  prepareToneMap(state, state.invertMode);
  state.arabesqueCarry = 0;
}

}  // namespace qm
