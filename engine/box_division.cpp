// SPDX-License-Identifier: LicenseRef-Quillmark
// The row divisions, most of a blur's work, also for processors with 256-bit vectors: the
// 8-bit one as a function clone (engine/wider_vectors.h), the 16-bit one, whose baseline is
// hand-written SSE2, as a second body in plain arithmetic that the row calls when the
// processor reports the wider vectors.
#include "engine/box_division.h"

#include "engine/wider_vectors.h"

namespace qm {
namespace {

// By value, and free of the object: stores of bytes may alias anything, so a division read
// through `this` would be read again after every store.
QUILLMARK_WIDER_VECTOR_CLONES
void divideNarrowSums(const BoxDivision division, const std::uint16_t* __restrict sums, std::uint8_t* __restrict out,
                      std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) out[i] = std::uint8_t(division.eightBitNarrow(sums[i]));
}

}  // namespace

#if QUILLMARK_HAS_WIDER_VECTOR_CLONES
namespace {

// The same arithmetic as the baseline row, (sum + h + 0.5) x (1 / n) truncated, in double
// precision four sums an instruction, or for small windows in single precision eight;
// each result is exact (box_division.h), so the width changes nothing.
__attribute__((target("avx2"))) void divideWideSumsFourAtOnce(const std::int32_t* __restrict sums,
                                                              std::uint16_t* __restrict out, std::size_t count,
                                                              double bias, double inverse) {
  for (std::size_t i = 0; i < count; ++i) out[i] = std::uint16_t(std::int32_t((double(sums[i]) + bias) * inverse));
}

__attribute__((target("avx2"))) void divideWideSumsEightAtOnce(const std::int32_t* __restrict sums,
                                                               std::uint16_t* __restrict out, std::size_t count,
                                                               float bias, float inverse) {
  for (std::size_t i = 0; i < count; ++i) out[i] = std::uint16_t(std::int32_t((float(sums[i]) + bias) * inverse));
}

}  // namespace

void BoxDivision::sixteenBitRow(const std::int32_t* sums, std::uint16_t* out, std::size_t count) const {
  if (!__builtin_cpu_supports("avx2"))
    sixteenBitRowBaseline(sums, out, count);
  else if (singlePrecisionSixteenBit())
    divideWideSumsEightAtOnce(sums, out, count, float(sixteenBitBias()), inverse());
  else
    divideWideSumsFourAtOnce(sums, out, count, sixteenBitBias(), 1.0 / double(n_));
}
#else
void BoxDivision::sixteenBitRow(const std::int32_t* sums, std::uint16_t* out, std::size_t count) const {
  sixteenBitRowBaseline(sums, out, count);
}
#endif

void BoxDivision::eightBitNarrowRow(const std::uint16_t* sums, std::uint8_t* out, std::size_t count) const {
  divideNarrowSums(*this, sums, out, count);
}

}  // namespace qm
