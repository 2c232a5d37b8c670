// SPDX-License-Identifier: LicenseRef-Quillmark
// Layered PSD files (version 1, RGB, uncompressed): one layer "layer 1" with its
// transparency channel, and the flattened composite, with the program's metadata among the
// image resources. All numbers are big-endian; the writer is the only place that knows the
// layout (psd_records.cpp holds its fixed records, psd_planes.cpp its samples).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// Interleaved red, green, blue, alpha samples in the machine's byte order: 8-bit 0..255,
// 16-bit 0..32768 (larger values count as 32768), float with 1.0 full. Rows start rowBytes
// apart; a negative rowBytes runs bottom-up.
struct PsdPicture {
  std::int32_t width;
  std::int32_t height;
  int bytesPerChannel;  // 1, 2 or 4
  const void* rgba;
  std::ptrdiff_t rowBytes;
};

struct PsdMetadata {
  std::vector<std::string> keywords;  // kept by the rules of IptcKeywords
  std::string dateUtc;                // "YYYYMMDD"
  std::vector<std::uint8_t> iccProfile;  // the document's profile, or empty
};

// The largest side of a version 1 file.
constexpr std::int32_t kPsdMaximumSide = 30000;

// writePsd's results besides the file layer's codes (platform/files.h).
// A picture the format cannot hold or that is not described sensibly: no pixels, a side
// past kPsdMaximumSide, another sample size, rows shorter than a pixel row, or more bytes
// than the format's 32-bit section lengths count (about 4 GB of layer samples).
constexpr int kPsdPictureRefused = -30;
// Memory for the file's records or its write buffer ran out.
constexpr int kPsdOutOfMemory = -99;

// Writes the file beside `path` and puts it in place only once every byte is written and on
// the disk. Returns 0, or the file layer's code (kOpenRefused when nothing can be made
// there, kWriteFailed when a write or the final replacement fails), or one of the codes
// above. On any failure a file already at `path` is left as it was, and no file is left
// behind.
int writePsd(const std::string& path, const PsdPicture& picture, const PsdMetadata& metadata);

}  // namespace qm
