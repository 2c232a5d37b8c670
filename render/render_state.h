// SPDX-License-Identifier: LicenseRef-Quillmark
// What a render shares between its set-up and its row functions: the lookup tables, the
// per-style constants, the tone source and the error row. The set-up fills all of it on
// the calling thread before any task starts; the tasks only read it, except that row-mode
// styles write the error row and the arabesque carry (one task at a time, in row order).
// Plain records: FilterState embeds them in host memory, so pointers are re-set at every
// render and never kept from one call to the next.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/image_buffer.h"

namespace qm {

constexpr int kToneLevels = 256;
constexpr int kWaveTableSize = 4096;

struct RenderTables {
  std::int32_t sharpenAmount;                // 0..1024: sharpen x 1024 / 100
  std::int16_t toneMap[kToneLevels];         // sharpened grey -> ink density (0 paper, 255 ink)
  std::int16_t waveTable[kWaveTableSize];    // style-dependent content
  std::int32_t rampTable[kToneLevels];
  std::int32_t displaceX[kToneLevels];
  std::int32_t displaceY[kToneLevels];
  // Spots, netting and spiders: the equalised dot texture, Gray8, edge mode -1 (tiles in
  // both directions). Made by buildSpotTile for a line weight and scale; previews keep it
  // for the next preview, every other render frees it at its end.
  ImageBuffer spotTile;
  std::int32_t spotTileLineWeight;
  std::int32_t spotTileScale;
  std::int32_t spotTileDraws;  // the generator's draws that building it took
};

// The per-style constants of the set-up. Each style reads the ones it set.
struct StyleConstants {
  std::int32_t indexMask;        // ripple, wave, ramp styles: 255, 511, 1023 by scale
  std::int32_t amplitude;        // ripple: 127, 255, 511 by scale
  std::int32_t lineFactor;       // ripple: line weight x scale factor
  std::int32_t strokeMask;       // wave
  std::int32_t strokeShift;      // wave, hatching
  std::int32_t shift;            // chaos, crosscut, maze, xor, hatching, shards, bubbles
  std::int32_t multiplier;       // chaos, arabesque
  std::int32_t density;          // crosscut, maze
  std::int32_t strokeFactor;     // hatching, bubbles
  std::int32_t ringFactor;       // bubbles
  std::int32_t randomMask;       // xor
  std::int32_t splatterMask;
  std::int32_t splatterShift;
  std::int32_t splatterBias;
  std::int32_t phaseStep;        // arabesque: 64, 32, 16 by scale
  std::int32_t rotation[2];      // xor: cosine and sine of the angle, scaled by warping
  std::int32_t direction[2];     // wave: sine and cosine of the angle + 90 degrees, x 250
};

// Where sampleTone reads. Column x and row y of the render map to the pixel
// ((x x zoom + offsetX) >> level, (y x zoom + offsetY) >> level) of the source pyramid's
// level `level`. The tone images may hold only part of that level: the pixel (px, py) of
// the level is pixel (px - imageLeft, py - imageTop) of `image`'s level `imageLevel`, and
// pixel (px - blurredLeft, py - blurredTop) of level 0 of `blurred`. Reads past their
// edges repeat the edge pixels.
struct ToneSource {
  const ImageBuffer* image;      // Rgba8 or Rgba16 (float documents use a 16-bit copy)
  const ImageBuffer* blurred;    // the grey of the blurred copy, Gray8 (or Rgba8 or Rgba16)
  std::int32_t level;
  std::int32_t zoom;
  std::int32_t offsetX;
  std::int32_t offsetY;
  std::int32_t imageLevel;
  std::int32_t imageLeft;
  std::int32_t imageTop;
  std::int32_t blurredLeft;
  std::int32_t blurredTop;
  std::int32_t sharpenAmount;
};

// Depth of the document being rendered, as far as the ink samples care.
enum InkDepth : std::int32_t { kInk8 = 1, kInk16 = 2, kInkFloat = 4 };

struct RenderState {
  std::int32_t style;            // 1..25
  std::int32_t scaleFactor;      // 1, 2 or 4
  std::int32_t invertMode;       // effective: 1 for the styles that ignore it
  std::uint8_t invertDarkRegion;   // flip the decision where the grey is below 128
  std::uint8_t invertBrightRegion; // flip it where the grey is 128 or more
  std::uint8_t grayOutput;         // store the style's continuous value instead
  std::int32_t lineWeight;       // 1..5
  std::int32_t warping;          // 0..100
  std::int32_t angle;            // 0..359
  StyleConstants constants;
  std::int32_t arabesqueCarry;   // the last phase of the row before, for the next row
  std::int32_t lastColumn;       // of the render rectangle (width - 1)
  std::int32_t firstRow;
  std::int32_t lastRow;
  std::int16_t* errorRow;        // three rows of lastColumn + 1 entries and a margin of 4
  std::size_t errorRowBytes;     // capacity; only grows
  RenderTables* tables;
  ToneSource tone;
};

// Entries of the error row for a render rectangle `width` wide.
std::size_t errorRowEntries(std::int32_t width);
// Grows the error row to hold `width` columns; false (the old row kept) when memory runs out.
bool growErrorRow(RenderState& state, std::int32_t width);
void freeErrorRow(RenderState& state);

}  // namespace qm
