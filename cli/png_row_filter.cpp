// SPDX-License-Identifier: LicenseRef-Quillmark
// Row filters of the PNG writer. A row of pure ink and paper goes unfiltered: its long runs
// of equal bytes are what deflate finds cheaply, and trying the five filters on it costs
// time and, on ink, saves nothing. Any other row takes the filter whose output has the
// smallest sum of bytes read as signed (small differences either way count as small),
// which keeps photographs and grey blends near the size an exhaustive search would give.
//
// The four filtered rows are made in the same pass that sums them, so the winner needs no
// second pass. On a photograph that pass is a third of the writer's work, and the test for
// ink a sixth of it on an ink picture, so with SSE2 (every x86-64 processor) both take 16
// bytes at a time; scalar loops do the first pixel, the last few bytes and everything on
// other processors.
#include "cli/png_row_filter.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm::cli::png {

namespace {

// True when every sample of the row is 0 or full scale, in either byte order. Checked in
// blocks without an early exit inside a block, so that a whole ink row, the common case,
// goes at the speed of the loads.
template <typename Sample>
bool isInkAndPaperScalar(const std::uint8_t* row, std::size_t samples) {
  constexpr Sample kFull = std::numeric_limits<Sample>::max();
  constexpr std::size_t kBlock = 64;
  for (std::size_t start = 0; start < samples; start += kBlock) {
    const std::size_t end = start + kBlock < samples ? start + kBlock : samples;
    bool tone = false;
    for (std::size_t i = start; i < end; ++i) {
      Sample value;
      std::memcpy(&value, row + i * sizeof(Sample), sizeof(Sample));
      tone |= value != 0 && value != kFull;
    }
    if (tone) return false;
  }
  return true;
}

#if defined(__SSE2__)

// 16 bytes at a time, four loads to a block; the samples past the last whole load go to
// the scalar test.
template <typename Sample>
bool isInkAndPaper(const std::uint8_t* row, std::size_t samples) {
  const std::size_t bytes = samples * sizeof(Sample);
  const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi8(-1);
  const auto load = [&](std::size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + at)); };
  const auto extreme = [&](__m128i v) {
    if constexpr (sizeof(Sample) == 1) return _mm_or_si128(_mm_cmpeq_epi8(v, zero), _mm_cmpeq_epi8(v, full));
    return _mm_or_si128(_mm_cmpeq_epi16(v, zero), _mm_cmpeq_epi16(v, full));
  };
  std::size_t at = 0;
  for (; at + 64 <= bytes; at += 64) {
    const __m128i all = _mm_and_si128(_mm_and_si128(extreme(load(at)), extreme(load(at + 16))),
                                      _mm_and_si128(extreme(load(at + 32)), extreme(load(at + 48))));
    if (_mm_movemask_epi8(all) != 0xFFFF) return false;
  }
  for (; at + 16 <= bytes; at += 16) {
    if (_mm_movemask_epi8(extreme(load(at))) != 0xFFFF) return false;
  }
  return isInkAndPaperScalar<Sample>(row + at, (bytes - at) / sizeof(Sample));
}

#else

template <typename Sample>
bool isInkAndPaper(const std::uint8_t* row, std::size_t samples) {
  return isInkAndPaperScalar<Sample>(row, samples);
}

#endif

// A filtered byte's distance from zero, the byte read as signed.
inline std::uint64_t cost(std::uint8_t filtered) {
  return filtered < 128 ? filtered : 256u - filtered;
}

// The neighbour (left a, above b, above-left c) nearest to a + b - c; ties go a, b, c.
inline int paeth(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

struct FilterSums {
  std::uint64_t none = 0, sub = 0, up = 0, average = 0, paeth = 0;
};

// Bytes from..to - 1; left of the first pixel a and c read as zero.
void filterScalar(const PngRow& row, std::size_t from, std::size_t to, const FilterBuffers& out,
                  FilterSums& sums) {
  const std::uint8_t* x = row.bytes;
  const std::uint8_t* b = row.above;
  const std::size_t bpp = row.pixelBytes;
  for (std::size_t i = from; i < to; ++i) {
    const int a = i >= bpp ? x[i - bpp] : 0, c = i >= bpp ? b[i - bpp] : 0;
    out.sub[i] = std::uint8_t(x[i] - a);
    out.up[i] = std::uint8_t(x[i] - b[i]);
    out.average[i] = std::uint8_t(x[i] - ((a + b[i]) >> 1));
    out.paeth[i] = std::uint8_t(x[i] - paeth(a, b[i], c));
    sums.none += cost(x[i]);
    sums.sub += cost(out.sub[i]);
    sums.up += cost(out.up[i]);
    sums.average += cost(out.average[i]);
    sums.paeth += cost(out.paeth[i]);
  }
}

#if defined(__SSE2__)

// Each byte's distance from zero read as signed: the smaller of v and -v.
inline __m128i costs(__m128i v) { return _mm_min_epu8(v, _mm_sub_epi8(_mm_setzero_si128(), v)); }

inline __m128i addCosts(__m128i sums, __m128i filtered) {
  return _mm_add_epi64(sums, _mm_sad_epu8(costs(filtered), _mm_setzero_si128()));
}

inline __m128i absolute16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

inline __m128i select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// Paeth's prediction for eight bytes widened to 16 bits.
inline __m128i paeth16(__m128i a, __m128i b, __m128i c) {
  const __m128i pa = absolute16(_mm_sub_epi16(b, c));
  const __m128i pb = absolute16(_mm_sub_epi16(a, c));
  const __m128i pc = absolute16(_mm_add_epi16(_mm_sub_epi16(b, c), _mm_sub_epi16(a, c)));
  const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
  const __m128i notB = _mm_cmpgt_epi16(pb, pc);
  return select(notA, select(notB, c, b), a);
}

inline __m128i paeth8(__m128i a, __m128i b, __m128i c) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = paeth16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero));
  const __m128i high = paeth16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero));
  return _mm_packus_epi16(low, high);
}

std::uint64_t total(__m128i sums) {
  std::uint64_t halves[2];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(halves), sums);
  return halves[0] + halves[1];
}

// Bytes from pixelBytes on, 16 at a time; returns where it stopped.
std::size_t filterVector(const PngRow& row, const FilterBuffers& out, FilterSums& sums) {
  const std::uint8_t* x = row.bytes;
  const std::uint8_t* above = row.above;
  const std::size_t bpp = row.pixelBytes;
  const __m128i one = _mm_set1_epi8(1);
  __m128i none = _mm_setzero_si128(), sub = none, up = none, average = none, paethSums = none;
  std::size_t i = bpp;
  for (; i + 16 <= row.size; i += 16) {
    const auto load = [](const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
    const __m128i current = load(x + i), a = load(x + i - bpp), b = load(above + i), c = load(above + i - bpp);
    // The rounded-up mean less the carry that rounding added: the mean rounded down.
    const __m128i mean = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
    const __m128i filtered[4] = {_mm_sub_epi8(current, a), _mm_sub_epi8(current, b), _mm_sub_epi8(current, mean),
                                 _mm_sub_epi8(current, paeth8(a, b, c))};
    std::uint8_t* targets[4] = {out.sub, out.up, out.average, out.paeth};
    for (int f = 0; f < 4; ++f) _mm_storeu_si128(reinterpret_cast<__m128i*>(targets[f] + i), filtered[f]);
    none = addCosts(none, current);
    sub = addCosts(sub, filtered[0]);
    up = addCosts(up, filtered[1]);
    average = addCosts(average, filtered[2]);
    paethSums = addCosts(paethSums, filtered[3]);
  }
  sums.none += total(none);
  sums.sub += total(sub);
  sums.up += total(up);
  sums.average += total(average);
  sums.paeth += total(paethSums);
  return i;
}

#else

std::size_t filterVector(const PngRow& row, const FilterBuffers&, FilterSums&) { return row.pixelBytes; }

#endif

FilterSums filterAll(const PngRow& row, const FilterBuffers& out) {
  FilterSums sums;
  const std::size_t first = row.pixelBytes < row.size ? row.pixelBytes : row.size;
  filterScalar(row, 0, first, out, sums);
  const std::size_t done = first < row.size ? filterVector(row, out, sums) : row.size;
  filterScalar(row, done, row.size, out, sums);
  return sums;
}

}  // namespace

FilteredRow filterRow(const PngRow& row, const FilterBuffers& buffers) {
  const bool ink = row.sampleBytes == 2 ? isInkAndPaper<std::uint16_t>(row.bytes, row.size / 2)
                                        : isInkAndPaper<std::uint8_t>(row.bytes, row.size);
  if (ink) return {kFilterNone, row.bytes};
  const FilterSums sums = filterAll(row, buffers);
  // In the order of the filter numbers; a later one must be strictly better to win.
  FilteredRow best{kFilterNone, row.bytes};
  std::uint64_t least = sums.none;
  const std::uint64_t others[] = {sums.sub, sums.up, sums.average, sums.paeth};
  const std::uint8_t* rows[] = {buffers.sub, buffers.up, buffers.average, buffers.paeth};
  for (int i = 0; i < 4; ++i) {
    if (others[i] < least) {
      least = others[i];
      best = {PngFilter(kFilterSub + i), rows[i]};
    }
  }
  return best;
}

}  // namespace qm::cli::png
