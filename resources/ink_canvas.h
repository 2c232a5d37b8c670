// SPDX-License-Identifier: LicenseRef-Quillmark
// A small anti-aliased painter for our own artwork: round-capped strokes, discs and
// polygons laid over a paper colour, in floating point, deterministic to the bit for the
// same calls. It also records how much paint each pixel received, which becomes the
// transparency mask of a mark.
#pragma once

#include <cstdint>
#include <vector>

namespace qm::resources {

struct Point {
  float x;
  float y;
};

struct Colour {
  float r;  // 0..255
  float g;
  float b;
};

// Eight-bit RGB, rows top to bottom, three bytes per pixel.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

class InkCanvas {
 public:
  InkCanvas(int width, int height, Colour paper);

  // Only pixels inside [left, right) x [top, bottom) are painted until the clip is reset.
  void setClip(float left, float top, float right, float bottom);
  void resetClip();

  void stroke(Point from, Point to, float width, Colour ink, float opacity = 1.0f);
  // A stroke whose width runs from startWidth to endWidth along the points.
  void taperedLine(const std::vector<Point>& points, float startWidth, float endWidth, Colour ink,
                   float opacity = 1.0f);
  void disc(Point centre, float radius, Colour ink, float opacity = 1.0f);
  void polygon(const std::vector<Point>& corners, Colour ink, float opacity = 1.0f);
  // Adds a deterministic speckle of up to +-amplitude to every channel.
  void grain(float amplitude, std::uint32_t seed);

  int width() const { return width_; }
  int height() const { return height_; }
  Colour at(int x, int y) const;
  // Largest coverage any paint gave the pixel, 0..1.
  float coverage(int x, int y) const { return coverage_[index(x, y)]; }
  RgbImage toImage() const;

 private:
  std::size_t index(int x, int y) const { return std::size_t(y) * std::size_t(width_) + std::size_t(x); }
  bool clipped(int x, int y) const;
  void blend(int x, int y, Colour ink, float alpha);

  int width_;
  int height_;
  std::vector<Colour> pixels_;
  std::vector<float> coverage_;
  float clipLeft_ = 0, clipTop_ = 0, clipRight_ = 0, clipBottom_ = 0;
};

}  // namespace qm::resources
