// SPDX-License-Identifier: LicenseRef-Quillmark
// Undoing the PNG row filters (None, Sub, Up, Average, Paeth) of a whole picture in the very
// buffer it was inflated into, so that reading a file needs no second copy of its pixels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::cli::png {

// What inflating a picture gives: height rows of a filter type byte and rowBytes bytes.
struct FilteredPicture {
  std::uint8_t* bytes;     // (1 + rowBytes) * height bytes, turned into rowBytes * height
  std::size_t rowBytes;
  std::size_t height;
  std::size_t pixelBytes;  // 1 to 8: the distance Sub, Average and Paeth look back
};

// Unfilters row by row from the top, each row written rowBytes * y bytes from the start, y
// bytes before where it was read, so no byte is overwritten before it has been read. False
// when a row names no filter type of the five; the bytes are then partly unfiltered.
bool unfilterInPlace(const FilteredPicture& picture);

// Tests may make every row go byte by byte, as on processors without SSE2 (the x86 build).
void setUnfilterByteByByteForTesting(bool byteByByte);

}  // namespace qm::cli::png
