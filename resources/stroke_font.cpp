// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/stroke_font.h"

#include <algorithm>
#include <vector>

namespace qm::resources {
namespace {

// Glyphs on a grid of half units: capitals from y 0 to the baseline at 12, small letters
// from 4, descenders to 16. A glyph is strokes separated by spaces; each stroke is points
// of two base-36 digits (x, y). A stroke starting with '~' is a smooth curve through its
// points, '@' a smooth closed loop, '.' a dot.
struct Glyph {
  char character;
  const char* strokes;
};

constexpr float kCapUnits = 12;
constexpr float kGapUnits = 3;    // between glyphs, after the widest point
constexpr float kSpaceUnits = 6;  // advance of a space

constexpr Glyph kGlyphs[] = {
    {'A', "0C4084C 2868"},
    {'B', "000C ~0040734606 ~0646894C0C"},
    {'C', "~7240064C7A"},
    {'D', "000C ~0030873C0C"},
    {'E', "80000C8C 0666"},
    {'F', "80000C 0666"},
    {'G', "~7240064C89 8986 5686"},
    {'H', "000C 808C 0686"},
    {'I', "2060 404C 2C6C"},
    {'J', "3060 ~60693C09"},
    {'K', "000C 8008 358C"},
    {'L', "000C8C"},
    {'M', "0C0046808C"},
    {'N', "0C008C80"},
    {'O', "@40064C86"},
    {'P', "0C00 ~0050835606"},
    {'Q', "@40064C86 598D"},
    {'R', "0C00 ~0050835606 468C"},
    {'S', "~71400346894C0B"},
    {'T', "0080 404C"},
    {'U', "~00084C8880"},
    {'V', "004C80"},
    {'W', "002C538CA0"},
    {'X', "008C 800C"},
    {'Y', "004680 464C"},
    {'Z', "00800C8C"},
    {'a', "@34083C68 646C"},
    {'b', "000C @34083C68"},
    {'c', "~6534083C6B"},
    {'d', "606C @34083C68"},
    {'e', "0868 ~6834083C6B"},
    {'f', "~6140222C 0454"},
    {'g', "@34083C68 ~646E3G0E"},
    {'h', "000C ~0734676C"},
    {'i', "141C .11"},
    {'j', "~343E1G0F .31"},
    {'k', "000C 5409 276C"},
    {'l', "~101A3C"},
    {'m', "040C ~0724474C ~4764878C"},
    {'n', "040C ~0734676C"},
    {'o', "@34083C68"},
    {'p', "040G @34083C68"},
    {'q', "646G @34083C68"},
    {'r', "040C ~083465"},
    {'s', "~653406386A3C0B"},
    {'t', "~212A4C6B 0454"},
    {'u', "~04093C69 646C"},
    {'v', "043C64"},
    {'w', "042C466C84"},
    {'x', "046C 640C"},
    {'y', "043C 641G"},
    {'z', "04640C6C"},
    {'0', "@30063C66"},
    {'1', "12303C 1C5C"},
    {'2', "~023063370C 0C6C"},
    {'3', "~01306336 ~36693C0B"},
    {'4', "5C500868"},
    {'5', "600005 ~0534683C0B"},
    {'6', "~5013083C693608"},
    {'7', "00602C"},
    {'8', "@30033663 @36093C69"},
    {'9', "~1C596430033664"},
    {'.', ".1B"},
    {',', ".1B 1B0E"},
    {':', ".15 .1B"},
    {';', ".15 .1B 1B0E"},
    {'-', "0747"},
    {'+', "0767 343A"},
    {'=', "0565 0969"},
    {'(', "~30063C"},
    {')', "~00360C"},
    {'/', "0C50"},
    {'\'', "1013"},
    {'"', "1013 3033"},
    {'!', "1018 .1B"},
    {'?', "~0230633638 .3B"},
    {'<', "64086C"},
    {'>', "04680C"},
};

const char* strokesOf(char c) {
  for (const Glyph& glyph : kGlyphs)
    if (glyph.character == c) return glyph.strokes;
  return c == ' ' ? "" : strokesOf('?');
}

float digit(char c) { return float(c <= '9' ? c - '0' : c - 'A' + 10); }

// Every stroke of a glyph as its kind and points, in grid units.
struct Stroke {
  char kind;  // ' ' straight, '~' smooth, '@' loop, '.' dot
  std::vector<Point> points;
};

std::vector<Stroke> parse(const char* strokes) {
  std::vector<Stroke> parsed;
  for (const char* c = strokes; *c != 0;) {
    if (*c == ' ') {
      ++c;
      continue;
    }
    Stroke stroke{' ', {}};
    if (*c == '~' || *c == '@' || *c == '.') stroke.kind = *c++;
    for (; c[0] != 0 && c[0] != ' ' && c[1] != 0; c += 2) stroke.points.push_back({digit(c[0]), digit(c[1])});
    parsed.push_back(stroke);
  }
  return parsed;
}

float widthUnits(char c) {
  if (c == ' ') return kSpaceUnits - kGapUnits;
  float widest = 0;
  for (const Stroke& stroke : parse(strokesOf(c)))
    for (const Point& p : stroke.points) widest = std::max(widest, p.x);
  return widest;
}

// A Catmull-Rom curve through the points; the ends continue their first and last chords.
std::vector<Point> smoothThrough(const std::vector<Point>& points, bool closed) {
  const std::size_t n = points.size();
  if (n < 3) return points;
  auto at = [&](std::ptrdiff_t i) {
    if (closed) return points[std::size_t((i + std::ptrdiff_t(n)) % std::ptrdiff_t(n))];
    if (i < 0) return Point{2 * points[0].x - points[1].x, 2 * points[0].y - points[1].y};
    if (i >= std::ptrdiff_t(n)) return Point{2 * points[n - 1].x - points[n - 2].x, 2 * points[n - 1].y - points[n - 2].y};
    return points[std::size_t(i)];
  };
  constexpr int kSteps = 10;
  std::vector<Point> curve;
  const std::ptrdiff_t segments = std::ptrdiff_t(closed ? n : n - 1);
  for (std::ptrdiff_t i = 0; i < segments; ++i) {
    const Point p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
    for (int step = 0; step < kSteps; ++step) {
      const float t = float(step) / kSteps, t2 = t * t, t3 = t2 * t;
      auto blend = [&](float a, float b, float c, float d) {
        return 0.5f * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (3 * b - a - 3 * c + d) * t3);
      };
      curve.push_back({blend(p0.x, p1.x, p2.x, p3.x), blend(p0.y, p1.y, p2.y, p3.y)});
    }
  }
  curve.push_back(closed ? points[0] : points[n - 1]);
  return curve;
}

}  // namespace

float penTextWidth(std::string_view text, float capHeight) {
  float units = 0;
  for (char c : text) units += widthUnits(c) + kGapUnits;
  if (!text.empty()) units -= kGapUnits;
  return units * capHeight / kCapUnits;
}

float drawPenText(InkCanvas& canvas, Point origin, std::string_view text, const PenText& style) {
  const float unit = style.capHeight / kCapUnits;
  float x = origin.x;
  for (char c : text) {
    auto place = [&](Point p) { return Point{x + p.x * unit, origin.y + (p.y - kCapUnits) * unit}; };
    for (const Stroke& stroke : parse(strokesOf(c))) {
      if (stroke.kind == '.') {
        canvas.disc(place(stroke.points[0]), style.weight * 0.7f, style.ink);
        continue;
      }
      std::vector<Point> path = stroke.kind == ' ' ? stroke.points : smoothThrough(stroke.points, stroke.kind == '@');
      for (Point& p : path) p = place(p);
      canvas.taperedLine(path, style.weight, style.weight, style.ink);
    }
    x += (widthUnits(c) + kGapUnits) * unit;
  }
  return x;
}

}  // namespace qm::resources
