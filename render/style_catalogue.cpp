// SPDX-License-Identifier: LicenseRef-Quillmark
#include <array>

#include "render/style_tables.h"

namespace qm {
namespace {

constexpr std::int32_t kDefaultStyle = 4;

// The styles whose inversion lives in the tone map, and the chaos styles, which compare
// with the grey itself, ignore the invert mode.
struct StyleEntry {
  StyleRowFunction row;
  TaskLayout layout;
  bool ignoresInvertMode;
};

constexpr std::array<StyleEntry, kStyleCount> kStyles{{
    {renderDiffusionRow, rowMode, true},       // 1 diffusion
    {renderNoiseRow, bandMode, true},          // 2 noise
    {renderRippleRow, rowMode, false},         // 3 ripple
    {renderArabesqueRow, rowMode, false},      // 4 arabesque
    {renderWaveRow, bandMode, false},          // 5 wave
    {renderChaosRow, bandMode, true},          // 6 square chaos
    {renderChaosRow, bandMode, true},          // 7 round chaos
    {renderBasketweaveRow, bandMode, false},   // 8 basketweave
    {renderCrosscutRow, bandMode, false},      // 9 crosscut
    {renderMazeRow, bandMode, false},          // 10 maze
    {renderXorRow, bandMode, false},           // 11 xor
    {renderSplatterRow, rowMode, false},       // 12 splatter
    {renderFlowRow, bandMode, false},          // 13 flow
    {renderHatchingRow, rowMode, false},       // 14 hatching
    {renderShardsRow, rowMode, false},         // 15 shards
    {renderBubblesRow, rowMode, false},        // 16 bubbles
    {renderPosterTone1Row, bandMode, false},   // 17 poster tone 1
    {renderPosterTone2Row, bandMode, false},   // 18 poster tone 2
    {renderBayerRow, bandMode, false},         // 19 Bayer
    {renderOstromoukhovRow, rowMode, true},    // 20 Ostromoukhov
    {renderSpotsRow, bandMode, false},         // 21 spots
    {renderNettingRow, bandMode, false},       // 22 netting
    {renderSpidersRow, bandMode, false},       // 23 spiders
    {renderHyperARow, rowMode, true},          // 24 Hyper A
    {renderHyperBRow, rowMode, true},          // 25 Hyper B
}};

const StyleEntry& entryOf(std::int32_t style) {
  return kStyles[std::size_t((style >= 1 && style <= kStyleCount ? style : kDefaultStyle) - 1)];
}

}  // namespace

TaskLayout styleLayout(std::int32_t style) { return entryOf(style).layout; }
StyleRowFunction styleRowFunction(std::int32_t style) { return entryOf(style).row; }
bool styleIgnoresInvertMode(std::int32_t style) { return entryOf(style).ignoresInvertMode; }

}  // namespace qm
