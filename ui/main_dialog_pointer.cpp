// SPDX-License-Identifier: LicenseRef-Quillmark
// The main dialog under the mouse: the hit test, capture, dragging a slider, the angle dial
// or the preview, pressing memory dots, and the commit on release.
#include <cstdio>

#include "ui/control_geometry.h"
#include "ui/main_dialog.h"

namespace qm::ui {
namespace {

bool hitKind(std::int32_t kind) {
  switch (kind) {
    case kKindSliderTrack:
    case 9:
    case 10:
    case 14:
    case kKindAngleDial:
    case kKindIconStatic:
    case 19:
    case 23:
    case kKindMemoryDot:
    case kKindMemoryDial: return true;
    default: return false;
  }
}

bool draggable(std::int32_t kind) {
  return kind == kKindSliderTrack || kind == kKindAngleDial || kind == kKindIconStatic || kind == kKindMemoryDot ||
         kind == kKindMemoryDial;
}

// Kinds whose release is a click, handled as a command after the message.
bool clickOnRelease(std::int32_t kind) {
  return kind == kKindIconStatic || kind == kKindMemoryDot || kind == kKindMemoryDial;
}

}  // namespace

int MainDialog::hitTest(Point at) const {
  for (int id = 0; id < kControlCount; ++id) {
    if (!shown(id) || (id != kPreviewPane && !hitKind(descriptor(id).kind))) continue;
    Rect rect{};
    if (view_.controlRect(id, rect) && rect.contains(at)) return id;
  }
  return -1;
}

void MainDialog::buttonDown(Point at, bool rightButton, bool ctrlHeld) {
  rightButton_ = rightButton;
  ctrlHeld_ = ctrlHeld;
  const int id = hitTest(at);
  if (id < 0 || settings_.capturedControlId != -1) return;
  const bool pane = id == kPreviewPane;
  if (pane && !(settings_.previewEnabled && canPan(preview_, settings_))) return;
  if (!pane && !draggable(descriptor(id).kind)) return;
  view_.captureMouse();
  settings_.capturedControlId = id;
  pressTicks_ = view_.tickCount();
  settings_.dialogFlags[0] = 0;
  // The first move counts as movement, so a click sets a slider or the dial at once. The
  // pane starts from where it was pressed: a click alone does not move the view.
  lastPointer_ = pane ? at : Point{-999, at.y};
  view_.postMouseMove(at);
  if (isMemoryDot(id) || id == kMemoryDial) setPressed(id, true);
}

void MainDialog::mouseMove(Point at) {
  const int captured = settings_.capturedControlId;
  if (captured == -1) {
    view_.setCursor(view_.previewPane().contains(at) ? CursorShape::OverPreview : CursorShape::Arrow);
    const int id = hitTest(at);
    const int dot = isMemoryDot(id) ? id - kFirstMemoryDot : kNoDot;
    if (dot != hoveredDot_ && dots_) dots_->hover(dot);
    hoveredDot_ = dot;
    return;
  }
  if (captured == kPreviewPane) {
    view_.setCursor(CursorShape::Panning);
    PanPreview(at);
    return;
  }
  if (at.x == lastPointer_.x && at.y == lastPointer_.y) return;
  lastPointer_ = at;
  dragTo(captured, at);
}

void MainDialog::dragTo(int id, Point at) {
  Rect rect{};
  if (!view_.controlRect(id, rect)) return;
  const ControlDescriptor& d = descriptor(id);
  if (d.kind == kKindAngleDial) {
    setValue(id, angleAt(rect, at));
    view_.redrawControl(id);
  } else if (d.kind == kKindSliderTrack) {
    setValue(id, sliderValueAt(rect, at, d.minimum, d.maximum));
    showValue(id);
  } else if (isMemoryDot(id) || id == kMemoryDial) {
    setPressed(id, rect.contains(at));
  }
}

void MainDialog::setPressed(int id, bool pressed) {
  const std::int32_t was = value(id);
  const std::int32_t now = pressed ? (was | kDotPressed) : (was & ~kDotPressed);
  if (now == was) return;
  setValue(id, now);
  view_.redrawControl(id);
}

void MainDialog::buttonUp() {
  const int id = settings_.capturedControlId;
  view_.releaseMouse();
  settings_.capturedControlId = -1;
  if (id == -1) return;
  if (isMemoryDot(id) || id == kMemoryDial) setPressed(id, false);
  if (clickOnRelease(descriptor(id).kind)) {
    view_.postCommand(id);
    return;
  }
  CommitControl(id);
  stopCommitTimer();
  ApplyAndRender();
}

void MainDialog::PanPreview(Point at) {
  const std::int32_t zoom = settings_.previewZoom;
  const std::int16_t dx = std::int16_t((at.x - lastPointer_.x) * zoom);
  const std::int16_t dy = std::int16_t((at.y - lastPointer_.y) * zoom);
  settings_.dialogPoints[1] = {std::int16_t(at.y), std::int16_t(at.x)};
  if (dx != 0 || dy != 0) {
    settings_.dialogFlags[0] = 1;
    settings_.dialogFlags[1] = 1;
    settings_.viewOffsetX -= dx;
    settings_.viewOffsetY -= dy;
    ShowSourceInPreview();
  }
  lastPointer_ = at;
  settings_.dialogPoints[0] = settings_.dialogPoints[1];
}

}  // namespace qm::ui
