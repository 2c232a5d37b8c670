// SPDX-License-Identifier: LicenseRef-Quillmark
// A tiny bitmap font of our own for labelling pictures the command makes: 5 x 9 glyphs
// (7 rows above the baseline, 2 below for descenders) for the space, digits, a-z, A-Z and
// the punctuation - + . , : / ( ) _ ' ?. Text is drawn in ink on an 8-bit picture at a
// whole-number magnification; a character without a glyph is drawn as '?'.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "cli/raster_image.h"

namespace qm::cli {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 9;
constexpr int kGlyphAscent = 7;           // rows down to and including the baseline row
constexpr int kGlyphAdvance = kGlyphWidth + 1;  // one column of space between glyphs

// Rows top to bottom; in each row bit 4 is the leftmost column, bit 0 the rightmost.
using GlyphRows = std::array<std::uint8_t, kGlyphHeight>;

bool hasGlyph(char c);
// The glyph of c, or that of '?' when the font has none.
const GlyphRows& glyphFor(char c);

// Width in pixels of text drawn at magnification `scale` (no trailing space column).
int textWidth(std::string_view text, int scale);

// Draws text with its top-left corner at (x, y), each glyph pixel a scale x scale square of
// `ink` in every colour channel of an 8-bit picture. Pixels falling outside the picture are
// dropped, so text may run off any edge. Alpha, if any, is left alone.
void drawText(RasterImage& image, int x, int y, std::string_view text, int scale, std::uint8_t ink);

}  // namespace qm::cli
