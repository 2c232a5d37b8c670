// SPDX-License-Identifier: LicenseRef-Quillmark
#include "engine/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/pyramid.h"

namespace qm {
namespace {

constexpr int kTaps = 5;
constexpr int kPhases = 128;
// Integer totals carry the weights of both axes: 2048 * 2048 or 32768 * 32768.
constexpr float kScale2048Squared = 1.0f / 4194304.0f;       // 2^-22
constexpr float kScale32768Squared = 1.0f / 1073741824.0f;   // 2^-30

// The 5 x 5 source pixels of one sample: at[row][column], rows j - 2 .. j + 2 and
// columns i - 2 .. i + 2.
struct Footprint {
  const std::uint8_t* at[kTaps][kTaps];
};

struct TapPosition {
  std::int32_t centre;  // i (or j)
  int phase;            // 0..127
};

// Far enough that every footprint still folds correctly, near enough for 32-bit taps;
// floats this large have no fractional part left anyway.
constexpr float kFarthestPosition = 16777216.0f;  // 2^24

TapPosition tapPosition(float position) {
  if (!(position > -kFarthestPosition)) position = -kFarthestPosition;  // also NaN
  if (position > kFarthestPosition) position = kFarthestPosition;
  const float shifted = position + 0.5f;
  const float whole = std::floor(shifted);
  const int phase = std::clamp(int((shifted - whole) * float(kPhases)), 0, kPhases - 1);
  return {std::int32_t(whole), phase};
}

std::int32_t wrap(std::int32_t c, std::int32_t size) {
  const std::int32_t folded = c % size;
  return folded < 0 ? folded + size : folded;
}

std::int32_t foldCoordinate(std::int32_t c, std::int32_t maximum, bool wraps) {
  if (c >= 0 && c <= maximum) return c;
  return wraps ? wrap(c, maximum + 1) : std::clamp(c, 0, maximum);
}

bool insideOneTile(std::int32_t first, std::int32_t maximum) {
  return first >= 0 && first + kTaps - 1 <= maximum && (first & kTileMask) <= kTileSize - kTaps;
}

Footprint gatherFootprint(const ImageBuffer& image, int level, std::int32_t i, std::int32_t j) {
  Footprint footprint;
  const std::int32_t left = i - 2;
  const std::int32_t top = j - 2;
  const std::int32_t maxX = image.maxX[level];
  const std::int32_t maxY = image.maxY[level];
  if (insideOneTile(left, maxX) && insideOneTile(top, maxY)) {
    // Every row of a tile is 512 pixels long, so the footprint is plain strides.
    const std::uint8_t* corner = pixelAddress(image, left, top, level);
    const std::size_t pixelBytes = std::size_t(image.bytesPerPixel);
    const std::size_t rowBytes = std::size_t(kTileSize) * pixelBytes;
    for (int r = 0; r < kTaps; ++r)
      for (int k = 0; k < kTaps; ++k) footprint.at[r][k] = corner + std::size_t(r) * rowBytes + std::size_t(k) * pixelBytes;
    return footprint;
  }
  const bool wrapsX = image.edgeMode != 0;
  const bool wrapsY = image.edgeMode != 0 && image.edgeMode != 2;
  std::int32_t columns[kTaps];
  for (int k = 0; k < kTaps; ++k) columns[k] = foldCoordinate(left + k, maxX, wrapsX);
  for (int r = 0; r < kTaps; ++r) {
    const std::int32_t row = foldCoordinate(top + r, maxY, wrapsY);
    for (int k = 0; k < kTaps; ++k) footprint.at[r][k] = pixelAddress(image, columns[k], row, level);
  }
  return footprint;
}

// Column i + d takes table 2 - d, so tap k (column i - 2 + k) takes table 4 - k.
template <typename Weight>
void tapWeights(const Weight (&table)[kTaps][kPhases], int phase, Weight out[kTaps]) {
  for (int k = 0; k < kTaps; ++k) out[k] = table[kTaps - 1 - k][phase];
}

template <int Channels, typename Acc, typename Read>
void convolve(const Footprint& footprint, const Acc wx[kTaps], const Acc wy[kTaps], Read read, Acc total[4]) {
  for (int c = 0; c < Channels; ++c) total[c] = 0;
  for (int r = 0; r < kTaps; ++r) {
    Acc rowSum[Channels] = {};
    for (int k = 0; k < kTaps; ++k) {
      Acc value[Channels];
      read(footprint.at[r][k], value);
      for (int c = 0; c < Channels; ++c) rowSum[c] += value[c] * wx[k];
    }
    for (int c = 0; c < Channels; ++c) total[c] += rowSum[c] * wy[r];
  }
}

void readGrey(const std::uint8_t* p, std::int64_t value[1]) { value[0] = *p; }

void readRgba8(const std::uint8_t* p, std::int64_t value[4]) {
  std::uint32_t word;
  std::memcpy(&word, p, sizeof word);
  for (int c = 0; c < 4; ++c) value[c] = (word >> (24 - 8 * c)) & 0xFFu;
}

void readRgba16(const std::uint8_t* p, std::int64_t value[4]) {
  std::uint16_t channels[4];
  std::memcpy(channels, p, sizeof channels);
  for (int c = 0; c < 4; ++c) value[c] = channels[c];
}

void readRgbaFloat(const std::uint8_t* p, float value[4]) { std::memcpy(value, p, 4 * sizeof(float)); }

template <typename Weight>
void phaseWeights(const Weight (&table)[kTaps][kPhases], const TapPosition& px, const TapPosition& py,
                  std::int64_t wx[kTaps], std::int64_t wy[kTaps]) {
  Weight x[kTaps];
  Weight y[kTaps];
  tapWeights(table, px.phase, x);
  tapWeights(table, py.phase, y);
  for (int k = 0; k < kTaps; ++k) {
    wx[k] = x[k];
    wy[k] = y[k];
  }
}

void filterFootprint(const ImageBuffer& image, const Footprint& footprint, const TapPosition& px,
                     const TapPosition& py, float out[4]) {
  const LanczosWeights& tables = lanczosWeights();
  std::int64_t wx[kTaps];
  std::int64_t wy[kTaps];
  std::int64_t total[4] = {};
  switch (image.format) {
    case kGray8:
      phaseWeights(tables.weights2048, px, py, wx, wy);
      convolve<1>(footprint, wx, wy, readGrey, total);
      out[0] = out[1] = out[2] = float(total[0]) * kScale2048Squared;
      out[3] = 255.0f;
      return;
    case kRgba8:
      phaseWeights(tables.weights2048, px, py, wx, wy);
      convolve<4>(footprint, wx, wy, readRgba8, total);
      for (int c = 0; c < 4; ++c) out[c] = float(total[c]) * kScale2048Squared;
      return;
    case kRgba16:
      phaseWeights(tables.weights32768, px, py, wx, wy);
      convolve<4>(footprint, wx, wy, readRgba16, total);
      for (int c = 0; c < 4; ++c) out[c] = float(total[c]) * kScale32768Squared;
      return;
    case kRgbaFloat: {
      float fx[kTaps];
      float fy[kTaps];
      tapWeights(tables.weights, px.phase, fx);
      tapWeights(tables.weights, py.phase, fy);
      convolve<4>(footprint, fx, fy, readRgbaFloat, out);
      return;
    }
    default:
      std::fill(out, out + 4, 0.0f);
  }
}

bool isEmpty(const ImageRect& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

void holdChannels(bool floatDestination, float c[4]) {
  const float colourLimit = floatDestination ? 65535.0f : 1.0f;
  for (int k = 0; k < 3; ++k) c[k] = std::clamp(c[k], 0.0f, colourLimit);
  c[3] = std::clamp(c[3], 0.0f, 1.0f);
}

// Normalised level-0 coordinates of the source rectangle: a whole-image rectangle spans 0..1.
struct SourceWindow {
  float left, top, width, height;
};

SourceWindow sourceWindow(const ImageBuffer& source, const ImageRect& rect) {
  const float w = source.nominalWidth[0];
  const float h = source.nominalHeight[0];
  return {float(rect.left) / w, float(rect.top) / h, float(rect.right - rect.left) / w,
          float(rect.bottom - rect.top) / h};
}

void fillRectangle(const ImageBuffer& source, ImageBuffer& destination, const ImageRect& sourceRect,
                   const ImageRect& destinationRect, float bias) {
  const std::int32_t width = destinationRect.right - destinationRect.left;
  const std::int32_t height = destinationRect.bottom - destinationRect.top;
  const float ratio = float(sourceRect.right - sourceRect.left) / float(width);
  const float mip = std::clamp(std::log2(ratio) - bias, 0.0f, float(source.lastLevel));
  const int level = int(mip);
  const float t = mip - float(level);
  const SourceWindow window = sourceWindow(source, sourceRect);
  const bool floatDestination = destination.format == kRgbaFloat;
  for (std::int32_t y = 0; y < height; ++y) {
    const float v = window.top + window.height * float(2 * y + 1) / float(2 * height);
    for (std::int32_t x = 0; x < width; ++x) {
      const float u = window.left + window.width * float(2 * x + 1) / float(2 * width);
      float c[4];
      sampleImage(source, level, t, u, v, c);
      holdChannels(floatDestination, c);
      setNormalised(destination, destinationRect.left + x, destinationRect.top + y, 0, c);
    }
  }
}

constexpr std::int32_t kLargestDoubledSize = 0x3FFFFFFF;

void convertLevel0(const ImageBuffer& source, ImageBuffer& destination) {
  for (std::int32_t y = 0; y < destination.height[0]; ++y)
    for (std::int32_t x = 0; x < destination.width[0]; ++x) {
      float c[4];
      getNormalised(source, x, y, 0, c);
      setNormalised(destination, x, y, 0, c);
    }
}

// The four stencils of the doubled grid: new pixel (X, Y) lies on, between or diagonal
// to the old pixels around (X / 2, Y / 2). Divisions truncate.
std::uint8_t doubledPixel(const ImageBuffer& image, std::int32_t X, std::int32_t Y) {
  const std::int32_t i = X / 2;
  const std::int32_t j = Y / 2;
  auto p = [&](std::int32_t a, std::int32_t b) { return std::int32_t(getGrey(image, a, b, 0)); };
  const bool oddX = (X & 1) != 0;
  const bool oddY = (Y & 1) != 0;
  if (oddX && oddY) return std::uint8_t((p(i, j) + p(i + 1, j) + p(i, j + 1) + p(i + 1, j + 1)) / 4);
  if (oddY)
    return std::uint8_t((p(i - 1, j) + 16 * p(i, j) + p(i + 1, j) + p(i - 1, j + 1) + 16 * p(i, j + 1) +
                         p(i + 1, j + 1)) / 36);
  if (oddX)
    return std::uint8_t((p(i, j - 1) + 16 * p(i, j) + p(i, j + 1) + p(i + 1, j - 1) + 16 * p(i + 1, j) +
                         p(i + 1, j + 1)) / 36);
  const std::int32_t corners = p(i - 1, j - 1) + p(i + 1, j - 1) + p(i - 1, j + 1) + p(i + 1, j + 1);
  const std::int32_t sides = p(i, j - 1) + p(i - 1, j) + p(i + 1, j) + p(i, j + 1);
  return std::uint8_t((corners + 16 * sides + 256 * p(i, j)) / 324);
}

}  // namespace

void sampleLevel(const ImageBuffer& image, int level, float x, float y, float out[4]) {
  if (!hasPixels(image) || level < 0 || level > image.lastLevel || level >= kMaxLevels) {
    std::fill(out, out + 4, 0.0f);
    return;
  }
  const TapPosition px = tapPosition(x);
  const TapPosition py = tapPosition(y);
  const Footprint footprint = gatherFootprint(image, level, px.centre, py.centre);
  filterFootprint(image, footprint, px, py, out);
}

void sampleImage(const ImageBuffer& image, int level, float t, float u, float v, float out[4]) {
  const int base = std::max(0, std::min(level, image.lastLevel - 1));
  sampleLevel(image, base, image.nominalWidth[base] * u - 0.5f, image.nominalHeight[base] * v - 0.5f, out);
  const int next = base + 1;
  if (t != 0.0f && next <= image.lastLevel) {
    float coarse[4];
    sampleLevel(image, next, image.nominalWidth[next] * u - 0.5f, image.nominalHeight[next] * v - 0.5f, coarse);
    for (int c = 0; c < 4; ++c) out[c] = (coarse[c] - out[c]) * t + out[c];
  }
  for (int c = 0; c < 4; ++c) out[c] *= image.reciprocalScale;
}

bool resizeImage(const ImageBuffer* source, ImageBuffer* destination, const ImageRect& sourceRect,
                 const ImageRect& destinationRect, float bias) {
  if (source == nullptr || destination == nullptr || source == destination || destination->format == kGray8)
    return false;
  if (!isEmpty(sourceRect) && !isEmpty(destinationRect))
    fillRectangle(*source, *destination, sourceRect, destinationRect, bias);
  return buildPyramid(*destination);
}

bool transferImage(const ImageBuffer* source, ImageBuffer* destination) {
  if (source == nullptr || destination == nullptr || destination->format == kGray8) return false;
  if (source->width[0] != destination->width[0] || source->height[0] != destination->height[0])
    return resizeImage(source, destination, levelRect(source, 0), levelRect(destination, 0), 0.5f);
  if (hasPixels(*source) && hasPixels(*destination) && source != destination) convertLevel0(*source, *destination);
  return buildPyramid(*destination);
}

bool doubleImage(ImageBuffer& image) {
  if (image.format != kGray8 || !hasPixels(image) || image.width[0] > kLargestDoubledSize ||
      image.height[0] > kLargestDoubledSize)
    return false;
  const std::int32_t width = image.width[0] * 2;
  const std::int32_t height = image.height[0] * 2;
  ImageBuffer doubled{};
  initImageBuffer(doubled, image.owner);
  if (!configureImageBuffer(&doubled, width, height, kGray8, image.edgeMode, false)) return false;
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) setGrey(doubled, x, y, 0, doubledPixel(image, x, y));
  // The record keeps who owns it; everything else, tiles included, comes from the new one.
  void* const owner = image.owner;
  const std::uint8_t ownedRecord = image.ownedRecord;
  releasePixels(image);
  image = doubled;
  image.owner = owner;
  image.ownedRecord = ownedRecord;
  return true;
}

}  // namespace qm
