// SPDX-License-Identifier: LicenseRef-Quillmark
// JPEG pictures stored in this library's resources (type "JPEG"), decoded by the system's
// imaging component into 32-bit BGRA rows, top to bottom.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <vector>

namespace qm::ui {

struct BgraPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * 4 bytes per row
};

// The bytes of resource `id` of `type` in `module`, mapped for as long as the module is
// loaded; false when it is missing or empty.
bool resourceBytes(HMODULE module, int id, const char* type, const BYTE*& data, DWORD& size);

// False (and an empty picture) when the resource is missing or cannot be decoded.
bool loadJpegResource(HMODULE module, int id, BgraPicture& picture);

// Draws the picture into the rectangle, scaled down to fit when it is larger, centred, on
// the dialog's face colour.
void drawPicture(HDC dc, const RECT& area, const BgraPicture& picture);

}  // namespace qm::ui
