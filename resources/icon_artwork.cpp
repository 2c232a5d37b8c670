// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/icon_artwork.h"

#include "resources/artwork_palette.h"

namespace qm::resources {
namespace {

// Glyphs are designed on a 48-unit square; `pen` is the stroke width in units.
struct Frame {
  InkCanvas& canvas;
  Point topLeft;
  float scale;  // pixels per unit
  float pen;
  float size;   // pixels

  Point at(float x, float y) const { return {topLeft.x + x * scale, topLeft.y + y * scale}; }
  std::vector<Point> path(std::initializer_list<Point> units) const {
    std::vector<Point> points;
    for (Point p : units) points.push_back(at(p.x, p.y));
    return points;
  }
  void line(std::initializer_list<Point> units, Colour ink = kArtInk) const { penLine(canvas, path(units), pen * scale, ink); }
  void fill(std::initializer_list<Point> units, Colour ink = kArtInk) const { canvas.polygon(path(units), ink); }
  void fill(const std::vector<Point>& units, Colour ink) const {
    std::vector<Point> points;
    for (Point p : units) points.push_back(at(p.x, p.y));
    canvas.polygon(points, ink);
  }
  void dot(float x, float y, float radius, Colour ink = kArtInk) const { canvas.disc(at(x, y), radius * scale, ink); }
  void arc(Point centre, float radius, float from, float to) const {
    std::vector<Point> points = arcPoints(centre, radius, from, to);
    for (Point& p : points) p = at(p.x, p.y);
    penLine(canvas, points, pen * scale, kArtInk);
  }
  // A filled arrowhead whose tip is at `tip`, pointing along `direction` (a unit vector).
  void head(Point tip, Point direction, float length) const {
    const Point across = {-direction.y, direction.x};
    const float halfWidth = length * 0.75f;
    fill({tip,
          {tip.x - direction.x * length + across.x * halfWidth, tip.y - direction.y * length + across.y * halfWidth},
          {tip.x - direction.x * length - across.x * halfWidth, tip.y - direction.y * length - across.y * halfWidth}});
  }
};

// A clockwise arrow almost all the way round: start again from the beginning.
void reset(const Frame& f) {
  const Point centre = {24, 25};
  const float radius = 16;
  f.arc(centre, radius, 75, 318);
  const float tipDegrees = 358, a = tipDegrees * kArtPi / 180;
  f.head(onCircle(centre, radius, tipDegrees), {std::cos(a), std::sin(a)}, 9 + f.pen);
}

void nextBlend(const Frame& f) { f.line({{12, 40}, {12, 8}, {36, 40}, {36, 8}}); }

// Layers: a filled sheet over two more, seen at a slant.
void psd(const Frame& f) {
  for (float y : {34.0f, 26.0f}) f.line({{6, y - 6}, {24, y + 4}, {42, y - 6}});
  f.fill({{24, 6}, {45, 17}, {24, 28}, {3, 17}});
}

void information(const Frame& f) {
  penLine(f.canvas, [&] {
    std::vector<Point> ring = arcPoints({24, 24}, 20.5f, 0, 360);
    for (Point& p : ring) p = f.at(p.x, p.y);
    return ring;
  }(), f.pen * 0.75f * f.scale, kArtInk);
  // The dot and the stem keep a clear pixel between them at every size.
  const float dotRadius = f.pen * 0.55f, dotY = 12.5f + f.pen * 0.2f;
  f.dot(24, dotY, dotRadius);
  f.line({{24, dotY + dotRadius + 1.2f / f.scale + f.pen / 2}, {24, 35}});
}

// A page of four small pictures.
void catalogue(const Frame& f) {
  f.fill(roundedRectangle(7, 3, 41, 45, 4), kArtInk);
  const float border = f.pen * 0.8f, gap = f.pen * 0.55f;
  const float left = 7 + border, top = 3 + border, right = 41 - border, bottom = 45 - border;
  const float width = (right - left - gap) / 2, height = (bottom - top - gap) / 2;
  for (int row = 0; row < 2; ++row)
    for (int column = 0; column < 2; ++column) {
      const float x = left + float(column) * (width + gap), y = top + float(row) * (height + gap);
      f.fill(roundedRectangle(x, y, x + width, y + height, 1), kArtPaper);
    }
}

// A die showing five; small sizes have room for three pips only.
void random(const Frame& f) {
  f.fill(roundedRectangle(5, 5, 43, 43, 8), kArtInk);
  const float pip = f.size >= 24 ? 3.6f : 5.0f;
  std::vector<Point> pips = {{15, 15}, {24, 24}, {33, 33}};
  if (f.size >= 24) pips.insert(pips.end(), {{33, 15}, {15, 33}});
  for (Point p : pips) f.dot(p.x, p.y, pip, kArtPaper);
}

void load(const Frame& f) {
  f.line({{6, 38}, {6, 10}, {18, 10}, {22, 15}, {38, 15}, {38, 20}});
  f.fill({{12, 21}, {46, 21}, {38, 40}, {4, 40}});
}

// An arrow down into a tray.
void save(const Frame& f) {
  f.line({{7, 27}, {7, 41}, {41, 41}, {41, 27}});
  f.line({{24, 5}, {24, 22}});
  f.head({24, 33}, {0, 1}, 10 + f.pen * 0.4f);
}

// Back one step: a hook over to the left, ending in a downward point.
void undo(const Frame& f) {
  f.line({{38, 42}, {38, 25}});
  f.arc({25, 25}, 13, 90, -90);
  f.head({12, 36}, {0, 1}, 8 + f.pen * 0.6f);
}

// The program's mark: a pen nib over the rising sun of the about box.
void program(const Frame& f) {
  f.dot(24, 24, 23);
  f.dot(24, 24, 19.5f, kArtAccent);
  const Point axis = {0.7071f, -0.7071f}, across = {0.7071f, 0.7071f};
  const Point tip = {10, 38};
  auto nib = [&](float along, float side) {
    return Point{tip.x + axis.x * along + across.x * side, tip.y + axis.y * along + across.y * side};
  };
  f.fill({nib(0, 0), nib(10, -6), nib(23, -8), nib(32, -6.5f), nib(32, 6.5f), nib(23, 8), nib(10, 6)});
  const float slit = std::max(1.3f, f.pen * 0.45f);
  penLine(f.canvas, f.path({nib(3, 0), nib(16, 0)}), slit * f.scale, kArtAccent);
  f.dot(nib(17.5f, 0).x, nib(17.5f, 0).y, std::max(2.0f, slit), kArtAccent);
}

// Stroke width in pixels: about 2.7 at 16 pixels, 5 at 48.
float penPixels(float size) { return 1.55f + size * 0.072f; }

}  // namespace

void paintIcon(InkCanvas& canvas, IconGlyph glyph, Point topLeft, float size) {
  const float scale = size / 48;
  const Frame frame{canvas, topLeft, scale, penPixels(size) / scale, size};
  switch (glyph) {
    case IconGlyph::Reset: return reset(frame);
    case IconGlyph::NextBlend: return nextBlend(frame);
    case IconGlyph::Psd: return psd(frame);
    case IconGlyph::Information: return information(frame);
    case IconGlyph::Catalogue: return catalogue(frame);
    case IconGlyph::Random: return random(frame);
    case IconGlyph::Load: return load(frame);
    case IconGlyph::Save: return save(frame);
    case IconGlyph::Undo: return undo(frame);
    case IconGlyph::Program: return program(frame);
  }
}

RgbaImage drawIcon(IconGlyph glyph, int size) {
  return paintTransparent(size, size, [&](InkCanvas& canvas) { paintIcon(canvas, glyph, {0, 0}, float(size)); });
}

}  // namespace qm::resources
