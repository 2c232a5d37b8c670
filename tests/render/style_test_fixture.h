// SPDX-License-Identifier: LicenseRef-Quillmark
// One style rendered without a source image or worker threads: the test gives the tone of
// every pixel, the fixture runs the style's set-up and builds its spot tile, cuts the render
// rectangle into the style's tasks and runs them in order as the driver does (random state 1
// and a fresh context per task, the arabesque carry handed in), and keeps every stored cell.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "engine/jobs.h"
#include "platform/random_generator.h"
#include "render/ink_levels.h"
#include "render/render_state.h"
#include "render/spot_tile.h"
#include "render/style_families.h"
#include "render/style_registry.h"
#include "render/style_row.h"
#include "render/style_tables.h"
#include "settings/ink_settings.h"

namespace qm::test {

// The default look with another style, scale (1..3), line weight, warping and angle.
inline UserValues styleLook(std::int32_t style, std::int32_t scale = 1, std::int32_t lineWeight = 3,
                            std::int32_t warping = 20, std::int32_t angle = 45) {
  return UserValues{style, scale, 1, 0, 50, 75, lineWeight, 1, warping, angle};
}

// The look with the gray setting: the stored level is the style's value / 255.
inline UserValues withGray(UserValues look) {
  look.gray = 1;
  return look;
}

// The spot tile as the driver builds it before a render. A 4x tile takes a while to build
// and many renders read the same one, so each is built once and kept (read-only).
inline const ImageBuffer& sharedSpotTile(std::int32_t lineWeight, std::int32_t scale) {
  struct KeptTile {
    ImageBuffer image{};
    ~KeptTile() { releasePixels(image); }
  };
  static std::map<std::pair<std::int32_t, std::int32_t>, KeptTile> tiles;
  auto [place, added] = tiles.try_emplace({lineWeight, scale});
  if (added) {
    EXPECT_TRUE(buildSpotTile(place->second.image, lineWeight, scale));
  }
  return place->second.image;
}

// The sharpened grey S (0..255) of each pixel; under the normal tone map the density is
// 255 - S.
using ToneFunction = std::function<std::int32_t(std::int32_t x, std::int32_t y)>;

inline ToneFunction flatDensity(std::int32_t density) {
  return [density](std::int32_t, std::int32_t) { return 255 - density; };
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
    state_.lastColumn = width - 1;
    state_.lastRow = height - 1;
    EXPECT_TRUE(growErrorRow(state_, width));
    seedRandom(1);  // the set-up draws from the calling thread's generator
    prepareStyleTables(state_, look);
    rowFunction_ = row ? row : styleEntry(state_.style).row;
    if (styleEntry(state_.style).has(kUsesSpotTile)) tables_.spotTile = sharedSpotTile(look.lineWeight, look.scale);
  }
  ~StyleRender() { freeErrorRow(state_); }
  StyleRender(const StyleRender&) = delete;
  StyleRender& operator=(const StyleRender&) = delete;

  RenderState& state() { return state_; }
  std::int16_t* errorRow() { return state_.errorRow; }
  std::size_t errorRowSize() const { return errorRowEntries(width_); }

  void setTone(std::int32_t x, std::int32_t y, std::int32_t tone) { tones_[index(x, y)] = tone; }
  void setDensity(std::int32_t x, std::int32_t y, std::int32_t density) { setTone(x, y, 255 - density); }
  void fillDensity(std::int32_t density) { fillTone(flatDensity(density)); }
  void fillTone(const ToneFunction& tone) {
    for (std::int32_t y = 0; y < height_; ++y)
      for (std::int32_t x = 0; x < width_; ++x) setTone(x, y, tone(x, y));
  }

  // Every task of the style's layout, in order.
  void renderAll() {
    const JobLayout layout = makeJobLayout(styleEntry(state_.style).layout, ImageRect{0, 0, height_, width_});
    for (std::int32_t i = 0; i < layout.taskCount; ++i) {
      const ImageRect rect = taskRect(layout, i);
      renderTask(rect, rect.left, rect.right - 1);
    }
  }
  // One row as a row-mode task, over the columns first..last (the whole row when last < 0).
  void renderRow(std::int32_t y, std::int32_t first = 0, std::int32_t last = -1) {
    renderTask(ImageRect{y, 0, y + 1, width_}, first, last < 0 ? width_ - 1 : last);
  }

  // One task over `rect`: a band of cells with the tones filled in, the row function run
  // for each of its rows with columns first..last, the cells kept.
  void renderTask(const ImageRect& rect, std::int32_t first, std::int32_t last) {
    std::vector<BandCell> cells(std::size_t((rect.right - rect.left) * (rect.bottom - rect.top)), unwrittenCell());
    const Band band{cells.data(), rect};
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
      for (std::int32_t x = rect.left; x < rect.right; ++x)
        bandRow(band, y)[x - rect.left].tone = bandRow(band, y)[x - rect.left].blurred =
            std::uint8_t(tones_[index(x, y)]);
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
  float level(std::int32_t x, std::int32_t y) const { return levelOf(cell(x, y)); }
  bool ink(std::int32_t x, std::int32_t y) const { return level(x, y) == 0.0f; }
  // The spot tile's value at (x, y) of the tile.
  std::int32_t tileValue(std::int32_t x, std::int32_t y) const { return getGrey(tables_.spotTile, x, y, 0); }
  // Under the gray setting: the style's value (0..255) stored at (x, y).
  std::int32_t value(std::int32_t x, std::int32_t y) const { return std::int32_t(std::lround(level(x, y) * 255.0f)); }
  // Share of ink among all pixels.
  double inkFraction() const {
    const std::vector<float> all = levels();
    return double(std::count(all.begin(), all.end(), 0.0f)) / double(all.size());
  }
  // How many pixels decide otherwise than the pixel (dx, dy) before them (dx, dy >= 0).
  std::int32_t changesAlong(std::int32_t dx, std::int32_t dy) const {
    std::int32_t count = 0;
    for (std::int32_t y = dy; y < height_; ++y)
      for (std::int32_t x = dx; x < width_; ++x) count += ink(x, y) != ink(x - dx, y - dy) ? 1 : 0;
    return count;
  }
  // Every stored level, row after row.
  std::vector<float> levels() const {
    std::vector<float> out;
    for (const BandCell& cell : cells_) out.push_back(levelOf(cell));
    return out;
  }

 private:
  static BandCell unwrittenCell() { return BandCell{0, 0, kNoInk}; }
  // The level the blend stage reads from the cell of an 8-bit document.
  float levelOf(const BandCell& cell) const {
    return cell.ink == kNoInk ? kUnwritten : inkLevels(kInk8)[cell.ink];
  }
  std::size_t index(std::int32_t x, std::int32_t y) const { return std::size_t(y * width_ + x); }

  std::int32_t width_;
  std::int32_t height_;
  RenderState state_{};
  RenderTables tables_{};
  StyleRowFunction rowFunction_ = nullptr;
  std::vector<std::int32_t> tones_;
  std::vector<BandCell> cells_;
};

// A render of the look with the tones, every task rendered; `adjust` may change the state
// after the set-up, and `row` replace the style's row function.
inline std::unique_ptr<StyleRender> rendered(const UserValues& look, std::int32_t width, std::int32_t height,
                                             const ToneFunction& tone,
                                             const std::function<void(StyleRender&)>& adjust = nullptr,
                                             StyleRowFunction row = nullptr) {
  auto render = std::make_unique<StyleRender>(width, height, look, row);
  render->fillTone(tone);
  if (adjust) adjust(*render);
  render->renderAll();
  return render;
}

// The share of ink the look renders on a flat density.
inline double flatInkFraction(const UserValues& look, std::int32_t density, std::int32_t width = 64,
                              std::int32_t height = 64) {
  return rendered(look, width, height, flatDensity(density))->inkFraction();
}

}  // namespace qm::test
