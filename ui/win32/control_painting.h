// SPDX-License-Identifier: LicenseRef-Quillmark
// Painting the controls the main dialog draws itself, from the controller's state: labels,
// the status line, slider tracks, the angle dial, the check box, the memory dots and the
// memory dial. Everything is in the dialog's client pixels; `scale` is the client width over
// the width the layout was designed at, so pens and margins grow with the screen's DPI.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "ui/main_dialog.h"
#include "ui/win32/picture_cache.h"

namespace qm::ui {

// The dialog's face and the hidden track's fill.
constexpr COLORREF kFaceColour = RGB(0xE2, 0xE2, 0xE2);
constexpr COLORREF kHiddenTrackColour = RGB(0xDE, 0xDE, 0xDE);
// The client width of the dialog at 96 DPI: 487 dialog units of 1.5 pixels.
constexpr int kDesignClientWidth = 730;

struct PaintTools {
  PictureCache& pictures;
  HFONT font;    // the dialog's own
  double scale;  // client width / kDesignClientWidth
};

// Paints control `id` (whose client rectangle is `area`) when the dialog draws it; other
// ids paint nothing.
void paintControl(HDC dc, const MainDialog& dialog, PaintTools& tools, int id, const RECT& area);

// The check box, with its four pictures: off, on, and both pressed.
void paintCheckBox(HDC dc, PaintTools& tools, const RECT& area, bool checked, bool pressed, bool focused);

// In memory_dot_painting.cpp.
void paintMemoryDot(HDC dc, const MainDialog& dialog, PaintTools& tools, int id, const RECT& area);
void paintMemoryDial(HDC dc, const MainDialog& dialog, PaintTools& tools, const RECT& area);

}  // namespace qm::ui
