// SPDX-License-Identifier: LicenseRef-Quillmark
// A whole render into memory: a source image the test fills, the driver with its working
// images, and an output that keeps every colour it is given.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "engine/pyramid.h"
#include "platform/random_generator.h"
#include "render/render_image.h"
#include "render/style_registry.h"
#include "render/working_set_record.h"
#include "tests/engine/engine_fixtures.h"

namespace qm::test {

class MemoryRender {
 public:
  // A source of the format, each pixel's red, green and blue from `grey` (0..1, opacity 1),
  // with its pyramid.
  MemoryRender(std::int32_t width, std::int32_t height, std::int32_t format,
               const std::function<float(std::int32_t x, std::int32_t y)>& grey)
      : working_(createWorkingSet()) {
    ImageBuffer& source = working_->source;
    EXPECT_TRUE(configureImageBuffer(&source, width, height, format, 0, false));
    for (std::int32_t y = 0; y < height; ++y)
      for (std::int32_t x = 0; x < width; ++x) {
        const float g = grey(x, y);
        const float c[4] = {g, g, g, 1.0f};
        setNormalised(source, x, y, 0, c);
      }
    buildPyramid(source);
    resetForRun(settings_);
  }
  ~MemoryRender() { releaseWorkingSet(working_); }
  MemoryRender(const MemoryRender&) = delete;
  MemoryRender& operator=(const MemoryRender&) = delete;

  InkSettings& settings() { return settings_; }
  const ImageBuffer& source() const { return working_->source; }

  // Renders the view with the document layout of the source's depth (RGB, no opacity);
  // the colours row by row, view.width per row.
  std::vector<Colour> render(const RenderView& view, std::uint32_t seed = 1) {
    colours_.assign(std::size_t(view.width) * std::size_t(view.height), Colour{-1, -1, -1, -1});
    width_ = view.width;
    const std::int32_t format = source().format;
    const std::int32_t bytes = format == kRgbaFloat ? 4 : (format == kRgba16 ? 2 : 1);
    const RenderOutput output{this, {bytes, 3, 0}, beginRows, nullptr, storeRow, nullptr, nullptr};
    seedRandom(seed);
    EXPECT_EQ(renderImage(settings_, *working_, view, output), kRenderDone);
    return colours_;
  }
  // The whole source as the final render sees it.
  std::vector<Colour> renderWhole(std::uint32_t seed = 1) {
    return render({source().width[0], source().height[0], kTargetMemoryImage, 1, 0, 0}, seed);
  }

 private:
  static bool beginRows(void*, std::int32_t, std::int32_t) { return true; }
  static void storeRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const void* colours,
                       std::ptrdiff_t stride) {
    MemoryRender& self = *static_cast<MemoryRender*>(context);
    for (std::int32_t i = 0; i < count; ++i)
      self.colours_[std::size_t(std::ptrdiff_t(y) * self.width_ + x + i)] = colourAt(colours, stride, i);
  }

  RenderWorkingSet* working_;
  InkSettings settings_{};
  std::vector<Colour> colours_;
  std::int32_t width_ = 0;
};

// Fraction of pixels stored as ink (red below one half).
inline double inkFraction(const std::vector<Colour>& colours) {
  std::size_t ink = 0;
  for (const Colour& c : colours) ink += c.red < 0.5f;
  return colours.empty() ? 0.0 : double(ink) / double(colours.size());
}

// Whether the style carries an error or a phase from row to row down the picture. Hatching,
// shards and bubbles render row by row too, but only for caches along the row: like the
// band styles, their pattern depends on the position alone.
inline bool carriesDownThePicture(const StyleEntry& entry) {
  return entry.layout == rowMode && entry.number != 14 && entry.number != 15 && entry.number != 16;
}

// The same colours, bit for bit.
inline bool sameColours(const std::vector<Colour>& a, const std::vector<Colour>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Colour)) == 0;
}

}  // namespace qm::test
