// SPDX-License-Identifier: LicenseRef-Quillmark
// One style rendered without a source image or worker threads: the test gives the tone of
// every pixel, the fixture runs the style's set-up, cuts the render rectangle into the
// style's tasks and runs them in order as the driver does (random state 1 and a fresh
// context per task, the arabesque carry handed in), and keeps every stored band cell.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/jobs.h"
#include "platform/random_generator.h"
#include "render/render_state.h"
#include "render/style_row.h"
#include "render/style_families.h"
#include "render/style_registry.h"
#include "render/style_tables.h"
#include "settings/ink_settings.h"

namespace qm::test {

// The default look with another style, scale (1..3) and line weight.
inline UserValues styleLook(std::int32_t style, std::int32_t scale = 1, std::int32_t lineWeight = 3) {
  UserValues look{};
  look.style = style;
  look.scale = scale;
  look.blendMode = 1;
  look.diameter = 50;
  look.sharpen = 75;
  look.lineWeight = lineWeight;
  look.invertMode = 1;
  look.warping = 20;
  look.angle = 45;
  return look;
}

class StyleRender {
 public:
  // Cells never written by the style keep this level.
  static constexpr float kUnwritten = -1.0f;

  // `row` replaces the style's row function from the registry when given.
  StyleRender(std::int32_t width, std::int32_t height, const UserValues& look, StyleRowFunction row = nullptr)
      : width_(width), height_(height), tones_(std::size_t(width * height), 255),
        cells_(std::size_t(width * height), unwrittenCell()) {
    state_.tables = &tables_;
    state_.inkDepth = kInk8;
    state_.lastColumn = width - 1;
    state_.firstRow = 0;
    state_.lastRow = height - 1;
    EXPECT_TRUE(growErrorRow(state_, width));
    seedRandom(1);  // the set-up draws from the calling thread's generator
    prepareStyleTables(state_, look);
    rowFunction_ = row ? row : styleEntry(state_.style).row;
  }
  ~StyleRender() {
    freeErrorRow(state_);
    releasePixels(tables_.spotTile);
  }
  StyleRender(const StyleRender&) = delete;
  StyleRender& operator=(const StyleRender&) = delete;

  RenderState& state() { return state_; }
  std::int16_t* errorRow() { return state_.errorRow; }
  std::size_t errorRowSize() const { return errorRowEntries(width_); }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }

  // The sharpened grey S the driver would sample; under the normal tone map the density
  // is 255 - S.
  void setTone(std::int32_t x, std::int32_t y, std::int32_t tone) { tones_[index(x, y)] = tone; }
  void setDensity(std::int32_t x, std::int32_t y, std::int32_t density) { setTone(x, y, 255 - density); }
  void fillDensity(std::int32_t density) {
    for (std::int32_t y = 0; y < height_; ++y)
      for (std::int32_t x = 0; x < width_; ++x) setDensity(x, y, density);
  }

  // Every task of the style's layout, in order.
  void renderAll() {
    const JobLayout layout = makeJobLayout(styleEntry(state_.style).layout, ImageRect{0, 0, height_, width_});
    for (std::int32_t i = 0; i < layout.taskCount; ++i) {
      const ImageRect rect = taskRect(layout, i);
      renderTask(rect, rect.left, rect.right - 1);
    }
  }
  // One row as a row-mode task, over the columns first..last (the whole row by default).
  void renderRow(std::int32_t y) { renderTask(ImageRect{y, 0, y + 1, width_}, 0, width_ - 1); }
  void renderRow(std::int32_t y, std::int32_t first, std::int32_t last) {
    renderTask(ImageRect{y, 0, y + 1, width_}, first, last);
  }

  // One task over `rect`: a band of cells with the tones filled in, the row function run
  // for each of its rows with columns first..last, the cells kept.
  void renderTask(const ImageRect& rect, std::int32_t first, std::int32_t last) {
    std::vector<BandCell> cells(std::size_t((rect.right - rect.left) * (rect.bottom - rect.top)), unwrittenCell());
    const Band band{cells.data(), rect};
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
      for (std::int32_t x = rect.left; x < rect.right; ++x)
        bandRow(band, y)[x - rect.left].spare[0] = bandRow(band, y)[x - rect.left].spare[1] = tones_[index(x, y)];
    seedRandom(1);
    StyleRowContext context{};
    context.state = &state_;
    context.band = &band;
    context.first = first;
    context.last = last;
    context.direction = 1;
    context.previousError = styleEntry(state_.style).has(kCarriesPhase) ? state_.arabesqueCarry : 0;
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
      enterRow(context, y);
      context.column = first;
      rowFunction_(context);
    }
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
      for (std::int32_t x = rect.left; x < rect.right; ++x) cells_[index(x, y)] = bandRow(band, y)[x - rect.left];
  }

  const BandCell& cell(std::int32_t x, std::int32_t y) const { return cells_[index(x, y)]; }
  float level(std::int32_t x, std::int32_t y) const { return cell(x, y).colour[0]; }
  bool ink(std::int32_t x, std::int32_t y) const { return level(x, y) == 0.0f; }
  // Share of ink among all pixels.
  double inkFraction() const {
    std::int32_t count = 0;
    for (std::int32_t y = 0; y < height_; ++y)
      for (std::int32_t x = 0; x < width_; ++x) count += ink(x, y) ? 1 : 0;
    return double(count) / double(width_ * height_);
  }

 private:
  static BandCell unwrittenCell() { return BandCell{{kUnwritten, kUnwritten, kUnwritten, kUnwritten}, {0, 0}}; }
  std::size_t index(std::int32_t x, std::int32_t y) const { return std::size_t(y * width_ + x); }

  std::int32_t width_;
  std::int32_t height_;
  RenderState state_{};
  RenderTables tables_{};
  StyleRowFunction rowFunction_ = nullptr;
  std::vector<std::int32_t> tones_;
  std::vector<BandCell> cells_;
};

}  // namespace qm::test
