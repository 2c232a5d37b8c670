// SPDX-License-Identifier: LicenseRef-Quillmark
// The colours and the few shapes that the dialog's artwork shares, so that every control,
// icon and picture reads as one hand: near-black ink, one warm accent, the dialog's grey.
#pragma once

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "resources/ink_canvas.h"

namespace qm::resources {

constexpr Colour kArtInk = {28, 28, 28};
constexpr Colour kArtAccent = {214, 112, 38};      // warm amber, the one highlight colour
constexpr Colour kArtDialogGrey = {226, 226, 226}; // the dialog's background, 0xE2E2E2
constexpr Colour kArtPaper = {251, 249, 244};
constexpr Colour kArtShadow = {150, 150, 150};
constexpr Colour kArtLight = {255, 255, 255};
constexpr float kArtPi = std::numbers::pi_v<float>;

// A point at `radius` from `centre`, `degrees` clockwise from straight up.
inline Point onCircle(Point centre, float radius, float degrees) {
  const float a = degrees * kArtPi / 180;
  return {centre.x + radius * std::sin(a), centre.y - radius * std::cos(a)};
}

// An arc as points, clockwise from `fromDegrees` to `toDegrees` (0 straight up).
inline std::vector<Point> arcPoints(Point centre, float radius, float fromDegrees, float toDegrees) {
  std::vector<Point> points;
  const int steps = std::max(4, int(std::fabs(toDegrees - fromDegrees) / 6));
  for (int i = 0; i <= steps; ++i)
    points.push_back(onCircle(centre, radius, fromDegrees + (toDegrees - fromDegrees) * float(i) / float(steps)));
  return points;
}

// The outline of a rectangle with round corners, for filling.
inline std::vector<Point> roundedRectangle(float left, float top, float right, float bottom, float radius) {
  std::vector<Point> points;
  const Point corners[] = {{right - radius, top + radius}, {right - radius, bottom - radius},
                           {left + radius, bottom - radius}, {left + radius, top + radius}};
  for (int i = 0; i < 4; ++i) {
    const std::vector<Point> arc = arcPoints(corners[i], radius, float(i * 90), float(i * 90 + 90));
    points.insert(points.end(), arc.begin(), arc.end());
  }
  return points;
}

// A polyline with the ink's round pen.
inline void penLine(InkCanvas& canvas, const std::vector<Point>& points, float width, Colour ink) {
  canvas.taperedLine(points, width, width, ink);
}

}  // namespace qm::resources
