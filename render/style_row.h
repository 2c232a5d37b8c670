// SPDX-License-Identifier: LicenseRef-Quillmark
// The row functions of the ink styles and what they work with. A row function renders the
// columns first..last of the context's current row: it takes each pixel's density from the
// tone map (toneAt, densityAt), decides ink or paper and stores the sample with putInk,
// once for every column: band memory is reused from task to task and not cleared, so a
// column left out would show whatever an earlier band left there.
// Row-mode styles run one row at a time in row order and may carry state between rows in
// the error row; band-mode styles must depend on nothing but the row, the column and the
// shared tables, so that bands can run on any thread in any order.
#pragma once

#include <cstdint>

#include "render/band.h"
#include "render/render_state.h"

namespace qm {

// One per task, reset at the start of each band (row mode: each row).
struct StyleRowContext {
  RenderState* state;
  const Band* band;
  std::int32_t first;          // the task's columns, render coordinates
  std::int32_t last;
  std::int32_t row;            // current row, render coordinates
  std::int32_t column;
  std::int32_t direction;      // +1 or -1
  std::int32_t error;          // running error
  std::int32_t previousError;  // the previous pixel's (the arabesque carry at a band's start)
  std::int32_t spare[2];
  // The band cells of the current row (set by enterRow): cell i is column cellLeft + i.
  BandCell* rowCells;
  std::int32_t cellLeft;
  std::int32_t cellCount;
};

using StyleRowFunction = void (*)(StyleRowContext& context);

// Serpentine scans: odd rows run from the last column back to the first.
inline bool scansBackward(const StyleRowContext& context) { return (context.row & 1) != 0; }

// Makes `row` the context's current row; null cells when the row is outside the band.
inline void enterRow(StyleRowContext& context, std::int32_t row) {
  const Band& band = *context.band;
  const ImageRect& rect = band.rect;
  context.row = row;
  context.cellLeft = rect.left;
  const bool inside = row >= rect.top && row < rect.bottom && band.cells;
  context.cellCount = inside ? bandWidth(band) : 0;
  context.rowCells = inside ? bandRow(band, row) : nullptr;
}

// The band cell of render column x on the current row; null outside the task's band.
inline BandCell* bandCell(const StyleRowContext& context, std::int32_t x) {
  const std::uint32_t i = std::uint32_t(x - context.cellLeft);
  return i < std::uint32_t(context.cellCount) ? context.rowCells + i : nullptr;
}

// The sharpened grey S (0..255) and the blurred grey B of column x on the current row, as
// filled by the driver before the row function runs (x within first..last).
inline std::int32_t toneAt(const StyleRowContext& context, std::int32_t x) {
  return context.rowCells[x - context.cellLeft].tone;
}
inline std::int32_t blurredToneAt(const StyleRowContext& context, std::int32_t x) {
  return context.rowCells[x - context.cellLeft].blurred;
}
// The ink density (0 paper .. 255 full ink) of column x: the tone map at S.
inline std::int32_t densityAt(const StyleRowContext& context, std::int32_t x) {
  return context.state->tables->toneMap[toneAt(context, x)];
}

// Stores one ink sample for column x of the current row. value is the style's continuous
// value (0..255), paper non-zero for paper and zero for ink, grey the grey that decides
// which invert flag applies (S, or 0 for the styles whose inversion is in the tone map).
// With the gray setting the value itself is stored (its level at the document's depth is
// inkLevels' business). Columns outside the band are skipped.
inline void putInk(StyleRowContext& context, std::int32_t x, std::int32_t value, std::int32_t paper,
                   std::int32_t grey) {
  BandCell* cell = bandCell(context, x);
  if (!cell) return;
  const RenderState& state = *context.state;
  std::int32_t ink;
  if (state.grayOutput) {
    ink = value < 0 ? 0 : (value > 255 ? 255 : value);
  } else {
    bool isInk = paper == 0;
    const bool bright = grey >= 128;
    if ((bright && state.invertBrightRegion) || (!bright && state.invertDarkRegion)) isInk = !isInk;
    ink = isInk ? 0 : 255;
  }
  cell->ink = std::uint16_t(ink);
}

// `value` as a number the compiler may not reason about: a choice made from it by
// arithmetic stays arithmetic, where the compiler would otherwise turn it back into a
// branch, which grainy decisions guess wrong half the time.
inline std::int32_t opaqueToCompiler(std::int32_t value) {
#if defined(__GNUC__)
  __asm__("" : "+r"(value));
#endif
  return value;
}

// putInk for rows whose columns first..last all have cells, as band mode's always do: the
// gray setting and the invert flags are read once a row, and no column is checked. Gives
// each column the sample putInk would.
class RowInk {
 public:
  explicit RowInk(const StyleRowContext& context)
      : cells_(context.rowCells), left_(context.cellLeft), gray_(context.state->grayOutput != 0),
        flipBright_(context.state->invertBrightRegion != 0 ? 1 : 0),
        flipDark_(context.state->invertDarkRegion != 0 ? 1 : 0) {}

  static bool covers(const StyleRowContext& context) {
    return context.first <= context.last && bandCell(context, context.first) && bandCell(context, context.last);
  }

  void put(std::int32_t x, std::int32_t value, std::int32_t paper, std::int32_t grey) const {
    std::int32_t ink;
    if (gray_) {
      ink = value < 0 ? 0 : (value > 255 ? 255 : value);
    } else {
      // Paper (255) or ink (0) by arithmetic: a branch on it would be guessed wrong
      // wherever the decisions are grainy.
      const std::int32_t flip = grey >= 128 ? flipBright_ : flipDark_;
      ink = -(std::int32_t(paper != 0) ^ flip) & 255;
    }
    cells_[x - left_].ink = std::uint16_t(ink);
  }

 private:
  BandCell* cells_;
  std::int32_t left_;
  bool gray_;
  std::int32_t flipBright_;  // 1 where the decision flips
  std::int32_t flipDark_;
};

// putInk itself, for rows RowInk does not cover.
struct CheckedInk {
  StyleRowContext& context;
  void put(std::int32_t x, std::int32_t value, std::int32_t paper, std::int32_t grey) const {
    putInk(context, x, value, paper, grey);
  }
};

// Runs `row` with a RowInk where it covers the row, else with a CheckedInk.
template <class Row>
void withRowInk(StyleRowContext& context, Row row) {
  if (RowInk::covers(context))
    row(RowInk(context));
  else
    row(CheckedInk{context});
}

// Pattern coordinates of column x on the current row: the column and row plus the view
// offsets, so that a preview's pattern lines up with the final image. The offsets count
// source pixels; a zoomed preview counts them in its own pixels, so that a zoomed region
// lines up with the whole zoomed view.
inline std::int32_t patternX(const StyleRowContext& context, std::int32_t x) {
  const ToneSource& tone = context.state->tone;
  return x + (tone.zoom > 1 ? tone.offsetX / tone.zoom : tone.offsetX);
}
inline std::int32_t patternY(const StyleRowContext& context) {
  const ToneSource& tone = context.state->tone;
  return context.row + (tone.zoom > 1 ? tone.offsetY / tone.zoom : tone.offsetY);
}

// Visits the row's columns in scan order: odd rows backward for serpentine scans. Columns
// outside the error row are left alone, so no entry outside 0..lastColumn is ever touched.
template <typename Visit>
void scanRow(StyleRowContext& context, bool serpentine, Visit visit) {
  const std::int32_t first = context.first > 0 ? context.first : 0;
  const std::int32_t last = context.last < context.state->lastColumn ? context.last : context.state->lastColumn;
  const bool backward = serpentine && scansBackward(context);
  context.direction = backward ? -1 : 1;
  std::int32_t x = backward ? last : first;
  for (std::int32_t count = last - first + 1; count > 0; --count, x += context.direction) {
    context.column = x;
    visit(x);
  }
}

}  // namespace qm
