// SPDX-License-Identifier: LicenseRef-Quillmark
// The chunks of a PNG file as the writer puts them down: the signature, whole chunks with
// their CRCs, and the compressed image data gathered into IDAT chunks of a fixed size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qm::cli::png {

// IDAT chunks of 1 MiB: few enough that their 12 bytes each cost nothing, small enough that
// a reader streaming the file never holds much of it.
inline constexpr std::size_t kImageDataChunkBytes = std::size_t(1) << 20;

// After the first failed write every call fails at once and error() tells why.
class PngChunkWriter {
 public:
  explicit PngChunkWriter(std::FILE* file) : file_(file) {}

  bool writeSignature();
  bool writeChunk(const char (&type)[5], const std::uint8_t* data, std::size_t size);
  // Image data, cut into IDAT chunks of kImageDataChunkBytes; finishImageData writes the rest.
  bool appendImageData(const std::uint8_t* data, std::size_t size);
  bool finishImageData();

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  bool writeBytes(const void* data, std::size_t size);

  std::FILE* file_;
  std::vector<std::uint8_t> pending_;  // image data not yet in a chunk
  std::string error_;
};

}  // namespace qm::cli::png
