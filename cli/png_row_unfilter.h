// SPDX-License-Identifier: LicenseRef-Quillmark
// Undoing one PNG row filter (None, Sub, Up, Average, Paeth) on a stretch of a row.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cli/png_row_filter.h"

namespace qm::cli::png {

// Bytes from..to of a row (from and to whole pixels in): raw holds the filtered bytes, out
// gets the unfiltered ones, above is the unfiltered row before it (zeros for the first).
// The pixels of out before from are done; out and raw never overlap.
struct RowStretch {
  std::uint8_t* out;
  const std::uint8_t* raw;
  const std::uint8_t* above;
  std::size_t from;
  std::size_t to;
  std::size_t pixelBytes;  // 1 to 8: the distance Sub, Average and Paeth look back
};

// False when type names no filter of the five.
bool unfilterStretch(std::uint8_t type, const RowStretch& row);

}  // namespace qm::cli::png
