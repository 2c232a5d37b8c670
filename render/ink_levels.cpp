// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/ink_levels.h"

#include <array>

namespace qm {
namespace {

using LevelTable = std::array<float, 257>;

LevelTable eightBitLevels() {
  LevelTable levels{};
  for (int v = 0; v < 256; ++v) levels[std::size_t(v)] = float(v) / 255.0f;
  levels[256] = 1.0f;
  return levels;
}

LevelTable sixteenBitLevels() {
  LevelTable levels{};
  for (int v = 0; v < 256; ++v) levels[std::size_t(v)] = v < 255 ? float((v >> 1) | (v << 7)) / 32768.0f : 1.0f;
  levels[256] = 1.0f;
  return levels;
}

}  // namespace

const float* inkLevels(std::int32_t depth) {
  static const LevelTable eight = eightBitLevels();
  static const LevelTable sixteen = sixteenBitLevels();
  return depth == kInk16 ? sixteen.data() : eight.data();
}

}  // namespace qm
