// SPDX-License-Identifier: LicenseRef-Quillmark
// The filter the PNG writer gives one row: none for a row of pure ink and paper, else the
// one of the five that leaves the smallest sum of filtered bytes taken as signed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::cli::png {

enum PngFilter : std::uint8_t { kFilterNone = 0, kFilterSub, kFilterUp, kFilterAverage, kFilterPaeth };

// The samples of one row as the file stores them (16-bit ones big-endian).
struct PngRow {
  const std::uint8_t* bytes;
  const std::uint8_t* above;  // the row before it in the file; all zero for the first row
  std::size_t size;           // bytes in the row
  std::size_t pixelBytes;     // bytes of one pixel, the distance Sub, Average and Paeth look back
  std::size_t sampleBytes;    // 1 or 2
};

// Room for the rows that Sub, Up, Average and Paeth make of a row, size bytes each.
struct FilterBuffers {
  std::uint8_t* sub;
  std::uint8_t* up;
  std::uint8_t* average;
  std::uint8_t* paeth;
};

// The filter type and the row.size bytes that follow it in the file: the row itself for
// None, else one of the buffers.
struct FilteredRow {
  PngFilter filter;
  const std::uint8_t* bytes;
};

FilteredRow filterRow(const PngRow& row, const FilterBuffers& buffers);

}  // namespace qm::cli::png
