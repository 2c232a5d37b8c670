// SPDX-License-Identifier: LicenseRef-Quillmark
// What the JPEG encoder and decoder share around libjpeg: an error manager that never lets
// the library print or end the process, but jumps back to the call that started the work,
// a source reading a stream in memory and a destination that grows as the stream is written.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace qm::jpeg {

// The library's error manager first, so that the library's pointer to it is one to the trap.
struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  // Decoding: a warning means corrupt or missing data, which must not pass as a picture.
  bool warningsFail = true;
  char message[JMSG_LENGTH_MAX] = {};
};

// Sets up the trap and returns the manager to hang on a compressor or decompressor.
jpeg_error_mgr* installErrorTrap(ErrorTrap& trap, bool warningsFail);

// Ends the work in progress with our own message: back to the trap's jump.
[[noreturn]] void failWith(j_common_ptr info, const char* message);

// Runs `work` (which calls into the library) under the trap: false when the library failed.
// The jump leaves the frames of `work`, so `work` must hold nothing that needs destroying
// while it calls the library; buffers belong to the caller or to the library's pools.
template <typename Work>
bool runTrapped(ErrorTrap& trap, Work&& work) {
  if (setjmp(trap.jump) != 0) return false;
  work();
  return true;
}

struct MemorySource {
  jpeg_source_mgr manager;
  const std::uint8_t* data;
  std::size_t size;
};
// Reads from data[0..size); running out of bytes is an error, never a made-up end.
void useMemorySource(j_decompress_ptr info, MemorySource& source, const std::uint8_t* data, std::size_t size);

struct VectorDestination {
  jpeg_destination_mgr manager;
  std::vector<std::uint8_t>* stream;
};
// Writes into `stream`, doubling it as it fills and trimming it to the stream at the end.
void useVectorDestination(j_compress_ptr info, VectorDestination& destination, std::vector<std::uint8_t>& stream);

}  // namespace qm::jpeg
