// SPDX-License-Identifier: LicenseRef-Quillmark
// The per-style set-up of a render: the style's tables and constants, the tone map with the
// invert mode, and the error row's starting contents. Runs on the calling thread before
// any task; random draws come from that thread's generator.
#pragma once

#include <cstdint>

#include "engine/jobs.h"
#include "render/render_state.h"
#include "render/style_row.h"
#include "settings/ink_settings.h"

namespace qm {

constexpr int kStyleCount = 25;

// Fills the style's part of `state` from the look (values outside their ranges are brought
// into them first). The error row must already hold the render width (state.lastColumn + 1).
void prepareStyleTables(RenderState& state, const UserValues& look);

// The tone map alone: entry g = 255 - g, reflected over 0..127 ("invert light"), 128..255
// ("invert dark") or everywhere ("invert all"), with the matching invert flags.
void prepareToneMap(RenderState& state, std::int32_t invertMode);

// Row mode for the styles that carry an error or a phase from row to row, band mode for
// the others. Styles outside 1..25 count as the default style.
TaskLayout styleLayout(std::int32_t style);
// The row function of a style.
StyleRowFunction styleRowFunction(std::int32_t style);
// The styles whose own inversion is in the tone map ignore the invert mode.
bool styleIgnoresInvertMode(std::int32_t style);

}  // namespace qm
