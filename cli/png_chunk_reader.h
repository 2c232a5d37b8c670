// SPDX-License-Identifier: LicenseRef-Quillmark
// The chunks of a PNG file as our reader takes them in, one after another from an open
// file: each chunk's length and type, its data read to where the caller wants it (image
// data straight to where it is inflated from) or passed over, and its CRC checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace qm::cli::png {

struct ChunkHead {
  std::uint32_t length;
  char type[4];

  bool is(const char (&name)[5]) const;
  // Ancillary chunks (lower-case first letter) may be passed over; any other must be known.
  bool ancillary() const;
};

// Every call returns false once the file ends early or is not as it should be; the reader
// never says why, since a file it cannot take goes to libpng, which says it in its words.
class PngChunkReader {
 public:
  explicit PngChunkReader(std::FILE* file) : file_(file) {}

  // The eight bytes every PNG file starts with, read from the current position.
  bool readSignature();
  // The next chunk's length and type: a length of at most 2^31 - 1, a type of four letters.
  bool readHead(ChunkHead& head);
  // The chunk's data, in pieces or whole, then its CRC.
  bool readData(std::uint8_t* into, std::size_t size);
  bool skipData(std::size_t size);
  bool checkCrc();

 private:
  std::FILE* file_;
  std::uint32_t crc_ = 0;  // of the type and the data read so far
};

}  // namespace qm::cli::png
