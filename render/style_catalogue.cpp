// SPDX-License-Identifier: LicenseRef-Quillmark
#include <array>

#include "render/style_tables.h"

namespace qm {
namespace {

constexpr std::int32_t kDefaultStyle = 4;

// The screens whose row functions are not written yet render a plain threshold at half
// density, so every style number gives a usable picture meanwhile.
void renderThresholdRow(StyleRowContext& context) {
  for (std::int32_t x = context.first; x <= context.last; ++x) {
    const std::int32_t density = densityAt(context, x);
    putInk(context, x, 255 - density, density < 128 ? 255 : 0, toneAt(context, x));
  }
}

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
    {renderThresholdRow, bandMode, true},      // 6 square chaos
    {renderThresholdRow, bandMode, true},      // 7 round chaos
    {renderThresholdRow, bandMode, false},     // 8 basketweave
    {renderThresholdRow, bandMode, false},     // 9 crosscut
    {renderThresholdRow, bandMode, false},     // 10 maze
    {renderXorRow, bandMode, false},           // 11 xor
    {renderSplatterRow, rowMode, false},       // 12 splatter
    {renderThresholdRow, bandMode, false},     // 13 flow
    {renderThresholdRow, rowMode, false},      // 14 hatching
    {renderThresholdRow, rowMode, false},      // 15 shards
    {renderThresholdRow, rowMode, false},      // 16 bubbles
    {renderPosterTone1Row, bandMode, false},   // 17 poster tone 1
    {renderPosterTone2Row, bandMode, false},   // 18 poster tone 2
    {renderBayerRow, bandMode, false},         // 19 Bayer
    {renderOstromoukhovRow, rowMode, true},    // 20 Ostromoukhov
    {renderThresholdRow, bandMode, false},     // 21 spots
    {renderThresholdRow, bandMode, false},     // 22 netting
    {renderThresholdRow, bandMode, false},     // 23 spiders
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
