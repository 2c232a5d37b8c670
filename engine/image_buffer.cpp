// SPDX-License-Identifier: LicenseRef-Quillmark
// The record's life: initialise, configure (level chain and tiles), release, copy.
#include "engine/image_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/platform.h"
#include "platform/random_generator.h"

namespace qm {
namespace {

constexpr double kPhaseFactor = 37.3453297;

struct FormatInfo {
  std::int32_t channels;
  std::int32_t bytesPerChannel;
  float scale;
};

bool formatInfo(std::int32_t format, FormatInfo& info) {
  switch (format) {
    case kGray8: info = {1, 1, 255.0f}; return true;
    case kRgb8: info = {3, 1, 255.0f}; return true;
    case kRgba8: info = {4, 1, 255.0f}; return true;
    case kRgba16: info = {4, 2, 32768.0f}; return true;
    case kRgbaFloat: info = {4, 4, 1.0f}; return true;
    default: return false;
  }
}

// Halve rounding up; an odd result of 3 or more grows to even.
std::int32_t nextLevelSize(std::int32_t size) {
  std::int32_t next = (size + 1) / 2;
  if (next >= 3 && (next & 1)) ++next;
  return next;
}

struct LevelChain {
  int count;  // levels with pixels
  std::int32_t width[kMaxLevels];
  std::int32_t height[kMaxLevels];
};

// Sizes without the border, down to 1 x 1 or the last level we keep.
LevelChain levelChain(std::int32_t width, std::int32_t height) {
  LevelChain chain{};
  for (int level = 0; level < kMaxLevels; ++level) {
    chain.width[level] = width;
    chain.height[level] = height;
    chain.count = level + 1;
    if (width == 1 && height == 1) break;
    width = nextLevelSize(width);
    height = nextLevelSize(height);
  }
  return chain;
}

std::int32_t tilesAcross(std::int32_t size) { return (size + kTileMask) >> kTileShift; }

// Images from this size on take their pixels straight from the system's pages (large pages
// where it has them); smaller ones, from the heap, where they do not round up to a page.
constexpr std::size_t kPagedPixelBytes = std::size_t(8) << 20;

void freeTiles(ImageBuffer& image) {
  if (image.pixelBlockPaged)
    platform::freePixelMemory(image.pixelBlock, image.pixelBlockBytes);
  else
    std::free(image.pixelBlock);
  std::free(image.tiles);
  image.tiles = nullptr;
  image.tileCount = 0;
  image.pixelBlock = nullptr;
  image.pixelBlockBytes = 0;
  image.pixelBlockPaged = 0;
}

// The bytes of all tiles: every tile row is 512 pixels, each tile as many rows as it holds.
std::size_t tilePixelBytes(const ImageBuffer& image) {
  const std::size_t rowBytes = std::size_t(kTileSize) * std::size_t(image.bytesPerPixel);
  std::size_t bytes = 0;
  for (int level = 0; level <= image.lastLevel; ++level)
    bytes += std::size_t(tilesAcross(image.width[level])) * std::size_t(image.height[level]) * rowBytes;
  return bytes;
}

// One zero-filled block for the pixels of every tile, so that a large image is a single
// region of pages rather than a hundred separate allocations.
bool allocatePixelBlock(ImageBuffer& image) {
  const std::size_t bytes = tilePixelBytes(image);
  image.pixelBlockPaged = bytes >= kPagedPixelBytes ? 1 : 0;
  // Level 0 comes first and is written whole by whoever configures a large image; the
  // coarser levels only when a pyramid is built.
  const std::size_t levelZero = std::size_t(tilesAcross(image.width[0])) * std::size_t(image.height[0]) *
                                std::size_t(kTileSize) * std::size_t(image.bytesPerPixel);
  void* block =
      image.pixelBlockPaged ? platform::allocatePixelMemory(bytes, levelZero) : std::calloc(bytes ? bytes : 1, 1);
  image.pixelBlock = static_cast<std::uint8_t*>(block);
  image.pixelBlockBytes = bytes;
  return image.pixelBlock != nullptr;
}

bool allocateTiles(ImageBuffer& image, std::int32_t tileCount) {
  image.tiles = static_cast<ImageTile*>(std::calloc(std::size_t(tileCount), sizeof(ImageTile)));
  if (!image.tiles) return false;
  image.tileCount = tileCount;
  if (!allocatePixelBlock(image)) return false;
  const std::size_t rowBytes = std::size_t(kTileSize) * std::size_t(image.bytesPerPixel);
  std::uint8_t* next = image.pixelBlock;
  std::int32_t index = 0;
  for (int level = 0; level <= image.lastLevel; ++level) {
    image.firstTile[level] = index;
    image.tilesPerRow[level] = tilesAcross(image.width[level]);
    for (std::int32_t y0 = 0; y0 < image.height[level]; y0 += kTileSize) {
      const std::int32_t rows = std::min(kTileSize, image.height[level] - y0);
      for (std::int32_t x0 = 0; x0 < image.width[level]; x0 += kTileSize) {
        ImageTile& tile = image.tiles[index++];
        tile.data = next;
        next += std::size_t(rows) * rowBytes;
        tile.y0 = y0;
        tile.x0 = x0;
        tile.rows = rows;
      }
    }
    image.lastTile[level] = index - 1;
  }
  return true;
}

// Stored sizes, limits, scale corrections and the tile count of every level. False when the
// buffer would be too large to address.
bool layOutLevels(ImageBuffer& image, std::int32_t width, std::int32_t height, bool bordered,
                  std::int32_t& tileCount) {
  const LevelChain chain = levelChain(width, height);
  const std::int32_t border = bordered ? 2 : 0;
  const float referenceWidth = float(width + border);
  const float referenceHeight = float(height + border);
  std::int64_t pixels = 0;
  std::int64_t tiles = 0;
  for (int level = 0; level < kMaxLevels; ++level) {
    const bool present = level < chain.count;
    const std::int32_t w = present ? chain.width[level] + border : 0;
    const std::int32_t h = present ? chain.height[level] + border : 0;
    image.width[level] = w;
    image.height[level] = h;
    image.maxX[level] = w - 1;
    image.maxY[level] = h - 1;
    image.unpaddedWidth[level] = present ? float(chain.width[level]) : 0.0f;
    image.unpaddedHeight[level] = present ? float(chain.height[level]) : 0.0f;
    image.reciprocalWidth[level] = present ? 1.0f / image.unpaddedWidth[level] : 0.0f;
    image.reciprocalHeight[level] = present ? 1.0f / image.unpaddedHeight[level] : 0.0f;
    const float octave = float(std::int64_t(1) << level);
    image.scaleCorrectionX[level] = present ? referenceWidth / float(w) / octave : 0.0f;
    image.scaleCorrectionY[level] = present ? referenceHeight / float(h) / octave : 0.0f;
    image.nominalWidth[level] = float(w) * image.scaleCorrectionX[level];
    image.nominalHeight[level] = float(h) * image.scaleCorrectionY[level];
    image.firstTile[level] = image.lastTile[level] = image.tilesPerRow[level] = 0;
    pixels += std::int64_t(w) * h;
    tiles += std::int64_t(tilesAcross(w)) * tilesAcross(h);
  }
  image.lastLevel = chain.count - 1;
  image.coarseLevel = std::max(0, image.lastLevel - 3);
  image.totalBytes = pixels * image.bytesPerPixel;
  if (tiles > INT32_MAX || std::uint64_t(image.totalBytes) > SIZE_MAX) return false;
  tileCount = std::int32_t(tiles);
  return true;
}

void setLevelZeroRatios(ImageBuffer& image) {
  const float w = float(image.width[0]);
  const float h = float(image.height[0]);
  image.referenceWidth = image.width[0];
  image.referenceHeight = image.height[0];
  image.heightOverWidth = h / w;
  image.widthOverHeight = w / h;
  image.halfPixelX = 0.5f / w;
  image.halfPixelY = 0.5f / h;
  image.aspectX = h < w ? w / h : 1.0f;
  image.aspectY = w < h ? h / w : 1.0f;
}

bool sizeAcceptable(std::int32_t width, std::int32_t height) {
  return width > 0 && height > 0 && width <= kMaxBufferSide && height <= kMaxBufferSide &&
         std::uint64_t(width) * std::uint64_t(height) <= kMaxBufferPixels;
}

}  // namespace

void initImageBuffer(ImageBuffer& image, void* owner) {
  std::memset(static_cast<void*>(&image), 0, sizeof image);
  image.owner = owner;
  lanczosWeights();  // built once for every buffer to come
}

bool configureImageBuffer(ImageBuffer* image, std::int32_t width, std::int32_t height, std::int32_t format,
                          std::int32_t edgeMode, bool bordered) {
  if (!image) return false;
  // Who owns the record is no matter of its size: a created buffer given a new size is
  // still freed whole by destroyImageBuffer.
  releasePixels(*image);
  if (bordered) format = kRgba8;
  FormatInfo info{};
  if (!sizeAcceptable(width, height) || !formatInfo(format, info)) return false;
  image->bytesPerPixel = info.channels * info.bytesPerChannel;
  image->bordered = bordered ? 1 : 0;
  std::int32_t tileCount = 0;
  if (!layOutLevels(*image, width, height, bordered, tileCount) || !allocateTiles(*image, tileCount)) {
    releasePixels(*image);
    return false;
  }
  setLevelZeroRatios(*image);
  image->format = format;
  image->channels = info.channels;
  image->bytesPerChannel = info.bytesPerChannel;
  image->scale = info.scale;
  image->reciprocalScale = 1.0f / info.scale;
  image->edgeMode = edgeMode;
  image->samplingMode = 3;
  image->pyramidState = 0;
  image->valid = 0;
  image->released = 0;
  image->randomPhase = double(nextRandom()) * kPhaseFactor;
  return true;
}

bool reconfigureImageBuffer(ImageBuffer* image, std::int32_t width, std::int32_t height, std::int32_t format,
                            std::int32_t edgeMode, bool bordered) {
  if (bordered) format = kRgba8;
  const bool sameShape = image && hasPixels(*image) && image->width[0] == width && image->height[0] == height &&
                         image->format == format && image->edgeMode == edgeMode &&
                         image->bordered == (bordered ? 1 : 0);
  if (!sameShape) return configureImageBuffer(image, width, height, format, edgeMode, bordered);
  image->pyramidState = 0;
  image->valid = 0;
  image->randomPhase = double(nextRandom()) * kPhaseFactor;
  return true;
}

ImageBuffer* createImageBuffer(void* owner, std::int32_t width, std::int32_t height, std::int32_t format,
                               std::int32_t edgeMode, bool bordered) {
  auto* image = new (std::nothrow) ImageBuffer;
  if (!image) return nullptr;
  initImageBuffer(*image, owner);
  if (!configureImageBuffer(image, width, height, format, edgeMode, bordered)) {
    delete image;
    return nullptr;
  }
  image->ownedRecord = 1;
  return image;
}

void releasePixels(ImageBuffer& image) {
  freeTiles(image);
  image.released = 1;
  image.valid = 0;
}

void destroyImageBuffer(ImageBuffer*& image) {
  if (!image) return;
  releasePixels(*image);
  if (image->ownedRecord) {
    delete image;
    image = nullptr;
  }
}

bool copyPixels(const ImageBuffer& from, ImageBuffer& to) {
  if (!hasPixels(from) || !hasPixels(to)) return false;
  if (&from == &to) return true;
  const bool sameShape = from.bytesPerPixel == to.bytesPerPixel && from.lastLevel == to.lastLevel &&
                         from.totalBytes == to.totalBytes && from.tileCount == to.tileCount &&
                         std::equal(from.width, from.width + kMaxLevels, to.width) &&
                         std::equal(from.height, from.height + kMaxLevels, to.height);
  if (!sameShape) return false;
  const std::size_t rowBytes = std::size_t(kTileSize) * std::size_t(from.bytesPerPixel);
  for (std::int32_t i = from.firstTile[0]; i <= from.lastTile[from.lastLevel]; ++i)
    std::memcpy(to.tiles[i].data, from.tiles[i].data, std::size_t(from.tiles[i].rows) * rowBytes);
  to.pyramidState = from.pyramidState;
  return true;
}

ImageRect levelRect(const ImageBuffer* image, int level) {
  if (!image || level < 0 || level > image->lastLevel) return {0, 0, 0, 0};
  return {0, 0, image->height[level], image->width[level]};
}

std::int64_t tileBytes(const ImageBuffer& image) {
  std::int64_t bytes = 0;
  for (std::int32_t i = 0; i < (image.tiles ? image.tileCount : 0); ++i)
    bytes += std::int64_t(image.tiles[i].rows) * kTileSize * image.bytesPerPixel;
  return bytes;
}

}  // namespace qm
