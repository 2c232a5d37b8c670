// SPDX-License-Identifier: LicenseRef-Quillmark
// A column pass's running sums of 8-bit samples in 16-bit lanes, moved down a row: the row
// entering the window added, the one leaving it taken away. Also built for wider vectors
// (engine/wider_vectors.h). The sums may wrap on the way but are back in range after.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm {

void slideColumnSums(std::uint16_t* sums, const std::uint8_t* entering, const std::uint8_t* leaving,
                     std::size_t count);

}  // namespace qm
