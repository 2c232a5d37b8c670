// SPDX-License-Identifier: LicenseRef-Quillmark
// What each family of styles provides: a set-up that fills the style's tables and
// constants, and a row function that renders one row (style_row.h). The style registry
// puts them together with the style's number, name, layout and flags; nothing else calls
// them. Styles without tables of their own have no set-up.
#pragma once

#include <cstdint>

#include "render/render_state.h"
#include "render/style_row.h"

namespace qm {

// The error-carrying styles (error_diffusion_styles.cpp).
void renderDiffusionRow(StyleRowContext& context);
void renderOstromoukhovRow(StyleRowContext& context);
void renderHyperARow(StyleRowContext& context);
void renderHyperBRow(StyleRowContext& context);

// The styles that carry a phase or a running sum (carried_phase_styles.cpp).
void rippleSetUp(RenderState& state);
void renderRippleRow(StyleRowContext& context);
void arabesqueSetUp(RenderState& state);
void renderArabesqueRow(StyleRowContext& context);
void splatterSetUp(RenderState& state);
void renderSplatterRow(StyleRowContext& context);

// Threshold screens (threshold_screens.cpp).
void renderNoiseRow(StyleRowContext& context);
void waveSetUp(RenderState& state);
void renderWaveRow(StyleRowContext& context);
void xorSetUp(RenderState& state);
void renderXorRow(StyleRowContext& context);
void renderPosterTone1Row(StyleRowContext& context);
void renderPosterTone2Row(StyleRowContext& context);
void renderBayerRow(StyleRowContext& context);

// Line and pattern screens (line_screens.cpp). The two chaos styles share their row
// function, crosscut and maze their set-up; basketweave and flow use the ramp set-up.
void squareChaosSetUp(RenderState& state);
void roundChaosSetUp(RenderState& state);
void renderChaosRow(StyleRowContext& context);
void renderBasketweaveRow(StyleRowContext& context);
void crosscutSetUp(RenderState& state);
void mazeSetUp(RenderState& state);
void renderCrosscutRow(StyleRowContext& context);
void renderMazeRow(StyleRowContext& context);
void renderFlowRow(StyleRowContext& context);
void hatchingSetUp(RenderState& state);
void renderHatchingRow(StyleRowContext& context);

// Cell and texture screens (cell_screens.cpp). Spots, netting and spiders share their
// set-up and read the spot tile.
void shardsSetUp(RenderState& state);
void renderShardsRow(StyleRowContext& context);
void bubblesSetUp(RenderState& state);
void renderBubblesRow(StyleRowContext& context);
void dotTextureSetUp(RenderState& state);
void renderSpotsRow(StyleRowContext& context);
void renderNettingRow(StyleRowContext& context);
void renderSpidersRow(StyleRowContext& context);

// The 128 rows of the variable error-diffusion coefficients (right, down-left, down) for
// densities 0..127; densities above 127 use row 255 - density.
struct DiffusionWeights {
  std::int16_t right;
  std::int16_t downLeft;
  std::int16_t down;
};
extern const DiffusionWeights kOstromoukhovWeights[128];

}  // namespace qm
