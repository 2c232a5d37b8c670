// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/preview_painting.h"

#include "ui/preview_pixels.h"

namespace qm::ui {
namespace {

// The bitmap's resolution is never used for drawing; it only has to be a valid number.
constexpr LONG kPixelsPerMetre = 10;

void drawFrame(HDC dc, const Rect& pane) {
  const RECT around{pane.left - 1, pane.top - 1, pane.right + 1, pane.bottom + 1};
  FrameRect(dc, &around, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

BITMAPINFO bitmapInfo(std::int32_t width, std::int32_t height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows top to bottom, as the planes are
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biXPelsPerMeter = kPixelsPerMetre;
  info.bmiHeader.biYPelsPerMeter = kPixelsPerMetre;
  return info;
}

}  // namespace

void PreviewPainter::draw(HDC dc, const Rect& pane, const PreviewState& preview, bool colour, bool clearMargins) {
  drawFrame(dc, pane);
  const std::int32_t width = preview.width;
  const std::int32_t height = preview.height;
  const int x = ((pane.left + pane.right) - width) / 2;
  const int y = ((pane.top + pane.bottom) - height) / 2;
  const bool drawn = preview.buffer && width > 0 && height > 0;
  if (drawn) {
    rows_.resize(previewBitmapRowBytes(width) * std::size_t(height));
    packPreviewBitmap(PreviewPixels{width, height, preview.planeCount, preview.buffer}, colour, rows_.data());
    const BITMAPINFO info = bitmapInfo(width, height);
    SetDIBitsToDevice(dc, x, y, DWORD(width), DWORD(height), 0, 0, 0, UINT(height), rows_.data(), &info,
                      DIB_RGB_COLORS);
  }
  if (!clearMargins) return;
  const int saved = SaveDC(dc);
  if (drawn) ExcludeClipRect(dc, x, y, x + width, y + height);
  const RECT paneArea{pane.left, pane.top, pane.right, pane.bottom};
  FillRect(dc, &paneArea, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RestoreDC(dc, saved);
}

}  // namespace qm::ui
