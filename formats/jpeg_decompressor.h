// SPDX-License-Identifier: LicenseRef-Quillmark
// A decompressor over a stream in memory, shared by the decoder and the metadata reader.
#pragma once

#include "formats/jpeg_library.h"

namespace qm::jpeg {

struct Decompressor {
  jpeg_decompress_struct info{};
  ErrorTrap trap;
  MemorySource source{};
  // The library is set up under the trap (readHeader); destroying a record it never set up
  // does nothing.
  Decompressor() { info.err = installErrorTrap(trap, true); }
  ~Decompressor() { jpeg_destroy_decompress(&info); }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
};

// Under the trap: sets the library up over the stream, keeps the markers named in `kept`
// (APPn codes, ended by 0), reads the header and settles the output: grey for grey streams,
// RGB for YCbCr and RGB ones; anything else, or a size past what an image buffer holds,
// fails.
void readHeader(Decompressor& decompressor, const std::uint8_t* data, std::size_t size, const int* kept = nullptr);

}  // namespace qm::jpeg
