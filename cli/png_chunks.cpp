// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/png_chunks.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qm::cli::png {

namespace {

void putBigEndian32(std::uint8_t* out, std::uint32_t value) {
  out[0] = std::uint8_t(value >> 24);
  out[1] = std::uint8_t(value >> 16);
  out[2] = std::uint8_t(value >> 8);
  out[3] = std::uint8_t(value);
}

}  // namespace

bool PngChunkWriter::writeBytes(const void* data, std::size_t size) {
  if (!ok()) return false;
  if (size == 0 || std::fwrite(data, 1, size, file_) == size) return true;
  error_ = std::string("write error: ") + std::strerror(errno);
  return false;
}

bool PngChunkWriter::writeSignature() {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return writeBytes(kSignature, sizeof kSignature);
}

// The CRC covers the type and the data, not the length.
bool PngChunkWriter::writeChunk(const char (&type)[5], const std::uint8_t* data, std::size_t size) {
  std::uint8_t head[8];
  putBigEndian32(head, std::uint32_t(size));
  std::memcpy(head + 4, type, 4);
  uLong crc = crc32(0, head + 4, 4);
  if (size > 0) crc = crc32(crc, data, uInt(size));
  std::uint8_t tail[4];
  putBigEndian32(tail, std::uint32_t(crc));
  return writeBytes(head, sizeof head) && writeBytes(data, size) && writeBytes(tail, sizeof tail);
}

// Whole chunks go straight from the caller's bytes when nothing is pending; only the
// pieces between chunk boundaries are copied.
bool PngChunkWriter::appendImageData(const std::uint8_t* data, std::size_t size) {
  while (size > 0 && ok()) {
    if (pending_.empty() && size >= kImageDataChunkBytes) {
      if (!writeChunk("IDAT", data, kImageDataChunkBytes)) return false;
      data += kImageDataChunkBytes;
      size -= kImageDataChunkBytes;
      continue;
    }
    const std::size_t take = std::min(size, kImageDataChunkBytes - pending_.size());
    pending_.insert(pending_.end(), data, data + take);
    data += take;
    size -= take;
    if (pending_.size() == kImageDataChunkBytes) {
      if (!writeChunk("IDAT", pending_.data(), pending_.size())) return false;
      pending_.clear();
    }
  }
  return ok();
}

bool PngChunkWriter::finishImageData() {
  if (pending_.empty()) return ok();
  const bool written = writeChunk("IDAT", pending_.data(), pending_.size());
  pending_.clear();
  return written;
}

}  // namespace qm::cli::png
