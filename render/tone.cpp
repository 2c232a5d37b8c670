// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/tone.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm {
namespace {

#if defined(__SSE2__)
// The greys of 16-bit pixels four at a time, as grey16 takes them; returns how many it did.
// The weighted sum comes from pairwise multiply-adds, which take signed 16-bit lanes: the
// samples go in less 32768 (their top bit flipped), and 64 x 32768 is added back after.
std::int32_t greysOf16BitPixels(const std::uint8_t* at, std::int32_t count, std::uint8_t* out) {
  const __m128i topBit = _mm_set1_epi16(std::int16_t(-32768));
  const __m128i weights = _mm_setr_epi16(19, 38, 7, 0, 19, 38, 7, 0);
  const __m128i back = _mm_set1_epi32(64 * 32768);
  const __m128i one = _mm_set1_epi32(1);
  const __m128i nineBits = _mm_set1_epi32(511);
  const auto products = [&](const std::uint8_t* two) {
    return _mm_castsi128_ps(
        _mm_madd_epi16(_mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(two)), topBit), weights));
  };
  std::int32_t k = 0;
  for (; k + 4 <= count; k += 4) {
    const __m128 first = products(at + 8 * std::size_t(k));  // 19 r + 38 g and 7 b of pixels 0 and 1
    const __m128 second = products(at + 8 * std::size_t(k) + 16);
    const __m128i sums = _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0))),
                                       _mm_castps_si128(_mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1))));
    const __m128i grey = _mm_srai_epi32(_mm_add_epi32(sums, back), 6);
    const __m128i scaled = _mm_and_si128(_mm_srai_epi32(_mm_add_epi32(grey, one), 7), nineBits);
    // 0..511 packs to 16 bits unchanged, and to bytes saturated at 255.
    const __m128i words = _mm_packs_epi32(scaled, scaled);
    const std::int32_t four = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out + k, &four, sizeof four);
  }
  return k;
}

// The greys of Rgba8 words (opacity, blue, green, red in memory) sixteen at a time, as
// grey8 takes them; returns how many it did. The weighted sums stay below 2^15, so the two
// halves of each (opacity and blue, green and red) pack to 16 bits and one more
// multiply-add by ones adds them.
std::int32_t greysOf8BitPixels(const std::uint8_t* at, std::int32_t count, std::uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i weights = _mm_setr_epi16(0, 7, 38, 19, 0, 7, 38, 19);
  const __m128i ones = _mm_set1_epi16(1);
  const auto fourGreys = [&](const std::uint8_t* four) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(four));
    const __m128i halves = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(pixels, zero), weights),
                                           _mm_madd_epi16(_mm_unpackhi_epi8(pixels, zero), weights));
    return _mm_srai_epi32(_mm_madd_epi16(halves, ones), 6);
  };
  std::int32_t k = 0;
  for (; k + 16 <= count; k += 16) {
    const std::uint8_t* sixteen = at + 4 * std::size_t(k);
    const __m128i low = _mm_packs_epi32(fourGreys(sixteen), fourGreys(sixteen + 16));
    const __m128i high = _mm_packs_epi32(fourGreys(sixteen + 32), fourGreys(sixteen + 48));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(low, high));
  }
  return k;
}
#endif

// Grey of the clamped pixel (x, y) of a level, in 0..255.
std::int32_t greyAt(const ImageBuffer& image, std::int32_t x, std::int32_t y, int level) {
  if (!hasPixels(image) || level < 0 || level > image.lastLevel) return 0;
  const std::uint8_t* at =
      pixelAddress(image, std::clamp(x, 0, image.maxX[level]), std::clamp(y, 0, image.maxY[level]), level);
  if (image.format == kGray8) return *at;
  if (image.format == kRgb8) return grey8(at[0], at[1], at[2]);
  if (image.format == kRgba16) {
    std::uint16_t c[4];
    std::memcpy(c, at, sizeof c);
    return grey16(c[0], c[1], c[2]);
  }
  if (image.format != kRgba8) return 0;
  std::uint32_t word;
  std::memcpy(&word, at, sizeof word);
  return grey8(std::int32_t(word >> 24), std::int32_t((word >> 16) & 255u), std::int32_t((word >> 8) & 255u));
}

std::int32_t sourceX(const ToneSource& source, std::int32_t x) { return (x * source.zoom + source.offsetX) >> source.level; }
std::int32_t sourceY(const ToneSource& source, std::int32_t y) { return (y * source.zoom + source.offsetY) >> source.level; }

// A Gray8 pixel: its byte is its grey. An Rgb8 pixel: three bytes, red first.
struct GreyByte {};
struct ThreeBytes {};

// One row of greys of a level from column `from` on, the columns stepping by one: the
// common case (zoom 1), walked tile by tile without a lookup per pixel.
template <typename Sample>
void greyRun(const ImageBuffer& image, int level, std::int32_t from, std::int32_t y, std::int32_t count,
             std::uint8_t* out) {
  y = std::clamp(y, 0, image.maxY[level]);
  const std::int32_t last = image.maxX[level];
  std::int32_t i = 0;
  for (; i < count && from + i < 0; ++i) out[i] = std::uint8_t(greyAt(image, from + i, y, level));
  while (i < count && from + i <= last) {
    const std::int32_t x = from + i;
    const std::int32_t run = std::min({count - i, last - x + 1, kTileSize - (x & kTileMask)});
    const std::uint8_t* at = pixelAddress(image, x, y, level);
    std::uint8_t* to = out + i;
    // Indexed rather than stepped, so that the compiler can do many pixels at once. The
    // 8-bit weighted sum stays below 2^15 (64 x 255), so it is taken in 16-bit lanes.
    if constexpr (std::is_same_v<Sample, GreyByte>) {
      for (std::int32_t k = 0; k < run; ++k) to[k] = at[k];
    } else if constexpr (std::is_same_v<Sample, ThreeBytes>) {
      for (std::int32_t k = 0; k < run; ++k) {
        const auto r = std::uint16_t(at[3 * k]), g = std::uint16_t(at[3 * k + 1]), b = std::uint16_t(at[3 * k + 2]);
        to[k] = std::uint8_t(std::uint16_t(19 * (r + 2 * g) + 7 * b) >> 6);
      }
    } else if constexpr (sizeof(Sample) == 1) {
      for (std::int32_t k = 0; k < run; ++k) {
        std::uint32_t word;
        std::memcpy(&word, at + 4 * k, sizeof word);
        const auto r = std::uint16_t(word >> 24), g = std::uint16_t((word >> 16) & 255u),
                   b = std::uint16_t((word >> 8) & 255u);
        to[k] = std::uint8_t(std::uint16_t(19 * (r + 2 * g) + 7 * b) >> 6);
      }
    } else {
      for (std::int32_t k = 0; k < run; ++k) {
        std::uint16_t c[4];
        std::memcpy(c, at + 8 * k, sizeof c);
        to[k] = std::uint8_t(grey16(c[0], c[1], c[2]));
      }
    }
    i += run;
  }
  for (; i < count; ++i) out[i] = std::uint8_t(greyAt(image, from + i, y, level));
}

void greyRow(const ImageBuffer& image, int level, std::int32_t from, std::int32_t y, std::int32_t count,
             std::uint8_t* out) {
  if (!hasPixels(image) || level < 0 || level > image.lastLevel) {
    std::fill(out, out + count, std::uint8_t(0));
  } else if (image.format == kGray8) {
    greyRun<GreyByte>(image, level, from, y, count, out);
  } else if (image.format == kRgb8) {
    greyRun<ThreeBytes>(image, level, from, y, count, out);
  } else if (image.format == kRgba8) {
    greyRun<std::uint8_t>(image, level, from, y, count, out);
  } else if (image.format == kRgba16) {
    greyRun<std::uint16_t>(image, level, from, y, count, out);
  } else {
    std::fill(out, out + count, std::uint8_t(0));
  }
}

constexpr std::int32_t kChunk = 256;

// A cell of the tone, no ink yet, as the word it is in memory.
constexpr std::uint32_t cellWord(std::uint32_t tone, std::uint32_t blurred) {
  if constexpr (std::endian::native == std::endian::little)
    return tone | (blurred << 8) | (std::uint32_t(kNoInk) << 16);
  else
    return (tone << 24) | (blurred << 16) | std::uint32_t(kNoInk);
}
static_assert(offsetof(BandCell, tone) == 0 && offsetof(BandCell, blurred) == 1 && offsetof(BandCell, ink) == 2);

#if defined(__SSE2__)
// S of eight pixels in 32-bit lanes, from their greys and the differences B - g as 16-bit
// lanes: the products come whole from the low and high halves of the 16-bit multiplies, and
// a negative product is raised by 255 before the shift, so that it divides toward zero.
inline __m128i sharpenedHalf(__m128i greys, __m128i products) {
  const __m128i truncating = _mm_srli_epi32(_mm_srai_epi32(products, 31), 24);
  return _mm_sub_epi32(greys, _mm_srai_epi32(_mm_add_epi32(products, truncating), 8));
}

// Sixteen cells at a time; returns how many it filled. The amount must fit 16 bits.
std::int32_t fillToneCellsSixteenAtOnce(const std::uint8_t* grey, const std::uint8_t* mean, std::int32_t count,
                                        std::int32_t amount, BandCell* cells) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i factor = _mm_set1_epi16(std::int16_t(amount));
  const __m128i noInk = _mm_set1_epi16(std::int16_t(kNoInk));
  std::int32_t k = 0;
  for (; k + 16 <= count; k += 16) {
    const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + k));
    const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mean + k));
    __m128i tones[2];
    for (int half = 0; half < 2; ++half) {
      const __m128i g16 = half == 0 ? _mm_unpacklo_epi8(g, zero) : _mm_unpackhi_epi8(g, zero);
      const __m128i m16 = half == 0 ? _mm_unpacklo_epi8(m, zero) : _mm_unpackhi_epi8(m, zero);
      const __m128i difference = _mm_sub_epi16(m16, g16);
      const __m128i low = _mm_mullo_epi16(difference, factor);
      const __m128i high = _mm_mulhi_epi16(difference, factor);
      const __m128i first = sharpenedHalf(_mm_unpacklo_epi16(g16, zero), _mm_unpacklo_epi16(low, high));
      const __m128i second = sharpenedHalf(_mm_unpackhi_epi16(g16, zero), _mm_unpackhi_epi16(low, high));
      tones[half] = _mm_packs_epi32(first, second);  // saturated to 16 bits, held to 0..255 below
    }
    const __m128i tone = _mm_packus_epi16(tones[0], tones[1]);
    const __m128i pairs[2] = {_mm_unpacklo_epi8(tone, m), _mm_unpackhi_epi8(tone, m)};
    auto* out = reinterpret_cast<__m128i*>(cells + k);
    for (int half = 0; half < 2; ++half) {
      _mm_storeu_si128(out + 2 * half, _mm_unpacklo_epi16(pairs[half], noInk));
      _mm_storeu_si128(out + 2 * half + 1, _mm_unpackhi_epi16(pairs[half], noInk));
    }
  }
  return k;
}
#endif

// The row straight from a grey source and its blurred grey lying over the same pixels (a
// tone-only load), when the row needs no edge repeated: byte for byte, a tile's run at a
// time. False when it does not apply.
bool fillFromGreyPlanes(StyleRowContext& context) {
  const ToneSource& source = context.state->tone;
  const ImageBuffer& image = *source.image;
  const ImageBuffer& blurred = *source.blurred;
  const std::int32_t from = context.first + source.offsetX - source.imageLeft;
  const std::int32_t y = context.row + source.offsetY - source.imageTop;
  const std::int32_t count = context.last - context.first + 1;
  const bool applies = image.format == kGray8 && blurred.format == kGray8 && hasPixels(image) &&
                       hasPixels(blurred) && source.imageLevel == 0 && source.imageLeft == source.blurredLeft &&
                       source.imageTop == source.blurredTop && from >= 0 && y >= 0 && count > 0 &&
                       from + count <= std::min(image.width[0], blurred.width[0]) &&
                       y < std::min(image.height[0], blurred.height[0]) && bandCell(context, context.first) &&
                       bandCell(context, context.last);
  if (!applies) return false;
  BandCell* cells = bandCell(context, context.first);
  for (std::int32_t x = from, end = from + count; x < end;) {
    const std::int32_t run = std::min(end, (x | kTileMask) + 1) - x;
    fillToneCells(pixelAddress(image, x, y, 0), pixelAddress(blurred, x, y, 0), run, source.sharpenAmount,
                  cells + (x - from));
    x += run;
  }
  return true;
}

}  // namespace

void toneSamplesOf(const void* floats, std::size_t count, std::uint16_t* out) {
  const auto* in = static_cast<const std::uint8_t*>(floats);
  std::size_t i = 0;
#if defined(__SSE2__)
  // maxps gives its second operand where the first is not a number, so such light reads
  // as 0, as in toneSample. Samples are 0..32768: less 32768 they fit a signed 16-bit pack,
  // and flipping the top bit puts the 32768 back.
  const __m128 zero = _mm_setzero_ps();
  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 scale = _mm_set1_ps(32768.0f);
  const __m128i middle = _mm_set1_epi32(32768);
  const __m128i topBit = _mm_set1_epi16(std::int16_t(-32768));
  const auto four = [&](std::size_t at) {
    const __m128 light = _mm_loadu_ps(reinterpret_cast<const float*>(in + at * sizeof(float)));
    return _mm_sub_epi32(_mm_cvttps_epi32(_mm_mul_ps(_mm_min_ps(_mm_max_ps(light, zero), one), scale)), middle);
  };
  for (; i + 8 <= count; i += 8)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_xor_si128(_mm_packs_epi32(four(i), four(i + 4)), topBit));
#endif
  for (; i < count; ++i) {
    float light;
    std::memcpy(&light, in + i * sizeof light, sizeof light);
    out[i] = toneSample(light);
  }
}

void greysOfPixels(const void* pixels, std::int32_t count, bool sixteenBit, std::uint8_t* out) {
  const auto* at = static_cast<const std::uint8_t*>(pixels);
  // Indexed, so that the compiler can do many pixels at once; 8-bit weighted sums stay
  // below 2^15 and are taken in 16-bit lanes.
  if (!sixteenBit) {
    std::int32_t k = 0;
#if defined(__SSE2__)
    if constexpr (std::endian::native == std::endian::little) k = greysOf8BitPixels(at, count, out);
#endif
    for (; k < count; ++k) {
      std::uint32_t word;
      std::memcpy(&word, at + 4 * k, sizeof word);
      const auto r = std::uint16_t(word >> 24), g = std::uint16_t((word >> 16) & 255u),
                 b = std::uint16_t((word >> 8) & 255u);
      out[k] = std::uint8_t(std::uint16_t(19 * (r + 2 * g) + 7 * b) >> 6);
    }
    return;
  }
  std::int32_t k = 0;
#if defined(__SSE2__)
  k = greysOf16BitPixels(at, count, out);
#endif
  for (; k < count; ++k) {
    std::uint16_t c[4];
    std::memcpy(c, at + 8 * k, sizeof c);
    out[k] = std::uint8_t(grey16(c[0], c[1], c[2]));
  }
}

void fillToneCells(const std::uint8_t* grey, const std::uint8_t* mean, std::int32_t count, std::int32_t amount,
                   BandCell* cells) {
  std::int32_t k = 0;
#if defined(__SSE2__)
  if (amount >= INT16_MIN && amount <= INT16_MAX) k = fillToneCellsSixteenAtOnce(grey, mean, count, amount, cells);
#endif
  // Whole cells as words, so that the compiler stores many at once rather than byte by byte.
  auto* cell = reinterpret_cast<std::uint8_t*>(cells);
  for (; k < count; ++k) {
    const std::uint32_t word = cellWord(std::uint32_t(sharpenedTone(grey[k], mean[k], amount)), mean[k]);
    std::memcpy(cell + 4 * std::size_t(k), &word, sizeof word);
  }
}

void storeGreys(ImageBuffer& greys, std::int32_t y, std::int32_t left, std::int32_t count, const void* pixels,
                bool sixteenBit) {
  const auto* from = static_cast<const std::uint8_t*>(pixels);
  const std::size_t pixelBytes = sixteenBit ? 8 : 4;
  for (std::int32_t x = left, end = left + count; x < end;) {
    const std::int32_t run = std::min(end, (x | kTileMask) + 1) - x;
    greysOfPixels(from + std::size_t(x - left) * pixelBytes, run, sixteenBit, pixelAddress(greys, x, y, 0));
    x += run;
  }
}

namespace {

template <bool kSixteenBit>
void keepGreys(void* context, std::int32_t y, std::int32_t left, std::int32_t count, const void* pixels) {
  storeGreys(*static_cast<ImageBuffer*>(context), y, left, count, pixels, kSixteenBit);
}

}  // namespace

BlurredRowSink greySink(ImageBuffer& greys, bool sixteenBit) {
  return {&greys, sixteenBit ? keepGreys<true> : keepGreys<false>};
}

std::int32_t sampleTone(const ToneSource& source, std::int32_t x, std::int32_t y, std::int32_t* blurred) {
  const std::int32_t sx = sourceX(source, x);
  const std::int32_t sy = sourceY(source, y);
  const std::int32_t grey =
      source.image ? greyAt(*source.image, sx - source.imageLeft, sy - source.imageTop, source.imageLevel) : 0;
  const std::int32_t mean =
      source.blurred ? greyAt(*source.blurred, sx - source.blurredLeft, sy - source.blurredTop, 0) : grey;
  if (blurred) *blurred = mean;
  return sharpenedTone(grey, mean, source.sharpenAmount);
}

void fillToneRow(StyleRowContext& context) {
  const ToneSource& source = context.state->tone;
  const std::int32_t y = context.row;
  if (source.zoom != 1 || source.level != 0 || !source.image || !source.blurred) {
    for (std::int32_t x = context.first; x <= context.last; ++x) {
      BandCell* cell = bandCell(context, x);
      if (!cell) continue;
      std::int32_t blurred = 0;
      cell->tone = std::uint8_t(sampleTone(source, x, y, &blurred));
      cell->blurred = std::uint8_t(blurred);
    }
    return;
  }
  if (fillFromGreyPlanes(context)) return;
  std::uint8_t grey[kChunk];
  std::uint8_t mean[kChunk];
  for (std::int32_t from = context.first; from <= context.last; from += kChunk) {
    const std::int32_t count = std::min(kChunk, context.last - from + 1);
    greyRow(*source.image, source.imageLevel, from + source.offsetX - source.imageLeft,
            y + source.offsetY - source.imageTop, count, grey);
    greyRow(*source.blurred, 0, from + source.offsetX - source.blurredLeft, y + source.offsetY - source.blurredTop,
            count, mean);
    if (BandCell* cells = bandCell(context, from)) fillToneCells(grey, mean, count, source.sharpenAmount, cells);
  }
}

}  // namespace qm
