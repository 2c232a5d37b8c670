// SPDX-License-Identifier: LicenseRef-Quillmark
// A small pen font of our own for the text in our artwork: every glyph is a few strokes
// (straight or smoothly curved) drawn with the ink canvas's round pen, so text matches the
// line work around it and stays smooth at any size. Capitals, small letters, digits and
// . , : ; - + = ( ) / ' " ! ? < >; any other character is drawn as '?'.
#pragma once

#include <string_view>

#include "resources/ink_canvas.h"

namespace qm::resources {

struct PenText {
  float capHeight;  // pixels from the baseline to the top of a capital
  float weight;     // stroke width in pixels
  Colour ink;
};

// Advance of the text in pixels, without the space after its last glyph.
float penTextWidth(std::string_view text, float capHeight);

// Draws the text with its baseline starting at `origin`; returns where the next glyph would go.
float drawPenText(InkCanvas& canvas, Point origin, std::string_view text, const PenText& style);

}  // namespace qm::resources
