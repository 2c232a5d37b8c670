// SPDX-License-Identifier: LicenseRef-Quillmark
// 16-bit pictures run 0..32768; files run 0..65535, so a sample doubles and full scale
// becomes 65535. The checkerboard's light squares are where (x XOR y) AND 8 is 0.
#include "formats/psd_planes.h"

#include <algorithm>
#include <cstring>

namespace qm::psd {
namespace {

template <typename Sample>
Sample sampleAt(const PsdPicture& picture, std::int32_t x, std::int32_t y, int channel) {
  const auto* row = static_cast<const std::uint8_t*>(picture.rgba) + std::ptrdiff_t(y) * picture.rowBytes;
  Sample value;
  std::memcpy(&value, row + (std::size_t(x) * 4 + std::size_t(channel)) * sizeof(Sample), sizeof(Sample));
  return value;
}

std::uint32_t half16(const PsdPicture& picture, std::int32_t x, std::int32_t y, int channel) {
  return std::min<std::uint32_t>(sampleAt<std::uint16_t>(picture, x, y, channel), 32768);
}

void put16(std::uint8_t* out, std::int32_t x, std::uint32_t half) {
  const std::uint32_t full = half >= 32768 ? 65535 : 2 * half;
  out[2 * x] = std::uint8_t(full >> 8);
  out[2 * x + 1] = std::uint8_t(full);
}

void putFloat(std::uint8_t* out, std::int32_t x, float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, 4);
  for (int i = 0; i < 4; ++i) out[4 * x + i] = std::uint8_t(bits >> (24 - 8 * i));
}

bool lightSquare(std::int32_t x, std::int32_t y) { return ((x ^ y) & 8) == 0; }

}  // namespace

void layerRow(const PsdPicture& picture, std::int32_t y, int channel, std::uint8_t* out) {
  for (std::int32_t x = 0; x < picture.width; ++x) {
    switch (picture.bytesPerChannel) {
      case 1: out[x] = sampleAt<std::uint8_t>(picture, x, y, channel); break;
      case 2: put16(out, x, half16(picture, x, y, channel)); break;
      default: putFloat(out, x, sampleAt<float>(picture, x, y, channel)); break;
    }
  }
}

void compositeRow(const PsdPicture& picture, std::int32_t y, int channel, std::uint8_t* out) {
  for (std::int32_t x = 0; x < picture.width; ++x) {
    const bool light = lightSquare(x, y);
    if (picture.bytesPerChannel == 1) {
      const std::uint32_t c = sampleAt<std::uint8_t>(picture, x, y, channel);
      const std::uint32_t a = sampleAt<std::uint8_t>(picture, x, y, 3);
      const std::uint32_t paper = light ? 255 : 204;
      out[x] = std::uint8_t((c * a + paper * (255 - a)) / 255);
    } else if (picture.bytesPerChannel == 2) {
      if (channel == 3) {
        put16(out, x, 32768);  // the flattened picture is opaque
        continue;
      }
      const std::uint32_t c = half16(picture, x, y, channel), a = half16(picture, x, y, 3);
      const std::uint32_t paper = light ? 32640 : 26112;
      put16(out, x, (c * a + (32768 - a) * paper) >> 15);
    } else {
      putFloat(out, x, sampleAt<float>(picture, x, y, channel));
    }
  }
}

}  // namespace qm::psd
