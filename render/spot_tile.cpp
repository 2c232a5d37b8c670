// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/spot_tile.h"

#include <array>

#include "engine/resample.h"
#include "render/dot_textures.h"

namespace qm {
namespace {

// Both directions wrap: the tile repeats over the whole image.
constexpr std::int32_t kTileEdgeMode = -1;

// Line weight 1 keeps the finest texture at its own size; 2 doubles it; 3..5 double the
// three coarser ones.
std::int32_t textureFor(std::int32_t lineWeight) {
  constexpr std::array<std::int32_t, 5> kTextures = {146, 146, 148, 149, 150};
  return kTextures[std::size_t(lineWeight <= 1 ? 0 : (lineWeight >= 5 ? 4 : lineWeight - 1))];
}

// Scale 1, 2, 3 mean 1x, 2x, 4x: none, one or two more doublings.
std::int32_t doublings(std::int32_t lineWeight, std::int32_t scale) {
  const std::int32_t forWeight = lineWeight <= 1 ? 0 : 1;
  const std::int32_t forScale = scale <= 1 ? 0 : (scale == 2 ? 1 : 2);
  return forWeight + forScale;
}

bool loadTexture(ImageBuffer& tile, std::int32_t id) {
  if (!configureImageBuffer(&tile, kDotTextureSize, kDotTextureSize, kGray8, kTileEdgeMode, false)) return false;
  const std::uint8_t* bytes = dotTexture(id);
  for (std::int32_t y = 0; y < kDotTextureSize; ++y)
    for (std::int32_t x = 0; x < kDotTextureSize; ++x)
      *pixelAddress(tile, x, y, 0) = bytes[std::size_t(y) * kDotTextureSize + std::size_t(x)];
  return true;
}

// Every value v becomes c[v] x 255 / pixels, c the running count of values up to v.
void equalise(ImageBuffer& tile) {
  const std::int32_t width = tile.width[0];
  const std::int32_t height = tile.height[0];
  std::array<std::int64_t, 256> count{};
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) ++count[*pixelAddress(tile, x, y, 0)];
  const std::int64_t pixels = std::int64_t(width) * height;
  std::array<std::uint8_t, 256> map{};
  std::int64_t running = 0;
  for (std::size_t v = 0; v < map.size(); ++v) {
    running += count[v];
    map[v] = std::uint8_t(running * 255 / pixels);
  }
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t* pixel = pixelAddress(tile, x, y, 0);
      *pixel = map[*pixel];
    }
}

}  // namespace

bool buildSpotTile(ImageBuffer& tile, std::int32_t lineWeight, std::int32_t scale) {
  if (!loadTexture(tile, textureFor(lineWeight))) {
    releasePixels(tile);
    return false;
  }
  for (std::int32_t i = doublings(lineWeight, scale); i > 0; --i) {
    if (!doubleImage(tile)) {
      releasePixels(tile);
      return false;
    }
  }
  equalise(tile);
  return true;
}

}  // namespace qm
