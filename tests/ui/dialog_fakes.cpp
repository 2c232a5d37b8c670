// SPDX-License-Identifier: LicenseRef-Quillmark
#include "tests/ui/dialog_fakes.h"

#include <algorithm>
#include <cstring>

#include "ui/control_table.h"

namespace qm::test {
namespace {

// The design's rectangles (dialog units) of the controls the tests touch.
const std::map<int, ui::Rect>& designRects() {
  static const std::map<int, ui::Rect> rects = [] {
    std::map<int, ui::Rect> r;
    auto at = [&r](int id, int x, int y, int w, int h) { r[id] = {x, y, x + w, y + h}; };
    at(ui::kWarpingTrack, 51, 106, 90, 8);
    at(ui::kSharpenTrack, 51, 127, 90, 8);
    at(ui::kDiameterTrack, 51, 148, 90, 8);
    at(ui::kAngleDial, 51, 169, 36, 36);
    at(ui::kPreviewPane, 182, 5, 295, 260);
    at(ui::kMemoryDial, 183, 280, 64, 64);
    at(ui::kProgramIcon, 11, 340, 20, 20);
    const int dots[25][2] = {{171, 274}, {173, 282}, {173, 290}, {171, 298}, {168, 306}, {165, 314}, {165, 322},
                             {168, 329}, {173, 336}, {178, 342}, {185, 347}, {193, 353}, {202, 356}, {212, 359},
                             {222, 359}, {231, 356}, {240, 353}, {248, 347}, {254, 340}, {258, 332}, {261, 323},
                             {261, 313}, {258, 305}, {254, 297}, {248, 289}};
    for (int i = 0; i < 25; ++i) at(ui::kFirstMemoryDot + i, dots[i][0], dots[i][1], 5, 5);
    return r;
  }();
  return rects;
}

std::uint8_t bands(std::int32_t x, std::int32_t y, int plane) {
  return std::uint8_t((x * 3 + y * 2 + plane * 40) % 256);
}

}  // namespace

FakeDocument::FakeDocument(std::int32_t width, std::int32_t height)
    : width_(width), height_(height), rgb_(std::size_t(width) * std::size_t(height) * 3) {
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x)
      for (int plane = 0; plane < 3; ++plane)
        rgb_[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3 + std::size_t(plane)] = bands(x, y, plane);
}

bool FakeDocument::loadSource(RenderWorkingSet& working) {
  ++loads;
  struct Context {
    const FakeDocument* document;
  } context{this};
  auto fetch = [](void* c, const ImageRect& area, ImageRect& delivered, InterleavedPixels& pixels) {
    const FakeDocument& d = *static_cast<Context*>(c)->document;
    delivered = area;
    pixels = {d.rgb_.data() + (std::size_t(area.top) * std::size_t(d.width_) + std::size_t(area.left)) * 3,
              std::ptrdiff_t(d.width_) * 3, 3, {0, 1, 2}, -1};
    return true;
  };
  const DocumentSource source{&context, width_, height_, 1, fetch, [](void*) {}};
  return qm::loadSource(working, source, SourcePyramid::Built) == SourceLoad::Loaded;
}

bool FakeDocument::fetchPlane(int plane, const ui::Rect& area, std::uint8_t* out, std::int32_t rowLength) {
  ++fetches;
  for (std::int32_t y = area.top; y < area.bottom; ++y)
    for (std::int32_t x = area.left; x < area.right; ++x)
      out[std::size_t(y - area.top) * std::size_t(rowLength) + std::size_t(x - area.left)] = sample(x, y, plane);
  return true;
}

bool FakeView::controlRect(int id, ui::Rect& rect) const {
  const auto found = designRects().find(id);
  if (found == designRects().end()) return false;
  const ui::Rect& r = found->second;
  rect = {r.left * 2, r.top * 2, r.right * 2, r.bottom * 2};
  return true;
}

ui::Rect FakeView::previewPane() const {
  ui::Rect pane{};
  controlRect(ui::kPreviewPane, pane);
  return {pane.left + 2, pane.top + 2, pane.right - 2, pane.bottom - 2};
}

}  // namespace qm::test
