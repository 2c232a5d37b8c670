// SPDX-License-Identifier: LicenseRef-Quillmark
// Positions wrapped into a period (a tile's width or height) for every pixel of a row. The
// period's reciprocal is taken once, so that a remainder costs two multiplications instead
// of a 64-bit division (exact for every value in 0..2^32 - 1); other values, and machines
// without 128-bit products, divide. A period that is a power of two, as every spot tile's
// is, wraps by a mask.
#pragma once

#include <cstdint>

namespace qm {

class PeriodWrap {
 public:
  explicit PeriodWrap(std::int32_t period)  // period > 0
      : period_(period), reciprocal_(~std::uint64_t(0) / std::uint64_t(period) + 1),
        powerOfTwo_((period & (period - 1)) == 0) {}

  // value into 0..period - 1, negative values wrapping to the other end.
  std::int32_t operator()(std::int64_t value) const {
    if (powerOfTwo_) return std::int32_t(std::uint64_t(value) & std::uint64_t(period_ - 1));
#ifdef __SIZEOF_INT128__
    __extension__ using Product = unsigned __int128;
    if (value >= 0 && value <= std::int64_t(UINT32_MAX)) {
      const std::uint64_t fraction = reciprocal_ * std::uint64_t(value);
      return std::int32_t(Product(fraction) * period_ >> 64);
    }
#endif
    const std::int64_t r = value % period_;
    return std::int32_t(r < 0 ? r + period_ : r);
  }

 private:
  std::int32_t period_;
  std::uint64_t reciprocal_;  // 2^64 / period rounded up (0 for a period of 1)
  bool powerOfTwo_;
};

}  // namespace qm
