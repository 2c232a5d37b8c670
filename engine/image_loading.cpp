// SPDX-License-Identifier: LicenseRef-Quillmark
// Filling level 0 from interleaved samples: the host's tiles, raw resource bytes and
// decoded pictures. Row loops over contiguous tile rows; the layouts met every day get a
// loop of their own with the sample positions fixed at compile time.
#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/image_buffer.h"
#include "engine/pyramid.h"
#include "engine/wider_vectors.h"

#if QUILLMARK_HAS_WIDER_VECTOR_CLONES
#include <tmmintrin.h>
#endif

namespace qm {
namespace {

using RowStore = void (*)(const std::uint8_t* from, std::uint8_t* to, std::int32_t count,
                          const InterleavedPixels& layout);

template <class T>
T loadSample(const std::uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

template <class T>
constexpr T fullOpacity() {
  if constexpr (sizeof(T) == 1) return T(255);
  else if constexpr (sizeof(T) == 2) return T(32768);
  else return T(1);
}

template <class T>
void putPixel(std::uint8_t* to, T c1, T c2, T c3, T c4) {
  if constexpr (sizeof(T) == 1) {
    const std::uint32_t word = packRgba8(c1, c2, c3, c4);
    std::memcpy(to, &word, sizeof word);
  } else {
    const T pixel[4] = {c1, c2, c3, c4};
    std::memcpy(to, pixel, sizeof pixel);
  }
}

// Step and positions counted in samples; Opacity -1 for full opacity.
template <class T, int Step, int C1, int C2, int C3, int Opacity>
void storeFixed(const std::uint8_t* from, std::uint8_t* to, std::int32_t count, const InterleavedPixels&) {
  constexpr std::size_t S = sizeof(T);
  for (std::int32_t i = 0; i < count; ++i, from += Step * S, to += 4 * S) {
    T opacity = fullOpacity<T>();
    if constexpr (Opacity >= 0) opacity = loadSample<T>(from + Opacity * S);
    putPixel<T>(to, loadSample<T>(from + C1 * S), loadSample<T>(from + C2 * S), loadSample<T>(from + C3 * S),
                opacity);
  }
}

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

std::uint32_t loadWord(const std::uint8_t* at) {
  std::uint32_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

std::uint32_t swapBytes(std::uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

#if QUILLMARK_HAS_WIDER_VECTOR_CLONES
// Four RGB pixels a byte shuffle, on processors that have one: each Rgba8 word is its
// pixel's three bytes in reverse order above full opacity. A step reads 16 bytes for the 12
// of its pixels, so the steps stop while six pixels remain and the rest go word by word.
// Returns the pixels done.
__attribute__((target("ssse3"))) std::int32_t storeRgb8Shuffled(const std::uint8_t* from, std::uint8_t* to,
                                                                 std::int32_t count) {
  const __m128i order = _mm_setr_epi8(-1, 2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9);
  const __m128i opaque = _mm_set1_epi32(0xFF);
  std::int32_t done = 0;
  for (; done + 6 <= count; done += 4, from += 12, to += 16) {
    const __m128i rgb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_or_si128(_mm_shuffle_epi8(rgb, order), opaque));
  }
  return done;
}
#endif

// The document's everyday layout, so it gets the most care: four RGB pixels are three
// words read little-endian, and each Rgba8 word is a byte swap of three of their bytes.
void storeRgb8(const std::uint8_t* from, std::uint8_t* to, std::int32_t count, const InterleavedPixels& layout) {
  std::int32_t done = 0;
#if QUILLMARK_HAS_WIDER_VECTOR_CLONES
  if (__builtin_cpu_supports("ssse3")) {
    done = storeRgb8Shuffled(from, to, count);
    from += std::size_t(done) * 3;
    to += std::size_t(done) * 4;
  }
#endif
  if constexpr (kLittleEndian) {
    for (; done + 4 <= count; done += 4, from += 12, to += 16) {
      const std::uint32_t a = loadWord(from), b = loadWord(from + 4), c = loadWord(from + 8);
      const std::uint32_t words[4] = {swapBytes(a) | 0xFFu, swapBytes((a >> 24) | (b << 8)) | 0xFFu,
                                      swapBytes((b >> 16) | (c << 16)) | 0xFFu, swapBytes(c >> 8) | 0xFFu};
      std::memcpy(to, words, sizeof words);
    }
  }
  storeFixed<std::uint8_t, 3, 0, 1, 2, -1>(from, to, count - done, layout);
}

// 16-bit RGB, the everyday layout of a deep document: a pixel's three samples are its
// Rgba16's first six bytes, so each is the low six bytes of an eight-byte word under full
// opacity. The last pixel goes alone, as its word would reach past the row.
void storeRgb16(const std::uint8_t* from, std::uint8_t* to, std::int32_t count, const InterleavedPixels& layout) {
  std::int32_t done = 0;
  if constexpr (kLittleEndian) {
    constexpr std::uint64_t kSamples = (std::uint64_t(1) << 48) - 1;
    constexpr std::uint64_t kOpaque = std::uint64_t(fullOpacity<std::uint16_t>()) << 48;
    for (; done + 1 < count; ++done, from += 6, to += 8) {
      std::uint64_t word;
      std::memcpy(&word, from, sizeof word);
      word = (word & kSamples) | kOpaque;
      std::memcpy(to, &word, sizeof word);
    }
  }
  storeFixed<std::uint16_t, 3, 0, 1, 2, -1>(from, to, count - done, layout);
}

// RGBA bytes read little-endian are the Rgba8 word byte-swapped.
void storeRgba8(const std::uint8_t* from, std::uint8_t* to, std::int32_t count, const InterleavedPixels& layout) {
  if constexpr (kLittleEndian) {
    for (std::int32_t i = 0; i < count; ++i, from += 4, to += 4) {
      const std::uint32_t word = swapBytes(loadWord(from));
      std::memcpy(to, &word, sizeof word);
    }
  } else {
    storeFixed<std::uint8_t, 4, 0, 1, 2, 3>(from, to, count, layout);
  }
}

template <class T>
void storeAny(const std::uint8_t* from, std::uint8_t* to, std::int32_t count, const InterleavedPixels& layout) {
  constexpr std::size_t S = sizeof(T);
  const std::size_t c1 = std::size_t(layout.channel[0]) * S, c2 = std::size_t(layout.channel[1]) * S,
                    c3 = std::size_t(layout.channel[2]) * S;
  for (std::int32_t i = 0; i < count; ++i, from += layout.pixelBytes, to += 4 * S) {
    const T opacity = layout.opacity >= 0 ? loadSample<T>(from + std::size_t(layout.opacity) * S) : fullOpacity<T>();
    putPixel<T>(to, loadSample<T>(from + c1), loadSample<T>(from + c2), loadSample<T>(from + c3), opacity);
  }
}

bool sameLayoutAsRgb8(const InterleavedPixels& layout) {
  return layout.pixelBytes == 3 && layout.channel[0] == 0 && layout.channel[1] == 1 && layout.channel[2] == 2;
}

// Rgb8 keeps channels 1..3 as they come and drops any opacity.
void storeThreeBytes(const std::uint8_t* from, std::uint8_t* to, std::int32_t count, const InterleavedPixels& layout) {
  if (sameLayoutAsRgb8(layout)) {
    std::memcpy(to, from, std::size_t(count) * 3);
    return;
  }
  for (std::int32_t i = 0; i < count; ++i, from += layout.pixelBytes, to += 3)
    for (int c = 0; c < 3; ++c) to[c] = from[layout.channel[c]];
}

void storeGrey(const std::uint8_t* from, std::uint8_t* to, std::int32_t count, const InterleavedPixels& layout) {
  if (layout.pixelBytes == 1) {
    std::memcpy(to, from, std::size_t(count));
    return;
  }
  for (std::int32_t i = 0; i < count; ++i, from += layout.pixelBytes) to[i] = from[layout.channel[0]];
}

bool sameLayout(const InterleavedPixels& layout, int step, int c1, int c2, int c3, int opacity, std::size_t sample) {
  return std::size_t(layout.pixelBytes) == std::size_t(step) * sample && layout.channel[0] == c1 &&
         layout.channel[1] == c2 && layout.channel[2] == c3 && layout.opacity == opacity;
}

// RGB, RGBA, BGRx, grey and grey with opacity.
template <class T>
RowStore colourStore(const InterleavedPixels& layout) {
  constexpr std::size_t S = sizeof(T);
  if (sameLayout(layout, 3, 0, 1, 2, -1, S)) return storeFixed<T, 3, 0, 1, 2, -1>;
  if (sameLayout(layout, 4, 0, 1, 2, 3, S)) return storeFixed<T, 4, 0, 1, 2, 3>;
  if (sameLayout(layout, 4, 2, 1, 0, -1, S)) return storeFixed<T, 4, 2, 1, 0, -1>;
  if (sameLayout(layout, 1, 0, 0, 0, -1, S)) return storeFixed<T, 1, 0, 0, 0, -1>;
  if (sameLayout(layout, 2, 0, 0, 0, 1, S)) return storeFixed<T, 2, 0, 0, 0, 1>;
  return storeAny<T>;
}

RowStore rowStore(const ImageBuffer& image, const InterleavedPixels& layout) {
  switch (image.format) {
    case kGray8: return storeGrey;
    case kRgb8: return storeThreeBytes;
    case kRgba8:
      if (sameLayout(layout, 3, 0, 1, 2, -1, 1)) return storeRgb8;
      if (sameLayout(layout, 4, 0, 1, 2, 3, 1)) return storeRgba8;
      return colourStore<std::uint8_t>(layout);
    case kRgba16:
      if (sameLayout(layout, 3, 0, 1, 2, -1, 2)) return storeRgb16;
      return colourStore<std::uint16_t>(layout);
    case kRgbaFloat: return colourStore<float>(layout);
    default: return nullptr;
  }
}

// Level 0 from interleaved 8-bit rows of `width` pixels without padding.
void storeRows(ImageBuffer& image, const std::uint8_t* rows, std::int32_t width, std::int32_t height,
               const InterleavedPixels& layout) {
  InterleavedPixels pixels = layout;
  pixels.data = rows;
  pixels.rowBytes = std::ptrdiff_t(width) * layout.pixelBytes;
  storeInterleaved(image, {0, 0, height, width}, pixels);
}

}  // namespace

void storeInterleaved(ImageBuffer& image, const ImageRect& area, const InterleavedPixels& pixels) {
  if (!hasPixels(image) || !pixels.data) return;
  const std::int32_t top = std::max(area.top, 0), left = std::max(area.left, 0);
  const std::int32_t bottom = std::min(area.bottom, image.height[0]), right = std::min(area.right, image.width[0]);
  if (top >= bottom || left >= right) return;
  const RowStore store = rowStore(image, pixels);
  if (!store) return;
  const auto* first = static_cast<const std::uint8_t*>(pixels.data) +
                      std::ptrdiff_t(top - area.top) * pixels.rowBytes +
                      std::ptrdiff_t(left - area.left) * pixels.pixelBytes;
  for (std::int32_t y = top; y < bottom; ++y, first += pixels.rowBytes) {
    const std::uint8_t* from = first;
    for (std::int32_t x = left; x < right;) {
      const std::int32_t run = std::min(right, (x | kTileMask) + 1) - x;
      store(from, pixelAddress(image, x, y, 0), run, pixels);
      from += std::ptrdiff_t(run) * pixels.pixelBytes;
      x += run;
    }
  }
}

bool loadRawImage(ImageBuffer& image, const std::uint8_t* raw, std::int32_t width, std::int32_t height,
                  int channels) {
  if (!raw || (channels != 1 && channels != 3)) return false;
  const std::int32_t format = channels == 1 ? kGray8 : kRgba8;
  if (!configureImageBuffer(&image, width, height, format, 0, false)) return false;
  const InterleavedPixels layout{nullptr, 0, channels, {0, channels == 1 ? 0 : 1, channels == 1 ? 0 : 2}, -1};
  storeRows(image, raw, width, height, layout);
  if (!buildPyramid(image)) return false;
  image.pyramidState = 1;
  return true;
}

bool fillFromPixels32(const std::uint8_t* pixels, ImageBuffer& image) {
  if (!pixels || image.format != kRgba8 || !hasPixels(image)) return false;
  const InterleavedPixels layout{nullptr, 0, 4, {2, 1, 0}, -1};
  storeRows(image, pixels, image.width[0], image.height[0], layout);
  return buildPyramid(image);
}

}  // namespace qm
