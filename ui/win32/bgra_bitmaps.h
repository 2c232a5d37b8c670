// SPDX-License-Identifier: LicenseRef-Quillmark
// 32-bit BGRA pixels, rows top to bottom, between our image buffers and the system's
// bitmaps: the memory dial's picture, a preset's picture in the file chooser, and resource
// pictures that we scale ourselves.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <vector>

#include "engine/image_buffer.h"

namespace qm::ui {

// Level 0 of a colour buffer as BGRA bytes (opacity 255); empty for a buffer without pixels.
std::vector<std::uint8_t> bgraPixelsOf(const ImageBuffer& image);

// A top-down 32-bit bitmap section holding the pixels (4 x width bytes a row); null when the
// system refuses it.
HBITMAP createBgraBitmap(int width, int height, const std::uint8_t* pixels);

// The buffer stretched over `area`, smoothed; nothing for a buffer without pixels.
void drawImageBuffer(HDC dc, const ImageBuffer& image, const RECT& area);

}  // namespace qm::ui
