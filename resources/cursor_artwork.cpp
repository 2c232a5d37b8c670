// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/cursor_artwork.h"

#include "resources/artwork_palette.h"

namespace qm::resources {
namespace {

// Designed on a 32-unit square.
constexpr float kFinger = 4.4f;   // finger width
constexpr float kOutline = 1.3f;  // ink on each side
constexpr Point kHotspot = {16, 18};

struct Finger {
  Point base;
  Point tip;
};

struct HandShape {
  Finger thumb;
  Finger fingers[4];  // index to little finger
};

HandShape shapeOf(HandPose pose) {
  if (pose == HandPose::Open)
    return {{{11, 22}, {5.5f, 15.5f}},
            {{{11.5f, 15}, {11.5f, 5.5f}}, {{15.9f, 15}, {15.9f, 3.5f}}, {{20.3f, 15}, {20.3f, 5}},
             {{24.5f, 17}, {24.5f, 9}}}};
  // Curled: only the knuckles show above the palm, the thumb lies folded along it.
  return {{{11, 21}, {8.5f, 17}},
          {{{11.5f, 15}, {11.5f, 11.5f}}, {{15.9f, 15}, {15.9f, 10.8f}}, {{20.3f, 15}, {20.3f, 11.2f}},
           {{24.5f, 16}, {24.5f, 12.8f}}}};
}

}  // namespace

void paintHand(InkCanvas& canvas, HandPose pose, Point topLeft, float size) {
  const float s = size / 32;
  auto at = [&](Point p) { return Point{topLeft.x + p.x * s, topLeft.y + p.y * s}; };
  auto capsule = [&](Finger f, float width, Colour colour) { canvas.stroke(at(f.base), at(f.tip), width * s, colour); };
  auto palm = [&](float grow, float topGrow, Colour colour) {
    std::vector<Point> outline = roundedRectangle(9.3f - grow, 14 - topGrow, 26.7f + grow, 29 + grow, 5 + grow);
    for (Point& p : outline) p = at(p);
    canvas.polygon(outline, colour);
  };
  const HandShape hand = shapeOf(pose);
  palm(kOutline, kOutline, kArtInk);
  palm(0, 0, kArtLight);
  // Each finger's outline falls over its neighbour, which parts the fingers.
  for (int i = 3; i >= 0; --i) {
    capsule(hand.fingers[i], kFinger + 2 * kOutline, kArtInk);
    capsule(hand.fingers[i], kFinger, kArtLight);
  }
  capsule(hand.thumb, kFinger + 2 * kOutline, kArtInk);
  capsule(hand.thumb, kFinger, kArtLight);
  // The palm covers where the fingers start, so no outline crosses it.
  palm(-0.2f, -2.5f, kArtLight);
  capsule({{11, 22}, {11, 22}}, kFinger, kArtLight);
}

CursorImage drawHandCursor(HandPose pose, int size) {
  const float s = float(size) / 32;
  return {paintTransparent(size, size, [&](InkCanvas& canvas) { paintHand(canvas, pose, {0, 0}, float(size)); }),
          int(kHotspot.x * s), int(kHotspot.y * s)};
}

}  // namespace qm::resources
