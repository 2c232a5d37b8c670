// SPDX-License-Identifier: LicenseRef-Quillmark
// Nearly every row of a photograph is Paeth-filtered, and Paeth, like Sub and Average,
// depends on the pixel just decoded, so a row cannot be taken 16 bytes at a time. With
// SSE2 (every x86-64 processor) each pixel's bytes are worked on side by side instead, in
// 16-bit lanes where Paeth's differences need a sign, for a pixel of 1 to 8 bytes. Other
// processors, and pixel sizes that never occur, go byte by byte.
//
// A row is taken in stretches, so that the next row can follow close behind on another
// thread (cli/png_unfilter.cpp): a stretch starts from the pixels before it, already done.
#include "cli/png_row_unfilter.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm::cli::png {

namespace {

std::atomic<bool> byteByByteForTesting{false};

std::uint8_t paethPredictor(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return std::uint8_t(a);
  return std::uint8_t(pb <= pc ? b : c);
}

void unfilterBytes(PngFilter filter, const RowStretch& row) {
  const std::size_t bpp = row.pixelBytes;
  for (std::size_t i = row.from; i < row.to; ++i) {
    const int a = i >= bpp ? row.out[i - bpp] : 0;
    const int b = row.above[i];
    const int c = i >= bpp ? row.above[i - bpp] : 0;
    int predicted = 0;
    switch (filter) {
      case kFilterSub: predicted = a; break;
      case kFilterUp: predicted = b; break;
      case kFilterAverage: predicted = (a + b) >> 1; break;
      case kFilterPaeth: predicted = paethPredictor(a, b, c); break;
      default: break;
    }
    row.out[i] = std::uint8_t(row.raw[i] + predicted);
  }
}

// Up looks at no byte of its own row, so it goes 16 bytes at a time; said explicitly, since
// the compiler cannot know that out and raw never overlap.
void unfilterUp(const RowStretch& row) {
  std::size_t i = row.from;
#if defined(__SSE2__)
  for (; i + 16 <= row.to; i += 16) {
    const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.raw + i));
    const __m128i above = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.above + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row.out + i), _mm_add_epi8(raw, above));
  }
#endif
  for (; i < row.to; ++i) row.out[i] = std::uint8_t(row.raw[i] + row.above[i]);
}

#if defined(__SSE2__)

// A pixel of Bytes bytes in the low lanes of a register, one byte a lane. Built in general
// registers: a pixel stored to memory in pieces and loaded back whole would wait for the
// pieces on every pixel.
[[gnu::always_inline]] inline std::uint32_t loadLow(const std::uint8_t* at, std::size_t bytes) {
  std::uint32_t bits = 0;
  if (bytes == 4) {
    std::memcpy(&bits, at, 4);
  } else if (bytes == 3) {
    std::uint16_t two;
    std::memcpy(&two, at, 2);
    bits = two | std::uint32_t(at[2]) << 16;
  } else if (bytes == 2) {
    std::uint16_t two;
    std::memcpy(&two, at, 2);
    bits = two;
  } else {
    bits = at[0];
  }
  return bits;
}

template <std::size_t Bytes>
[[gnu::always_inline]] inline __m128i loadPixel(const std::uint8_t* at) {
  const __m128i low = _mm_cvtsi32_si128(int(loadLow(at, Bytes < 4 ? Bytes : 4)));
  if constexpr (Bytes <= 4) return low;
  return _mm_unpacklo_epi32(low, _mm_cvtsi32_si128(int(loadLow(at + 4, Bytes - 4))));
}

[[gnu::always_inline]] inline void storeLow(std::uint8_t* at, std::uint32_t bits, std::size_t bytes) {
  if (bytes == 4) {
    std::memcpy(at, &bits, 4);
  } else if (bytes >= 2) {
    const std::uint16_t two = std::uint16_t(bits);
    std::memcpy(at, &two, 2);
    if (bytes == 3) at[2] = std::uint8_t(bits >> 16);
  } else {
    at[0] = std::uint8_t(bits);
  }
}

template <std::size_t Bytes>
[[gnu::always_inline]] inline void storePixel(std::uint8_t* at, __m128i pixel) {
  storeLow(at, std::uint32_t(_mm_cvtsi128_si32(pixel)), Bytes < 4 ? Bytes : 4);
  if constexpr (Bytes > 4) storeLow(at + 4, std::uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(pixel, 4))), Bytes - 4);
}

// The pixel before the stretch, or zeros at the start of the row.
template <std::size_t Bytes>
[[gnu::always_inline]] inline __m128i pixelBefore(const std::uint8_t* row, std::size_t from) {
  return from >= Bytes ? loadPixel<Bytes>(row + from - Bytes) : _mm_setzero_si128();
}

template <std::size_t Bytes>
void unfilterSub(const RowStretch& row) {
  __m128i a = pixelBefore<Bytes>(row.out, row.from);
  for (std::size_t i = row.from; i + Bytes <= row.to; i += Bytes) {
    a = _mm_add_epi8(loadPixel<Bytes>(row.raw + i), a);
    storePixel<Bytes>(row.out + i, a);
  }
}

// The floor of the mean: the rounded-up mean less the bit the sum lost.
template <std::size_t Bytes>
void unfilterAverage(const RowStretch& row) {
  const __m128i one = _mm_set1_epi8(1);
  __m128i a = pixelBefore<Bytes>(row.out, row.from);
  for (std::size_t i = row.from; i + Bytes <= row.to; i += Bytes) {
    const __m128i b = loadPixel<Bytes>(row.above + i);
    const __m128i mean = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
    a = _mm_add_epi8(loadPixel<Bytes>(row.raw + i), mean);
    storePixel<Bytes>(row.out + i, a);
  }
}

[[gnu::always_inline]] inline __m128i absolute16(__m128i value) { return _mm_max_epi16(value, _mm_sub_epi16(_mm_setzero_si128(), value)); }

// Paeth's choice, lane by lane: a where |b - c| is the smallest distance, else b where
// |a - c| is, else c; ties go that way round.
[[gnu::always_inline]] inline __m128i paethLanes(__m128i a, __m128i b, __m128i c) {
  const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
  const __m128i pa = absolute16(bc), pb = absolute16(ac), pc = absolute16(_mm_add_epi16(bc, ac));
  const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
  const __m128i takeB = _mm_cmpeq_epi16(smallest, pb), takeA = _mm_cmpeq_epi16(smallest, pa);
  const __m128i bOrC = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, c));
  return _mm_or_si128(_mm_and_si128(takeA, a), _mm_andnot_si128(takeA, bOrC));
}

template <std::size_t Bytes>
void unfilterPaeth(const RowStretch& row) {
  const __m128i zero = _mm_setzero_si128(), low = _mm_set1_epi16(0xFF);
  __m128i a = _mm_unpacklo_epi8(pixelBefore<Bytes>(row.out, row.from), zero);  // 16-bit lanes
  __m128i c = _mm_unpacklo_epi8(pixelBefore<Bytes>(row.above, row.from), zero);
  for (std::size_t i = row.from; i + Bytes <= row.to; i += Bytes) {
    const __m128i b = _mm_unpacklo_epi8(loadPixel<Bytes>(row.above + i), zero);
    const __m128i raw = _mm_unpacklo_epi8(loadPixel<Bytes>(row.raw + i), zero);
    a = _mm_and_si128(_mm_add_epi16(raw, paethLanes(a, b, c)), low);
    storePixel<Bytes>(row.out + i, _mm_packus_epi16(a, a));
    c = b;
  }
}

template <std::size_t Bytes>
void unfilterPixels(PngFilter filter, const RowStretch& row) {
  switch (filter) {
    case kFilterSub: unfilterSub<Bytes>(row); break;
    case kFilterAverage: unfilterAverage<Bytes>(row); break;
    case kFilterPaeth: unfilterPaeth<Bytes>(row); break;
    default: break;
  }
}

// Whole pixels at a time, for the sizes PNG's 8- and 16-bit layouts have.
bool unfilterByPixel(PngFilter filter, const RowStretch& row) {
  switch (row.pixelBytes) {
    case 1: unfilterPixels<1>(filter, row); return true;
    case 2: unfilterPixels<2>(filter, row); return true;
    case 3: unfilterPixels<3>(filter, row); return true;
    case 4: unfilterPixels<4>(filter, row); return true;
    case 6: unfilterPixels<6>(filter, row); return true;
    case 8: unfilterPixels<8>(filter, row); return true;
    default: return false;
  }
}

#else

bool unfilterByPixel(PngFilter, const RowStretch&) { return false; }

#endif

}  // namespace

bool unfilterStretch(std::uint8_t type, const RowStretch& row) {
  switch (type) {
    case kFilterNone: std::memcpy(row.out + row.from, row.raw + row.from, row.to - row.from); return true;
    case kFilterUp: unfilterUp(row); return true;
    case kFilterSub:
    case kFilterAverage:
    case kFilterPaeth:
      if (byteByByteForTesting || !unfilterByPixel(PngFilter(type), row)) unfilterBytes(PngFilter(type), row);
      return true;
    default: return false;
  }
}

void setUnfilterByteByByteForTesting(bool byteByByte) { byteByByteForTesting = byteByByte; }

}  // namespace qm::cli::png
