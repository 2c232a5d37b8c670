// SPDX-License-Identifier: LicenseRef-Quillmark
// The ring of memory dots and the memory dial in its middle.
#include <cmath>

#include "settings/memory_dot_map.h"
#include "ui/dialog_resource_ids.h"
#include "ui/win32/bgra_bitmaps.h"
#include "ui/win32/control_painting.h"

namespace qm::ui {
namespace {

// The dial bitmap is drawn for a dial 96 pixels wide and 104 high (its pointer below the
// face); the face's window for the picture starts 4 pixels in and is 88 across.
constexpr double kDialDesignWidth = 96.0;
constexpr double kDialDesignHeight = 104.0;
constexpr double kDialWindowOffset = 4.0;
constexpr double kDialWindowSide = 88.0;

int dotPicture(DotState state, bool kept, bool pressed) {
  switch (state) {
    case kDotStored:
      if (kept) return pressed ? QM_JPEG_DOT_KEPT_PRESSED : QM_JPEG_DOT_KEPT;
      return pressed ? QM_JPEG_DOT_STORED_PRESSED : QM_JPEG_DOT_STORED;
    case kDotCurrent:
      if (kept) return pressed ? QM_JPEG_DOT_CURRENT_KEPT_PRESSED : QM_JPEG_DOT_CURRENT_KEPT;
      return pressed ? QM_JPEG_DOT_CURRENT_PRESSED : QM_JPEG_DOT_CURRENT;
    default: return pressed ? QM_JPEG_DOT_EMPTY_PRESSED : QM_JPEG_DOT_EMPTY;
  }
}

}  // namespace

void paintMemoryDot(HDC dc, const MainDialog& dialog, PaintTools& tools, int id, const RECT& area) {
  const int slot = id - kFirstMemoryDot;
  const bool pressed = (dialog.value(id) & kDotPressed) != 0;
  const int picture = dotPicture(dialog.dots().state(slot), isKept(slot), pressed);
  drawBitmap(dc, tools.pictures.jpeg(picture, area.right - area.left, area.bottom - area.top), area);
}

void paintMemoryDial(HDC dc, const MainDialog& dialog, PaintTools& tools, const RECT& area) {
  drawBitmap(dc, tools.pictures.bitmap(QM_BMP_MEMORY_DIAL), area);
  if (!dialog.dots().dialShowsPicture()) return;
  // Dialog units are not always square in pixels (the font decides); the picture follows the
  // face as the bitmap is stretched.
  const double sx = double(area.right - area.left) / kDialDesignWidth;
  const double sy = double(area.bottom - area.top) / kDialDesignHeight;
  const int left = area.left + int(std::lround(kDialWindowOffset * sx));
  const int top = area.top + int(std::lround(kDialWindowOffset * sy));
  drawImageBuffer(dc, dialog.dialImage(),
                  RECT{left, top, left + int(std::lround(kDialWindowSide * sx)),
                       top + int(std::lround(kDialWindowSide * sy))});
}

}  // namespace qm::ui
