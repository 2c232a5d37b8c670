// SPDX-License-Identifier: LicenseRef-Quillmark
// Level 0 of an Rgba8 image as a 24-bit top-down device-independent bitmap, ready for the
// dialog to paint: a 40-byte header, then rows of blue, green, red bytes (channels 3, 2,
// 1), each row padded to a multiple of 4 bytes. The header's numbers are little-endian
// whatever the machine, so the bytes are the same on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/image_buffer.h"

namespace qm {

constexpr std::size_t kBitmapHeaderBytes = 40;

// Bytes of one padded row of 24-bit pixels.
std::size_t displayRowBytes(std::int32_t width);

// Header followed by the pixels; empty when the image is not Rgba8, has no pixels, or the
// memory cannot be had.
std::vector<std::uint8_t> makeDisplayBitmap(const ImageBuffer& image);

}  // namespace qm
