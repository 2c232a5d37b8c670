// SPDX-License-Identifier: LicenseRef-Quillmark
// The quillmark command as a user meets it: a separate process with real files (PNG, TIFF
// and JPEG), its exit status, what it prints, what it leaves on disk, and how it ends when
// stopped.
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/plugin_loader.h"
#include "cli/raster_image.h"
#include "quillmark_version.h"
#include "tests/cli/command_checks.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// --- rendering ---

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

// Renders over an older output, which is replaced in the format its extension names, in any
// case, and nothing else is left beside it.
void expectRendered(const RasterImage& image, const std::string& extension,
                    const std::vector<std::string>& options = {}, bool halfMasked = false) {
  SCOPED_TRACE(layoutName(image.type, image.colorChannels, image.hasAlpha) + extension + joined(options));
  const std::string out = tempPath("out" + extension);
  writeBytes(out, "an older output");
  const ChildResult result = render(writeTemp(image, "in" + extension), out, options);
  ASSERT_TRUE(succeeded(result));
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(isInkPicture(image, loaded(out), halfMasked));
  EXPECT_EQ(readBytes(out).substr(0, 4), extension == ".png" ? "\x89PNG" : std::string("II*\0", 4));
  EXPECT_NE(folderEntries(testDir())->front()[0], '.') << "a temporary file was left";
}

// Every depth and layout of both formats, then a few with a mask, repeats or both.
TEST(QuillmarkCommandRender, EveryDepthAndLayoutOfBothFormatsWithAMaskAndWithRepeats) {
  for (const char* extension : {".png", ".TIFF"})
    for (SampleType type : {SampleType::UInt8, SampleType::UInt16, SampleType::Float32})
      for (int colors : {1, 3})
        for (bool alpha : {false, true})
          if (type != SampleType::Float32 || extension != std::string(".png"))
            expectRendered(makeTestImage(21, 15, type, colors, alpha), extension);
  // Black on the left half, white on the right and a grey column between: a partial selection.
  RasterImage selection = makeFlat(21, 15, SampleType::UInt8, 1, false, 0);
  for (int y = 0; y < 15; ++y)
    for (int x = 10; x < 21; ++x) setSampleAt(selection, x, y, 0, x == 10 ? 128 : 255);
  const std::string mask = writeTemp(selection, "mask.png");
  expectRendered(makeTestImage(21, 15, SampleType::UInt8, 3, true), ".png", {"--mask", mask}, true);
  expectRendered(makeTestImage(21, 15, SampleType::UInt16, 1, false), ".png", {"--mask", mask}, true);
  expectRendered(makeTestImage(21, 15, SampleType::Float32, 3, false), ".TIFF", {"--mask", mask}, true);
  expectRendered(makeTestImage(21, 15, SampleType::UInt16, 3, true), ".TIFF", {"--repeat", "2"});
  expectRendered(makeTestImage(21, 15, SampleType::UInt8, 1, true), ".png", {"--repeat", "2", "--mask", mask}, true);
}

// JPEG in and out, in any case of its extension: grey stays grey, and the EXIF and ICC
// profile of a JPEG go on into a JPEG.
TEST(QuillmarkCommandRender, ReadsAndWritesJpegKeepingLayoutAndMetadata) {
  // The channels, the input, the output, and whether the metadata goes from one to the other.
  const std::tuple<int, const char*, const char*, bool> cases[] = {
      {1, "grey.jpg", "grey-out.jpg", true}, {3, "rgb.JPEG", "rgb-out.Jpg", true},
      {3, "rgb.png", "from-png.jpeg", false}, {1, "grey2.jpg", "grey-out.png", false}};
  for (const auto& [colorChannels, inName, outName, metadataKept] : cases) {
    SCOPED_TRACE(std::string(inName) + " to " + outName);
    RasterImage image = makeTestImage(48, 40, SampleType::UInt8, colorChannels, false);
    image.exif = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};
    image.iccProfile.assign(70000, 7);  // two APP2 pieces
    const std::string out = tempPath(outName);
    ASSERT_TRUE(succeeded(render(writeTemp(image, inName), out)));
    const RasterImage result = loaded(out);
    EXPECT_TRUE(result.width == 48 && result.height == 40 && result.type == SampleType::UInt8);
    EXPECT_EQ(result.colorChannels, colorChannels) << "grey stays grey, colour colour";
    // Nearly every sample ink or paper: lossy coding blurs only the edges between them.
    std::size_t tones = 0;
    for (std::uint8_t sample : result.pixels) tones += sample > 48 && sample < 207;
    EXPECT_LT(tones * 10, result.pixels.size()) << tones << " samples are neither";
    EXPECT_EQ(result.exif, metadataKept ? image.exif : std::vector<std::uint8_t>{});
    EXPECT_EQ(result.iccProfile, metadataKept ? image.iccProfile : std::vector<std::uint8_t>{});
  }
}

// --- refused before any work: the output's name, pictures its format cannot hold, bad
// arguments and values out of range, whether given as options or in a settings file ---

// Each exits 2 with one line before the input or the plug-in is loaded: both are missing
// here and would fail later with status 1. (What each refusal of the arguments says is
// checked where the command line is parsed; every refusal there takes this one way out.)
TEST(QuillmarkCommandArguments, BadOutputsAndArgumentsExitTwoBeforeLoading) {
  const std::string missing = tempPath("missing.png"), out = tempPath("out.png"), jpeg = tempPath("kept.jpg"),
                    gif = tempPath("out.gif"), nowhere = tempPath("no-folder/out.png"), folder = tempPath("taken.tif"),
                    inFile = tempPath("float.tif/out.png"), sheet = tempPath("no-folder/sheet.png");
  const std::string look = tempPath("look.txt");
  fs::create_directory(folder);
  writeBytes(jpeg, "an older output");
  writeBytes(look, "0009 sharpen = 10\nQNky style = QN26\n");
  const auto picture = [](SampleType type, int colors, bool alpha, const char* name) {
    return writeTemp(makeTestImage(8, 6, type, colors, alpha), name);
  };
  const std::string deep = picture(SampleType::Float32, 3, false, "float.tif");
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"render", missing, gif}, {gif, ".png, .tif, .tiff, .jpg or .jpeg"}},
      {{"render", missing, nowhere}, {nowhere, "cannot write in"}},
      {{"render", missing, inFile}, {inFile, "cannot write in"}},
      {{"render", missing, folder}, {folder, "is a folder"}},
      {{"sheet", missing, sheet}, {sheet, "cannot write in"}},
      {{"render", deep, out}, {out, "float"}},
      // JPEG keeps 8-bit grey or RGB without transparency.
      {{"render", picture(SampleType::UInt16, 3, false, "deep.png"), jpeg}, {jpeg, "JPEG", "16-bit"}},
      {{"render", deep, jpeg}, {jpeg, "JPEG", "32-bit"}},
      {{"render", picture(SampleType::UInt8, 3, true, "rgba.png"), jpeg}, {jpeg, "JPEG", "transparency"}},
      {{"render", picture(SampleType::UInt8, 1, true, "grey-alpha.tif"), jpeg}, {jpeg, "JPEG", "transparency"}},
      {{"render", picture(SampleType::UInt8, 5, false, "five.tif"), jpeg}, {jpeg, "JPEG", "5 channels"}},
      {{"render", missing, out, "--style", "26"}, {"--style 26 is out of range", "between 1 and 25"}},
      {{"render", missing, out, "--settings", look},
       {look, "line 2: style QN26 is out of range", "between QN01 and QN25"}}};
  for (const auto& [given, fragments] : cases) {
    std::vector<std::string> arguments = given;
    arguments.insert(arguments.end(), {"--plugin", tempPath("nowhere.so")});
    expectCleanFailure(arguments, arguments[2], 2, fragments);
  }
  EXPECT_TRUE(fs::is_empty(folder));
}

// Help and the lists go to stdout; the help names every option.
TEST(QuillmarkCommandArguments, HelpAndListsExitZero) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"render", "-h"}, "quillmark render IN OUT"}, {{"styles"}, "\n  25  Hyper B\n"},
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
  EXPECT_NE(help.find("  quillmark --version [--plugin P]"), std::string::npos);
  EXPECT_NE(help.find("--version ends with 0 only when"), std::string::npos);
}

// --- refused input ---

// Damaged, missing and unsupported files, masks, a missing or broken plug-in and the
// plug-in's own refusal: one line, no output, and an existing output kept.
TEST(QuillmarkCommandBadInput, EachIsRefusedWithOneLineAndNoOutput) {
  const std::string kept = writeTemp(makeTestImage(6, 5, SampleType::UInt8, 1, false), "kept.tif");
  fs::create_directory(tempPath("folder.png"));
  const std::string png = readBytes(writeTemp(makeTestImage(30, 20, SampleType::UInt8, 3, false), "whole.png"));
  const std::string tif = readBytes(writeTemp(makeTestImage(30, 20, SampleType::UInt16, 1, true), "whole.tif"));
  const std::string jpg = readBytes(writeTemp(makeTestImage(60, 44, SampleType::UInt8, 3, false), "whole.jpg"));
  std::string scrambled = jpg;
  std::fill_n(scrambled.begin() + long(jpg.size() / 2), 40, '\xFF');
  // Each file, its bytes when it is written here, and what the line says besides its path.
  const std::tuple<const char*, std::optional<std::string>, std::vector<std::string>> cases[] = {
      {"missing.png", {}, {"No such file"}}, {"folder.png", {}, {"directory"}}, {"empty.png", "", {"empty"}},
      {"garbage.tif", "plain text, not a picture of any kind\n", {"not a PNG, TIFF or JPEG"}},
      {"photo.png", std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10), {"JPEG"}},
      {"cut.png", png.substr(0, png.size() / 2), {}}, {"cut.tif", tif.substr(0, tif.size() / 2), {}},
      {"cut-40.jpg", jpg.substr(0, 40), {"JPEG"}}, {"cut-third.jpg", jpg.substr(0, jpg.size() / 3), {"JPEG"}},
      {"scrambled.jpg", scrambled, {"JPEG"}}};
  for (const auto& [file, bytes, about] : cases) {
    const std::string in = tempPath(file);
    if (bytes) writeBytes(in, *bytes);
    std::vector<std::string> fragments = about;
    fragments.push_back(in);
    expectCleanFailure({"render", in, tempPath("out.png")}, tempPath("out.png"), 1, fragments);
    // The file is named once, not again inside a library's own message.
    const std::string err = expectCleanFailure({"render", in, kept}, kept, 1, fragments).err;
    EXPECT_EQ(err.find(in), err.rfind(in)) << err;
  }
  // The plug-in refuses a multichannel picture itself, and its refusal reaches the user; on a
  // sheet the line says which style met it.
  for (int channels : {2, 5}) {
    const std::string multi = writeTemp(makeTestImage(9, 7, SampleType::UInt8, channels, false), "multi.tif");
    expectCleanFailure({"render", multi, kept, "--no-progress"}, kept, 1, {"multichannel"});
  }
  const std::string sheet = tempPath("sheet.png");
  expectCleanFailure({"sheet", tempPath("multi.tif"), sheet, "--no-progress"}, sheet, 1,
                     {"1 diffusion", "multichannel"});
  expectCleanFailure({"sheet", tempPath("missing.png"), sheet}, sheet, 1, {"missing.png", "No such file"});
  const std::string in = writeTemp(makeTestImage(6, 5, SampleType::Float32, 1, true), "deep.tif");
  expectCleanFailure({"render", in, kept, "--mask", tempPath("garbage.tif")}, kept, 1, {"garbage.tif"});
  const std::string black = writeTemp(makeFlat(6, 5, SampleType::UInt16, 3, false, 0), "black.tif");
  expectCleanFailure({"render", in, kept, "--mask", black}, kept, 1, {"selects nothing"});
  // A plug-in that is no library, or missing where the environment names it; the option wins.
  const std::string missing = tempPath("nowhere/Quillmark.so");
  const ChildOptions fromEnvironment = {.set = {{"QUILLMARK_PLUGIN", missing}}};
  expectCleanFailure({"render", in, kept, "--plugin", in}, kept, 1, {"plug-in", in});
  expectCleanFailure({"render", in, kept}, kept, 1, {"plug-in", missing}, fromEnvironment);
  EXPECT_TRUE(succeeded(quillmark({"render", in, kept, "--plugin", QUILLMARK_PLUGIN_PATH}, fromEnvironment)));
  EXPECT_TRUE(isInkPicture(loaded(in), loaded(kept), false));
}

// A TIFF claiming 40000 x 40000 grey pixels, its one strip a few bytes written as they are.
void writeClaimingTiff(const std::string& path, std::uint16_t compression) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 40000u);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 40000u);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 40000u);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  char strip[] = "a few bytes that decode to nothing";
  const tmsize_t written = TIFFWriteRawStrip(tif, 0, strip, sizeof strip);
  TIFFClose(tif);
  ASSERT_EQ(written, tmsize_t(sizeof strip));
}

// Files of a few hundred bytes that claim 40000 x 40000 pixels must be refused for what they
// are without costing what they claim: 1.5 GB for a TIFF, whatever the compression of its
// one strip, 4.8 GB for a JPEG, whose rows run out. A JPEG that claims more pixels than a
// picture may have is refused from its header.
TEST(QuillmarkCommandBadInput, TinyFilesClaimingHugePicturesCostLittleMemory) {
  std::vector<std::tuple<std::string, const char*, long long>> files;  // the file, what the line says, KB allowed
  for (std::uint16_t compression : {COMPRESSION_ZSTD, COMPRESSION_LZMA, COMPRESSION_JPEG, COMPRESSION_PIXARLOG,
                                    COMPRESSION_ADOBE_DEFLATE, COMPRESSION_NONE}) {
    if (!TIFFIsCODECConfigured(compression)) continue;
    files.emplace_back(tempPath("claims-" + std::to_string(compression) + ".tif"), "TIFF", 32 * 1024);
    writeClaimingTiff(std::get<0>(files.back()), compression);
#ifdef __SANITIZE_ADDRESS__  // it shadows the 3 GB that libtiff reserves for PixarLog and never touches
    if (compression == COMPRESSION_PIXARLOG) std::get<2>(files.back()) = 1LL << 40;
#endif
  }
  std::string stream = readBytes(writeTemp(makeTestImage(16, 16, SampleType::UInt8, 3, false), "small.jpg"));
  const std::size_t frame = stream.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  for (const auto& [side, cause] : {std::pair<int, const char*>{40000, "JPEG"}, {60000, "too large"}}) {
    stream[frame + 5] = stream[frame + 7] = char(side >> 8);
    stream[frame + 6] = stream[frame + 8] = char(side & 0xFF);
    files.emplace_back(tempPath("claims-" + std::to_string(side) + ".jpg"), cause, 64 * 1024);
    writeBytes(std::get<0>(files.back()), stream);
  }
  const long least = quillmark({"render", tempPath("missing.tif"), tempPath("out.png")}).peakKilobytes;
  for (const auto& [in, cause, allowed] : files) {
    const ChildResult result = quillmark({"render", in, tempPath("out.png"), "--no-progress"});
    EXPECT_TRUE(failedWith(result, 1, {in, cause}));
    EXPECT_LT(result.peakKilobytes, least + allowed) << in << ": " << least << " KB failing at once";
  }
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

// Ctrl-C the moment a render or a sheet starts, and each signal while the output's temporary
// file is being written.
TEST(QuillmarkCommandInterrupt, StoppedOrEndedRunsWriteNothing) {
  // Noise, which is slow to compress, so that a save takes long enough to be interrupted; the
  // selection of one pixel keeps the render itself short.
  RasterImage noise = makeFlat(1500, 1500, SampleType::UInt16, 3, false, 0);
  std::uint32_t state = 1;
  for (std::uint8_t& byte : noise.pixels) byte = std::uint8_t((state = state * 1103515245u + 12345u) >> 16);
  RasterImage selection = makeFlat(1500, 1500, SampleType::UInt8, 1, false, 0);
  setSampleAt(selection, 0, 0, 0, 255);
  const std::string in = writeTemp(noise, "noise.tif"), mask = writeTemp(selection, "one-pixel.png");
  const std::string out = writeTemp(makeFlat(4, 4, SampleType::UInt8, 1, false, 0.25), "kept.png");
  const std::string before = readBytes(out), fresh = tempPath("fresh.png");
  const std::vector<std::string> render = {"render", in, out, "--mask", mask, "--no-progress"};
  // The temporary file of the command's first save, ".NAME.tmp-PID-0", has appeared.
  const auto saving = [&](int process) {
    return fs::exists(tempPath(".kept.png.tmp-" + std::to_string(process) + "-0"));
  };
  const auto stopped = [](const std::string& path) { return "quillmark: stopped; " + path + " was not written\n"; };
  // The command, how it is stopped, and its exit status and line: a signal that ends the
  // command at once leaves it no time to write.
  const std::tuple<const char*, std::vector<std::string>, ChildOptions, int, std::string> cases[] = {
      {"Ctrl-C at the start", {"render", in, out, "--repeat", "3", "--print-settings", "--no-progress"},
       {.interruptAtStart = true}, 130, stopped(out)},
      {"Ctrl-C at the start", {"sheet", in, fresh, "--no-progress"}, {.interruptAtStart = true}, 130, stopped(fresh)},
      {"Ctrl-C", render, {.signalWhen = saving, .signals = {SIGINT}}, 130, stopped(out)},
      {"Ctrl-C twice", render, {.signalWhen = saving, .signals = {SIGINT, SIGINT}}, 130, ""},
      {"SIGTERM", render, {.signalWhen = saving, .signals = {SIGTERM}}, 128 + SIGTERM, ""},
      {"SIGHUP", render, {.signalWhen = saving, .signals = {SIGHUP}}, 128 + SIGHUP, ""}};
  for (const auto& [name, arguments, options, status, err] : cases) {
    SCOPED_TRACE(name + joined(arguments));
    const ChildResult result = quillmark(arguments, options);
    EXPECT_EQ(result.exitStatus, status);
    EXPECT_EQ(result.err, err);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(folderEntries(testDir()), (std::vector<std::string>{"kept.png", "noise.tif", "one-pixel.png"}));
    EXPECT_TRUE(readBytes(out) == before) << "the old output was replaced";
  }
}

}  // namespace
}  // namespace qm::test

namespace qm::test {
namespace {

// The layered file beside or instead of the picture, and the presets page; refusals leave
// nothing behind.
TEST(QuillmarkCommandExports, LayeredFileAndPresetsPage) {
  const std::string in = writeTemp(makeTestImage(40, 30, SampleType::UInt16, 3, true), "deep.png");
  const std::string psd = tempPath("result.psd");
  ASSERT_TRUE(succeeded(quillmark({"render", in, "--psd", psd, "--no-progress", "--seed", "1"})));
  const std::string bytes = readBytes(psd);
  ASSERT_GT(bytes.size(), 26u);
  EXPECT_EQ(bytes.substr(0, 4), "8BPS");
  EXPECT_EQ(std::uint8_t(bytes[17]), 30) << "height";
  EXPECT_EQ(std::uint8_t(bytes[21]), 40) << "width";
  EXPECT_EQ(std::uint8_t(bytes[23]), 16) << "the picture's depth";
  EXPECT_NE(bytes.find("layer 1"), std::string::npos);

  const std::string out = tempPath("beside.png");
  expectCleanFailure({"render", in, out, "--psd", tempPath("no-folder/x.psd"), "--no-progress"},
                     tempPath("no-folder/x.psd"), 1, {"x.psd", "was not written"});
  expectCleanFailure({"render", in, "--psd", tempPath("x.tif")}, tempPath("x.tif"), 2, {"PSD file", "x.tif"});

  const std::string folder = tempPath("presets");
  fs::create_directory(folder);
  for (const char* name : {"ink.q7q", "notes.txt"}) writeBytes(folder + "/" + name, "");
  ASSERT_TRUE(succeeded(quillmark({"preset", "save", folder + "/wash.q7q", "--style", "spots"})));
  const std::string page = tempPath("presets.html");
  ASSERT_TRUE(succeeded(quillmark({"catalogue", folder, page})));
  const std::string html = readBytes(page);
  for (const char* link : {"web_images/ink.jpg", "web_images/wash.jpg"}) EXPECT_NE(html.find(link), std::string::npos);
  EXPECT_EQ(html.find("notes"), std::string::npos);
  EXPECT_TRUE(fs::exists(tempPath("web_images/wash.jpg")));
  expectCleanFailure({"catalogue", tempPath("no-such-folder"), tempPath("none.html")}, tempPath("none.html"), 1,
                     {"none.html", "cannot be read"});
  expectCleanFailure({"catalogue", folder}, tempPath("x"), 2, {"catalogue needs a folder"});
}

// --- versions ---

// The text's lines, without their ends.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
    end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

// --version: the command's version from the build's header, the plug-in it loads (the one
// beside it) with the version that plug-in's property list names, and every library with the
// version its headers gave and the one it reports running.
TEST(QuillmarkCommandVersion, NamesTheBuildsVersionThePluginAndTheLibraries) {
  const ChildResult result = quillmark({"--version"});
  ASSERT_TRUE(succeeded(result));
  const std::vector<std::string> lines = linesOf(result.out);
  ASSERT_GE(lines.size(), 9u) << result.out;
  EXPECT_EQ(lines[0], std::string("quillmark   ") + QUILLMARK_VERSION);
  ASSERT_EQ(lines[1].substr(0, 12), "plug-in     ");
  EXPECT_TRUE(fs::equivalent(lines[1].substr(12), QUILLMARK_PLUGIN_PATH)) << lines[1];
  EXPECT_EQ(lines[2], std::string("            version ") + QUILLMARK_VERSION);
  EXPECT_EQ(lines[3], "libraries   built with, running with");
  const std::string png = PNG_LIBPNG_VER_STRING, zlib = ZLIB_VERSION;
  const std::string tiff = std::to_string(TIFFLIB_MAJOR_VERSION) + "." + std::to_string(TIFFLIB_MINOR_VERSION) + "." +
                           std::to_string(TIFFLIB_MICRO_VERSION);
  const std::regex library(R"(  (\S+) +(\d+\.\d+[.\d]*)( \(libjpeg \d+\))? +(\S.*))");
  std::map<std::string, std::pair<std::string, std::string>> libraries;
  for (std::size_t i = 4; i < lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, library)) << lines[i];
    libraries[match[1]] = {match[2], match[4]};
  }
  EXPECT_EQ(libraries["libpng"], std::pair(png, std::string(png_get_libpng_ver(nullptr))));
  EXPECT_EQ(libraries["zlib"], std::pair(zlib, std::string(zlibVersion())));
  EXPECT_EQ(libraries["libtiff"], std::pair(tiff, tiff));
  EXPECT_EQ(libraries["libjpeg-turbo"].second, "(no run-time version call)");
  EXPECT_EQ(libraries["libdeflate"].second, "(no run-time version call)");
  EXPECT_EQ(libraries.size(), 5u) << result.out;
}

// The plug-in the command loads is the build's: its property list, read as the command reads
// it from the library, names the version the command was built with, and plugin-info shows it.
TEST(QuillmarkCommandVersion, TheBuiltPluginCarriesTheCommandsVersion) {
  cli::LoadedPlugin plugin;
  std::string error;
  ASSERT_TRUE(cli::loadPlugin(QUILLMARK_PLUGIN_PATH, plugin, error)) << error;
  ASSERT_TRUE(plugin.properties && plugin.properties->component) << "the shared library carries no version";
  EXPECT_EQ(plugin.properties->component->text, QUILLMARK_VERSION);
  EXPECT_EQ(cli::componentVersionNumbers(plugin.properties->component->number), QUILLMARK_VERSION_NUMBERS);
  EXPECT_EQ(cli::entryPointFor(*plugin.properties), "PluginMain");
  const ChildResult info = quillmark({"plugin-info"});
  ASSERT_TRUE(succeeded(info));
  EXPECT_NE(info.out.find(std::string("\nproduct     ") + QUILLMARK_VERSION + " (component version " +
                          QUILLMARK_VERSION_NUMBERS + ")\n"),
            std::string::npos)
      << info.out;
}

// Everything else is still printed, and the status is 1 with one line saying why, when the
// plug-in is missing (by --plugin or by the environment), is no library, or names another
// version than the command's (a copy of the plug-in whose 'cmpt' text says 9.x).
TEST(QuillmarkCommandVersion, AMissingOrMismatchedPluginIsNamedAndEndsWithOne) {
  const std::string missing = tempPath("nowhere/Quillmark.so");
  const std::string notALibrary = tempPath("text.so");
  writeBytes(notALibrary, "not a library\n");
  std::string library = readBytes(QUILLMARK_PLUGIN_PATH);
  const std::size_t key = library.find("MIB8tpmc");  // vendor and key, as the list stores them
  ASSERT_NE(key, std::string::npos);
  ASSERT_EQ(library.compare(key + 20, std::strlen(QUILLMARK_VERSION), QUILLMARK_VERSION), 0);
  library[key + 20] = '9';
  const std::string other = tempPath("Other.so");
  writeBytes(other, library);
  const std::string otherVersion = "9" + std::string(QUILLMARK_VERSION).substr(1);
  const struct {
    std::vector<std::string> arguments;
    ChildOptions options;
    std::string plugin, shown, why;
  } cases[] = {
      {{"--version", "--plugin", missing}, {}, missing, "cannot be loaded: ", "No such file"},
      {{"--version"}, {.set = {{"QUILLMARK_PLUGIN", missing}}}, missing, "cannot be loaded: ", "No such file"},
      {{"--version", "--plugin", notALibrary}, {}, notALibrary, "cannot be loaded: ", notALibrary},
      {{"--version", "--plugin", other}, {}, other, "version " + otherVersion + " (not the command's version)",
       "is version " + otherVersion + ", not the command's " + QUILLMARK_VERSION},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(joined(c.arguments));
    const ChildResult result = quillmark(c.arguments, c.options);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err.rfind("quillmark: ", 0), 0u) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_NE(result.err.find(c.why), std::string::npos) << result.err;
    const std::vector<std::string> lines = linesOf(result.out);
    ASSERT_GE(lines.size(), 9u) << result.out;
    EXPECT_EQ(lines[0], std::string("quillmark   ") + QUILLMARK_VERSION);
    EXPECT_EQ(lines[1], "plug-in     " + c.plugin);
    EXPECT_EQ(lines[2].rfind("            " + c.shown, 0), 0u) << lines[2];
    EXPECT_NE(result.out.find("\n  libpng "), std::string::npos) << result.out;
  }
  EXPECT_TRUE(failedWith(quillmark({"--version", "--seed", "1"}), 2, {"takes only --plugin PATH"}));
}

}  // namespace
}  // namespace qm::test
