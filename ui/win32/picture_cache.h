// SPDX-License-Identifier: LicenseRef-Quillmark
// The dialog's pictures, made once and kept until the dialog closes: JPEG resources decoded
// at the size of the control that shows them (one bitmap per size), and bitmap resources
// loaded as they are and stretched when drawn.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <map>
#include <tuple>

namespace qm::ui {

class PictureCache {
 public:
  explicit PictureCache(HMODULE module) : module_(module) {}
  ~PictureCache();
  PictureCache(const PictureCache&) = delete;
  PictureCache& operator=(const PictureCache&) = delete;

  // Null when the resource is missing; a failure is remembered, not retried on every paint.
  HBITMAP jpeg(int id, int width, int height);
  HBITMAP bitmap(int id);

 private:
  HMODULE module_;
  std::map<std::tuple<int, int, int>, HBITMAP> jpegs_;
  std::map<int, HBITMAP> bitmaps_;
};

// The bitmap's own size; 0 x 0 for none.
SIZE bitmapSize(HBITMAP bitmap);
// The whole bitmap over `area`: copied when the sizes agree, otherwise stretched smoothly.
void drawBitmap(HDC dc, HBITMAP bitmap, const RECT& area);

}  // namespace qm::ui
