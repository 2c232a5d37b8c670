// SPDX-License-Identifier: LicenseRef-Quillmark
// The quillmark command as a user meets it: a separate process with real files, its exit
// status, what it prints, what it leaves on disk, and how it ends when stopped.
#include <tiffio.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/raster_image.h"
#include "tests/cli/command_checks.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// A quiet, reproducible render of in to out.
ChildResult render(const std::string& in, const std::string& out, std::vector<std::string> options = {}) {
  std::vector<std::string> arguments = {"render", in, out, "--no-progress", "--seed", "1"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  return quillmark(arguments);
}

// --- rendering ---

// White on the right half, a grey column, black on the left: a partial selection.
std::string writeHalfMask(int width, int height, const std::string& name) {
  RasterImage mask = makeFlat(width, height, SampleType::UInt8, 1, false, 0);
  for (int y = 0; y < height; ++y)
    for (int x = width / 2; x < width; ++x) setSampleAt(mask, x, y, 0, x == width / 2 ? 128 : 255);
  return writeTemp(mask, name);
}

// The picture of `original`'s shape in which every colour sample is ink or paper (under
// "normal" the same in every channel), except where the mask left the original alone (the
// mask's left half) or let it through partly (its middle column).
::testing::AssertionResult isInkPicture(const RasterImage& original, const RasterImage& result, bool halfMasked) {
  if (result.width != original.width || result.height != original.height || result.type != original.type ||
      result.colorChannels != original.colorChannels || result.hasAlpha != original.hasAlpha)
    return ::testing::AssertionFailure() << "the result has another shape or depth than the source";
  const double full = original.type == SampleType::UInt8 ? 255 : original.type == SampleType::UInt16 ? 65535 : 1;
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
  SCOPED_TRACE(layoutName(image.type, image.colorChannels, image.hasAlpha) + extension + joined(options));
  const std::string in = writeTemp(image, "in" + extension);
  const std::string out = tempPath("out" + extension);
  const ChildResult result = render(in, out, options);
  ASSERT_TRUE(succeeded(result));
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(isInkPicture(image, loaded(out), halfMasked));
}

// Every depth and layout of both formats, then a few with a mask, repeats or both.
TEST(QuillmarkCommandRender, EveryDepthAndLayoutOfBothFormatsWithAMaskAndWithRepeats) {
  for (const char* extension : {".png", ".tif"})
    for (SampleType type : {SampleType::UInt8, SampleType::UInt16, SampleType::Float32})
      for (int colors : {1, 3})
        for (bool alpha : {false, true})
          if (type != SampleType::Float32 || extension == std::string(".tif"))
            expectRendered(makeTestImage(21, 15, type, colors, alpha), extension);
  const std::string mask = writeHalfMask(21, 15, "mask.png");
  expectRendered(makeTestImage(21, 15, SampleType::UInt8, 3, true), ".png", {"--mask", mask}, true);
  expectRendered(makeTestImage(21, 15, SampleType::UInt16, 1, false), ".png", {"--mask", mask}, true);
  expectRendered(makeTestImage(21, 15, SampleType::Float32, 3, false), ".tif", {"--mask", mask}, true);
  expectRendered(makeTestImage(21, 15, SampleType::UInt16, 3, true), ".tif", {"--repeat", "2"});
  expectRendered(makeTestImage(21, 15, SampleType::UInt8, 1, true), ".png", {"--repeat", "2", "--mask", mask}, true);
}

// The extension, in any case, picks the format, whatever the input's and the old output's.
TEST(QuillmarkCommandRender, ReplacesAnExistingOutputInTheFormatOfItsName) {
  const RasterImage image = makeTestImage(16, 11, SampleType::UInt16, 3, true);
  const std::string in = writeTemp(image, "in.png");
  const std::string tiff = writeTemp(makeFlat(30, 30, SampleType::UInt8, 1, true, 0.5), "out.TIFF");
  ASSERT_TRUE(succeeded(render(in, tiff)));
  EXPECT_EQ(readBytes(tiff).substr(0, 4), std::string("II*\0", 4)) << "not a TIFF";
  EXPECT_TRUE(isInkPicture(image, loaded(tiff), false));
  EXPECT_EQ(folderEntries(testDir()), (std::vector<std::string>{"in.png", "out.TIFF"}));
}

// --- the output's name, checked before any work ---

TEST(QuillmarkCommandOutput, NamesThatCannotBeWrittenAreRefusedBeforeLoadingOrRendering) {
  const std::string missing = tempPath("missing.png");
  const std::string deep = writeTemp(makeTestImage(8, 6, SampleType::Float32, 3, false), "float.tif");
  fs::create_directory(tempPath("taken.tif"));
  // A missing input or plug-in would fail later, with status 1: the output is checked first.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {missing, tempPath("out.gif"), ".png, .tif, .tiff, .jpg or .jpeg"},
      {missing, tempPath("no-such-folder/out.png"), "cannot write in"},
      {missing, tempPath("float.tif/out.png"), "cannot write in"},
      {missing, tempPath("taken.tif"), "is a folder"},
      {deep, tempPath("out.png"), "float"}};
  for (const auto& [in, out, cause] : cases)
    expectCleanFailure({"render", in, out, "--plugin", tempPath("nowhere.so")}, out, 2, {out, cause});
  EXPECT_TRUE(fs::is_empty(tempPath("taken.tif")));
}

// --- refused input ---

// A TIFF of one strip whose bytes are written as they are, not encoded.
void writeRawTiff(const std::string& path, std::uint32_t side, std::uint16_t samples, std::uint16_t photometric,
                  std::uint16_t compression, const std::string& strip) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, side);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, side);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, std::uint16_t(8));
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, side);
  const tmsize_t written = TIFFWriteRawStrip(tif, 0, const_cast<char*>(strip.data()), tmsize_t(strip.size()));
  TIFFClose(tif);
  ASSERT_EQ(written, tmsize_t(strip.size()));
}

// Damaged, missing and unsupported files, masks and the plug-in's own refusal: one line,
// no output, and an existing output kept.
TEST(QuillmarkCommandBadInput, EachIsRefusedWithOneLineAndNoOutput) {
  const std::string kept = writeTemp(makeTestImage(6, 5, SampleType::UInt8, 1, false), "kept.tif");
  writeBytes(tempPath("empty.png"), "");
  writeBytes(tempPath("garbage.tif"), "plain text, not a picture of any kind\n");
  const std::string png = readBytes(writeTemp(makeTestImage(30, 20, SampleType::UInt8, 3, false), "whole.png"));
  writeBytes(tempPath("cut.png"), png.substr(0, png.size() / 2));
  const std::string tif = readBytes(writeTemp(makeTestImage(30, 20, SampleType::UInt16, 1, true), "whole.tif"));
  writeBytes(tempPath("cut.tif"), tif.substr(0, tif.size() / 2));
  fs::create_directory(tempPath("folder.png"));
  writeBytes(tempPath("photo.png"), std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10));
  writeRawTiff(tempPath("cmyk.tif"), 6, 4, PHOTOMETRIC_SEPARATED, COMPRESSION_NONE, std::string(6 * 6 * 4, 'c'));
  // Each file, and what the line says besides its path.
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"missing.png", {"No such file"}}, {"empty.png", {"empty"}},     {"cut.png", {}},
      {"cut.tif", {}},                   {"garbage.tif", {"not a PNG, TIFF or JPEG"}}, {"folder.png", {"directory"}},
      {"photo.png", {"JPEG"}},           {"cmyk.tif", {"CMYK"}},
  };
  for (const auto& [file, about] : cases) {
    const std::string in = tempPath(file);
    std::vector<std::string> fragments = about;
    fragments.push_back(in);
    for (const std::string& output : {tempPath("out.png"), kept})
      expectCleanFailure({"render", in, output}, output, 1, fragments);
    // The file is named once, not again inside a library's own message.
    const std::string err = quillmark({"render", in, tempPath("out.png")}).err;
    EXPECT_EQ(err.find(in), err.rfind(in)) << err;
  }
  // The plug-in refuses a multichannel picture itself, and its refusal reaches the user.
  for (int channels : {2, 5}) {
    const std::string multi = writeTemp(makeTestImage(9, 7, SampleType::UInt8, channels, false), "multi.tif");
    expectCleanFailure({"render", multi, kept, "--no-progress"}, kept, 1, {"multichannel"});
  }
  const std::string in = writeTemp(makeTestImage(6, 5, SampleType::Float32, 1, true), "deep.tif");
  expectCleanFailure({"render", in, kept, "--mask", tempPath("garbage.tif")}, kept, 1, {"garbage.tif"});
  const std::string black = writeTemp(makeFlat(6, 5, SampleType::UInt16, 3, false, 0), "black.tif");
  expectCleanFailure({"render", in, kept, "--mask", black}, kept, 1, {"selects nothing"});
}

// A file of a few hundred bytes that claims 40000 x 40000 pixels must be refused for what
// it is without costing the 1.5 GB it claims, whatever the compression of its one strip.
TEST(QuillmarkCommandBadInput, TinyFileClaimingAHugePictureCostsLittleMemory) {
  const ChildResult least = quillmark({"render", tempPath("missing.tif"), tempPath("out.png")});
  for (std::uint16_t compression : {COMPRESSION_ZSTD, COMPRESSION_LZMA, COMPRESSION_JPEG, COMPRESSION_PIXARLOG,
                                    COMPRESSION_ADOBE_DEFLATE, COMPRESSION_NONE}) {
    SCOPED_TRACE(compression);
    if (!TIFFIsCODECConfigured(compression)) continue;
    const std::string in = tempPath("claims-" + std::to_string(compression) + ".tif");
    writeRawTiff(in, 40000, 1, PHOTOMETRIC_MINISBLACK, compression, "a few bytes that decode to nothing");
    const ChildResult result = quillmark({"render", in, tempPath("out.png"), "--no-progress"});
    EXPECT_TRUE(failedWith(result, 1, {in, "TIFF"}));
#ifdef __SANITIZE_ADDRESS__  // it shadows the 3 GB that libtiff reserves for PixarLog and never touches
    if (compression == COMPRESSION_PIXARLOG) continue;
#endif
    EXPECT_LT(result.peakKilobytes, least.peakKilobytes + 32 * 1024) << least.peakKilobytes << " KB failing at once";
  }
}

TEST(QuillmarkCommandPlugin, MissingOrBrokenPluginIsNamed) {
  const std::string in = writeTemp(makeTestImage(6, 5, SampleType::UInt8, 3, false), "in.png");
  const std::string out = tempPath("out.png");
  const std::string missing = tempPath("nowhere/Quillmark.so");
  expectCleanFailure({"render", in, out, "--plugin", in}, out, 1, {"plug-in", in});  // no library at all
  // The environment names the plug-in when the option does not; the option wins.
  ChildOptions fromEnvironment;
  fromEnvironment.set = {{"QUILLMARK_PLUGIN", missing}};
  expectCleanFailure({"render", in, out}, out, 1, {"plug-in", missing}, fromEnvironment);
  const ChildResult chosen = quillmark({"render", in, out, "--plugin", QUILLMARK_PLUGIN_PATH}, fromEnvironment);
  EXPECT_TRUE(succeeded(chosen));
  EXPECT_TRUE(fs::exists(out));
}

// Bad arguments, and values out of range whether given as options or in a settings file,
// exit 2 with one line before the input is even read. (What each refusal says is checked
// where the command line is parsed; every refusal there takes this one way out.)
TEST(QuillmarkCommandArguments, BadArgumentsAndSettingsExitTwoWithOneLine) {
  const std::string in = tempPath("missing.png");
  const std::string out = tempPath("out.png");
  const std::string look = tempPath("look.txt");
  writeBytes(look, "0009 sharpen = 10\nQNky style = QN26\n");
  expectCleanFailure({"render", in, out, "--style", "26"}, out, 2, {"--style 26 is out of range", "between 1 and 25"});
  expectCleanFailure({"render", in, out, "--settings", look}, out, 2,
                     {look, "line 2: style QN26 is out of range", "between QN01 and QN25"});
}

// Help and the lists go to stdout; the help names every option.
TEST(QuillmarkCommandArguments, HelpAndListsExitZero) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {{{"render", "-h"}, "quillmark render IN OUT"},
                                                                    {{"styles"}, "\n  25  Hyper B\n"},
                                                                    {{"blends"}, "\n  69  contrast negate\n"}};
  for (const auto& [arguments, text] : cases) {
    const ChildResult result = quillmark(arguments);
    EXPECT_TRUE(succeeded(result)) << joined(arguments);
    EXPECT_NE(result.out.find(text), std::string::npos) << result.out;
  }
  const std::string help = quillmark({"--help"}).out;
  for (const char* option : {"--style", "--scale", "--line", "--invert", "--warping", "--angle", "--gray", "--diameter",
                             "--sharpen", "--blend", "--mask", "--seed", "--repeat", "--print-settings", "--settings",
                             "--no-progress", "--plugin", "--lean-host", "--crop"})
    EXPECT_NE(help.find(std::string("  ") + option + " "), std::string::npos) << option;
}

TEST(QuillmarkCommandSettings, PrintedSettingsReplayTheSameLook) {
  const std::string in = writeTemp(makeTestImage(10, 8, SampleType::UInt8, 3, false), "in.png");
  const std::vector<std::string> look = {"--line", "thick", "--style", "square-chaos", "--scale", "2x", "--invert",
                                         "Invert_Dark", "--warping", "0", "--angle", "359", "--gray", "--blend",
                                         "contrast-negate", "--diameter", "250", "--sharpen", "0", "--print-settings"};
  const ChildResult first = render(in, tempPath("first.png"), look);
  ASSERT_TRUE(succeeded(first));
  EXPECT_EQ(first.out,
            "QNky style    = QN06  square chaos\nQSky scale    = Qs02  2x\nQGky invert   = QG03  invert dark\n"
            "0004 warping  = 0\n0005 angle    = 359\n0006 gray     = true\nGLUE blend    = GL69  contrast negate\n"
            "0008 diameter = 250\n0009 sharpen  = 0\nQmky line     = Qm04  thick\n");
  // Repeating the filter replays the recorded look, and so does the record read back.
  std::vector<std::string> repeated = look;
  repeated.insert(repeated.end(), {"--repeat", "2"});
  EXPECT_EQ(render(in, tempPath("repeated.png"), repeated).out, first.out);
  writeBytes(tempPath("look.txt"), first.out);
  const ChildResult replayed =
      render(in, tempPath("replayed.png"), {"--settings", tempPath("look.txt"), "--print-settings"});
  ASSERT_TRUE(succeeded(replayed));
  EXPECT_EQ(replayed.out, first.out);
  EXPECT_EQ(readBytes(tempPath("replayed.png")), readBytes(tempPath("first.png")));
}

// --- Ctrl-C and the signals that end a process: a stopped or ended run writes nothing,
// keeps an existing output and leaves no temporary file ---

TEST(QuillmarkCommandInterrupt, CtrlCAtTheStartStopsWithoutWriting) {
  const std::string in = writeTemp(makeTestImage(30, 20, SampleType::UInt16, 3, true), "in.png");
  const std::string kept = writeTemp(makeFlat(4, 4, SampleType::UInt8, 1, false, 0.25), "kept.png");
  const std::string fresh = tempPath("fresh.png");
  ChildOptions interrupted;
  interrupted.interruptAtStart = true;
  const std::vector<std::string> commands[] = {{"render", in, kept, "--repeat", "3", "--print-settings"},
                                               {"sheet", in, fresh}};
  for (std::vector<std::string> arguments : commands) {
    const std::string out = arguments[2];
    arguments.push_back("--no-progress");
    expectCleanFailure(arguments, out, 130, {"stopped; " + out + " was not written"}, interrupted);
  }
}

// Noise, which is slow to compress, so that a save takes long enough to be interrupted; the
// selection of one pixel keeps the render itself short.
void writeSlowSave(const std::string& in, const std::string& mask) {
  const int side = 1500;
  RasterImage noise = makeFlat(side, side, SampleType::UInt16, 3, false, 0);
  std::uint32_t state = 1;
  for (std::uint8_t& byte : noise.pixels) byte = std::uint8_t((state = state * 1103515245u + 12345u) >> 16);
  RasterImage selection = makeFlat(side, side, SampleType::UInt8, 1, false, 0);
  setSampleAt(selection, 0, 0, 0, 255);
  writeTemp(noise, in);
  writeTemp(selection, mask);
}

// Each signal arrives while the output's temporary file is being written.
TEST(QuillmarkCommandInterrupt, SignalsDuringTheSaveKeepTheOldFileAndLeaveNoTemporary) {
  writeSlowSave("noise.tif", "one-pixel.png");
  const std::string out = writeTemp(makeFlat(4, 4, SampleType::UInt8, 1, false, 0.25), "kept.png");
  const std::string before = readBytes(out);
  // The signals, the exit status and what is printed: a signal that ends the command at once
  // leaves it no time to write.
  const std::tuple<const char*, std::vector<int>, int, std::string> cases[] = {
      {"Ctrl-C", {SIGINT}, 130, "quillmark: stopped; " + out + " was not written\n"},
      {"Ctrl-C twice", {SIGINT, SIGINT}, 130, ""},
      {"SIGTERM", {SIGTERM}, 128 + SIGTERM, ""},
      {"SIGHUP", {SIGHUP}, 128 + SIGHUP, ""}};
  for (const auto& [name, signals, status, err] : cases) {
    SCOPED_TRACE(name);
    ChildOptions options;
    // The temporary file of the command's first save, ".NAME.tmp-PID-0", has appeared.
    options.signalWhen = [&](int process) {
      return fs::exists(tempPath(".kept.png.tmp-" + std::to_string(process) + "-0"));
    };
    options.signals = signals;
    const ChildResult result = quillmark(
        {"render", tempPath("noise.tif"), out, "--mask", tempPath("one-pixel.png"), "--no-progress"}, options);
    EXPECT_EQ(result.exitStatus, status);
    EXPECT_EQ(result.err, err);
    EXPECT_EQ(folderEntries(testDir()), (std::vector<std::string>{"kept.png", "noise.tif", "one-pixel.png"}));
    EXPECT_TRUE(readBytes(out) == before) << "the old output was replaced";
  }
}

}  // namespace
}  // namespace qm::test
