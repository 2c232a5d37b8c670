// SPDX-License-Identifier: LicenseRef-Quillmark
// The window mean of the box passes, sum / n rounded to the nearest integer (halves up),
// that is floor((sum + h) / n) with h = floor(n / 2): a floored mean would lose half a
// level on average at each of a blur's six passes, and the sharpening amplifies what the
// blurred grey loses. No division per sample: the forms below are what the compiler can do
// for many samples at once. Each is exact for every sum that n samples of its kind can make
// (the tests check them exhaustively for the windows a blur makes), on any float
// evaluation at least as precise as single precision:
// - 8-bit samples, 16-bit sums (n from 2 to 256, so sum + h <= 255.5 n < 2^16): the high
//   half of (sum + h) x floor(2^16 / n) is the result or one less, and the remainder tells
//   which;
// - 8-bit samples, any n up to kMostBoxWindow: (sum + h + 0.5) / n lies at least 0.5 / n
//   from an integer, and the single-precision reciprocal and product move it by far less
//   (under 2^-23 x 256; sum + h + 0.5 is exact since 256 n < 2^23);
// - 16-bit samples (sums up to 65535 n, so sum + h < 2^31): (sum + h) x (1 / n) is off by
//   less than one, and one step of integer correction on the remainder puts it right.
//   A whole row of them goes through double precision instead, where the baseline vector
//   instructions have no 32-bit product: (sum + h + 0.5) / n lies at least 0.5 / n from an
//   integer, and the rounded reciprocal and product move it by under 2^31 x 2^-52.
//   Windows of up to 63 samples, as the documents' blurs make them, take single precision,
//   twice the sums an instruction: sum + h + 0.5 < 2^23 is exact in it, and the rounded
//   reciprocal and product move (sum + h + 0.5) / n < 2^16 by under 2^16 x 2^-23 = 2^-7,
//   less than 0.5 / n.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm {

constexpr std::int32_t kMostBoxWindow = 8191;

class BoxDivision {
 public:
  explicit BoxDivision(std::int32_t n)
      : n_(n), half_(n / 2), inverse_(1.0f / float(n)), narrowN_(std::uint16_t(n)),
        narrowHalf_(std::uint16_t(n / 2)), narrowMultiplier_(std::uint16_t(n > 1 ? 65536 / n : 0)) {}

  std::int32_t n() const { return n_; }
  // What sixteenBitRow adds to a sum before it multiplies by 1 / n.
  double sixteenBitBias() const { return double(half_) + 0.5; }

  // sum within 0 .. 255 x n, n from 2 to 256
  std::uint16_t eightBitNarrow(std::uint16_t sum) const {
    const std::uint16_t biased = std::uint16_t(sum + narrowHalf_);
    const std::uint16_t guess = std::uint16_t((std::uint32_t(biased) * narrowMultiplier_) >> 16);
    const std::uint16_t remainder = std::uint16_t(biased - guess * narrowN_);
    return std::uint16_t(guess + (remainder >= narrowN_));
  }

  // sum within 0 .. 255 x n
  std::int32_t eightBit(std::int32_t sum) const { return std::int32_t((float(sum + half_) + 0.5f) * inverse_); }

  // sum within 0 .. 65535 x n
  std::int32_t sixteenBit(std::int32_t sum) const {
    const std::int32_t biased = sum + half_;
    const std::int32_t guess = std::int32_t(float(biased) * inverse_);
    const std::int32_t remainder = biased - guess * n_;
    return guess + std::int32_t(remainder >= n_) - std::int32_t(remainder < 0);
  }

  // eightBitNarrow of sums[0 .. count - 1] into out (n from 2 to 256). Built twice where the
  // system can choose at run time, for the baseline processor and for one with 256-bit
  // integer vectors, which divide twice the samples an instruction (box_division.cpp).
  void eightBitNarrowRow(const std::uint16_t* sums, std::uint8_t* out, std::size_t count) const;

  // sixteenBit of sums[0 .. count - 1] into out, eight at a time where the vector
  // instructions allow; with 256-bit vectors where the processor has them
  // (box_division.cpp), else with the baseline ones below.
  void sixteenBitRow(const std::int32_t* sums, std::uint16_t* out, std::size_t count) const;
  void sixteenBitRowBaseline(const std::int32_t* sums, std::uint16_t* out, std::size_t count) const {
    std::size_t i = 0;
#if defined(__SSE2__)
    if (singlePrecisionSixteenBit()) {
      const __m128 inverse = _mm_set1_ps(inverse_);
      const __m128 bias = _mm_set1_ps(float(sixteenBitBias()));
      i = packSixteenBitMeans(sums, out, count, [&](const std::int32_t* from) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        return _mm_cvttps_epi32(_mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(four), bias), inverse));
      });
    } else {
      const __m128d inverse = _mm_set1_pd(1.0 / double(n_));
      const __m128d bias = _mm_set1_pd(sixteenBitBias());
      i = packSixteenBitMeans(sums, out, count, [&](const std::int32_t* from) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128d low = _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(four), bias), inverse);
        const __m128d high = _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(four, 0x4E)), bias), inverse);
        return _mm_unpacklo_epi64(_mm_cvttpd_epi32(low), _mm_cvttpd_epi32(high));
      });
    }
#endif
    for (; i < count; ++i) out[i] = std::uint16_t(sixteenBit(sums[i]));
  }

  // Whether sixteenBitRow divides in single precision (n of at most 63, see above).
  bool singlePrecisionSixteenBit() const { return n_ <= 63; }
  float inverse() const { return inverse_; }

 private:
#if defined(__SSE2__)
  // Eight means at a time, four from each call of `means`, up to the last whole eight;
  // returns how many were made.
  template <class Means>
  static std::size_t packSixteenBitMeans(const std::int32_t* sums, std::uint16_t* out, std::size_t count,
                                         Means means) {
    // Means of 16-bit samples are 0..65535: less 32768 they fit a signed 16-bit pack, and
    // flipping the top bit puts the 32768 back.
    const __m128i middle = _mm_set1_epi32(32768);
    const __m128i topBit = _mm_set1_epi16(std::int16_t(-32768));
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
      const __m128i packed = _mm_packs_epi32(_mm_sub_epi32(means(sums + i), middle), _mm_sub_epi32(means(sums + i + 4), middle));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_xor_si128(packed, topBit));
    }
    return i;
  }
#endif

 private:
  std::int32_t n_;
  std::int32_t half_;
  float inverse_;
  std::uint16_t narrowN_;
  std::uint16_t narrowHalf_;
  std::uint16_t narrowMultiplier_;
};

}  // namespace qm
