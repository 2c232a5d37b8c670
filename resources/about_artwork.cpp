// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/about_artwork.h"

#include <cmath>
#include <numbers>

namespace qm::resources {
namespace {

constexpr Colour kPaper = {247, 242, 230};
constexpr Colour kInk = {30, 28, 38};
constexpr Colour kSun = {244, 170, 64};
constexpr Colour kSunGlow = {250, 214, 140};
constexpr Colour kVane = {236, 230, 216};
constexpr Colour kWhite = {255, 255, 255};
constexpr float kPi = std::numbers::pi_v<float>;

constexpr float kHorizon = 82;
constexpr Point kSunCentre = {238, kHorizon};
constexpr float kSunRadius = 30;

Point add(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point scale(Point a, float s) { return {a.x * s, a.y * s}; }
Point unit(Point a) {
  const float length = std::sqrt(a.x * a.x + a.y * a.y);
  return length > 0 ? scale(a, 1 / length) : a;
}
Point rotate(Point a, float radians) {
  return {a.x * std::cos(radians) - a.y * std::sin(radians), a.x * std::sin(radians) + a.y * std::cos(radians)};
}

// Small, repeatable irregularity for hand-drawn looks: -1..1 from an index.
float wobble(int i) {
  const std::uint32_t h = std::uint32_t(i) * 2654435761u;
  return float((h >> 8) & 0xFFFF) / 32767.5f - 1;
}

// The quill's shaft: a gentle curve from the nib's tip (t = 0) to the top of the feather.
struct Quill {
  Point tip{134, 101};
  Point bend{92, 44};
  Point top{22, 6};
  Point at(float t) const {
    const float u = 1 - t;
    return add(add(scale(tip, u * u), scale(bend, 2 * u * t)), scale(top, t * t));
  }
  Point direction(float t) const {  // towards the top
    return unit(add(scale(add(bend, scale(tip, -1)), 2 * (1 - t)), scale(add(top, scale(bend, -1)), 2 * t)));
  }
};

void drawSun(InkCanvas& canvas) {
  canvas.setClip(0, 0, float(canvas.width()), kHorizon);
  canvas.disc(kSunCentre, kSunRadius + 6, kSunGlow, 0.6f);
  canvas.disc(kSunCentre, kSunRadius, kSun);
  // Paper-coloured bands across the lower sun, wider towards the horizon: the haze it rises through.
  for (int band = 0; band < 4; ++band) {
    const float rise = 4.0f + float(band * band) * 2.5f + float(band) * 2;
    const float halfChord = std::sqrt(kSunRadius * kSunRadius - rise * rise);
    const float y = kHorizon - rise;
    canvas.stroke({kSunCentre.x - halfChord, y}, {kSunCentre.x + halfChord, y}, 2.6f - float(band) * 0.5f, kPaper);
  }
  for (int ray = 0; ray <= 16; ++ray) {
    const float angle = kPi + kPi * (float(ray) + 0.5f) / 17.5f;
    const Point direction = {std::cos(angle), std::sin(angle)};
    const float length = ray % 2 == 0 ? 15.0f : 8.0f;
    canvas.stroke(add(kSunCentre, scale(direction, kSunRadius + 5)),
                  add(kSunCentre, scale(direction, kSunRadius + 5 + length)), 1.3f, kInk, 0.9f);
  }
  canvas.resetClip();
}

void drawSky(InkCanvas& canvas) {
  // A few loose strokes of cloud, lighter towards the sun.
  for (int i = 0; i < 9; ++i) {
    const float y = 14.0f + float(i) * 3.2f;
    const float x = 150.0f + float(i % 3) * 9 + wobble(i) * 6;
    const float length = 34.0f - float(i) * 2.2f;
    canvas.stroke({x, y}, {x + length, y + wobble(i + 40) * 0.8f}, 0.9f, kInk, 0.35f);
  }
}

// Ink strokes over the ground: one diagonal family everywhere, a second crossing it lower
// down and level strokes at the bottom, so the tone darkens towards the viewer.
void drawGround(InkCanvas& canvas) {
  const float width = float(canvas.width());
  const float bottom = float(canvas.height());
  canvas.setClip(0, kHorizon, width, bottom);
  for (float x = -bottom; x < width + bottom; x += 6)
    canvas.stroke({x, kHorizon}, {x + 60, kHorizon + 60}, 0.8f, kInk, 0.45f);
  canvas.setClip(0, kHorizon + 14, width, bottom);
  for (float x = -bottom; x < width + bottom; x += 6)
    canvas.stroke({x, kHorizon}, {x - 60, kHorizon + 60}, 0.8f, kInk, 0.5f);
  canvas.setClip(0, kHorizon + 27, width, bottom);
  for (float y = kHorizon + 27.5f; y < bottom; y += 3.5f) canvas.stroke({0, y}, {width, y}, 0.8f, kInk, 0.45f);
  canvas.resetClip();
  canvas.stroke({0, kHorizon}, {width, kHorizon}, 1.4f, kInk);
}

// The sun's light on the water: paper-coloured gaps with warm dashes, shrinking with depth.
void drawReflection(InkCanvas& canvas) {
  for (int row = 0; row < 7; ++row) {
    const float y = kHorizon + 4.0f + float(row) * 4.6f;
    const float half = kSunRadius * (1.0f - float(row) * 0.11f) + wobble(row + 7) * 3;
    const float centre = kSunCentre.x + wobble(row + 21) * 4;
    canvas.stroke({centre - half, y}, {centre + half, y}, 3.2f, kPaper);
    canvas.stroke({centre - half * 0.8f, y}, {centre + half * 0.8f, y}, 1.4f, kSun);
  }
}

void drawVane(InkCanvas& canvas, const Quill& quill) {
  constexpr float kStart = 0.30f;
  constexpr float kEnd = 0.99f;
  constexpr int kBarbs = 56;
  for (int side = -1; side <= 1; side += 2) {
    const float reach = side < 0 ? 16.0f : 11.0f;
    std::vector<Point> outline;
    std::vector<std::vector<Point>> barbs;
    for (int i = 0; i <= kBarbs; ++i) {
      const float t = kStart + (kEnd - kStart) * float(i) / kBarbs;
      const float along = std::pow(float(i) / kBarbs, 0.85f);
      const float length = reach * std::pow(std::sin(kPi * along), 0.55f);
      const Point base = quill.at(t);
      // Barbs lean towards the top and curve a little further that way, unevenly, as on a
      // real feather.
      const float lean = float(side) * (0.62f + wobble(i * 3 + side) * 0.06f);
      const Point middle = add(base, scale(rotate(quill.direction(t), lean), length * 0.5f));
      const Point end = add(middle, scale(rotate(quill.direction(t), lean * 0.6f), length * 0.5f));
      outline.push_back(end);
      // Two splits in the vane, where the barbs have parted.
      const bool parted = (side < 0 && i >= 24 && i <= 25) || (side > 0 && i >= 37 && i <= 38);
      if (!parted && length > 1) barbs.push_back({base, middle, end});
    }
    for (int i = kBarbs; i >= 0; --i) outline.push_back(quill.at(kStart + (kEnd - kStart) * float(i) / kBarbs));
    canvas.polygon(outline, kVane);
    for (const std::vector<Point>& barb : barbs) canvas.taperedLine(barb, 0.8f, 0.5f, kInk, 0.55f);
  }
}

void drawQuill(InkCanvas& canvas) {
  const Quill quill;
  drawVane(canvas, quill);
  std::vector<Point> shaft;
  for (int i = 0; i <= 40; ++i) shaft.push_back(quill.at(0.10f + 0.9f * float(i) / 40));
  // A paper halo keeps the lower shaft and the nib clear of the hatching behind them.
  canvas.taperedLine({quill.at(0), quill.at(0.15f), quill.at(0.3f)}, 9, 5, kPaper);
  canvas.taperedLine(shaft, 2.6f, 0.8f, kInk);
  // The nib: a pointed shield from the tip, with its slit and breather hole.
  const Point axis = quill.direction(0);
  const Point across = {-axis.y, axis.x};
  auto nibPoint = [&](float along, float side) { return add(add(quill.tip, scale(axis, along)), scale(across, side)); };
  canvas.polygon({nibPoint(0, 0), nibPoint(7, -3.2f), nibPoint(13, -4.2f), nibPoint(16, -3.4f), nibPoint(16, 3.4f),
                  nibPoint(13, 4.2f), nibPoint(7, 3.2f)},
                 kInk);
  canvas.stroke(nibPoint(1.5f, 0), nibPoint(9, 0), 0.7f, kPaper);
  canvas.disc(nibPoint(9.5f, 0), 1.1f, kPaper);
}

// The line the quill has just drawn, thick to thin, over a paper halo so it reads on the hatching.
void drawFlourish(InkCanvas& canvas) {
  std::vector<Point> line;
  const Point start = Quill{}.tip;
  for (int i = 0; i <= 60; ++i) {
    const float s = float(i) / 60;
    line.push_back({start.x + s * 92, start.y + 5 * std::sin(s * 2.4f * kPi) * (1 - s * 0.5f) + s * 6});
  }
  canvas.taperedLine(line, 7.0f, 3.0f, kPaper);
  canvas.taperedLine(line, 3.4f, 0.7f, kInk);
  canvas.disc(start, 1.8f, kInk);
}

void drawFrame(InkCanvas& canvas) {
  const float right = float(canvas.width()) - 0.5f;
  const float bottom = float(canvas.height()) - 0.5f;
  canvas.stroke({0.5f, 0.5f}, {right, 0.5f}, 1, kInk);
  canvas.stroke({right, 0.5f}, {right, bottom}, 1, kInk);
  canvas.stroke({right, bottom}, {0.5f, bottom}, 1, kInk);
  canvas.stroke({0.5f, bottom}, {0.5f, 0.5f}, 1, kInk);
}

}  // namespace

RgbImage drawAboutPicture() {
  InkCanvas canvas(kAboutPictureWidth, kAboutPictureHeight, kPaper);
  drawSky(canvas);
  drawSun(canvas);
  drawGround(canvas);
  drawReflection(canvas);
  drawQuill(canvas);
  drawFlourish(canvas);
  drawFrame(canvas);
  canvas.grain(2.5f, 0x51A7u);
  return canvas.toImage();
}

AboutMark drawAboutMark() {
  constexpr float kCentre = kMarkSize / 2.0f;
  InkCanvas canvas(kMarkSize, kMarkSize, kWhite);
  canvas.disc({kCentre, kCentre}, 22.5f, kInk);
  canvas.disc({kCentre, kCentre}, 19.5f, kSun);
  canvas.stroke({kCentre - 17, kCentre + 8}, {kCentre + 17, kCentre + 8}, 2, kSunGlow);
  canvas.stroke({kCentre - 14, kCentre + 13}, {kCentre + 14, kCentre + 13}, 2.5f, kSunGlow);
  // A nib pointing down to the left, across the sun.
  const Point axis = unit({1, -1});
  const Point across = {-axis.y, axis.x};
  const Point tip = {kCentre - 13, kCentre + 13};
  auto nibPoint = [&](float along, float side) { return add(add(tip, scale(axis, along)), scale(across, side)); };
  canvas.polygon({nibPoint(0, 0), nibPoint(10, -5.5f), nibPoint(22, -7.5f), nibPoint(30, -6), nibPoint(30, 6),
                  nibPoint(22, 7.5f), nibPoint(10, 5.5f)},
                 kInk);
  canvas.stroke(nibPoint(2, 0), nibPoint(15, 0), 1.2f, kSunGlow);
  canvas.disc(nibPoint(16, 0), 1.8f, kSunGlow);

  AboutMark mark{canvas.toImage(), std::vector<bool>(std::size_t(kMarkSize * kMarkSize))};
  for (int y = 0; y < kMarkSize; ++y)
    for (int x = 0; x < kMarkSize; ++x) {
      const std::size_t i = std::size_t(y * kMarkSize + x);
      const bool background = canvas.coverage(x, y) < 0.5f;
      mark.maskWhite[i] = background;
      if (background) mark.image.rgb[3 * i] = mark.image.rgb[3 * i + 1] = mark.image.rgb[3 * i + 2] = 0;
    }
  return mark;
}

}  // namespace qm::resources
