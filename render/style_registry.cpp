// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/style_registry.h"

#include <array>

#include "render/style_families.h"
#include "render/style_setup.h"
#include "render/registry_rows.h"
#include "settings/name_tables.h"

namespace qm {
namespace {

constexpr std::uint32_t kNone = 0;

constexpr std::array<StyleEntry, kStyleCount> kStyles{{
    {1, styleName(1), rowMode, nullptr, renderDiffusionRow, kIgnoresInvertMode | kClearsErrorRow},
    {2, styleName(2), bandMode, nullptr, renderNoiseRow, kIgnoresInvertMode},
    {3, styleName(3), rowMode, rippleSetUp, renderRippleRow, kClearsErrorRow},
    {4, styleName(4), rowMode, arabesqueSetUp, renderArabesqueRow, kCarriesPhase},
    {5, styleName(5), bandMode, waveSetUp, renderWaveRow, kNone},
    {6, styleName(6), bandMode, squareChaosSetUp, renderChaosRow, kIgnoresInvertMode},
    {7, styleName(7), bandMode, roundChaosSetUp, renderChaosRow, kIgnoresInvertMode},
    {8, styleName(8), bandMode, setup::rampSetUp, renderBasketweaveRow, kNone},
    {9, styleName(9), bandMode, crosscutSetUp, renderCrosscutRow, kNone},
    {10, styleName(10), bandMode, mazeSetUp, renderMazeRow, kNone},
    {11, styleName(11), bandMode, xorSetUp, renderXorRow, kNone},
    {12, styleName(12), rowMode, splatterSetUp, renderSplatterRow, kNone},
    {13, styleName(13), bandMode, setup::rampSetUp, renderFlowRow, kNone},
    {14, styleName(14), rowMode, hatchingSetUp, renderHatchingRow, kNone},
    {15, styleName(15), rowMode, shardsSetUp, renderShardsRow, kNone},
    {16, styleName(16), rowMode, bubblesSetUp, renderBubblesRow, kNone},
    {17, styleName(17), bandMode, nullptr, renderPosterTone1Row, kNone},
    {18, styleName(18), bandMode, nullptr, renderPosterTone2Row, kNone},
    {19, styleName(19), bandMode, nullptr, renderBayerRow, kNone},
    {20, styleName(20), rowMode, nullptr, renderOstromoukhovRow, kIgnoresInvertMode | kClearsErrorRow},
    {21, styleName(21), bandMode, dotTextureSetUp, renderSpotsRow, kUsesSpotTile},
    {22, styleName(22), bandMode, dotTextureSetUp, renderNettingRow, kUsesSpotTile},
    {23, styleName(23), bandMode, dotTextureSetUp, renderSpidersRow, kUsesSpotTile},
    {24, styleName(24), rowMode, nullptr, renderHyperARow, kIgnoresInvertMode | kClearsErrorRow},
    {25, styleName(25), rowMode, nullptr, renderHyperBRow, kIgnoresInvertMode | kClearsErrorRow},
}};

static_assert(numberedInOrder(kStyles), "one row per style, in number order");

}  // namespace

std::span<const StyleEntry> styleEntries() { return kStyles; }

const StyleEntry& styleEntry(std::int32_t style) { return rowFor(kStyles, style); }

}  // namespace qm
