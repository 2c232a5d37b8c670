// SPDX-License-Identifier: LicenseRef-Quillmark
// Exact floor(sum / n) for the window sums of the box passes, without a division per
// sample, in forms the compiler can do for many samples at once. Each is exact for every
// sum that n samples of its kind can make (the tests check them exhaustively for the
// windows a blur makes), on any float evaluation at least as precise as single precision:
// - 8-bit samples, 16-bit sums (n from 2 to 257, so 255 n < 2^16): the high half of
//   sum x floor(2^16 / n) is the quotient or one less, and the remainder tells which;
// - 8-bit samples, any n up to kMostBoxWindow: (sum + 0.5) / n lies at least 0.5 / n from
//   an integer, and the single-precision reciprocal and product move it by far less
//   (under 2^-23 x 256; sum + 0.5 is exact since 255 n < 2^23);
// - 16-bit samples (sums up to 65535 n < 2^31): sum x (1 / n) is off by less than one,
//   and one step of integer correction on the remainder puts it right.
#pragma once

#include <cstdint>

namespace qm {

constexpr std::int32_t kMostBoxWindow = 8191;

class BoxDivision {
 public:
  explicit BoxDivision(std::int32_t n)
      : n_(n), inverse_(1.0f / float(n)), narrowN_(std::uint16_t(n)),
        narrowMultiplier_(std::uint16_t(n > 1 ? 65536 / n : 0)) {}

  std::int32_t n() const { return n_; }

  // sum within 0 .. 255 x n, n from 2 to 257
  std::uint16_t eightBitNarrow(std::uint16_t sum) const {
    const std::uint16_t guess = std::uint16_t((std::uint32_t(sum) * narrowMultiplier_) >> 16);
    const std::uint16_t remainder = std::uint16_t(sum - guess * narrowN_);
    return std::uint16_t(guess + (remainder >= narrowN_));
  }

  // sum within 0 .. 255 x n
  std::int32_t eightBit(std::int32_t sum) const { return std::int32_t((float(sum) + 0.5f) * inverse_); }

  // sum within 0 .. 65535 x n
  std::int32_t sixteenBit(std::int32_t sum) const {
    const std::int32_t guess = std::int32_t(float(sum) * inverse_);
    const std::int32_t remainder = sum - guess * n_;
    return guess + std::int32_t(remainder >= n_) - std::int32_t(remainder < 0);
  }

 private:
  std::int32_t n_;
  float inverse_;
  std::uint16_t narrowN_;
  std::uint16_t narrowMultiplier_;
};

}  // namespace qm
