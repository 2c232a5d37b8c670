// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/transparent_drawing.h"

#include <algorithm>
#include <cmath>

namespace qm::resources {
namespace {

std::uint8_t toByte(float value) { return std::uint8_t(std::lround(std::clamp(value, 0.0f, 255.0f))); }

}  // namespace

RgbaImage paintTransparent(int width, int height, const Painter& paint) {
  InkCanvas onBlack(width, height, {0, 0, 0});
  InkCanvas onWhite(width, height, {255, 255, 255});
  paint(onBlack);
  paint(onWhite);
  RgbaImage image{width, height, {}};
  image.rgba.reserve(std::size_t(width) * std::size_t(height) * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Colour black = onBlack.at(x, y);
      const Colour white = onWhite.at(x, y);
      // On black a pixel holds colour x alpha; on white it holds that plus 255 x (1 - alpha).
      const float lift = ((white.r - black.r) + (white.g - black.g) + (white.b - black.b)) / 3;
      const float alpha = std::clamp(1 - lift / 255, 0.0f, 1.0f);
      const std::uint8_t a = toByte(alpha * 255);
      if (a == 0) {
        image.rgba.insert(image.rgba.end(), {0, 0, 0, 0});
        continue;
      }
      image.rgba.insert(image.rgba.end(),
                        {toByte(black.r / alpha), toByte(black.g / alpha), toByte(black.b / alpha), a});
    }
  return image;
}

}  // namespace qm::resources
