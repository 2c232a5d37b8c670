// SPDX-License-Identifier: LicenseRef-Quillmark
// The grey level (0 ink .. 1 paper) an ink byte stands for in a document of each depth.
// Ink and paper are 0 and 255 at every depth. Under the gray setting a style's value v
// becomes v / 255 in 8-bit and float documents, and in 16-bit documents the 15-bit value
// that spreads v over the whole scale, (v >> 1 | v << 7) / 32768, with 255 at 1.0.
#pragma once

#include <cstdint>

#include "render/render_state.h"

namespace qm {

// 257 levels for the depth (an InkDepth), the last (a cell no style wrote) paper's; unknown
// depths take the 8-bit ones.
const float* inkLevels(std::int32_t depth);

}  // namespace qm
