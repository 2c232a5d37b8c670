// SPDX-License-Identifier: LicenseRef-Quillmark
// The quillmark command as a user meets it: a separate process with real files, its exit
// status, what it prints, and what it leaves on disk. The plug-in's render is still a
// pass-through, so every successful run must give back its input sample for sample.
#include <png.h>
#include <tiffio.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/raster_image.h"
#include "tests/cli/run_command.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// --- running the command ---

std::string joined(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) text += " " + argument;
  return text;
}

// A sanitizer report in the child fails the test even when the exit status looks right.
void expectNoSanitizerReport(const std::string& err) {
  for (const char* marker : {"Sanitizer", "runtime error:"})
    EXPECT_EQ(err.find(marker), std::string::npos) << "the command reported:\n" << err;
}

ChildResult quillmark(const std::vector<std::string>& arguments, ChildOptions options = {}) {
  // The plug-in beside the command, not whatever the environment running the tests names.
  options.unset.push_back("QUILLMARK_PLUGIN");
  ChildResult result = runChild(QUILLMARK_CLI_PATH, arguments, options);
  EXPECT_TRUE(result.started) << result.failure;
  EXPECT_FALSE(result.timedOut) << "quillmark" << joined(arguments) << " did not end and was killed";
  EXPECT_EQ(result.signal, 0) << "quillmark" << joined(arguments) << " ended by signal " << result.signal;
  expectNoSanitizerReport(result.err);
  return result;
}

// A quiet, reproducible render of in to out.
ChildResult render(const std::string& in, const std::string& out, std::vector<std::string> options = {}) {
  std::vector<std::string> arguments = {"render", in, out, "--no-progress", "--seed", "1"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  return quillmark(arguments);
}

::testing::AssertionResult succeeded(const ChildResult& result) {
  if (result.exitStatus == 0 && result.err.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "exit status " << result.exitStatus << ", stderr: " << result.err;
}

// The exit status, nothing on stdout, and exactly one line on stderr: "quillmark: " and
// every fragment.
::testing::AssertionResult failedWith(const ChildResult& result, int status,
                                      const std::vector<std::string>& fragments) {
  const std::string& err = result.err;
  auto failure = [&] {
    return ::testing::AssertionFailure() << "exit status " << result.exitStatus << ", stderr \"" << err
                                         << "\", stdout \"" << result.out << "\": ";
  };
  if (result.exitStatus != status) return failure() << "expected exit status " << status;
  if (!result.out.empty()) return failure() << "expected nothing on stdout";
  if (err.rfind("quillmark: ", 0) != 0) return failure() << "expected a line starting \"quillmark: \"";
  if (err.find('\n') != err.size() - 1) return failure() << "expected exactly one line";
  for (const std::string& fragment : fragments)
    if (err.find(fragment) == std::string::npos) return failure() << "expected \"" << fragment << "\"";
  return ::testing::AssertionSuccess();
}

// --- files ---

// The names in a folder, or none when it does not exist.
std::optional<std::vector<std::string>> folderEntries(const fs::path& folder) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Runs a command that must fail with one line and leave the output's folder as it was:
// no output, no temporary file beside it, an existing output unchanged.
void expectCleanFailure(const std::vector<std::string>& arguments, const std::string& output, int status,
                        const std::vector<std::string>& fragments, ChildOptions options = {}) {
  SCOPED_TRACE("quillmark" + joined(arguments));
  const fs::path folder = fs::path(output).parent_path();
  const auto before = folderEntries(folder);
  const bool existed = fs::exists(output);
  const std::string bytes = existed ? readBytes(output) : "";
  EXPECT_TRUE(failedWith(quillmark(arguments, std::move(options)), status, fragments));
  EXPECT_EQ(folderEntries(folder), before);
  EXPECT_EQ(fs::exists(output), existed);
  if (existed) {
    EXPECT_TRUE(readBytes(output) == bytes) << output << " was changed";
  }
}

RasterImage loaded(const std::string& path) {
  RasterImage image;
  std::string error;
  EXPECT_TRUE(cli::loadImage(path, image, error)) << error;
  return image;
}

std::string layoutName(SampleType type, int colorChannels, bool hasAlpha) {
  return std::to_string(cli::bytesPerSample(type) * 8) + "-" + (colorChannels == 1 ? "grey" : "rgb") +
         (hasAlpha ? "-alpha" : "");
}

// White on the right half, a grey column, black on the left: a partial selection.
std::string writeHalfMask(int width, int height, const std::string& name) {
  RasterImage mask = makeFlat(width, height, SampleType::UInt8, 1, false, 0);
  for (int y = 0; y < height; ++y)
    for (int x = width / 2; x < width; ++x) setSampleAt(mask, x, y, 0, x == width / 2 ? 128 : 255);
  return writeTemp(mask, name);
}

bool writeIndexedPngBody(png_structp png, png_infop info, png_bytepp rows, int width, int height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color palette[2] = {{0, 0, 0}, {255, 128, 0}};
  png_set_PLTE(png, info, palette, 2);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

// A palette PNG: a layout the host does not hold.
void writeIndexedPng(const std::string& path, int width, int height) {
  std::vector<png_byte> row(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) row[std::size_t(x)] = png_byte(x % 2);
  std::vector<png_bytep> rows(std::size_t(height), row.data());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  const bool ok = writeIndexedPngBody(png, info, rows.data(), width, height);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  ASSERT_TRUE(ok);
}

// An 8-bit CMYK TIFF, one strip.
void writeCmykTiff(const std::string& path, int width, int height) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(height));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(4));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, std::uint16_t(8));
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
  TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, std::uint32_t(height));
  std::vector<std::uint8_t> pixels(std::size_t(width * height * 4));
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = std::uint8_t(i * 13);
  const tmsize_t written = TIFFWriteEncodedStrip(tif, 0, pixels.data(), tmsize_t(pixels.size()));
  TIFFClose(tif);
  ASSERT_EQ(written, tmsize_t(pixels.size()));
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// --- rendering ---

double fullScale(SampleType type) {
  return type == SampleType::UInt8 ? 255.0 : (type == SampleType::UInt16 ? 65535.0 : 1.0);
}

// The picture of `original`'s shape in which every colour sample is ink or paper (under
// "normal" the same in every channel), except where the mask left the original alone (the
// mask's left half) or let it through partly (its middle column).
::testing::AssertionResult isInkPicture(const RasterImage& original, const RasterImage& result, bool halfMasked) {
  if (result.width != original.width || result.height != original.height || result.type != original.type ||
      result.colorChannels != original.colorChannels || result.hasAlpha != original.hasAlpha)
    return ::testing::AssertionFailure() << "the result has another shape or depth than the source";
  const double full = fullScale(original.type);
  for (int y = 0; y < original.height; ++y)
    for (int x = 0; x < original.width; ++x)
      for (int c = 0; c < original.colorChannels; ++c) {
        const double value = sampleAt(result, x, y, c);
        if (halfMasked && x < original.width / 2) {
          if (value != sampleAt(original, x, y, c))
            return ::testing::AssertionFailure() << "unselected " << x << "," << y << " changed";
        } else if (!(halfMasked && x == original.width / 2) && value != 0.0 && value != full) {
          return ::testing::AssertionFailure() << x << "," << y << " channel " << c << " is " << value;
        }
      }
  return ::testing::AssertionSuccess();
}

void expectRendered(const RasterImage& image, const std::string& extension,
                    const std::vector<std::string>& options = {}, bool halfMasked = false) {
  const std::string name = layoutName(image.type, image.colorChannels, image.hasAlpha);
  SCOPED_TRACE(name + extension + joined(options));
  const std::string in = writeTemp(image, "in-" + name + extension);
  const std::string out = tempPath("out-" + name + extension);
  const ChildResult result = render(in, out, options);
  ASSERT_TRUE(succeeded(result));
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(isInkPicture(image, loaded(out), halfMasked));
}

TEST(QuillmarkCommandRender, PngEveryDepthAndLayout) {
  for (SampleType type : {SampleType::UInt8, SampleType::UInt16})
    for (int colors : {1, 3})
      for (bool alpha : {false, true}) expectRendered(makeTestImage(23, 17, type, colors, alpha), ".png");
}

TEST(QuillmarkCommandRender, TiffEveryDepthAndLayout) {
  for (SampleType type : {SampleType::UInt8, SampleType::UInt16, SampleType::Float32})
    for (int colors : {1, 3})
      for (bool alpha : {false, true}) expectRendered(makeTestImage(19, 13, type, colors, alpha), ".tif");
}

TEST(QuillmarkCommandRender, WithAMaskAndWithRepeats) {
  const std::string mask = writeHalfMask(21, 15, "mask.png");
  expectRendered(makeTestImage(21, 15, SampleType::UInt8, 3, true), ".png", {"--mask", mask}, true);
  expectRendered(makeTestImage(21, 15, SampleType::UInt16, 1, false), ".png", {"--mask", mask}, true);
  expectRendered(makeTestImage(21, 15, SampleType::Float32, 3, false), ".tif", {"--mask", mask}, true);
  expectRendered(makeTestImage(21, 15, SampleType::UInt16, 3, true), ".tif", {"--repeat", "2"});
  expectRendered(makeTestImage(21, 15, SampleType::UInt8, 1, true), ".png", {"--repeat", "2", "--mask", mask}, true);
}

TEST(QuillmarkCommandRender, SameSeedSameBytesOtherSeedOtherPhases) {
  const std::string in = writeTemp(makeTestImage(40, 30, SampleType::UInt8, 3, false), "in.png");
  const auto bytesWithSeed = [&](const std::string& seed, const std::string& name) {
    const std::string out = tempPath(name);
    EXPECT_TRUE(succeeded(quillmark({"render", in, out, "--no-progress", "--seed", seed})));
    return readBytes(out);
  };
  const std::string first = bytesWithSeed("11", "a.png");
  EXPECT_EQ(bytesWithSeed("11", "b.png"), first);
  EXPECT_NE(bytesWithSeed("12", "c.png"), first) << "arabesque starts from phases the seed draws";
}

TEST(QuillmarkCommandRender, ReplacesAnExistingOutput) {
  const RasterImage image = makeTestImage(12, 9, SampleType::UInt8, 3, false);
  const std::string in = writeTemp(image, "in.png");
  const std::string out = writeTemp(makeFlat(30, 30, SampleType::UInt16, 1, true, 0.5), "out.png");
  ASSERT_TRUE(succeeded(render(in, out)));
  EXPECT_TRUE(isInkPicture(image, loaded(out), false));
  EXPECT_EQ(folderEntries(testDir()), (std::vector<std::string>{"in.png", "out.png"}));
}

// --- output format ---

TEST(QuillmarkCommandFormats, OutputFormatFollowsTheExtension) {
  const RasterImage image = makeTestImage(16, 11, SampleType::UInt16, 3, true);
  const std::string in = writeTemp(image, "in.png");
  const std::string tiff = tempPath("out.TIFF");
  ASSERT_TRUE(succeeded(render(in, tiff)));
  const std::string magic = readBytes(tiff).substr(0, 4);
  EXPECT_TRUE(magic == std::string("II*\0", 4) || magic == std::string("MM\0*", 4)) << "not a TIFF: " << magic;
  EXPECT_TRUE(isInkPicture(image, loaded(tiff), false));

  const std::string back = tempPath("back.png");
  ASSERT_TRUE(succeeded(render(tiff, back)));
  EXPECT_EQ(readBytes(back).substr(0, 8), "\x89PNG\r\n\x1A\n");
  EXPECT_TRUE(isInkPicture(image, loaded(back), false));
}

TEST(QuillmarkCommandFormats, OutputThatCannotHoldThePictureIsNotWritten) {
  const std::string in = writeTemp(makeTestImage(8, 6, SampleType::Float32, 3, false), "float.tif");
  const std::string png = tempPath("out.png");
  expectCleanFailure({"render", in, png, "--no-progress"}, png, 1, {png, ".tif"});
  const std::string jpeg = tempPath("out.jpg");
  expectCleanFailure({"render", in, jpeg, "--no-progress"}, jpeg, 1, {jpeg, ".png", ".tif"});
}

// --- refused input ---

struct BadInput {
  const char* name;
  const char* file;
  std::vector<std::string> fragments;  // besides the file's path
};

// Damaged, missing and unsupported files, each made by the test under testDir().
void makeBadInputs() {
  writeBytes(tempPath("empty.png"), "");
  writeBytes(tempPath("garbage.tif"), "plain text, not a picture of any kind\n");
  const std::string png = readBytes(writeTemp(makeTestImage(30, 20, SampleType::UInt8, 3, false), "whole.png"));
  writeBytes(tempPath("cut.png"), png.substr(0, png.size() / 2));
  const std::string tif = readBytes(writeTemp(makeTestImage(30, 20, SampleType::UInt16, 1, true), "whole.tif"));
  writeBytes(tempPath("cut.tif"), tif.substr(0, tif.size() / 2));
  fs::create_directory(tempPath("folder.png"));
  writeIndexedPng(tempPath("indexed.png"), 10, 6);
  writeCmykTiff(tempPath("cmyk.tif"), 10, 6);
}

TEST(QuillmarkCommandBadInput, EachIsRefusedWithOneLineAndNoOutput) {
  makeBadInputs();
  const BadInput cases[] = {
      {"missing", "missing.png", {"No such file"}},
      {"empty", "empty.png", {"empty"}},
      {"truncated PNG", "cut.png", {}},
      {"truncated TIFF", "cut.tif", {}},
      {"garbage", "garbage.tif", {"not a PNG or TIFF"}},
      {"directory", "folder.png", {"directory"}},
      {"indexed PNG", "indexed.png", {"indexed"}},
      {"CMYK TIFF", "cmyk.tif", {"CMYK"}},
  };
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = tempPath(c.file);
    std::vector<std::string> fragments = c.fragments;
    fragments.push_back(in);
    for (const char* output : {"out.png", "out.tif"})
      expectCleanFailure({"render", in, tempPath(output)}, tempPath(output), 1, fragments);
    // The file is named once, not again inside a library's own message.
    const std::string err = quillmark({"render", in, tempPath("out.png")}).err;
    EXPECT_EQ(err.find(in), err.rfind(in)) << err;
  }
}

TEST(QuillmarkCommandBadInput, MaskMustFitAndSelectSomething) {
  const std::string in = writeTemp(makeTestImage(12, 8, SampleType::UInt8, 3, false), "in.png");
  const std::string out = tempPath("out.png");
  const std::string small = writeTemp(makeFlat(8, 12, SampleType::UInt8, 1, false, 1), "small.png");
  expectCleanFailure({"render", in, out, "--mask", small}, out, 1, {small, "8 x 12", "12 x 8"});
  const std::string black = writeTemp(makeFlat(12, 8, SampleType::UInt16, 3, false, 0), "black.tif");
  expectCleanFailure({"render", in, out, "--mask", black}, out, 1, {"selects nothing"});
  const std::string missing = tempPath("no-mask.png");
  expectCleanFailure({"render", in, out, "--mask", missing}, out, 1, {missing, "No such file"});
  const std::string garbage = tempPath("garbage-mask.png");
  writeBytes(garbage, "GIF89a and then nothing");
  expectCleanFailure({"render", in, out, "--mask", garbage}, out, 1, {garbage, "GIF"});
}

TEST(QuillmarkCommandBadInput, MultichannelReachesThePluginAndItsRefusalTheUser) {
  for (int channels : {2, 5}) {
    SCOPED_TRACE(channels);
    const std::string in = writeTemp(makeTestImage(9, 7, SampleType::UInt8, channels, false), "multi.tif");
    const std::string out = tempPath("out.tif");
    expectCleanFailure({"render", in, out, "--no-progress"}, out, 1, {"multichannel"});
  }
}

TEST(QuillmarkCommandBadInput, FailedRunLeavesAnExistingOutputAlone) {
  const std::string out = writeTemp(makeTestImage(6, 5, SampleType::UInt8, 1, false), "keep.png");
  const std::string garbage = tempPath("garbage.png");
  writeBytes(garbage, "nothing to see");
  expectCleanFailure({"render", garbage, out}, out, 1, {garbage});
  const std::string multi = writeTemp(makeTestImage(6, 5, SampleType::UInt16, 2, false), "multi.tif");
  expectCleanFailure({"render", multi, out}, out, 1, {"multichannel"});
  const std::string deep = writeTemp(makeTestImage(6, 5, SampleType::Float32, 1, true), "deep.tif");
  expectCleanFailure({"render", deep, out}, out, 1, {out});
  expectCleanFailure({"render", deep, out, "--mask", garbage}, out, 1, {garbage});
}

TEST(QuillmarkCommandBadInput, UnwritableOutputFailsCleanly) {
  const std::string in = writeTemp(makeTestImage(6, 5, SampleType::UInt8, 3, false), "in.png");
  const std::string out = tempPath("no-such-folder/out.png");
  const auto before = folderEntries(testDir());
  expectCleanFailure({"render", in, out}, out, 1, {out, "no-such-folder"});
  EXPECT_EQ(folderEntries(testDir()), before) << "the folder is not made either";
  // A folder where the file should go: the finished temporary file cannot take its place.
  const std::string folder = tempPath("taken.tif");
  fs::create_directory(folder);
  expectCleanFailure({"render", in, folder}, folder, 1, {folder});
  EXPECT_TRUE(fs::is_empty(folder));
}

// --- the plug-in ---

TEST(QuillmarkCommandPlugin, MissingOrBrokenPluginIsNamed) {
  const std::string in = writeTemp(makeTestImage(6, 5, SampleType::UInt8, 3, false), "in.png");
  const std::string out = tempPath("out.png");
  const std::string missing = tempPath("nowhere/Quillmark.so");
  expectCleanFailure({"render", in, out, "--plugin", missing}, out, 1, {"plug-in", missing});
  // A file that is no library at all.
  expectCleanFailure({"render", in, out, "--plugin", in}, out, 1, {"plug-in", in});
  // The environment names the plug-in when the option does not; the option wins.
  ChildOptions fromEnvironment;
  fromEnvironment.set = {{"QUILLMARK_PLUGIN", missing}};
  expectCleanFailure({"render", in, out}, out, 1, {"plug-in", missing}, fromEnvironment);
  const ChildResult chosen = quillmark({"render", in, out, "--plugin", QUILLMARK_PLUGIN_PATH}, fromEnvironment);
  EXPECT_TRUE(succeeded(chosen));
  EXPECT_TRUE(fs::exists(out));
}

// --- arguments, help and lists ---

TEST(QuillmarkCommandArguments, BadArgumentsExitTwoWithOneLine) {
  const std::string in = writeTemp(makeTestImage(6, 5, SampleType::UInt8, 3, false), "in.png");
  const std::string out = tempPath("out.png");
  const std::vector<std::vector<std::string>> cases = {
      {"render", in, out, "--style", "99"},  {"render", in, out, "--colour", "red"},
      {"render", in, out, "--scale", "2"},   {"render", in, out, "--seed"},
      {"render", in},                        {"render", in, out, out},
      {"paint", in, out},                    {"styles", "all"},
  };
  for (const auto& arguments : cases) expectCleanFailure(arguments, out, 2, {});
}

TEST(QuillmarkCommandArguments, HelpAndListsExitZero) {
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{}, {"--help"}, {"render", "-h"}}) {
    const ChildResult help = quillmark(arguments);
    ASSERT_TRUE(succeeded(help)) << joined(arguments);
    EXPECT_NE(help.out.find("Usage:"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("quillmark render IN OUT"), std::string::npos) << help.out;
  }
  struct List {
    const char* command;
    std::size_t count;
    std::size_t number;
    const char* name;
  };
  for (const List& list : {List{"styles", 25, 4, "arabesque"}, List{"blends", 69, 69, "contrast negate"}}) {
    const ChildResult result = quillmark({list.command});
    ASSERT_TRUE(succeeded(result));
    const auto lines = linesOf(result.out);
    ASSERT_EQ(lines.size(), list.count) << result.out;
    for (std::size_t n = 1; n <= lines.size(); ++n) {
      std::istringstream line(lines[n - 1]);
      std::size_t number = 0;
      std::string name;
      line >> number >> std::ws;
      std::getline(line, name);
      EXPECT_EQ(number, n) << lines[n - 1];
      EXPECT_FALSE(name.empty()) << lines[n - 1];
      if (n == list.number) {
        EXPECT_EQ(name, list.name);
      }
    }
  }
}

// --- recorded settings ---

struct RecordedLine {
  const char* key;
  const char* value;  // what follows "= "
};

void expectRecorded(const std::string& out, const RecordedLine (&expected)[10]) {
  const auto lines = linesOf(out);
  ASSERT_EQ(lines.size(), 10u) << out;
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(lines[i].substr(0, 4), expected[i].key) << lines[i];
    const std::size_t equals = lines[i].find("= ");
    ASSERT_NE(equals, std::string::npos) << lines[i];
    EXPECT_EQ(lines[i].substr(equals + 2), expected[i].value) << lines[i];
  }
}

TEST(QuillmarkCommandSettings, PrintsTheValuesAskedForInRecordedOrder) {
  const RasterImage image = makeTestImage(10, 8, SampleType::UInt8, 3, false);
  const std::string in = writeTemp(image, "in.png");
  const std::string out = tempPath("out.png");
  const std::vector<std::string> look = {"--line", "thick", "--style", "square-chaos", "--scale", "2x", "--invert",
                                         "Invert_Dark", "--warping", "0", "--angle", "359", "--gray", "--blend",
                                         "contrast-negate", "--diameter", "250", "--sharpen", "0", "--print-settings"};
  const RecordedLine asked[10] = {{"QNky", "QN06  square chaos"}, {"QSky", "Qs02  2x"}, {"QGky", "QG03  invert dark"},
                                  {"0004", "0"}, {"0005", "359"}, {"0006", "true"},
                                  {"GLUE", "GL69  contrast negate"}, {"0008", "250"}, {"0009", "0"},
                                  {"Qmky", "Qm04  thick"}};
  ChildResult result = render(in, out, look);
  ASSERT_TRUE(succeeded(result));
  expectRecorded(result.out, asked);
  EXPECT_TRUE(fs::exists(out));

  // Repeating the filter replays the recorded look, so the record stays the same.
  std::vector<std::string> repeated = look;
  repeated.insert(repeated.end(), {"--repeat", "2"});
  result = render(in, out, repeated);
  ASSERT_TRUE(succeeded(result));
  expectRecorded(result.out, asked);
}

TEST(QuillmarkCommandSettings, ValuesNotGivenAreTheDefaults) {
  const std::string in = writeTemp(makeTestImage(10, 8, SampleType::UInt8, 1, false), "in.png");
  const ChildResult result = render(in, tempPath("out.png"), {"--print-settings"});
  ASSERT_TRUE(succeeded(result));
  const RecordedLine defaults[10] = {{"QNky", "QN04  arabesque"}, {"QSky", "Qs01  1x"}, {"QGky", "QG01  normal"},
                                     {"0004", "20"}, {"0005", "45"}, {"0006", "false"}, {"GLUE", "GL01  normal"},
                                     {"0008", "50"}, {"0009", "75"}, {"Qmky", "Qm03  medium"}};
  expectRecorded(result.out, defaults);
}

// --- Ctrl-C ---

TEST(QuillmarkCommandInterrupt, CtrlCStopsWithoutWritingTheOutput) {
  const std::string in = writeTemp(makeTestImage(20, 14, SampleType::UInt16, 3, true), "in.png");
  ChildOptions interrupted;
  interrupted.interruptAtStart = true;
  const std::string out = tempPath("out.tif");
  expectCleanFailure({"render", in, out, "--no-progress"}, out, 130, {"stopped", out + " was not written"},
                     interrupted);
  // An earlier result survives the stop.
  const std::string kept = writeTemp(makeFlat(4, 4, SampleType::UInt8, 1, false, 0.25), "kept.png");
  expectCleanFailure({"render", in, kept, "--repeat", "3", "--print-settings"}, kept, 130, {"stopped"},
                     interrupted);
}

}  // namespace
}  // namespace qm::test
