// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/memory_dot_artwork.h"

#include "resources/artwork_palette.h"

namespace qm::resources {
namespace {

constexpr Colour kWell = {184, 184, 184};
constexpr Colour kPressedInk = {0, 0, 0};

}  // namespace

void paintMemoryDot(InkCanvas& canvas, Point centre, float size, DotLook look) {
  const float unit = size / kMemoryDotSize;  // the design is 40 units across
  if (look.pressed) {
    canvas.disc(centre, 19.5f * unit, kWell);
    // Pushed in: the dot moves down and right a little and darkens.
    centre = {centre.x + 1.5f * unit, centre.y + 1.5f * unit};
  }
  const Colour ink = look.pressed ? kPressedInk : kArtInk;
  const float body = 14.5f * unit;
  if (look.state == DotState::Current) canvas.disc(centre, 19 * unit, kArtAccent);
  if (look.state == DotState::Empty) {
    canvas.disc(centre, body, ink);
    canvas.disc(centre, body - 5 * unit, look.pressed ? kWell : kArtDialogGrey);
    return;
  }
  if (look.state == DotState::Current) canvas.disc(centre, body + 1.2f * unit, kArtPaper);
  canvas.disc(centre, body, ink);
  if (look.kept) canvas.disc(centre, 5.5f * unit, kArtPaper);
}

RgbImage drawMemoryDot(DotLook look) {
  InkCanvas canvas(kMemoryDotSize, kMemoryDotSize, kArtDialogGrey);
  paintMemoryDot(canvas, {kMemoryDotSize / 2.0f, kMemoryDotSize / 2.0f}, kMemoryDotSize, look);
  return canvas.toImage();
}

}  // namespace qm::resources
