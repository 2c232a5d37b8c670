// SPDX-License-Identifier: LicenseRef-Quillmark
// The contact sheet: its crop, grid, cells and labels, the font the labels are drawn in, and
// `quillmark sheet` as a user runs it, whose cells must be what `quillmark render` gives
// for the same crop, style and seed.
#include <gtest/gtest.h>

#include <bitset>
#include <limits>
#include <string>
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

// One pixel per sample value, in a single row.
RasterImage rowOf(SampleType type, int colorChannels, bool hasAlpha, const std::vector<double>& samples) {
  RasterImage image = makeFlat(int(samples.size()) / (colorChannels + (hasAlpha ? 1 : 0)), 1, type, colorChannels,
                               hasAlpha, 0);
  const int channels = image.channels();
  for (std::size_t i = 0; i < samples.size(); ++i)
    setSampleAt(image, int(i) / channels, 0, int(i) % channels, samples[i]);
  return image;
}

// The red, green and blue of each pixel of the cell a single-row picture was placed in; the
// rest of the sheet must stay as it was.
std::vector<int> placedRow(const RasterImage& rendered) {
  const SheetLayout layout = cli::layoutSheet(rendered.width, 1);
  const RasterImage blank = cli::blankSheet(layout);
  RasterImage sheet = blank;
  cli::placeCell(sheet, layout, 13, rendered);
  const SheetPoint at = cli::cellOrigin(layout, 13);
  std::vector<int> samples;
  for (int x = 0; x < rendered.width; ++x)
    for (int c = 0; c < 3; ++c) {
      samples.push_back(int(sampleAt(sheet, at.x + x, at.y, c)));
      setSampleAt(sheet, at.x + x, at.y, c, sampleAt(blank, at.x + x, at.y, c));
    }
  EXPECT_TRUE(sameImage(blank, sheet)) << "written outside the cell";
  return samples;
}

// Grey fills all three channels, deeper samples are rounded, transparency shows white paper.
TEST(ContactSheetCells, EverySampleBecomesRoundedEightBitRgbOverWhitePaper) {
  // 100.5 x 257 = 25828.5 is where 16-bit samples turn from 100 to 101.
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt16, 1, false, {0, 65535, 25828, 25829})),
            (std::vector<int>{0, 0, 0, 255, 255, 255, 100, 100, 100, 101, 101, 101}));
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt16, 3, false, {65535, 0, 25829})), (std::vector<int>{255, 0, 101}));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(placedRow(rowOf(SampleType::Float32, 3, false, {0.5, -0.25, 1.75, nan, 1.0, 0.2})),
            (std::vector<int>{128, 0, 255, 0, 255, 51}));
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt8, 1, false, {7, 200})), (std::vector<int>{7, 7, 7, 200, 200, 200}));
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt8, 3, false, {7, 200, 9})), (std::vector<int>{7, 200, 9}));
  // Black ink fully transparent, half covering and opaque; red half covering.
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt8, 1, true, {0, 0, 0, 128, 0, 255})),
            (std::vector<int>{255, 255, 255, 127, 127, 127, 0, 0, 0}));
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt8, 3, true, {255, 0, 0, 128})), (std::vector<int>{255, 127, 127}));
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt16, 1, true, {0, 0, 0, 65535})), (std::vector<int>{255, 255, 255, 0, 0, 0}));
}

// --- labels ---

// Every ink pixel of a blank sheet lies in a label strip under its cell, and each strip
// holds exactly its own label's glyph pixels.
TEST(ContactSheetLabels, EachLabelIsDrawnUnderItsCellAndNothingElseIsInked) {
  for (int width : {24, 320}) {
    SCOPED_TRACE(width);
    const SheetLayout layout = cli::layoutSheet(width, 12);
    const RasterImage sheet = cli::blankSheet(layout);
    ASSERT_TRUE(isSheetOf(sheet, layout));
    const int scale = layout.labelScale;
    const int stripHeight = cli::kGlyphHeight * scale;
    long inkedInStrips = 0;
    for (int style = 1; style <= kStyleCount; ++style) {
      const std::string label = cli::cellLabel(style);
      const SheetPoint cell = cli::cellOrigin(layout, style);
      const SheetPoint at = cli::labelOrigin(layout, style);
      const int labelWidth = cli::textWidth(label, scale);
      ASSERT_GE(at.y, cell.y + layout.cellHeight) << label;
      long inked = 0;
      for (int y = at.y; y < at.y + stripHeight; ++y)
        for (int x = at.x; x < at.x + labelWidth; ++x) inked += isInk(sheet, x, y);
      long expected = 0;
      for (char c : label)
        for (std::uint8_t row : cli::glyphFor(c)) expected += long(std::bitset<8>(row).count()) * scale * scale;
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

// --- the font ---

TEST(BitmapFont, HasAGlyphForEveryCharacterOfEveryLabelAndNoneForOthers) {
  for (int style = 1; style <= kStyleCount; ++style)
    for (char c : cli::cellLabel(style)) EXPECT_TRUE(cli::hasGlyph(c)) << "'" << c << "' of " << styleName(style);
  for (char c : std::string("\t\n@#%~\x7f\xe9")) EXPECT_FALSE(cli::hasGlyph(c)) << int(c);
}

// --- the command ---

// Runs a sheet of `picture` with the crop asked for and, for a few styles, a plain render of
// the crop expected, made by the test; each of those cells must be that render.
void expectCellsAreRenders(const RasterImage& picture, const std::string& asked, const CropRect& crop,
                           const std::vector<std::string>& look) {
  const std::string in = writeTemp(picture, "picture.png");
  const std::string out = tempPath("sheet.png");
  std::vector<std::string> arguments = {"sheet", in, out, "--no-progress", "--seed", "1", "--crop", asked};
  arguments.insert(arguments.end(), look.begin(), look.end());
  ASSERT_TRUE(succeeded(quillmark(arguments)));
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
  std::vector<RasterImage> renders;
  for (int style : {1, 4, 19}) {
    SCOPED_TRACE(style);
    const std::string rendered = tempPath("style-" + std::to_string(style) + ".png");
    arguments = {"render", cropped, rendered, "--no-progress", "--seed", "1", "--style", std::to_string(style)};
    arguments.insert(arguments.end(), look.begin(), look.end());
    ASSERT_TRUE(succeeded(quillmark(arguments)));
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

TEST(SheetCommand, BadInputGivesOneLineAndNoSheet) {
  const std::string in = writeTemp(makeTestImage(16, 12, SampleType::UInt8, 3, false), "in.png");
  const std::string out = tempPath("sheet.png");
  const std::string missing = tempPath("missing.png");
  expectCleanFailure({"sheet", missing, out}, out, 1, {missing, "No such file"});
  // The plug-in refuses a picture it cannot work on; the line says which style met it.
  const std::string multi = writeTemp(makeTestImage(8, 6, SampleType::UInt8, 2, false), "multi.tif");
  expectCleanFailure({"sheet", multi, out, "--no-progress"}, out, 1, {"1 diffusion", "multichannel"});
  // The output's name is refused before anything is loaded.
  const std::string unwritable = tempPath("no-folder/sheet.png");
  expectCleanFailure({"sheet", missing, unwritable}, unwritable, 2, {unwritable});
}

}  // namespace
}  // namespace qm::test
