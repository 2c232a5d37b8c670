// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/dialog_controls_artwork.h"

#include "resources/artwork_palette.h"

namespace qm::resources {
namespace {

constexpr Colour kGrooveFloor = {118, 118, 118};
constexpr Colour kTick = {150, 150, 150};
constexpr Colour kPressedFill = {196, 196, 196};

void frameWithBevel(InkCanvas& canvas, float left, float top, float right, float bottom, float radius) {
  // A light edge below and right, as if the frame stood a little out of the dialog.
  canvas.polygon(roundedRectangle(left + 1, top + 1, right + 1, bottom + 1, radius), kArtLight);
  canvas.polygon(roundedRectangle(left, top, right, bottom, radius), kArtInk);
}

}  // namespace

RgbImage drawSliderTrack() {
  InkCanvas canvas(kSliderTrackWidth, kSliderTrackHeight, kArtDialogGrey);
  constexpr float kUnit = kSliderTrackHeight / 13.0f;
  // Where the knob's centre can be: its left edge runs from one unit in to 13 units before
  // the right end, and it is 12 units wide.
  const float firstCentre = kUnit + 6 * kUnit;
  const float lastCentre = float(kSliderTrackWidth) - 13 * kUnit + 6 * kUnit;
  constexpr float kMiddle = 11;
  for (int tick = 0; tick <= 10; ++tick) {
    const float x = firstCentre + (lastCentre - firstCentre) * float(tick) / 10;
    const float length = tick % 5 == 0 ? 6.0f : 3.5f;
    canvas.stroke({x, 18.5f}, {x, 18.5f + length}, 2, kTick);
  }
  // The groove: a light lip below, ink walls, a grey floor lit from below.
  const Point from = {firstCentre - 2, kMiddle}, to = {lastCentre + 2, kMiddle};
  canvas.stroke({from.x, from.y + 1.5f}, {to.x, to.y + 1.5f}, 9, kArtLight);
  canvas.stroke(from, to, 9, kArtInk);
  canvas.stroke({from.x, from.y + 1}, {to.x, to.y + 1}, 4, kGrooveFloor);
  // End caps: short ink posts past both ends of the groove.
  for (float x : {from.x - 9, to.x + 9}) canvas.stroke({x, 4}, {x, 18}, 3, kArtInk);
  return canvas.toImage();
}

RgbImage drawSliderKnob(int pixelsPerUnit) {
  const float p = float(pixelsPerUnit);
  InkCanvas canvas(kKnobWidth * pixelsPerUnit, kKnobHeight * pixelsPerUnit, kArtDialogGrey);
  const float w = float(canvas.width()), h = float(canvas.height());
  canvas.polygon(roundedRectangle(0, 0, w, h, 2.5f * p), kArtInk);
  // A softer face inside the ink rim, and the accent grip line down the middle.
  canvas.polygon(roundedRectangle(1.2f * p, 1.2f * p, w - 1.2f * p, h - 1.2f * p, 1.6f * p), {62, 60, 58});
  canvas.stroke({w / 2, 2.6f * p}, {w / 2, h - 2.6f * p}, 2 * p, kArtAccent);
  return canvas.toImage();
}

RgbImage drawCheckBox(bool checked, bool pressed) {
  InkCanvas canvas(kCheckBoxSize, kCheckBoxSize, kArtDialogGrey);
  frameWithBevel(canvas, 2, 2, 25, 25, 5);
  canvas.polygon(roundedRectangle(5, 5, 22, 22, 2.5f), pressed ? kPressedFill : kArtPaper);
  if (checked) penLine(canvas, {{8, 14}, {12.5f, 18.5f}, {20, 8.5f}}, 4, kArtInk);
  return canvas.toImage();
}

RgbImage drawMemoryDialFrame() {
  InkCanvas canvas(kMemoryDialWidth, kMemoryDialHeight, kArtDialogGrey);
  const float window = 176, inset = 8;  // 88 and 4 units at two pixels a unit
  frameWithBevel(canvas, 1, 1, float(kMemoryDialWidth) - 2, inset + window + 6, 12);
  canvas.polygon(roundedRectangle(inset - 1, inset - 1, inset + window + 1, inset + window + 1, 6), kArtPaper);
  // Shown when no dot is current: a faint ring of the dots around an empty middle.
  const Point centre = {inset + window / 2, inset + window / 2};
  for (int dot = 0; dot < 25; ++dot)
    canvas.disc(onCircle(centre, 62, float(dot) * 360 / 25), 4, {222, 218, 210});
  // The accent nib under the window points up at it: clicking the dial recalls its picture.
  const float base = float(kMemoryDialHeight) - 3, mid = float(kMemoryDialWidth) / 2;
  canvas.polygon({{mid, base - 9}, {mid + 9, base}, {mid - 9, base}}, kArtAccent);
  return canvas.toImage();
}

RgbImage drawAngleDialFace(bool enabled) {
  const Colour ink = enabled ? kArtInk : Colour{168, 168, 168};
  const Colour paper = enabled ? kArtPaper : Colour{236, 236, 236};
  const Colour accent = enabled ? kArtAccent : Colour{200, 186, 172};
  const Colour minor = enabled ? Colour{120, 120, 120} : Colour{196, 196, 196};
  InkCanvas canvas(kAngleDialSize, kAngleDialSize, kArtDialogGrey);
  const float half = kAngleDialSize / 2.0f;
  const Point centre = {half, half};
  canvas.disc({centre.x + 1.5f, centre.y + 1.5f}, half - 3, kArtLight);
  canvas.disc(centre, half - 4, ink);
  canvas.disc(centre, half - 11, paper);
  for (int degrees = 0; degrees < 360; degrees += 15) {
    const bool major = degrees % 90 == 0;
    const bool middle = degrees % 45 == 0;
    const float inner = half * (major ? 0.70f : middle ? 0.76f : 0.82f);
    canvas.stroke(onCircle(centre, inner, float(degrees)), onCircle(centre, half * 0.88f, float(degrees)),
                  major || middle ? 5.0f : 3.0f, major || middle ? ink : minor);
  }
  // The accent wedge marks 0 at the top.
  const float top = half * 0.66f;
  canvas.polygon({onCircle(centre, top, 0), onCircle(centre, half * 0.86f, -7), onCircle(centre, half * 0.86f, 7)},
                 accent);
  // The needle's pivot; the rest of the middle stays clear for the needle.
  canvas.disc(centre, 8, ink);
  canvas.disc(centre, 3.5f, paper);
  return canvas.toImage();
}

}  // namespace qm::resources
