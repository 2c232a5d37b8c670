// SPDX-License-Identifier: LicenseRef-Quillmark
// The row division of 8-bit sums, which is most of a blur's work, also built for wider
// vectors (engine/wider_vectors.h).
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

void BoxDivision::eightBitNarrowRow(const std::uint16_t* sums, std::uint8_t* out, std::size_t count) const {
  divideNarrowSums(*this, sums, out, count);
}

}  // namespace qm
