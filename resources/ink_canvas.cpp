// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/ink_canvas.h"

#include <algorithm>
#include <cmath>

namespace qm::resources {
namespace {

float distanceToSegment(float px, float py, Point a, Point b) {
  const float dx = b.x - a.x;
  const float dy = b.y - a.y;
  const float lengthSquared = dx * dx + dy * dy;
  float t = lengthSquared > 0 ? ((px - a.x) * dx + (py - a.y) * dy) / lengthSquared : 0.0f;
  t = std::clamp(t, 0.0f, 1.0f);
  const float ex = px - (a.x + t * dx);
  const float ey = py - (a.y + t * dy);
  return std::sqrt(ex * ex + ey * ey);
}

bool insidePolygon(float px, float py, const std::vector<Point>& corners) {
  bool inside = false;
  for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
    const Point a = corners[i];
    const Point b = corners[j];
    if ((a.y > py) != (b.y > py) && px < (b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

std::uint32_t hashPixel(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
  std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

std::uint8_t toByte(float value) { return std::uint8_t(std::lround(std::clamp(value, 0.0f, 255.0f))); }

}  // namespace

InkCanvas::InkCanvas(int width, int height, Colour paper)
    : width_(width), height_(height), pixels_(std::size_t(width) * std::size_t(height), paper),
      coverage_(pixels_.size(), 0.0f) {
  resetClip();
}

void InkCanvas::setClip(float left, float top, float right, float bottom) {
  clipLeft_ = left;
  clipTop_ = top;
  clipRight_ = right;
  clipBottom_ = bottom;
}

void InkCanvas::resetClip() { setClip(0, 0, float(width_), float(height_)); }

bool InkCanvas::clipped(int x, int y) const {
  const float cx = float(x) + 0.5f;
  const float cy = float(y) + 0.5f;
  return cx < clipLeft_ || cx >= clipRight_ || cy < clipTop_ || cy >= clipBottom_;
}

void InkCanvas::blend(int x, int y, Colour ink, float alpha) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || alpha <= 0 || clipped(x, y)) return;
  alpha = std::min(alpha, 1.0f);
  Colour& pixel = pixels_[index(x, y)];
  pixel.r += (ink.r - pixel.r) * alpha;
  pixel.g += (ink.g - pixel.g) * alpha;
  pixel.b += (ink.b - pixel.b) * alpha;
  float& covered = coverage_[index(x, y)];
  covered = std::max(covered, alpha);
}

void InkCanvas::stroke(Point from, Point to, float width, Colour ink, float opacity) {
  const float reach = width / 2 + 1;
  const int left = int(std::floor(std::min(from.x, to.x) - reach));
  const int right = int(std::ceil(std::max(from.x, to.x) + reach));
  const int top = int(std::floor(std::min(from.y, to.y) - reach));
  const int bottom = int(std::ceil(std::max(from.y, to.y) + reach));
  for (int y = std::max(top, 0); y <= std::min(bottom, height_ - 1); ++y)
    for (int x = std::max(left, 0); x <= std::min(right, width_ - 1); ++x) {
      // Coverage falls off over one pixel at the stroke's edge.
      const float distance = distanceToSegment(float(x) + 0.5f, float(y) + 0.5f, from, to);
      const float covered = std::clamp(width / 2 + 0.5f - distance, 0.0f, 1.0f);
      blend(x, y, ink, covered * opacity);
    }
}

void InkCanvas::taperedLine(const std::vector<Point>& points, float startWidth, float endWidth, Colour ink,
                            float opacity) {
  if (points.size() < 2) return;
  const float steps = float(points.size() - 1);
  for (std::size_t i = 0; i + 1 < points.size(); ++i) {
    const float t = (float(i) + 0.5f) / steps;
    stroke(points[i], points[i + 1], startWidth + (endWidth - startWidth) * t, ink, opacity);
  }
}

void InkCanvas::disc(Point centre, float radius, Colour ink, float opacity) {
  for (int y = std::max(int(centre.y - radius - 1), 0); y <= std::min(int(centre.y + radius + 1), height_ - 1); ++y)
    for (int x = std::max(int(centre.x - radius - 1), 0); x <= std::min(int(centre.x + radius + 1), width_ - 1);
         ++x) {
      const float dx = float(x) + 0.5f - centre.x;
      const float dy = float(y) + 0.5f - centre.y;
      const float covered = std::clamp(radius + 0.5f - std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
      blend(x, y, ink, covered * opacity);
    }
}

void InkCanvas::polygon(const std::vector<Point>& corners, Colour ink, float opacity) {
  if (corners.size() < 3) return;
  float left = corners[0].x, right = left, top = corners[0].y, bottom = top;
  for (const Point& p : corners) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  // Four by four samples per pixel smooth the edges.
  constexpr int kSamples = 4;
  for (int y = std::max(int(top) - 1, 0); y <= std::min(int(bottom) + 1, height_ - 1); ++y)
    for (int x = std::max(int(left) - 1, 0); x <= std::min(int(right) + 1, width_ - 1); ++x) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx)
          hits += insidePolygon(float(x) + (float(sx) + 0.5f) / kSamples, float(y) + (float(sy) + 0.5f) / kSamples,
                                corners);
      blend(x, y, ink, float(hits) / (kSamples * kSamples) * opacity);
    }
}

void InkCanvas::grain(float amplitude, std::uint32_t seed) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      const float noise = (float(hashPixel(std::uint32_t(x), std::uint32_t(y), seed) & 0xFFFF) / 65535.0f - 0.5f) *
                          2 * amplitude;
      Colour& pixel = pixels_[index(x, y)];
      pixel = {pixel.r + noise, pixel.g + noise, pixel.b + noise};
    }
}

Colour InkCanvas::at(int x, int y) const { return pixels_[index(x, y)]; }

RgbImage InkCanvas::toImage() const {
  RgbImage image{width_, height_, {}};
  image.rgb.reserve(pixels_.size() * 3);
  for (const Colour& pixel : pixels_) {
    image.rgb.push_back(toByte(pixel.r));
    image.rgb.push_back(toByte(pixel.g));
    image.rgb.push_back(toByte(pixel.b));
  }
  return image;
}

}  // namespace qm::resources
