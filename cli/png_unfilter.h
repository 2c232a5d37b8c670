// SPDX-License-Identifier: LicenseRef-Quillmark
// Undoing the PNG row filters of a whole picture in the very buffer it was inflated into,
// so that reading a file needs no second copy of its pixels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::cli::png {

// How many threads unfilter a picture, and how far into its buffer the filtered rows must
// start for them: leadRows rows (at least one), so that no thread writes its row over
// filtered bytes of a row above that another thread has yet to read. A thread is at most
// threads - 1 rows ahead of the slowest, and never further along its row.
struct UnfilterPlan {
  unsigned threads;
  std::size_t leadRows;
};
UnfilterPlan planUnfiltering(std::size_t rowBytes, std::size_t height);

// What inflating a picture gives, leadRows * rowBytes into the buffer: height rows of a
// filter type byte and rowBytes bytes. Unfiltered, the picture's rows lie from the
// buffer's start.
struct FilteredPicture {
  std::uint8_t* bytes;     // (leadRows + height) * rowBytes + height bytes
  std::size_t rowBytes;
  std::size_t height;
  std::size_t pixelBytes;  // 1 to 8: the distance Sub, Average and Paeth look back
  bool swap16;             // 16-bit samples turned from the file's order to the other
  UnfilterPlan plan;
};

// False when a row names no filter type of the five; the bytes are then partly unfiltered.
bool unfilterPicture(const FilteredPicture& picture);

// Tests may make every row go byte by byte, as on processors without SSE2 (the x86 build),
// and choose the number of threads (0: as the picture's size and the processors say).
void setUnfilterByteByByteForTesting(bool byteByByte);
void setUnfilterThreadsForTesting(unsigned threads);

}  // namespace qm::cli::png
