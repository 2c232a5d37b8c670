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

std::int32_t paperOrInk(bool paper) { return paper ? 255 : 0; }

// Always inline: the compiler would otherwise keep it a call in the spot rows, one a pixel.
template <class Ink>
[[gnu::always_inline]] inline void storeDecision(const Ink& ink, const StyleRowContext& context, std::int32_t x,
                                                 std::int32_t value) {
  ink.put(x, value, paperOrInk(densityAt(context, x) <= value), toneAt(context, x));
}

// The grey of shard cell (cx + dx, cy + dy) is W[47 (cy + dy) + 33 (cx + dx)], the base
// being 47 cy + 33 cx and the candidate's number dx + 2 dy.
std::uint32_t shardGreyIndex(std::uint32_t base, std::int32_t candidate) {
  static constexpr std::uint32_t kCandidateOffsets[4] = {0, 33, 47, 80};
  return (base + kCandidateOffsets[candidate]) & std::uint32_t(kCellJitterMask);
}

// The jitters depend on the cell column only, the row being fixed, so the row goes in runs
// of one cell column, 32 >> shift pixels each: the local x starts at 16..47 and steps by
// 1 << shift up to 47, then the next column starts 32 lower.
void renderJitteredCellRow(StyleRowContext& context, bool bubbles) {
  const RenderState& state = *context.state;
  const std::int16_t* w = state.tables->waveTable;
  const std::int32_t shift = state.constants.shift;
  const std::int32_t step = 1 << shift;
  const CellCoordinate row = cellCoordinate(patternY(context), shift);
  const CellCoordinate column = cellCoordinate(patternX(context, context.first), shift);
  CellColumnWalk walk(w, column.cell, row.cell);
  std::uint32_t greyBase = 47 * std::uint32_t(row.cell) + 33 * std::uint32_t(column.cell);
  std::int32_t lx = column.local;
  withRowInk(context, [&](const auto ink) {
    for (std::int32_t x = context.first; x <= context.last; lx -= 32, greyBase += 33) {
      const CellJitter jitter = walk.jitter();
      const NearestAlongRun nearest(jitter, row.local);
      const std::int32_t runEnd = std::min(context.last, x + ((47 - lx) >> shift));
      for (; x <= runEnd; ++x, lx += step) {
        const std::int32_t key = nearest.key(lx);
        // distance <= 1922, see jittered_cells.h
        const std::int32_t value = bubbles ? w[kRingTable + (key >> 2)] : w[shardGreyIndex(greyBase, key & 3)];
        storeDecision(ink, context, x, value);
      }
      walk.advance(jitter);
    }
  });
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

// The tile's value at (tx, ty) of the tile: a tile that fits one block of the image is
// read straight from it, its rows kTileSize apart.
template <class Visit>
void withTileReader(const ImageBuffer& tile, Visit visit) {
  if (tile.width[0] <= kTileSize && tile.height[0] <= kTileSize) {
    const std::uint8_t* block = pixelAddress(tile, 0, 0, 0);
    visit([block](std::int32_t tx, std::int32_t ty) {
      return block[(std::size_t(ty) << kTileShift) + std::size_t(tx)];
    });
  } else {
    visit([&tile](std::int32_t tx, std::int32_t ty) { return *pixelAddress(tile, tx, ty, 0); });
  }
}

// A row over a tile that fits one block and whose width is a power of two, as every tile
// the set-up makes: where each blurred grey's displacement puts the row in the tile and
// its first column is worked out once a row; then a run of pixels at a time, their tile
// values first and then their ink, so that many pixels' lookups are under way at once
// rather than one pixel's chain of them. Gives each pixel what the plain remainders do,
// the column's low bits being all that its mask keeps.
template <SpotShape shape, class Ink>
void spotRowFromBlock(StyleRowContext& context, const Ink& ink, const ImageBuffer& tile, std::int64_t py,
                      std::int64_t columnOffset) {
  const RenderTables& tables = *context.state->tables;
  const std::int32_t width = tile.width[0];
  const std::int32_t height = tile.height[0];
  const PeriodWrap wrapY(height);
  const std::uint8_t* block = pixelAddress(tile, 0, 0, 0);
  const auto columnMask = std::uint32_t(width - 1);
  std::uint32_t rowStart[kToneLevels];
  std::uint32_t columnStart[kToneLevels];
  for (std::int32_t b = 0; b < kToneLevels; ++b) {
    rowStart[b] = std::uint32_t(wrapY(std::int64_t(tables.displaceY[b]) + height + py)) << kTileShift;
    columnStart[b] = std::uint32_t(std::uint64_t(std::int64_t(tables.displaceX[b]) + width + columnOffset));
  }
  constexpr std::int32_t kRun = 256;
  std::int32_t values[kRun];
  for (std::int32_t first = context.first; first <= context.last; first += kRun) {
    const std::int32_t count = std::min(kRun, context.last - first + 1);
    const BandCell* cells = context.rowCells + (first - context.cellLeft);
    for (std::int32_t i = 0; i < count; ++i) {
      const std::int32_t b = cells[i].blurred;
      const std::uint32_t tx = (columnStart[b] + std::uint32_t(first + i)) & columnMask;
      values[i] = shapeSpot(block[rowStart[b] + tx], shape);
    }
    for (std::int32_t i = 0; i < count; ++i) storeDecision(ink, context, first + i, values[i]);
  }
}

// Band mode: a pure function of the position, the two greys and the tables. Without a tile
// (the set-up could not make one) the pixel is a plain threshold at half density.
template <SpotShape shape>
void renderSpotTileRow(StyleRowContext& context) {
  const RenderTables& tables = *context.state->tables;
  const ImageBuffer& tile = tables.spotTile;
  if (!hasPixels(tile) || tile.format != kGray8) {
    const CheckedInk ink{context};
    for (std::int32_t x = context.first; x <= context.last; ++x) storeDecision(ink, context, x, 127);
    return;
  }
  const std::int32_t width = tile.width[0];
  const std::int32_t height = tile.height[0];
  const std::int64_t py = patternY(context);
  const std::int64_t columnOffset = std::int64_t(patternX(context, context.first)) - context.first;
  const PeriodWrap wrapX(width), wrapY(height);
  withRowInk(context, [&](const auto ink) {
    if (width <= kTileSize && height <= kTileSize && (width & (width - 1)) == 0) {
      spotRowFromBlock<shape>(context, ink, tile, py, columnOffset);
      return;
    }
    withTileReader(tile, [&](auto tileValue) {
      for (std::int32_t x = context.first; x <= context.last; ++x) {
        const std::int32_t blurred = std::clamp<std::int32_t>(blurredToneAt(context, x), 0, kToneLevels - 1);
        const std::int32_t tx = wrapX(std::int64_t(tables.displaceX[blurred]) + width + columnOffset + x);
        const std::int32_t ty = wrapY(std::int64_t(tables.displaceY[blurred]) + height + py);
        storeDecision(ink, context, x, shapeSpot(tileValue(tx, ty), shape));
      }
    });
  });
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

void renderSpotsRow(StyleRowContext& context) { renderSpotTileRow<SpotShape::dots>(context); }
void renderNettingRow(StyleRowContext& context) { renderSpotTileRow<SpotShape::net>(context); }
void renderSpidersRow(StyleRowContext& context) { renderSpotTileRow<SpotShape::teeth>(context); }

}  // namespace qm
