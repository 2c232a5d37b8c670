// SPDX-License-Identifier: LicenseRef-Quillmark
// The contact sheet: its crop, grid, cells and labels, the font the labels are drawn in, and
// `quillmark sheet` as a user runs it, whose cells must be what `quillmark render` gives
// for the same crop, style and seed.
#include <gtest/gtest.h>

#include <bitset>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "cli/bitmap_font.h"
#include "cli/contact_sheet.h"
#include "settings/name_tables.h"
#include "tests/cli/command_checks.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

using cli::CropRect;
using cli::SheetLayout;
using cli::SheetPoint;

// Whether a pixel of an 8-bit RGB sheet is ink in all three channels.
bool isInk(const RasterImage& sheet, int x, int y) {
  for (int c = 0; c < 3; ++c)
    if (sampleAt(sheet, x, y, c) != cli::kSheetInk) return false;
  return true;
}

// An 8-bit RGB picture of the layout's size, as every sheet is.
::testing::AssertionResult isSheetOf(const RasterImage& sheet, const SheetLayout& layout) {
  if (sheet.width == layout.width && sheet.height == layout.height && sheet.type == SampleType::UInt8 &&
      sheet.colorChannels == 3 && !sheet.hasAlpha)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "not an 8-bit RGB sheet of " << layout.width << " x " << layout.height;
}

// --- cells ---

// Grey fills all three channels, deeper samples are rounded, transparency shows white paper.
TEST(ContactSheetCells, EverySampleBecomesRoundedEightBitRgbOverWhitePaper) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // A single row of pixels of these samples, and the red, green and blue of each in its cell.
  const std::tuple<SampleType, int, bool, std::vector<double>, std::vector<int>> cases[] = {
      // 100.5 x 257 = 25828.5 is where 16-bit samples turn from 100 to 101.
      {SampleType::UInt16, 1, false, {0, 65535, 25828, 25829}, {0, 0, 0, 255, 255, 255, 100, 100, 100, 101, 101, 101}},
      {SampleType::UInt16, 3, false, {65535, 0, 25829}, {255, 0, 101}},
      {SampleType::Float32, 3, false, {0.5, -0.25, 1.75, nan, 1.0, 0.2}, {128, 0, 255, 0, 255, 51}},
      {SampleType::UInt8, 1, false, {7, 200}, {7, 7, 7, 200, 200, 200}},
      {SampleType::UInt8, 3, false, {7, 200, 9}, {7, 200, 9}},
      // Black ink fully transparent, half covering and opaque; red half covering.
      {SampleType::UInt8, 1, true, {0, 0, 0, 128, 0, 255}, {255, 255, 255, 127, 127, 127, 0, 0, 0}},
      {SampleType::UInt8, 3, true, {255, 0, 0, 128}, {255, 127, 127}},
      {SampleType::UInt16, 1, true, {0, 0, 0, 65535}, {255, 255, 255, 0, 0, 0}}};
  for (const auto& [type, colors, alpha, samples, expected] : cases) {
    const int channels = colors + (alpha ? 1 : 0), width = int(samples.size()) / channels;
    RasterImage row = makeFlat(width, 1, type, colors, alpha, 0);
    for (std::size_t i = 0; i < samples.size(); ++i)
      setSampleAt(row, int(i) / channels, 0, int(i) % channels, samples[i]);
    const SheetLayout layout = cli::layoutSheet(width, 1);
    const RasterImage blank = cli::blankSheet(layout);
    RasterImage sheet = blank;
    cli::placeCell(sheet, layout, 13, row);
    // What the cell holds, put back to blank so that anything written outside it shows.
    const SheetPoint at = cli::cellOrigin(layout, 13);
    std::vector<int> placed;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) {
        placed.push_back(int(sampleAt(sheet, at.x + x, at.y, c)));
        setSampleAt(sheet, at.x + x, at.y, c, sampleAt(blank, at.x + x, at.y, c));
      }
    EXPECT_EQ(placed, expected) << layoutName(type, colors, alpha);
    EXPECT_TRUE(sameImage(blank, sheet)) << "written outside the cell";
  }
}

// --- labels ---

// Every ink pixel of a blank sheet lies in a label strip under its cell, each strip holds
// exactly its own label's glyph pixels, and the font has a glyph for every character of
// every label (and none for others).
TEST(ContactSheetLabels, EachLabelIsDrawnUnderItsCellAndNothingElseIsInked) {
  for (char c : std::string("\t\n@#%~\x7f\xe9")) EXPECT_FALSE(cli::hasGlyph(c)) << int(c);
  for (int width : {24, 320}) {
    SCOPED_TRACE(width);
    const SheetLayout layout = cli::layoutSheet(width, 12);
    const RasterImage sheet = cli::blankSheet(layout);
    ASSERT_TRUE(isSheetOf(sheet, layout));
    const int scale = layout.labelScale, stripHeight = cli::kGlyphHeight * scale;
    long inkedInStrips = 0;
    for (int style = 1; style <= kStyleCount; ++style) {
      const std::string label = cli::cellLabel(style);
      const SheetPoint cell = cli::cellOrigin(layout, style), at = cli::labelOrigin(layout, style);
      ASSERT_GE(at.y, cell.y + layout.cellHeight) << label;
      long inked = 0, expected = 0;
      for (int y = at.y; y < at.y + stripHeight; ++y)
        for (int x = at.x; x < at.x + cli::textWidth(label, scale); ++x) inked += isInk(sheet, x, y);
      for (char c : label) {
        EXPECT_TRUE(cli::hasGlyph(c)) << "'" << c << "' of " << styleName(style);
        for (std::uint8_t row : cli::glyphFor(c)) expected += long(std::bitset<8>(row).count()) * scale * scale;
      }
      EXPECT_EQ(inked, expected) << label;
      inkedInStrips += inked;
    }
    long inkedAll = 0;
    for (int y = 0; y < sheet.height; ++y)
      for (int x = 0; x < sheet.width; ++x) {
        if (isInk(sheet, x, y)) ++inkedAll;
        else ASSERT_EQ(sampleAt(sheet, x, y, 0), cli::kSheetCard) << x << "," << y;
      }
    EXPECT_EQ(inkedAll, inkedInStrips) << "ink outside the labels";
  }
}

// --- the command ---

// Runs a sheet of `picture` with the crop asked for and, for a few styles, a plain render of
// the crop expected, made by the test; each of those cells must be that render.
void expectCellsAreRenders(const RasterImage& picture, const std::string& asked, const CropRect& crop,
                           std::vector<std::string> look) {
  const std::string out = tempPath("sheet.png");
  std::vector<std::string> options = look;
  options.insert(options.end(), {"--crop", asked});
  ASSERT_TRUE(succeeded(render(writeTemp(picture, "picture.png"), out, options, "sheet")));
  const RasterImage sheet = loaded(out);
  const SheetLayout layout = cli::layoutSheet(crop.width, crop.height);
  ASSERT_TRUE(isSheetOf(sheet, layout));
  // The crop made here by hand, not by the code under test.
  RasterImage part = makeFlat(crop.width, crop.height, picture.type, picture.colorChannels, false, 0);
  for (int y = 0; y < crop.height; ++y)
    for (int x = 0; x < crop.width; ++x)
      for (int c = 0; c < picture.colorChannels; ++c)
        setSampleAt(part, x, y, c, sampleAt(picture, crop.left + x, crop.top + y, c));
  const std::string cropped = writeTemp(part, "crop.png");
  look.insert(look.begin(), {"--style", ""});
  std::vector<RasterImage> renders;
  for (int style : {1, 4, 19}) {
    SCOPED_TRACE(style);
    const std::string rendered = tempPath("style-" + std::to_string(style) + ".png");
    look[1] = std::to_string(style);
    ASSERT_TRUE(succeeded(render(cropped, rendered, look)));
    renders.push_back(loaded(rendered));
    const SheetPoint at = cli::cellOrigin(layout, style);
    EXPECT_TRUE(sameImage(renders.back(), cli::cropImage(sheet, {at.x, at.y, layout.cellWidth, layout.cellHeight})));
  }
  EXPECT_FALSE(sameImage(renders[0], renders[1])) << "diffusion and arabesque differ, so each cell had its style";
}

// The crop is centred with an odd leftover pixel right of and below it, and a side the
// picture does not fill is taken whole.
TEST(SheetCommand, CellsAreRendersOfTheCentreCropWithTheirStyleAndSeed) {
  // 17 columns left over: 8 left of the crop, 9 right of it; 15 rows: 7 above, 8 below. The
  // look options reach every cell.
  expectCellsAreRenders(makeTestImage(41, 30, SampleType::UInt8, 3, false), "24x15", CropRect{8, 7, 24, 15},
                        {"--invert", "invert all", "--warping", "70", "--line", "thick"});
  expectCellsAreRenders(makeTestImage(20, 33, SampleType::UInt8, 3, false), "32x16", CropRect{0, 8, 20, 16}, {});
}

// Any picture, here one JPEG could not hold, makes a sheet that JPEG holds; the default crop
// is larger than the picture, which is taken whole.
TEST(SheetCommand, IsWrittenAsJpeg) {
  const std::string in = writeTemp(makeTestImage(40, 30, SampleType::UInt16, 1, true), "deep.png");
  ASSERT_TRUE(succeeded(quillmark({"sheet", in, tempPath("sheet.jpeg"), "--no-progress"})));
  EXPECT_TRUE(isSheetOf(loaded(tempPath("sheet.jpeg")), cli::layoutSheet(40, 30)));
}

}  // namespace
}  // namespace qm::test
