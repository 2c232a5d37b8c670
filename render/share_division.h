// SPDX-License-Identifier: LicenseRef-Quillmark
// The share of an error that one weight of a diffusion takes, error x weight / sum with the
// quotient truncated toward zero, as the division gives it, but by a multiplication and a
// shift: a division sits on the chain that runs from pixel to pixel along a row, and a
// multiplication is several times shorter.
//
// factor = weight x (floor(2^45 / sum) + 1). For the product p = error x weight, p x factor /
// (weight x 2^45) exceeds p / sum by less than 1 / sum (with |p| < 2^15 x sum and sum < 2^13),
// so the shift floors to the quotient for p >= 0 and to one below it for p < 0, where one
// is added back. Errors are 16-bit values; the tests check every one for every weight in use.
#pragma once

#include <cstdint>

namespace qm {

class ShareDivision {
 public:
  static constexpr std::int32_t kLargestSum = (1 << 13) - 1;

  constexpr ShareDivision() = default;
  // 0 <= weight <= sum, 1 <= sum <= kLargestSum.
  constexpr ShareDivision(std::int32_t weight, std::int32_t sum)
      : factor_(std::int64_t(weight) * ((std::int64_t(1) << kShift) / sum + 1)), takesAny_(weight != 0 ? 1 : 0) {}

  // error in -32768..32767. Without a branch: the sign of the error changes from pixel to
  // pixel and would be guessed wrong half the time.
  std::int32_t of(std::int32_t error) const {
    const std::int32_t floored = std::int32_t((std::int64_t(error) * factor_) >> kShift);
    return floored + ((error >> 31) & takesAny_);
  }

 private:
  static constexpr int kShift = 45;
  std::int64_t factor_ = 0;
  std::int32_t takesAny_ = 0;  // 1 when the weight is not 0
};

}  // namespace qm
