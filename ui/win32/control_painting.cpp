// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/control_painting.h"

#include <algorithm>
#include <cmath>

#include "ui/control_geometry.h"
#include "ui/dialog_resource_ids.h"

namespace qm::ui {
namespace {

constexpr COLORREF kTextColour = RGB(0, 0, 0);
// A label whose control is hidden reads as switched off.
constexpr COLORREF kDimmedTextColour = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kStatusFrameColour = RGB(0xA8, 0xA8, 0xA8);
constexpr COLORREF kNeedleColour = RGB(0x40, 0x40, 0x80);

Rect toRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT toRECT(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

void fill(HDC dc, const RECT& area, COLORREF colour) {
  const COLORREF old = SetBkColor(dc, colour);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

void frame(HDC dc, const RECT& area, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FrameRect(dc, &area, brush);
  DeleteObject(brush);
}

void drawText(HDC dc, PaintTools& tools, const RECT& area, const char* text, COLORREF colour, UINT extra = 0) {
  fill(dc, area, kFaceColour);
  HGDIOBJ oldFont = SelectObject(dc, tools.font);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, colour);
  RECT box = area;
  DrawTextA(dc, text, -1, &box, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | extra);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

void paintStatusLine(HDC dc, const MainDialog& dialog, PaintTools& tools, const RECT& area) {
  RECT inside = area;
  const int margin = std::max(2, int(std::lround(3 * tools.scale)));
  drawText(dc, tools, area, "", kTextColour);
  InflateRect(&inside, -margin, 0);
  drawText(dc, tools, inside, dialog.settings().settingsName, kTextColour, DT_END_ELLIPSIS);
  frame(dc, area, kStatusFrameColour);
}

// The knob bitmap nearer the knob's size, so that neither is stretched far.
HBITMAP knobBitmap(PaintTools& tools, const Rect& knob) {
  HBITMAP normal = tools.pictures.bitmap(QM_BMP_SLIDER_KNOB);
  HBITMAP large = tools.pictures.bitmap(QM_BMP_SLIDER_KNOB_LARGE);
  const double normalWidth = bitmapSize(normal).cx;
  const double largeWidth = bitmapSize(large).cx;
  if (!large || largeWidth <= 0) return normal;
  if (!normal || normalWidth <= 0) return large;
  // Between the two sizes the geometric middle is where both are equally far off.
  return double(knob.width()) * knob.width() > normalWidth * largeWidth ? large : normal;
}

void paintSlider(HDC dc, const MainDialog& dialog, PaintTools& tools, int id, const RECT& area) {
  if (!dialog.shown(id)) {
    fill(dc, area, kHiddenTrackColour);
    frame(dc, area, kStatusFrameColour);
    return;
  }
  const ControlDescriptor& d = dialog.descriptor(id);
  fill(dc, area, kFaceColour);
  drawBitmap(dc, tools.pictures.bitmap(d.images[0]), area);
  const Rect knob = knobRect(toRect(area), dialog.value(id), d.minimum, d.maximum);
  drawBitmap(dc, knobBitmap(tools, knob), toRECT(knob));
}

void paintAngleDial(HDC dc, const MainDialog& dialog, PaintTools& tools, int id, const RECT& area) {
  const bool shown = dialog.shown(id);
  const int side = area.right - area.left;
  fill(dc, area, kFaceColour);
  HBITMAP face = tools.pictures.jpeg(shown ? QM_JPEG_DIAL_FACE : QM_JPEG_DIAL_FACE_HIDDEN, side, side);
  drawBitmap(dc, face, RECT{area.left, area.top, area.left + side, area.top + side});
  if (!shown) return;
  const Needle needle = needleFor(toRect(area), dialog.value(id));
  HPEN pen = CreatePen(PS_SOLID, std::max(1, int(std::lround(2.0 * tools.scale))), kNeedleColour);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  MoveToEx(dc, int(std::lround(needle.centreX)), int(std::lround(needle.centreY)), nullptr);
  LineTo(dc, int(std::lround(needle.tipX)), int(std::lround(needle.tipY)));
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

void paintBoundLabel(HDC dc, const MainDialog& dialog, PaintTools& tools, int id, const RECT& area) {
  const ControlDescriptor& d = dialog.descriptor(id);
  const bool boundShown = d.main == kNoControl || dialog.shown(d.main);
  drawText(dc, tools, area, labelText(d.label), boundShown ? kTextColour : kDimmedTextColour);
}

}  // namespace

void paintControl(HDC dc, const MainDialog& dialog, PaintTools& tools, int id, const RECT& area) {
  if (id == kStatusLine) return paintStatusLine(dc, dialog, tools, area);
  if (id == kMemoryDial) return paintMemoryDial(dc, dialog, tools, area);
  switch (dialog.descriptor(id).kind) {
    case kKindSliderTrack: return paintSlider(dc, dialog, tools, id, area);
    case kKindLabel: return drawText(dc, tools, area, labelText(dialog.descriptor(id).label), kTextColour);
    case kKindBoundLabel: return paintBoundLabel(dc, dialog, tools, id, area);
    case kKindMemoryDot: return paintMemoryDot(dc, dialog, tools, id, area);
    case kKindAngleDial: return paintAngleDial(dc, dialog, tools, id, area);
    default: return;
  }
}

void paintCheckBox(HDC dc, PaintTools& tools, const RECT& area, bool checked, bool pressed, bool focused) {
  static constexpr int kPictures[2][2] = {{QM_BMP_CHECK_OFF, QM_BMP_CHECK_ON},
                                          {QM_BMP_CHECK_OFF_PRESSED, QM_BMP_CHECK_ON_PRESSED}};
  fill(dc, area, kFaceColour);
  drawBitmap(dc, tools.pictures.bitmap(kPictures[pressed ? 1 : 0][checked ? 1 : 0]), area);
  if (focused) DrawFocusRect(dc, &area);
}

}  // namespace qm::ui
