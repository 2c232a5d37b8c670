// SPDX-License-Identifier: LicenseRef-Quillmark
#include "engine/column_sums.h"

#include "engine/wider_vectors.h"

namespace qm {

QUILLMARK_WIDER_VECTOR_CLONES
void slideColumnSums(std::uint16_t* __restrict sums, const std::uint8_t* __restrict entering,
                     const std::uint8_t* __restrict leaving, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) sums[i] = std::uint16_t(sums[i] + entering[i] - leaving[i]);
}

}  // namespace qm
