// SPDX-License-Identifier: LicenseRef-Quillmark
// Positions are in sixteenths of a pixel, so the torus is 2048 units across and every
// distance is an exact integer; the byte of a pixel is its rank among all 16384 pixels
// (ties broken by position) divided by 64, which spreads the values evenly over 0..255.
#include "render/dot_textures.h"

#include <algorithm>
#include <vector>

namespace qm {
namespace {

constexpr std::int64_t kUnitsPerPixel = 16;
constexpr std::int64_t kTorus = kDotTextureSize * kUnitsPerPixel;
constexpr std::int64_t kRankShift = 6;  // 16384 ranks onto 256 values
static_assert((kDotTextureBytes >> kRankShift) == 256);

struct TextureRecipe {
  std::int32_t id;
  std::int32_t dotsPerSide;  // on a jittered grid of dotsPerSide x dotsPerSide cells
  std::uint32_t seed;
};

constexpr std::array<TextureRecipe, 4> kRecipes{{
    {146, 16, 0x2F6E2B1u},
    {148, 11, 0x6C8E9CFu},
    {149, 8, 0x3B9ACA07u},
    {150, 6, 0x1D2C3B4Au},
}};
static_assert(kRecipes[0].id == kDotTextureIds[0] && kRecipes[1].id == kDotTextureIds[1] &&
              kRecipes[2].id == kDotTextureIds[2] && kRecipes[3].id == kDotTextureIds[3]);

// xorshift32: small, and the same sequence on every platform.
class DotRandom {
 public:
  explicit DotRandom(std::uint32_t seed) : state_(seed != 0 ? seed : 1u) {}
  // Uniform in 0..range - 1 (range well below 2^16, so the modulo bias is negligible).
  std::int64_t below(std::int64_t range) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return std::int64_t(state_ >> 8) % range;
  }

 private:
  std::uint32_t state_;
};

struct Dot {
  std::int64_t x, y;    // units, 0..kTorus - 1
  std::int64_t radius;  // units
};

// The centre of each grid cell moved by up to 35 % of a cell either way; radii from 65 % to
// 135 % of a cell, so neighbours touch at different thresholds.
std::vector<Dot> placeDots(const TextureRecipe& recipe) {
  DotRandom random(recipe.seed);
  const std::int64_t n = recipe.dotsPerSide;
  const std::int64_t cell = kTorus / n;
  const std::int64_t jitter = cell * 35 / 100;
  std::vector<Dot> dots;
  for (std::int64_t j = 0; j < n; ++j) {
    for (std::int64_t i = 0; i < n; ++i) {
      const std::int64_t dx = random.below(2 * jitter + 1) - jitter;
      const std::int64_t dy = random.below(2 * jitter + 1) - jitter;
      const std::int64_t radius = cell * (65 + random.below(71)) / 100;
      dots.push_back(Dot{((2 * i + 1) * kTorus / (2 * n) + dx + kTorus) % kTorus,
                         ((2 * j + 1) * kTorus / (2 * n) + dy + kTorus) % kTorus, radius});
    }
  }
  return dots;
}

// The shorter way round the torus.
std::int64_t wrappedDistance(std::int64_t a, std::int64_t b) {
  const std::int64_t d = a > b ? a - b : b - a;
  return std::min(d, kTorus - d);
}

// The squared distance to the nearest dot in that dot's radii, as a fixed-point number.
std::uint64_t nearestInRadii(const std::vector<Dot>& dots, std::int64_t x, std::int64_t y) {
  std::uint64_t best = UINT64_MAX;
  for (const Dot& dot : dots) {
    const std::int64_t dx = wrappedDistance(x, dot.x);
    const std::int64_t dy = wrappedDistance(y, dot.y);
    const std::uint64_t scaled = (std::uint64_t(dx * dx + dy * dy) << 20) / std::uint64_t(dot.radius * dot.radius);
    best = std::min(best, scaled);
  }
  return best;
}

using Texture = std::array<std::uint8_t, kDotTextureBytes>;

Texture makeTexture(const TextureRecipe& recipe) {
  const std::vector<Dot> dots = placeDots(recipe);
  std::vector<std::uint64_t> keys(kDotTextureBytes);
  for (std::int64_t y = 0; y < kDotTextureSize; ++y)
    for (std::int64_t x = 0; x < kDotTextureSize; ++x)
      keys[std::size_t(y * kDotTextureSize + x)] =
          nearestInRadii(dots, x * kUnitsPerPixel + kUnitsPerPixel / 2, y * kUnitsPerPixel + kUnitsPerPixel / 2);
  std::vector<std::uint32_t> order(kDotTextureBytes);
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = std::uint32_t(i);
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return keys[a] != keys[b] ? keys[a] < keys[b] : a < b;
  });
  Texture texture{};
  for (std::size_t rank = 0; rank < order.size(); ++rank) texture[order[rank]] = std::uint8_t(rank >> kRankShift);
  return texture;
}

struct AllTextures {
  std::array<Texture, kRecipes.size()> textures;
  AllTextures() {
    for (std::size_t i = 0; i < kRecipes.size(); ++i) textures[i] = makeTexture(kRecipes[i]);
  }
};

}  // namespace

const std::uint8_t* dotTexture(std::int32_t id) {
  for (std::size_t i = 0; i < kRecipes.size(); ++i) {
    if (kRecipes[i].id != id) continue;
    static const AllTextures all;  // made once, on first use, by whichever thread comes first
    return all.textures[i].data();
  }
  return nullptr;
}

}  // namespace qm
