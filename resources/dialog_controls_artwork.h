// SPDX-License-Identifier: LicenseRef-Quillmark
// Our own artwork for the dialog's drawn controls: the slider's track and knob, the four
// check box states, the memory dial's frame and the angle dial's face. The dialog stretches
// each over its control, so each is drawn at about twice its size at 100 % scaling and
// scales down cleanly; opaque pictures stand on the dialog's grey.
#pragma once

#include "resources/ink_canvas.h"

namespace qm::resources {

// The track of a 90 x 8 dialog-unit slider at 200 %: a recessed groove with end caps.
constexpr int kSliderTrackWidth = 270;
constexpr int kSliderTrackHeight = 26;
RgbImage drawSliderTrack();

// The knob is 12 x 11 track units, a unit being a thirteenth of the track's height.
constexpr int kKnobWidth = 12;
constexpr int kKnobHeight = 11;
RgbImage drawSliderKnob(int pixelsPerUnit);

constexpr int kCheckBoxSize = 28;
RgbImage drawCheckBox(bool checked, bool pressed);

// The frame around the memory dial's picture: 96 x 104 units with an 88-unit window at
// (4, 4); drawn two pixels per unit.
constexpr int kMemoryDialWidth = 192;
constexpr int kMemoryDialHeight = 208;
RgbImage drawMemoryDialFrame();

// The angle dial's face, 0 at the top and clockwise; the dialog draws the needle from the
// centre, to 24/27 of the face's half width.
constexpr int kAngleDialSize = 216;
RgbImage drawAngleDialFace(bool enabled);

}  // namespace qm::resources
