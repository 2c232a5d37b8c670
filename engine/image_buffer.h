// SPDX-License-Identifier: LicenseRef-Quillmark
// ImageBuffer: the engine's image. Level 0 at full size, each further level half the one
// before (odd sizes of 3 or more rounded up to even) down to 1 x 1, at most 20 levels.
// Pixels live in 512 x 512 heap tiles shared by all levels; every tile row is 512 pixels
// long in memory, even in the rightmost partial tile, so the address of (x, y) is the same
// two shifts and one lookup everywhere.
//
// Formats: Gray8 (1 byte), Rgba8 (a 32-bit word, channel 1 in the most significant byte),
// Rgba16 (four 16-bit values, 0..32768), RgbaFloat (four floats). Channels 1..3 are red,
// green, blue; channel 4 is opacity. Rgb8 (three bytes: red, green, blue, opacity always
// full) is the lean copy of a document without opacity that only a whole render reads: it
// has no coarser levels, and of the pixel operations only getColour and storeInterleaved
// take it.
//
// An Rgba8 pixel is a native 32-bit word (c1 << 24) | (c2 << 16) | (c3 << 8) | c4; read and
// write it as a whole word (packRgba8, unpackRgba8). On the little-endian machines we build
// for, its bytes in memory are therefore c4, c3, c2, c1: opacity first, red last
// (kRgba8ByteOf gives the byte of each channel).
//
// Reads clamp to the level; writes outside it are dropped; a buffer without pixels reads 0
// and ignores writes. No locks: tasks of one job write disjoint areas (see jobs.h).
// A plain record with no constructor: FilterState embeds two of them in host memory.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace qm {

enum PixelFormat : std::int32_t { kGray8 = 0, kRgb8 = 1, kRgba8 = 3, kRgba16 = 4, kRgbaFloat = 9 };

constexpr int kMaxLevels = 20;
constexpr int kTileShift = 9;
constexpr std::int32_t kTileSize = 1 << kTileShift;  // 512
constexpr std::int32_t kTileMask = kTileSize - 1;

// Larger buffers are refused by configureImageBuffer rather than attempted: each side of
// level 0 at most 2^30 pixels, at most 2^31 pixels in level 0.
constexpr std::int32_t kMaxBufferSide = std::int32_t(1) << 30;
constexpr std::uint64_t kMaxBufferPixels = std::uint64_t(1) << 31;

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);
// Byte offset of channel 1..4 (index 0..3) inside an Rgba8 pixel in memory.
constexpr int kRgba8ByteOf[4] = {std::endian::native == std::endian::little ? 3 : 0,
                                 std::endian::native == std::endian::little ? 2 : 1,
                                 std::endian::native == std::endian::little ? 1 : 2,
                                 std::endian::native == std::endian::little ? 0 : 3};

constexpr std::uint32_t packRgba8(std::uint32_t c1, std::uint32_t c2, std::uint32_t c3, std::uint32_t c4) {
  return (c1 << 24) | (c2 << 16) | (c3 << 8) | c4;
}
inline void unpackRgba8(std::uint32_t word, std::uint8_t out[4]) {
  out[0] = std::uint8_t(word >> 24);
  out[1] = std::uint8_t(word >> 16);
  out[2] = std::uint8_t(word >> 8);
  out[3] = std::uint8_t(word);
}

// Rectangles: top, left, bottom, right; bottom and right exclusive.
struct ImageRect {
  std::int32_t top, left, bottom, right;
};

struct ImageTile {
  std::uint8_t* data;  // rows x 512 pixels
  std::int32_t y0;
  std::int32_t x0;
  std::int32_t rows;
};

// Radius-2 Lanczos weights, box-averaged over 20 sub-positions, for 128 sub-pixel phases:
// five taps per phase as floats, and as integers summing exactly to 2048 and to 32768.
struct LanczosWeights {
  float weights[5][128];
  std::int32_t weights2048[5][128];
  std::int32_t weights32768[5][128];
};
const LanczosWeights& lanczosWeights();

struct ImageBuffer {
  // Per level: stored size (with the border when bordered), limits for clamping, and the
  // size without the border.
  std::int32_t width[kMaxLevels];
  std::int32_t height[kMaxLevels];
  std::int32_t maxX[kMaxLevels];
  std::int32_t maxY[kMaxLevels];
  float unpaddedWidth[kMaxLevels];
  float unpaddedHeight[kMaxLevels];
  float reciprocalWidth[kMaxLevels];
  float reciprocalHeight[kMaxLevels];
  // Per level: (level-0 width / stored width) / 2^level, and the nominal size W / 2^level.
  float scaleCorrectionX[kMaxLevels];
  float scaleCorrectionY[kMaxLevels];
  float nominalWidth[kMaxLevels];
  float nominalHeight[kMaxLevels];
  std::int32_t firstTile[kMaxLevels];
  std::int32_t lastTile[kMaxLevels];
  std::int32_t tilesPerRow[kMaxLevels];

  std::int32_t referenceWidth;   // level-0 stored size
  std::int32_t referenceHeight;
  std::int32_t lastLevel;        // index of the last non-empty level
  std::int32_t coarseLevel;      // lastLevel - 3, not below 0
  std::int64_t totalBytes;       // pixel bytes over all levels
  std::int32_t bytesPerPixel;
  std::int32_t channels;
  std::int32_t bytesPerChannel;
  std::int32_t format;           // PixelFormat

  std::int32_t tileCount;
  ImageTile* tiles;              // all levels, level 0 first
  std::uint8_t* pixelBlock;      // the tiles' pixels, one block
  std::size_t pixelBlockBytes;
  std::uint8_t pixelBlockPaged;  // the block came from the system's pages, not the heap
  std::int32_t released;         // 1 after the pixels were freed

  float aspectX, aspectY;        // W/H on the x side when H is smaller, H/W on the y side when W is
  float heightOverWidth, widthOverHeight, halfPixelX, halfPixelY;  // of level 0
  float scale;                   // normalisation: 255, 32768 or 1
  float reciprocalScale;
  double randomPhase;
  std::int32_t edgeMode;         // -1 no coarser levels; 0 clamp; 2 wrap x only; else wrap both
  std::int32_t samplingMode;
  std::int32_t pyramidState;     // 0 level 0 only, 1 loaded resource with pyramid, 2 rebuilt
  std::int32_t valid;
  std::uint8_t bordered;         // one pixel of margin on every side of every level
  std::uint8_t ownedRecord;      // made by createImageBuffer, freed by destroyImageBuffer
  void* owner;
};

// Once on every record before it is configured (embedded ones included).
void initImageBuffer(ImageBuffer& image, void* owner);
// Sizes, level chain and all tiles (zero-filled); false (nothing allocated) for a missing
// record, a non-positive size, a size past kMaxBufferSide / kMaxBufferPixels, an unknown
// format or exhausted memory. Pixels the record held before are released first. A bordered
// buffer is always Rgba8.
bool configureImageBuffer(ImageBuffer* image, std::int32_t width, std::int32_t height, std::int32_t format,
                          std::int32_t edgeMode, bool bordered);
// The same, except that a record already holding pixels of this size, format, edge mode and
// border keeps its tiles as they are, not cleared: for buffers remade at every render and
// written whole, so that their memory is not given back and faulted in again each time.
// Either way the record draws a new random phase.
bool reconfigureImageBuffer(ImageBuffer* image, std::int32_t width, std::int32_t height, std::int32_t format,
                            std::int32_t edgeMode, bool bordered);
// A record of its own; null on failure.
ImageBuffer* createImageBuffer(void* owner, std::int32_t width, std::int32_t height, std::int32_t format,
                               std::int32_t edgeMode, bool bordered);
void releasePixels(ImageBuffer& image);
// Releases the pixels and, when the record was created here, frees it and nulls the pointer.
void destroyImageBuffer(ImageBuffer*& image);
// Copies every tile of every level when both have the same shape; false otherwise.
bool copyPixels(const ImageBuffer& from, ImageBuffer& to);
// Top 0, left 0, the stored size; empty for a missing record or a level past the last.
ImageRect levelRect(const ImageBuffer* image, int level);
// Heap bytes the tiles take (every tile row is 512 pixels, so a little more than totalBytes).
std::int64_t tileBytes(const ImageBuffer& image);

inline bool hasPixels(const ImageBuffer& image) { return image.tiles != nullptr && image.tileCount > 0; }

// Address of pixel (x, y) of a level; x and y must lie inside it.
inline std::uint8_t* pixelAddress(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level) {
  const ImageTile& tile =
      image.tiles[image.firstTile[level] + (y >> kTileShift) * image.tilesPerRow[level] + (x >> kTileShift)];
  return tile.data + (std::size_t((y & kTileMask) << kTileShift) + std::size_t(x & kTileMask)) *
                         std::size_t(image.bytesPerPixel);
}

// Clamped reads and dropped writes, in the format's own units.
std::uint8_t getGrey(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level);
void setGrey(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, std::uint8_t value);
void getColour(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level, std::uint8_t out[4]);
void getColour(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level, std::uint16_t out[4]);
void getColour(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level, float out[4]);
void setColour(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, const std::uint8_t in[4]);
void setColour(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, const std::uint16_t in[4]);
void setColour(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, const float in[4]);
// Floats with 1.0 at the format's scale; Gray8 reads grey in channels 1..3 and opacity 1,
// and ignores writes. Integer formats store trunc(value x scale), held within 0..scale.
void getNormalised(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level, float out[4]);
void setNormalised(ImageBuffer& image, std::int32_t x, std::int32_t y, int level, const float in[4]);

// Level 0 from raw bytes (1 channel: Gray8; 3 channels: Rgba8 with opacity 255), edge mode
// 0, then the pyramid is built (pyramid state 1). False for another channel count, no bytes
// or a failed configuration or pyramid.
bool loadRawImage(ImageBuffer& image, const std::uint8_t* raw, std::int32_t width, std::int32_t height,
                  int channels);
// Level 0 of an Rgba8 buffer from packed 32-bit pixels (byte 0 blue, 1 green, 2 red), then
// the pyramid. False when the buffer is not Rgba8 or has no pixels, or the pyramid failed.
bool fillFromPixels32(const std::uint8_t* pixels, ImageBuffer& image);

// Interleaved samples as hosts, files and resources hand them over, in the buffer's own
// sample type: bytes for Gray8 and Rgba8, 16-bit values (0..32768) for Rgba16, floats for
// RgbaFloat. Samples need no alignment.
struct InterleavedPixels {
  const void* data;          // first sample of the area's top-left pixel
  std::ptrdiff_t rowBytes;   // from one row to the next
  std::int32_t pixelBytes;   // from one pixel to the next
  std::int32_t channel[3];   // sample index of channels 1..3 in a pixel; all 0 for grey
  std::int32_t opacity;      // sample index of the opacity; -1: full opacity
};
// Copies `area` (level-0 coordinates; the part outside the level is dropped) into level 0.
// Gray8 takes channel 1. Nothing for a buffer without pixels.
void storeInterleaved(ImageBuffer& image, const ImageRect& area, const InterleavedPixels& pixels);

// Copies a run of pixels between a level and a packed line buffer: along row `line` when
// not vertical, along column `line` when vertical, from max(from, 0) to before
// min(to, the level's length in that direction). The buffer holds the run from its first
// byte, in the image's own pixel layout. Gray8, Rgba8 and Rgba16 only. Returns the pixels
// moved (0 for RgbaFloat, a line outside the level or a buffer without pixels).
std::int32_t lineTransfer(ImageBuffer& image, int level, std::int32_t line, std::int32_t from, std::int32_t to,
                  void* buffer, bool write, bool vertical);

}  // namespace qm
