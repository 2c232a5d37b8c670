// SPDX-License-Identifier: LicenseRef-Quillmark
// The arithmetic of the dialog's drawn controls, shared by the controller (pointer to
// value) and the view (value to picture): slider tracks, their knobs and the angle dial.
#pragma once

#include <cstdint>

#include "ui/dialog_view.h"

namespace qm::ui {

// A slider's value at the pointer. The pointer is taken 4 pixels to the left; a track no
// taller than wide is horizontal. Integer division, the range at least 1, the result held
// within minimum..maximum.
std::int32_t sliderValueAt(const Rect& track, Point pointer, std::int32_t minimum, std::int32_t maximum);

// Where the knob of a track shows `value`.
Rect knobRect(const Rect& track, std::int32_t value, std::int32_t minimum, std::int32_t maximum);

// The dial's angle at the pointer, in whole degrees 0..359: 0 straight up, growing
// clockwise.
std::int32_t angleAt(const Rect& dial, Point pointer);

// The needle of a dial showing `degrees`: from its centre to its tip.
struct Needle {
  float centreX;
  float centreY;
  float tipX;
  float tipY;
};
Needle needleFor(const Rect& dial, std::int32_t degrees);

}  // namespace qm::ui
