// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/picture_cache.h"

#include "ui/win32/resource_image_loader.h"

namespace qm::ui {

PictureCache::~PictureCache() {
  for (auto& entry : jpegs_)
    if (entry.second) DeleteObject(entry.second);
  for (auto& entry : bitmaps_)
    if (entry.second) DeleteObject(entry.second);
}

HBITMAP PictureCache::jpeg(int id, int width, int height) {
  const auto key = std::make_tuple(id, width, height);
  const auto found = jpegs_.find(key);
  if (found != jpegs_.end()) return found->second;
  HBITMAP made = LoadResourceImage(id, "JPEG", module_, width, height);
  jpegs_.emplace(key, made);
  return made;
}

HBITMAP PictureCache::bitmap(int id) {
  const auto found = bitmaps_.find(id);
  if (found != bitmaps_.end()) return found->second;
  auto* made = static_cast<HBITMAP>(
      LoadImageA(module_, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  bitmaps_.emplace(id, made);
  return made;
}

SIZE bitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

void drawBitmap(HDC dc, HBITMAP bitmap, const RECT& area) {
  const SIZE size = bitmapSize(bitmap);
  if (size.cx <= 0 || size.cy <= 0) return;
  HDC source = CreateCompatibleDC(dc);
  if (!source) return;
  HGDIOBJ previous = SelectObject(source, bitmap);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width == size.cx && height == size.cy) {
    BitBlt(dc, area.left, area.top, width, height, source, 0, 0, SRCCOPY);
  } else {
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin{};
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    StretchBlt(dc, area.left, area.top, width, height, source, 0, 0, size.cx, size.cy, SRCCOPY);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    SetStretchBltMode(dc, oldMode);
  }
  SelectObject(source, previous);
  DeleteDC(source);
}

}  // namespace qm::ui
