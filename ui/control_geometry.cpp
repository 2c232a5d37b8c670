// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/control_geometry.h"

#include <algorithm>
#include <cmath>

namespace qm::ui {
namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;

bool horizontal(const Rect& r) { return r.height() <= r.width(); }

std::int32_t rangeOf(std::int32_t minimum, std::int32_t maximum) { return std::max(maximum - minimum, 1); }

}  // namespace

std::int32_t sliderValueAt(const Rect& track, Point pointer, std::int32_t minimum, std::int32_t maximum) {
  const std::int32_t x = pointer.x - 4;
  const std::int32_t range = rangeOf(minimum, maximum);
  std::int32_t value;
  if (horizontal(track)) {
    const std::int32_t span = std::max(track.right - (track.left + 1) - 13, 1);
    value = minimum + (x - (track.left + 1)) * range / span;
  } else {
    const std::int32_t span = std::max(track.bottom - (track.top + 1) - 11, 1);
    value = maximum - (pointer.y - (track.top + 1)) * range / span;
  }
  return std::clamp(value, minimum, std::max(minimum, maximum));
}

Rect knobRect(const Rect& track, std::int32_t value, std::int32_t minimum, std::int32_t maximum) {
  const std::int32_t range = rangeOf(minimum, maximum);
  const std::int32_t along = std::clamp(value, minimum, std::max(minimum, maximum)) - minimum;
  if (horizontal(track)) {
    const float u = float(track.height()) / 13.0f;
    const std::int32_t first = std::int32_t(float(track.left) + u);
    const std::int32_t last = std::int32_t(float(track.right) - 13.0f * u);
    const std::int32_t left = first + (last - first) * along / range;
    return {left, std::int32_t(float(track.top) + u), left + std::int32_t(12.0f * u),
            std::int32_t(float(track.bottom) - u)};
  }
  const std::int32_t top = (track.bottom - 14) - along * (track.bottom - 14 - track.top - 1) / range;
  return {track.left + 1, top, track.right - 1, top + 10};
}

std::int32_t angleAt(const Rect& dial, Point pointer) {
  const double w = dial.width();
  const double h = dial.height();
  const double dx = (pointer.x - (dial.left + w / 2.0)) * h;
  const double dy = (pointer.y - (dial.top + h / 2.0)) * w;
  if (dy == 0.0) return dx == 0.0 ? 0 : (dx < 0.0 ? 270 : 90);
  double degrees = std::atan(dx / -dy) * kDegreesPerRadian;
  if (dy > 0.0) degrees += 180.0;
  std::int32_t angle = std::int32_t(degrees);
  if (angle < 0) angle += 360;
  return angle % 360;
}

Needle needleFor(const Rect& dial, std::int32_t degrees) {
  const float w = float(dial.width());
  const float h = float(dial.height());
  const float cx = float(dial.left) + w / 2.0f - 1.0f;
  const float cy = float(dial.top) + h / 2.0f;
  const double a = double(degrees) / 57.295779524;
  const double r = double(w / 2.0f) * 24.0 / 27.0;
  return {cx, cy, cx + float(std::trunc(std::sin(a) * r)), cy - float(std::trunc(std::cos(a) * r))};
}

}  // namespace qm::ui
