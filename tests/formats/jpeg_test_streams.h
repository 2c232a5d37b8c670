// SPDX-License-Identifier: LicenseRef-Quillmark
// JPEG streams taken apart by hand for the codec tests: the markers up to the first scan,
// and smooth pictures that survive lossy coding closely.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/engine/engine_fixtures.h"

namespace qm::test {

struct JpegSegment {
  int marker;                         // 0xD8 for the start of image, 0xE0 for APP0, ...
  std::vector<std::uint8_t> payload;  // after the length word
};

// SOI and every segment up to and including the first SOS; empty when the stream breaks
// that structure.
inline std::vector<JpegSegment> segmentsOf(const std::vector<std::uint8_t>& stream) {
  std::vector<JpegSegment> segments;
  if (stream.size() < 2 || stream[0] != 0xFF || stream[1] != 0xD8) return {};
  segments.push_back({0xD8, {}});
  for (std::size_t at = 2; at + 4 <= stream.size();) {
    if (stream[at] != 0xFF) return {};
    const int marker = stream[at + 1];
    const std::size_t length = std::size_t(stream[at + 2]) << 8 | stream[at + 3];
    if (length < 2 || at + 2 + length > stream.size()) return {};
    segments.push_back({marker, {stream.begin() + std::ptrdiff_t(at + 4), stream.begin() + std::ptrdiff_t(at + 2 + length)}});
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return segments;
}

// The tables of the DQT segments (one 8-bit table each, as our encoder writes them) by
// slot, in the stream's zigzag order.
inline std::map<int, std::vector<int>> quantTablesOf(const std::vector<JpegSegment>& segments) {
  std::map<int, std::vector<int>> tables;
  for (const JpegSegment& segment : segments)
    if (segment.marker == 0xDB && segment.payload.size() == 65)
      tables[segment.payload[0]] = std::vector<int>(segment.payload.begin() + 1, segment.payload.end());
  return tables;
}

// Gentle colour ramps in the format's own units, which lossy coding keeps within a few levels.
inline Buffer smoothPicture(std::int32_t width, std::int32_t height, std::int32_t format) {
  const double full = format == kRgba16 ? 32768 : format == kRgbaFloat ? 1.0 : 255;
  Buffer image = makeBuffer(width, height, format);
  fillLevel0(*image, [&](std::int32_t x, std::int32_t y) {
    const double u = double(x) / width, v = double(y) / height;
    return Pixel{full * (0.1 + 0.8 * u), full * (0.2 + 0.6 * v), full * (0.9 - 0.5 * u * v), full};
  });
  return image;
}

}  // namespace qm::test
