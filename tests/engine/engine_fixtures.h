// SPDX-License-Identifier: LicenseRef-Quillmark
// Buffers that free themselves, pixels of any format as plain numbers, and a pretended
// processor count (or failing tasks) for one test's scope.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/image_buffer.h"
#include "engine/jobs.h"

namespace qm::test {

struct BufferDeleter {
  void operator()(ImageBuffer* image) const { destroyImageBuffer(image); }
};
using Buffer = std::unique_ptr<ImageBuffer, BufferDeleter>;

inline Buffer makeBuffer(std::int32_t width, std::int32_t height, std::int32_t format, std::int32_t edgeMode = 0,
                         bool bordered = false) {
  Buffer image(createImageBuffer(nullptr, width, height, format, edgeMode, bordered));
  EXPECT_NE(image, nullptr) << width << " x " << height << " format " << format;
  return image;
}

// A pixel in its format's own units (0..255, 0..32768 or floats); Gray8 holds its grey in
// the first channel and zeros in the others.
using Pixel = std::array<double, 4>;

// The colour read as T, whatever the format; 9 marks a channel the read never wrote.
template <typename T>
Pixel colourAs(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level = 0) {
  T v[4] = {T(9), T(9), T(9), T(9)};
  getColour(image, x, y, level, v);
  return {double(v[0]), double(v[1]), double(v[2]), double(v[3])};
}

inline Pixel pixelAt(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level = 0) {
  switch (image.format) {
    case kGray8: return {double(getGrey(image, x, y, level)), 0, 0, 0};
    case kRgba8: return colourAs<std::uint8_t>(image, x, y, level);
    case kRgba16: return colourAs<std::uint16_t>(image, x, y, level);
    default: return colourAs<float>(image, x, y, level);
  }
}

template <typename T>
void setColourAs(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, const Pixel& p) {
  const T v[4] = {T(p[0]), T(p[1]), T(p[2]), T(p[3])};
  setColour(image, x, y, level, v);
}

inline void setPixel(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, const Pixel& p) {
  switch (image.format) {
    case kGray8: return setGrey(image, x, y, level, std::uint8_t(p[0]));
    case kRgba8: return setColourAs<std::uint8_t>(image, x, y, level, p);
    case kRgba16: return setColourAs<std::uint16_t>(image, x, y, level, p);
    default: return setColourAs<float>(image, x, y, level, p);
  }
}

// Level 0 from value(x, y), a Pixel for each position.
template <typename Value>
void fillLevel0(ImageBuffer& image, Value value) {
  for (std::int32_t y = 0; y < image.height[0]; ++y)
    for (std::int32_t x = 0; x < image.width[0]; ++x) setPixel(image, x, y, 0, value(x, y));
}

// Ramps of different directions and slopes per channel over the format's whole range
// (floats 0..1, Gray8 takes the first), and an opacity that is rarely full.
inline Buffer ramps(std::int32_t width, std::int32_t height, std::int32_t format) {
  const std::int32_t most = format == kRgba16 ? 32768 : 255;
  const double unit = format == kRgbaFloat ? 1.0 / 255 : 1.0;
  Buffer image = makeBuffer(width, height, format);
  fillLevel0(*image, [&](std::int32_t x, std::int32_t y) {
    return Pixel{unit * ((x * 9 + y * 2) * most / (width * 9 + height * 2)), unit * ((x * 37 + y * 53) % (most + 1)),
                 unit * (most - (x * y) % (most + 1)), unit * ((x + y) % 7)};
  });
  return image;
}

// Every pixel of a level, row by row; of every level, one after another, for kAllLevels.
constexpr int kAllLevels = -1;
inline std::vector<Pixel> levelPixels(const ImageBuffer& image, int level = 0) {
  std::vector<Pixel> pixels;
  for (int l = std::max(level, 0); l <= (level == kAllLevels ? image.lastLevel : level); ++l)
    for (std::int32_t y = 0; y < image.height[l]; ++y)
      for (std::int32_t x = 0; x < image.width[l]; ++x) pixels.push_back(pixelAt(image, x, y, l));
  return pixels;
}

class Processors {
 public:
  explicit Processors(int count) { setProcessorCountForTesting(count); }
  ~Processors() { setProcessorCountForTesting(0); }
  Processors(const Processors&) = delete;
  Processors& operator=(const Processors&) = delete;
};

// Every task of every job fails as if memory ran out, for one test's scope.
class FailingTasks {
 public:
  FailingTasks() { setTasksFailForTesting(true); }
  ~FailingTasks() { setTasksFailForTesting(false); }
  FailingTasks(const FailingTasks&) = delete;
  FailingTasks& operator=(const FailingTasks&) = delete;
};

}  // namespace qm::test
