// SPDX-License-Identifier: LicenseRef-Quillmark
// The cell and texture screens. Shards and bubbles find each pixel's nearest jittered cell
// centre (jittered_cells.h): shards give the whole cell one random grey, bubbles draw rings
// round the centre. Spots, netting and spiders read the equalised dot texture, tiled over
// the image and pushed about by the blurred grey, and shape its value into dots, a net or
// two sawtooth teeth. Every pixel is ink where its density exceeds the value.
#include <algorithm>
#include <cmath>

#include "render/jittered_cells.h"
#include "render/period_wrap.h"
#include "render/style_families.h"
#include "render/style_setup.h"

namespace qm {
namespace {

constexpr std::int32_t kRingTable = 2048;  // bubbles' rings: W[2048 + squared distance]
constexpr std::int64_t kNoCachedColumn = -9999;

std::int32_t paperOrInk(bool paper) { return paper ? 255 : 0; }

void storeDecision(StyleRowContext& context, std::int32_t x, std::int32_t value) {
  putInk(context, x, value, paperOrInk(densityAt(context, x) <= value), toneAt(context, x));
}

// The jitters depend on the cell column only, the row being fixed, so they are redrawn
// when the column changes: once every 32 >> shift pixels.
void renderJitteredCellRow(StyleRowContext& context, bool bubbles) {
  const RenderState& state = *context.state;
  const std::int16_t* w = state.tables->waveTable;
  const std::int32_t shift = state.constants.shift;
  const CellCoordinate row = cellCoordinate(patternY(context), shift);
  std::int64_t cachedColumn = kNoCachedColumn;
  CellJitter jitter{};
  for (std::int32_t x = context.first; x <= context.last; ++x) {
    const CellCoordinate column = cellCoordinate(patternX(context, x), shift);
    if (column.cell != cachedColumn) {
      jitter = cellJitter(w, column.cell, row.cell);
      cachedColumn = column.cell;
    }
    const NearestCell nearest = nearestCell(jitter, column.local, row.local);
    std::int32_t value;
    if (bubbles) {
      value = w[kRingTable + nearest.distance];  // distance <= 1922, see jittered_cells.h
    } else {
      const std::uint32_t ix = std::uint32_t(column.cell + nearest.dx);
      const std::uint32_t iy = std::uint32_t(row.cell + nearest.dy);
      value = w[(47 * iy + 33 * ix) & std::uint32_t(kCellJitterMask)];
    }
    storeDecision(context, x, value);
  }
}

enum class SpotShape { dots, net, teeth };

// Netting folds the upper half back down (a ridge at the tile's middle values); spiders
// restart it from 0 (two sawtooth teeth).
std::int32_t shapeSpot(std::int32_t v, SpotShape shape) {
  const std::int32_t twice = 2 * v;
  switch (shape) {
    case SpotShape::net: return twice > 255 ? 510 - twice : twice;
    case SpotShape::teeth: return twice > 255 ? twice - 255 : twice;
    case SpotShape::dots: break;
  }
  return v;
}

// Band mode: a pure function of the position, the two greys and the tables. Without a tile
// (the set-up could not make one) the pixel is a plain threshold at half density.
void renderSpotTileRow(StyleRowContext& context, SpotShape shape) {
  const RenderTables& tables = *context.state->tables;
  const ImageBuffer& tile = tables.spotTile;
  const bool hasTile = hasPixels(tile) && tile.format == kGray8;
  const std::int32_t width = hasTile ? tile.width[0] : 1;
  const std::int32_t height = hasTile ? tile.height[0] : 1;
  const std::int64_t py = patternY(context);
  const PeriodWrap wrapX(width), wrapY(height);
  for (std::int32_t x = context.first; x <= context.last; ++x) {
    if (!hasTile) {
      storeDecision(context, x, 127);
      continue;
    }
    const std::int32_t blurred = std::clamp<std::int32_t>(blurredToneAt(context, x), 0, kToneLevels - 1);
    const std::int32_t tx = wrapX(std::int64_t(tables.displaceX[blurred]) + width + patternX(context, x));
    const std::int32_t ty = wrapY(std::int64_t(tables.displaceY[blurred]) + height + py);
    storeDecision(context, x, shapeSpot(*pixelAddress(tile, tx, ty, 0), shape));
  }
}

}  // namespace

void shardsSetUp(RenderState& s) {
  s.constants.shift = setup::byScale(s, 4, 3, 2);
  std::int16_t* w = s.tables->waveTable;
  for (std::int32_t i = 0; i < 1024; ++i) w[i] = std::int16_t(setup::draw() & 255);
  for (std::int32_t i = 0; i < 1024; ++i) w[1024 + i] = std::int16_t((setup::draw() >> 3) & 31);
}

// Random cells, then the rings, then the ramp set-up, whose sine entries replace the first
// random ones.
void bubblesSetUp(RenderState& s) {
  StyleConstants& k = s.constants;
  k.strokeFactor = setup::byWeight(s, {7, 6, 5, 4, 3});
  k.shift = setup::byScale(s, 2, 1, 0);
  k.ringFactor = setup::byScale(s, 4, 8, 16);
  std::int16_t* w = s.tables->waveTable;
  for (std::int32_t i = 0; i < 1024; ++i) {
    w[i] = std::int16_t(setup::draw() & 255);
    w[1024 + i] = std::int16_t((setup::draw() >> 3) & 31);
  }
  for (std::int32_t i = 0; i < 2048; ++i)
    w[2048 + i] = std::int16_t((std::int32_t(std::sqrt(double(i)) * k.strokeFactor) * k.ringFactor + 64) & 255);
  setup::rampSetUp(s);
}

void renderShardsRow(StyleRowContext& context) { renderJitteredCellRow(context, false); }
void renderBubblesRow(StyleRowContext& context) { renderJitteredCellRow(context, true); }

// The blurred grey pushes the texture across the angle, scaled by the warping.
void dotTextureSetUp(RenderState& s) {
  const double turned = setup::radians(s) + setup::kQuarterTurn;
  for (std::int32_t i = 0; i < kToneLevels; ++i) {
    s.tables->displaceX[i] = std::int32_t(std::cos(turned) * i * s.warping / 100);
    s.tables->displaceY[i] = std::int32_t(std::sin(turned) * i * s.warping / 100);
  }
}

void renderSpotsRow(StyleRowContext& context) { renderSpotTileRow(context, SpotShape::dots); }
void renderNettingRow(StyleRowContext& context) { renderSpotTileRow(context, SpotShape::net); }
void renderSpidersRow(StyleRowContext& context) { renderSpotTileRow(context, SpotShape::teeth); }

}  // namespace qm
