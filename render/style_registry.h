// SPDX-License-Identifier: LicenseRef-Quillmark
// The registry of the ink styles: one row per style, in number order, with everything the
// renderer needs to know of it. The driver, the set-up and the tests read it; nothing else
// lists styles or tests a style by its number. Names and the count live in the settings'
// name tables (settings/name_tables.h), which the command and the scripting terminology read.
// style_template.h says what a new style must provide.
#pragma once

#include <cstdint>
#include <span>

#include "engine/jobs.h"
#include "render/render_state.h"
#include "render/style_row.h"

namespace qm {

enum StyleFlag : std::uint32_t {
  // The style's own inversion lives in its tone map (or it compares with the grey itself),
  // so the invert mode is ignored: it renders as "normal".
  kIgnoresInvertMode = 1u << 0,
  // The set-up clears the error row before the style's own set-up runs.
  kClearsErrorRow = 1u << 1,
  // The style thresholds the spot tile, which the set-up builds.
  kUsesSpotTile = 1u << 2,
  // The last phase of a row starts the next row (the arabesque carry), also across bands.
  kCarriesPhase = 1u << 3,
};

using StyleSetUp = void (*)(RenderState& state);

struct StyleEntry {
  std::int32_t number;    // 1..kStyleCount
  const char* name;       // from the settings' name table
  TaskLayout layout;      // rowMode where a row reads what the row above left, else bandMode
  StyleSetUp setUp;       // the style's tables and constants; null when it has none
  StyleRowFunction row;
  std::uint32_t flags;    // StyleFlag

  bool has(StyleFlag flag) const { return (flags & flag) != 0; }
};

// Every style, in number order.
std::span<const StyleEntry> styleEntries();
// The row of a style. A number outside 1..kStyleCount is brought into that range, as every
// value of a look is (style 0 renders as 1), so no caller can read outside the table.
const StyleEntry& styleEntry(std::int32_t style);

}  // namespace qm
