// SPDX-License-Identifier: LicenseRef-Quillmark
// The contact sheet: its crop, grid, cells and labels, the font the labels are drawn in, and
// `quillmark sheet` as a user runs it, whose cells must be what `quillmark render` gives
// for the same crop, style and seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "cli/bitmap_font.h"
#include "cli/contact_sheet.h"
#include "settings/name_tables.h"
#include "tests/cli/run_command.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using cli::CropRect;
using cli::SheetLayout;
using cli::SheetPoint;

// The red sample of a pixel of an 8-bit RGB sheet, and whether all three agree.
int redAt(const RasterImage& sheet, int x, int y) { return int(sampleAt(sheet, x, y, 0)); }
bool isInk(const RasterImage& sheet, int x, int y) {
  for (int c = 0; c < 3; ++c)
    if (sampleAt(sheet, x, y, c) != cli::kSheetInk) return false;
  return true;
}

int inkBitsOf(char c) {
  int bits = 0;
  for (std::uint8_t row : cli::glyphFor(c)) bits += int(std::bitset<8>(row).count());
  return bits;
}

// The leftmost and rightmost columns a glyph inks, 0..4.
std::pair<int, int> inkedColumns(char c) {
  std::uint8_t all = 0;
  for (std::uint8_t row : cli::glyphFor(c)) all |= row;
  std::pair<int, int> columns{cli::kGlyphWidth, -1};
  for (int column = 0; column < cli::kGlyphWidth; ++column)
    if (all & (1u << (cli::kGlyphWidth - 1 - column)))
      columns = {std::min(columns.first, column), std::max(columns.second, column)};
  return columns;
}

// --- the crop ---

TEST(ContactSheetCrop, CentredWithTheOddPixelRightAndBelowAndSmallSidesWhole) {
  const CropRect crop = cli::centreCrop(41, 30, 24, 15);
  EXPECT_EQ(crop.left, 8);  // 17 columns left over: 8 left of the crop, 9 right of it
  EXPECT_EQ(crop.top, 7);   // 15 rows left over: 7 above, 8 below
  EXPECT_EQ(crop.width, 24);
  EXPECT_EQ(crop.height, 15);
  const CropRect narrow = cli::centreCrop(10, 300, 320, 240);
  EXPECT_EQ(narrow.left, 0);
  EXPECT_EQ(narrow.width, 10);
  EXPECT_EQ(narrow.top, 30);
  EXPECT_EQ(narrow.height, 240);
}

TEST(ContactSheetCrop, CopiesTheRectangleInThePicturesOwnDepthAndLayout) {
  const RasterImage picture = makeTestImage(13, 11, SampleType::UInt16, 3, true);
  const RasterImage part = cli::cropImage(picture, CropRect{3, 2, 7, 5});
  ASSERT_EQ(part.width, 7);
  ASSERT_EQ(part.height, 5);
  EXPECT_EQ(part.type, SampleType::UInt16);
  EXPECT_TRUE(part.hasAlpha);
  for (int y = 0; y < part.height; ++y)
    for (int x = 0; x < part.width; ++x)
      for (int c = 0; c < 4; ++c)
        ASSERT_EQ(sampleAt(part, x, y, c), sampleAt(picture, x + 3, y + 2, c)) << x << "," << y << "," << c;
}

// --- the grid ---

TEST(ContactSheetLayout, SizeFollowsTheCropFiveTimesOver) {
  const SheetLayout base = cli::layoutSheet(320, 240);
  const SheetLayout wider = cli::layoutSheet(321, 240);
  const SheetLayout taller = cli::layoutSheet(320, 241);
  EXPECT_EQ(wider.width - base.width, 5);
  EXPECT_EQ(wider.height, base.height);
  EXPECT_EQ(taller.height - base.height, 5);
  EXPECT_EQ(taller.width, base.width);
  // The card's margin is the same on all four sides.
  const int margin = cli::cellOrigin(base, 1).x;
  EXPECT_GT(margin, 0);
  EXPECT_EQ(cli::cellOrigin(base, 1).y, margin);
  EXPECT_EQ(base.width - (cli::cellOrigin(base, 5).x + base.cellWidth), margin);
  EXPECT_EQ(base.height - (cli::cellOrigin(base, 21).y + base.rowHeight), margin);
}

// Cells in rows and columns with gaps; each label under its cell, clear of its neighbours
// and of the next row, also where narrow cells widen their columns to the longest name.
TEST(ContactSheetLayout, AFiveByFiveGridWithEachLabelUnderItsCell) {
  for (const auto& [width, height] : {std::pair{320, 240}, std::pair{7, 90}}) {
    SCOPED_TRACE(width);
    const SheetLayout layout = cli::layoutSheet(width, height);
    for (int style = 1; style <= kStyleCount; ++style) {
      const SheetPoint at = cli::cellOrigin(layout, style);
      EXPECT_EQ(at.x, cli::cellOrigin(layout, (style - 1) % 5 + 1).x) << style;
      EXPECT_EQ(at.y, cli::cellOrigin(layout, (style - 1) / 5 * 5 + 1).y) << style;
      const SheetPoint label = cli::labelOrigin(layout, style);
      const int labelEnd = label.x + cli::textWidth(cli::cellLabel(style), layout.labelScale);
      EXPECT_GE(label.y, at.y + height) << style;
      EXPECT_GE(label.x, 0) << style;
      EXPECT_LE(labelEnd, layout.width) << style;
      if (width >= 320) {
        EXPECT_GE(label.x, at.x) << style;
        EXPECT_LE(labelEnd, at.x + width) << style;
      }
      if (style % 5 != 0) {
        const SheetPoint next = cli::cellOrigin(layout, style + 1);
        EXPECT_GT(next.x, at.x + width) << style;
        EXPECT_LT(labelEnd, std::min(next.x, cli::labelOrigin(layout, style + 1).x)) << style;
      }
      if (style + 5 <= kStyleCount) {
        EXPECT_GT(cli::cellOrigin(layout, style + 5).y, label.y + cli::kGlyphHeight * layout.labelScale) << style;
      }
    }
  }
  EXPECT_GT(cli::layoutSheet(2048, 10).labelScale, cli::layoutSheet(320, 10).labelScale)
      << "labels grow with the cells";
}

// --- cells ---

TEST(ContactSheetCells, EightBitRgbIsCopiedExactlyIntoItsCellAndNowhereElse) {
  const SheetLayout layout = cli::layoutSheet(9, 6);
  const RasterImage blank = cli::blankSheet(layout);
  RasterImage sheet = blank;
  const RasterImage cell = makeTestImage(9, 6, SampleType::UInt8, 3, false);
  cli::placeCell(sheet, layout, 7, cell);
  const SheetPoint at = cli::cellOrigin(layout, 7);
  for (int y = 0; y < sheet.height; ++y)
    for (int x = 0; x < sheet.width; ++x)
      for (int c = 0; c < 3; ++c) {
        const bool inside = x >= at.x && x < at.x + 9 && y >= at.y && y < at.y + 6;
        const double expected = inside ? sampleAt(cell, x - at.x, y - at.y, c) : sampleAt(blank, x, y, c);
        ASSERT_EQ(sampleAt(sheet, x, y, c), expected) << x << "," << y << "," << c;
      }
}

// One pixel per sample value, in a single row.
RasterImage rowOf(SampleType type, int colorChannels, bool hasAlpha, const std::vector<double>& samples) {
  RasterImage image = makeFlat(int(samples.size()) / (colorChannels + (hasAlpha ? 1 : 0)), 1, type, colorChannels,
                               hasAlpha, 0);
  const int channels = image.channels();
  for (std::size_t i = 0; i < samples.size(); ++i)
    setSampleAt(image, int(i) / channels, 0, int(i) % channels, samples[i]);
  return image;
}

// The red, green and blue of each pixel of the cell a single-row picture was placed in.
std::vector<int> placedRow(const RasterImage& rendered) {
  const SheetLayout layout = cli::layoutSheet(rendered.width, 1);
  RasterImage sheet = cli::blankSheet(layout);
  cli::placeCell(sheet, layout, 25, rendered);
  const SheetPoint at = cli::cellOrigin(layout, 25);
  std::vector<int> samples;
  for (int x = 0; x < rendered.width; ++x)
    for (int c = 0; c < 3; ++c) samples.push_back(int(sampleAt(sheet, at.x + x, at.y, c)));
  return samples;
}

TEST(ContactSheetCells, GreyAndDeepSamplesBecomeRoundedEightBitRgb) {
  // 100.5 x 257 = 25828.5 is where 16-bit samples turn from 100 to 101.
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt16, 1, false, {0, 65535, 25828, 25829})),
            (std::vector<int>{0, 0, 0, 255, 255, 255, 100, 100, 100, 101, 101, 101}));
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt16, 3, false, {65535, 0, 25829})), (std::vector<int>{255, 0, 101}));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(placedRow(rowOf(SampleType::Float32, 3, false, {0.5, -0.25, 1.75, nan, 1.0, 0.2})),
            (std::vector<int>{128, 0, 255, 0, 255, 51}));
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt8, 1, false, {7, 200})), (std::vector<int>{7, 7, 7, 200, 200, 200}));
}

TEST(ContactSheetCells, TransparentPixelsShowWhitePaper) {
  // Black ink fully transparent, half covering and opaque; red half covering.
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt8, 1, true, {0, 0, 0, 128, 0, 255})),
            (std::vector<int>{255, 255, 255, 127, 127, 127, 0, 0, 0}));
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt8, 3, true, {255, 0, 0, 128})), (std::vector<int>{255, 127, 127}));
  EXPECT_EQ(placedRow(rowOf(SampleType::UInt16, 1, true, {0, 0, 0, 65535})), (std::vector<int>{255, 255, 255, 0, 0, 0}));
}

// --- labels ---

TEST(ContactSheetLabels, NumberAndTheNameTheUserSees) {
  EXPECT_EQ(cli::cellLabel(1), "1 diffusion");
  EXPECT_EQ(cli::cellLabel(6), "6 square chaos");
  EXPECT_EQ(cli::cellLabel(19), "19 Bayer");
  EXPECT_EQ(cli::cellLabel(20), "20 Ostromoukhov");
  EXPECT_EQ(cli::cellLabel(24), "24 Hyper A");
}

// Every ink pixel of a blank sheet lies in a label strip; each strip holds exactly its own
// label's glyph pixels, spanning the label's width.
TEST(ContactSheetLabels, EachLabelIsDrawnUnderItsCellAndNothingElseIsInked) {
  for (int width : {24, 320}) {
    SCOPED_TRACE(width);
    const SheetLayout layout = cli::layoutSheet(width, 12);
    const RasterImage sheet = cli::blankSheet(layout);
    ASSERT_EQ(sheet.width, layout.width);
    ASSERT_EQ(sheet.height, layout.height);
    ASSERT_EQ(sheet.colorChannels, 3);
    ASSERT_EQ(sheet.type, SampleType::UInt8);
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
      int leftmost = layout.width, rightmost = -1;
      for (int y = at.y; y < at.y + stripHeight; ++y)
        for (int x = at.x; x < at.x + labelWidth; ++x)
          if (isInk(sheet, x, y)) ++inked, leftmost = std::min(leftmost, x), rightmost = std::max(rightmost, x);
      long expected = 0;
      for (char c : label) expected += inkBitsOf(c) * scale * scale;
      EXPECT_EQ(inked, expected) << label;
      const int lastGlyph = int(label.size()) - 1;
      EXPECT_EQ(leftmost, at.x + inkedColumns(label.front()).first * scale) << label;
      EXPECT_EQ(rightmost, at.x + (lastGlyph * cli::kGlyphAdvance + inkedColumns(label.back()).second + 1) * scale - 1)
          << label;
      inkedInStrips += inked;
    }
    long inkedAll = 0;
    for (int y = 0; y < sheet.height; ++y)
      for (int x = 0; x < sheet.width; ++x) {
        if (isInk(sheet, x, y)) ++inkedAll;
        else ASSERT_EQ(redAt(sheet, x, y), cli::kSheetCard) << x << "," << y;
      }
    EXPECT_EQ(inkedAll, inkedInStrips) << "ink outside the labels";
  }
}

// --- the font ---

TEST(BitmapFont, HasAGlyphForEveryCharacterOfEveryLabel) {
  for (int style = 1; style <= kStyleCount; ++style)
    for (char c : cli::cellLabel(style)) EXPECT_TRUE(cli::hasGlyph(c)) << "'" << c << "' of " << styleName(style);
  for (char c = '0'; c <= '9'; ++c) EXPECT_TRUE(cli::hasGlyph(c)) << c;
  for (char c = 'a'; c <= 'z'; ++c) EXPECT_TRUE(cli::hasGlyph(c)) << c;
  for (char c = 'A'; c <= 'Z'; ++c) EXPECT_TRUE(cli::hasGlyph(c)) << c;
  for (char c : std::string(" -+.,:/()_'?")) EXPECT_TRUE(cli::hasGlyph(c)) << c;
  for (char c : std::string("\t\n@#%~\x7f\xe9")) EXPECT_FALSE(cli::hasGlyph(c)) << int(c);
}

std::string fontCharacters() {
  std::string all = " -+.,:/()_'?";
  for (char c = '0'; c <= '9'; ++c) all += c;
  for (char c = 'a'; c <= 'z'; ++c) all += c;
  for (char c = 'A'; c <= 'Z'; ++c) all += c;
  return all;
}

TEST(BitmapFont, GlyphsAreDistinctInkedAndWithinTheirFiveColumns) {
  std::set<cli::GlyphRows> seen;
  for (char c : fontCharacters()) {
    const cli::GlyphRows& rows = cli::glyphFor(c);
    EXPECT_TRUE(seen.insert(rows).second) << "'" << c << "' looks like another character";
    for (std::uint8_t row : rows) EXPECT_LT(row, 1u << cli::kGlyphWidth) << "'" << c << "'";
    if (c != ' ') {
      EXPECT_GT(inkBitsOf(c), 0) << "'" << c << "' is empty";
    }
  }
  EXPECT_EQ(inkBitsOf(' '), 0);
}

TEST(BitmapFont, CapitalsAndDigitsFillTheAscentAndOnlyDescendersGoBelow) {
  for (char c : fontCharacters()) {
    const cli::GlyphRows& rows = cli::glyphFor(c);
    const bool descends = std::string("gjpqy,_").find(c) != std::string::npos;
    bool below = false;
    for (int row = cli::kGlyphAscent; row < cli::kGlyphHeight; ++row) below = below || rows[std::size_t(row)] != 0;
    EXPECT_EQ(below, descends) << "'" << c << "'";
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      EXPECT_NE(rows[0], 0) << "'" << c << "' reaches the top";
      EXPECT_NE(rows[cli::kGlyphAscent - 1], 0) << "'" << c << "' stands on the baseline";
    }
  }
}

TEST(BitmapFont, DrawingClipsAtEveryEdgeAndLeavesAlphaAlone) {
  const std::string text = "Hyper B 20";
  const int width = cli::textWidth(text, 2);
  RasterImage whole = makeFlat(width + 8, 30, SampleType::UInt8, 3, true, 1.0);
  cli::drawText(whole, 4, 4, text, 2, 0);
  // The same text shifted past each edge keeps exactly the pixels that stay inside.
  for (const auto& [dx, dy] : {std::pair{-7, -6}, std::pair{9, 11}}) {
    SCOPED_TRACE(std::to_string(dx) + "," + std::to_string(dy));
    RasterImage shifted = makeFlat(whole.width, whole.height, SampleType::UInt8, 3, true, 1.0);
    cli::drawText(shifted, 4 + dx, 4 + dy, text, 2, 0);
    for (int y = 0; y < whole.height; ++y)
      for (int x = 0; x < whole.width; ++x) {
        const int fromX = x - dx, fromY = y - dy;
        const bool wasInk = fromX >= 0 && fromX < whole.width && fromY >= 0 && fromY < whole.height &&
                            sampleAt(whole, fromX, fromY, 1) == 0;
        ASSERT_EQ(sampleAt(shifted, x, y, 1) == 0, wasInk) << x << "," << y;
        ASSERT_EQ(sampleAt(shifted, x, y, 3), 255) << "alpha at " << x << "," << y;
      }
  }
}

TEST(BitmapFont, CharactersWithoutAGlyphAreDrawnAsQuestionMarks) {
  RasterImage unknown = makeFlat(40, 12, SampleType::UInt8, 1, false, 1.0);
  RasterImage question = unknown;
  cli::drawText(unknown, 1, 1, "a@\xe9", 1, 0);
  cli::drawText(question, 1, 1, "a??", 1, 0);
  EXPECT_TRUE(sameImage(question, unknown));
  EXPECT_EQ(cli::glyphFor('@'), cli::glyphFor('?'));
}

// --- the command ---

ChildResult quillmark(const std::vector<std::string>& arguments, ChildOptions options = {}) {
  options.unset.push_back("QUILLMARK_PLUGIN");
  ChildResult result = runChild(QUILLMARK_CLI_PATH, arguments, options);
  EXPECT_TRUE(result.started) << result.failure;
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.signal, 0);
  for (const char* marker : {"Sanitizer", "runtime error:"})
    EXPECT_EQ(result.err.find(marker), std::string::npos) << result.err;
  return result;
}

::testing::AssertionResult succeeded(const ChildResult& result) {
  if (result.exitStatus == 0 && result.err.empty() && result.out.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "exit status " << result.exitStatus << ", stderr: " << result.err;
}

std::vector<std::string> folderEntries() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(testDir())) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

RasterImage loaded(const std::string& path) {
  RasterImage image;
  std::string error;
  EXPECT_TRUE(cli::loadImage(path, image, error)) << error;
  return image;
}

// The cell of a style on a sheet, as an 8-bit RGB picture of the cell's size.
RasterImage cellOf(const RasterImage& sheet, const SheetLayout& layout, int style) {
  const SheetPoint at = cli::cellOrigin(layout, style);
  return cli::cropImage(sheet, CropRect{at.x, at.y, layout.cellWidth, layout.cellHeight});
}

// The same picture with its grey repeated in red, green and blue.
RasterImage asRgb(const RasterImage& grey) {
  RasterImage rgb = makeFlat(grey.width, grey.height, SampleType::UInt8, 3, false, 0);
  for (int y = 0; y < grey.height; ++y)
    for (int x = 0; x < grey.width; ++x)
      for (int c = 0; c < 3; ++c) setSampleAt(rgb, x, y, c, sampleAt(grey, x, y, 0));
  return rgb;
}

// Runs a sheet of `picture` and, for a few styles, a plain render of the test's own centre
// crop; each of those cells must be that render.
void expectCellsAreRenders(const RasterImage& picture, const CropRect& crop, const std::vector<std::string>& look) {
  const std::string in = writeTemp(picture, "picture.png");
  const std::string out = tempPath("sheet.png");
  std::vector<std::string> arguments = {"sheet", in, out, "--no-progress", "--seed", "1",
                                        "--crop", std::to_string(crop.width) + "x" + std::to_string(crop.height)};
  arguments.insert(arguments.end(), look.begin(), look.end());
  ASSERT_TRUE(succeeded(quillmark(arguments)));
  const RasterImage sheet = loaded(out);
  const SheetLayout layout = cli::layoutSheet(crop.width, crop.height);
  ASSERT_EQ(sheet.width, layout.width);
  ASSERT_EQ(sheet.height, layout.height);
  ASSERT_EQ(sheet.type, SampleType::UInt8);
  ASSERT_EQ(sheet.colorChannels, 3);
  ASSERT_FALSE(sheet.hasAlpha);

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
    const RasterImage render = loaded(rendered);
    renders.push_back(render.colorChannels == 1 ? asRgb(render) : render);
    EXPECT_TRUE(sameImage(renders.back(), cellOf(sheet, layout, style)));
  }
  EXPECT_FALSE(sameImage(renders[0], renders[1])) << "diffusion and arabesque differ, so each cell had its style";
}

TEST(SheetCommand, CellsAreRendersOfTheCentreCropWithTheirStyleAndSeed) {
  expectCellsAreRenders(makeTestImage(41, 30, SampleType::UInt8, 3, false), CropRect{8, 7, 24, 15}, {});
  // The look options reach every cell.
  expectCellsAreRenders(makeTestImage(41, 30, SampleType::UInt8, 3, false), CropRect{8, 7, 24, 15},
                        {"--invert", "invert all", "--warping", "70", "--line", "thick"});
  expectCellsAreRenders(makeTestImage(20, 33, SampleType::UInt8, 1, false), CropRect{0, 8, 20, 16}, {"--gray"});
}

TEST(SheetCommand, DeepPictureSmallerThanTheCropGivesAnEightBitSheetOfTheWholePicture) {
  const std::string in = writeTemp(makeTestImage(12, 9, SampleType::UInt16, 3, true), "deep.tif");
  const std::string out = tempPath("sheet.png");
  ASSERT_TRUE(succeeded(quillmark({"sheet", in, out, "--no-progress", "--seed", "3"})));
  const RasterImage sheet = loaded(out);
  const SheetLayout layout = cli::layoutSheet(12, 9);
  EXPECT_EQ(sheet.width, layout.width);
  EXPECT_EQ(sheet.height, layout.height);
  EXPECT_EQ(sheet.type, SampleType::UInt8);
  EXPECT_EQ(sheet.colorChannels, 3);
  EXPECT_FALSE(sheet.hasAlpha);
  EXPECT_EQ(folderEntries(), (std::vector<std::string>{"deep.tif", "sheet.png"})) << "no temporary file is left";
}

// Exit status, nothing on stdout, one line on stderr with every fragment; the folder of the
// output as it was.
void expectCleanFailure(const std::vector<std::string>& arguments, int status, const std::vector<std::string>& fragments,
                        ChildOptions options = {}) {
  std::string shown;
  for (const std::string& argument : arguments) shown += " " + argument;
  SCOPED_TRACE("quillmark" + shown);
  const auto before = folderEntries();
  const ChildResult result = quillmark(arguments, std::move(options));
  EXPECT_EQ(result.exitStatus, status);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind("quillmark: ", 0), 0u) << result.err;
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
  for (const std::string& fragment : fragments)
    EXPECT_NE(result.err.find(fragment), std::string::npos) << "\"" << fragment << "\" in " << result.err;
  EXPECT_EQ(folderEntries(), before);
}

TEST(SheetCommand, BadInputGivesOneLineAndNoSheet) {
  const std::string in = writeTemp(makeTestImage(16, 12, SampleType::UInt8, 3, false), "in.png");
  const std::string out = tempPath("sheet.png");
  const std::string missing = tempPath("missing.png");
  expectCleanFailure({"sheet", missing, out}, 1, {missing, "No such file"});
  // The plug-in refuses a picture it cannot work on; the line says which style met it.
  const std::string multi = writeTemp(makeTestImage(8, 6, SampleType::UInt8, 2, false), "multi.tif");
  expectCleanFailure({"sheet", multi, out, "--no-progress"}, 1, {"1 diffusion", "multichannel"});
  const std::string unwritable = tempPath("no-folder/sheet.png");
  expectCleanFailure({"sheet", in, unwritable, "--no-progress"}, 1, {unwritable});
  // The command line is refused before anything is rendered.
  expectCleanFailure({"sheet", in, tempPath("sheet.tif")}, 2, {"PNG"});
  expectCleanFailure({"sheet", in, out, "--crop", "0x10"}, 2, {"--crop"});
  expectCleanFailure({"sheet", in, out, "--style", "4"}, 2, {"--style"});
  expectCleanFailure({"sheet", in, out, "--mask", in}, 2, {"--mask"});
}

TEST(SheetCommand, CtrlCStopsWithoutWritingTheSheet) {
  const std::string in = writeTemp(makeTestImage(30, 20, SampleType::UInt8, 3, false), "in.png");
  const std::string kept = writeTemp(makeFlat(4, 4, SampleType::UInt8, 1, false, 0.5), "kept.png");
  const std::string before = readBytes(kept);
  ChildOptions interrupted;
  interrupted.interruptAtStart = true;
  expectCleanFailure({"sheet", in, tempPath("sheet.png"), "--no-progress"}, 130, {"stopped", "not written"},
                     interrupted);
  expectCleanFailure({"sheet", in, kept, "--no-progress"}, 130, {"stopped", kept}, interrupted);
  EXPECT_TRUE(readBytes(kept) == before) << "an earlier sheet survives the stop";
}

}  // namespace
}  // namespace qm::test
