// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/bgra_bitmaps.h"

#include <cstring>

namespace qm::ui {
namespace {

BITMAPINFO topDownInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows top to bottom
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

std::vector<std::uint8_t> bgraPixelsOf(const ImageBuffer& image) {
  std::vector<std::uint8_t> pixels;
  if (!hasPixels(image)) return pixels;
  const ImageRect rect = levelRect(&image, 0);
  const std::int32_t width = rect.right - rect.left;
  const std::int32_t height = rect.bottom - rect.top;
  pixels.resize(std::size_t(width) * std::size_t(height) * 4);
  std::uint8_t* out = pixels.data();
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x, out += 4) {
      std::uint8_t rgba[4];
      getColour(image, x, y, 0, rgba);
      out[0] = rgba[2];
      out[1] = rgba[1];
      out[2] = rgba[0];
      out[3] = 255;
    }
  }
  return pixels;
}

HBITMAP createBgraBitmap(int width, int height, const std::uint8_t* pixels) {
  if (width <= 0 || height <= 0) return nullptr;
  const BITMAPINFO info = topDownInfo(width, height);
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (!bitmap || !bits) return bitmap;
  std::memcpy(bits, pixels, std::size_t(width) * std::size_t(height) * 4);
  GdiFlush();
  return bitmap;
}

void drawImageBuffer(HDC dc, const ImageBuffer& image, const RECT& area) {
  const std::vector<std::uint8_t> pixels = bgraPixelsOf(image);
  if (pixels.empty()) return;
  const ImageRect rect = levelRect(&image, 0);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const BITMAPINFO info = topDownInfo(width, height);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, 0, 0, width, height,
                pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace qm::ui
