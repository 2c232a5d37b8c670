// SPDX-License-Identifier: LicenseRef-Quillmark
// What the styles' set-ups share: the constants picked by scale and line weight, the angle
// in radians, the random draws and the two tables several styles fill alike. A set-up runs
// on the calling thread before any task; its random draws come straight from that thread's
// seeded generator, in a fixed order, so a seeded render repeats. Floating values become
// integers by truncation toward zero, as every table of the styles expects.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "platform/random_generator.h"
#include "render/render_state.h"

namespace qm::setup {

constexpr double kRadiansPerDegree = 0.017453292519943;
constexpr double kQuarterTurn = 1.5707963267948966;
constexpr double kPi = 3.141592653;

// One of the values by scale factor 1, 2, 4.
inline std::int32_t byScale(const RenderState& s, std::int32_t one, std::int32_t two, std::int32_t four) {
  return s.scaleFactor == 1 ? one : (s.scaleFactor == 2 ? two : four);
}
// One of the values by line weight 1..5.
inline std::int32_t byWeight(const RenderState& s, std::initializer_list<std::int32_t> values) {
  const std::int32_t index = std::clamp<std::int32_t>(s.lineWeight - 1, 0, std::int32_t(values.size()) - 1);
  return values.begin()[index];
}

inline std::int32_t draw() { return nextRandom(); }
inline double radians(const RenderState& s) { return s.angle * kRadiansPerDegree; }

// waveTable[0..n] = sin(i pi / n) x amplitude.
void sineWave(RenderState& s, std::int32_t n, double amplitude);
// Basketweave, flow and bubbles: the sine ramp by scale, the ramp table, and the
// displacements along the angle, scaled by the warping.
void rampSetUp(RenderState& s);

}  // namespace qm::setup
