// SPDX-License-Identifier: LicenseRef-Quillmark
// The registry of the blend modes: one row per mode, in number order (the order of the
// blend list), with its name from the settings' name table and its function. blendPixel
// and the blend stage read it; nothing else lists modes or tests a mode by its number.
#pragma once

#include <cstdint>
#include <span>

#include "render/blend_families.h"

namespace qm {

struct BlendModeEntry {
  std::int32_t number;  // 1..kBlendModeCount
  const char* name;
  blend::PixelBlend blend;
};

constexpr std::int32_t kNormalBlend = 1;

// Every mode, in number order.
std::span<const BlendModeEntry> blendModeEntries();
// The row of a mode. A number outside 1..kBlendModeCount is brought into that range, as
// every value of a look is (blend 70 blends as 69), so no caller can read outside the table.
const BlendModeEntry& blendModeEntry(std::int32_t mode);

}  // namespace qm
