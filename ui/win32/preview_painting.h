// SPDX-License-Identifier: LicenseRef-Quillmark
// Drawing the preview's pixels into the pane: a 1-pixel black frame, the region centred, and
// white margins around a region smaller than the pane. Panning draws on every mouse move, so
// the bitmap rows are packed in one pass into a buffer kept between draws and handed to the
// system in one call.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <vector>

#include "ui/dialog_view.h"
#include "ui/preview.h"

namespace qm::ui {

class PreviewPainter {
 public:
  // `pane` in the DC's coordinates; `colour`: the document has red, green and blue planes.
  void draw(HDC dc, const Rect& pane, const PreviewState& preview, bool colour, bool clearMargins);

 private:
  std::vector<std::uint8_t> rows_;
};

}  // namespace qm::ui
