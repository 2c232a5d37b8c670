// SPDX-License-Identifier: LicenseRef-Quillmark
// The contact sheet: one picture in every style side by side, so a look can be chosen at a
// glance. Every style renders the same centre crop of the picture; the sheet lays the
// results out five to a row, in style order, on grey card, each with its number and style
// name in black under it ("19 Bayer"). The sheet is 8-bit RGB whatever the picture's depth.
// Rendering the cells is the caller's business: this builds the crop, the grid and labels.
#pragma once

#include <cstdint>
#include <string>

#include "cli/raster_image.h"

namespace qm::cli {

constexpr int kSheetColumns = 5;
constexpr std::int32_t kDefaultCropWidth = 320;
constexpr std::int32_t kDefaultCropHeight = 240;
// Keeps the whole sheet within a few hundred megabytes.
constexpr std::int32_t kMaxCropSide = 2048;
constexpr std::uint8_t kSheetCard = 208;  // behind the cells, so white paper shows its edge
constexpr std::uint8_t kSheetInk = 0;     // the labels

struct CropRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// The centre cropWidth x cropHeight of a picture, each side shrunk to the picture's own
// where the picture is smaller. An odd leftover puts the extra pixel right of and below
// the crop.
CropRect centreCrop(std::int32_t width, std::int32_t height, std::int32_t cropWidth, std::int32_t cropHeight);
// The pixels of crop (inside the picture) in the picture's own layout and depth.
RasterImage cropImage(const RasterImage& image, const CropRect& crop);

// "4 arabesque": the label under a style's cell.
std::string cellLabel(int style);

struct SheetPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// Where everything goes for cells of one size. A column is as wide as the cell, or as the
// widest label where that is wider (tiny crops); cells and labels are centred in it.
// Labels grow with the cells: one font pixel per 160 cell columns, 1 to 4.
struct SheetLayout {
  std::int32_t cellWidth = 0;
  std::int32_t cellHeight = 0;
  std::int32_t columnWidth = 0;
  std::int32_t rowHeight = 0;  // a cell and the label strip under it
  int labelScale = 1;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

SheetLayout layoutSheet(std::int32_t cellWidth, std::int32_t cellHeight);
// One pixel of any layout and depth as 8-bit RGB, over white paper where it is transparent.
void pixelOverPaper(const RasterImage& image, std::int32_t x, std::int32_t y, std::uint8_t rgb[3]);

// Top-left corners of a style's cell and of its label (style 1..kStyleCount).
SheetPoint cellOrigin(const SheetLayout& layout, int style);
SheetPoint labelOrigin(const SheetLayout& layout, int style);

// The card with every label drawn and the cells still empty. Throws std::bad_alloc when
// memory runs out.
RasterImage blankSheet(const SheetLayout& layout);
// Puts a style's rendered crop (layout's cell size, any depth and layout the command
// reads) into its cell: grey fills all three channels, deeper samples are rounded to 8
// bits, and transparent pixels show white paper through them.
void placeCell(RasterImage& sheet, const SheetLayout& layout, int style, const RasterImage& rendered);

}  // namespace qm::cli
