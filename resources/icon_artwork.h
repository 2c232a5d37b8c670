// SPDX-License-Identifier: LicenseRef-Quillmark
// Our own icons for the dialog's buttons and the program: bold ink glyphs on a transparent
// background, drawn afresh at every size (not scaled from one picture), with the pen a
// little heavier, relative to the size, the smaller the icon, so that each stays legible.
#pragma once

#include <array>

#include "resources/transparent_drawing.h"

namespace qm::resources {

enum class IconGlyph { Reset, NextBlend, Psd, Information, Catalogue, Random, Load, Save, Undo, Program };

// Every icon file holds these sizes: 100 % to 200 % of the small and the large icon.
constexpr std::array<int, 6> kIconSizes = {16, 20, 24, 32, 40, 48};

RgbaImage drawIcon(IconGlyph glyph, int size);

// The same glyph drawn into another picture, in the square at `topLeft`, `size` pixels wide.
void paintIcon(InkCanvas& canvas, IconGlyph glyph, Point topLeft, float size);

}  // namespace qm::resources
