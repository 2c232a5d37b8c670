// SPDX-License-Identifier: LicenseRef-Quillmark
// The resampling weights every buffer shares: built once, on first use, by whichever thread
// gets there first (a function-local static, so the build is thread-safe).
#include <cmath>

#include "engine/image_buffer.h"

namespace qm {
namespace {

constexpr double kPi = 3.141592653;
constexpr int kPhases = 128;
constexpr int kTaps = 5;
constexpr int kSubPositions = 20;

// Lanczos window of radius 2.
double lanczos2(double z) {
  if (z <= -2.0 || z >= 2.0) return 0.0;
  if (z == 0.0) return 1.0;
  const double a = kPi * z;
  const double b = a / 2.0;
  return (std::sin(a) / a) * (std::sin(b) / b);
}

// The integer taps are truncated and the last one takes the remainder, so every phase sums
// exactly to `total` and a flat image stays flat.
void scaleTaps(const float weights[kTaps], std::int32_t total, std::int32_t out[kTaps]) {
  std::int32_t sum = 0;
  for (int j = 0; j < kTaps - 1; ++j) {
    out[j] = std::int32_t(weights[j] * float(total));
    sum += out[j];
  }
  out[kTaps - 1] = total - sum;
}

void buildPhase(int phase, LanczosWeights& table) {
  const double t = double(phase) / kPhases - 2.0;
  double sums[kTaps] = {};
  // Box-averaged over sub-positions, so a sample stands for a pixel's area, not its centre.
  for (int k = 0; k < kSubPositions; ++k) {
    const double u = t - double(k) / 21.0;
    for (int j = 0; j < kTaps; ++j) sums[j] += lanczos2(u + j);
  }
  const double total = sums[0] + sums[1] + sums[2] + sums[3] + sums[4];
  float weights[kTaps];
  float firstFour = 0.0f;
  for (int j = 0; j < kTaps - 1; ++j) {
    weights[j] = float(sums[j] / total);
    firstFour += weights[j];
  }
  weights[kTaps - 1] = 1.0f - firstFour;
  std::int32_t taps2048[kTaps], taps32768[kTaps];
  scaleTaps(weights, 2048, taps2048);
  scaleTaps(weights, 32768, taps32768);
  for (int j = 0; j < kTaps; ++j) {
    table.weights[j][phase] = weights[j];
    table.weights2048[j][phase] = taps2048[j];
    table.weights32768[j][phase] = taps32768[j];
  }
}

LanczosWeights buildWeights() {
  LanczosWeights table{};
  for (int phase = 0; phase < kPhases; ++phase) buildPhase(phase, table);
  return table;
}

}  // namespace

const LanczosWeights& lanczosWeights() {
  static const LanczosWeights table = buildWeights();
  return table;
}

}  // namespace qm
