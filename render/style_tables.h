// SPDX-License-Identifier: LicenseRef-Quillmark
// The set-up of a render's style: the style's tables and constants, the tone map with the
// invert mode, and the error row's starting contents. Runs on the calling thread before
// any task; random draws come from that thread's generator.
#pragma once

#include <cstdint>

#include "render/render_state.h"
#include "settings/ink_settings.h"

namespace qm {

// Fills the style's part of `state` from the look (values outside their ranges are brought
// into them first). The error row must already hold the render width (state.lastColumn + 1).
void prepareStyleTables(RenderState& state, const UserValues& look);

// The tone map alone: entry g = 255 - g, reflected over 0..127 ("invert light"), 128..255
// ("invert dark") or everywhere ("invert all"), with the matching invert flags.
void prepareToneMap(RenderState& state, std::int32_t invertMode);

}  // namespace qm
