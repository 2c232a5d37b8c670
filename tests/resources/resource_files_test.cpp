// SPDX-License-Identifier: LicenseRef-Quillmark
// The generated resource files: raw data as resource-script words (the dot textures among
// them), bitmap files, the about-box artwork, the main dialog's pictures, icons and cursors,
// and the dialog templates of the resource script.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "formats/jpeg_codec.h"
#include "render/dot_textures.h"
#include "resources/about_artwork.h"
#include "resources/bitmap_file.h"
#include "resources/dot_texture_script.h"
#include "resources/generated_files.h"
#include "resources/rc_raw_data.h"
#include "tests/resources/resource_reader.h"
#include "ui/control_table.h"
#include "ui/dialog_resource_ids.h"

namespace qm::test {
namespace {

// A resource of a resource script, "ID TYPE DISCARDABLE BEGIN ... END", with the bytes a
// resource compiler makes of its 16-bit words ("0x1234", low byte first).
struct ScriptResource {
  int id;
  std::string type;
  std::vector<std::uint8_t> bytes;
};

std::vector<ScriptResource> readScriptResources(const std::string& script) {
  std::vector<ScriptResource> resources;
  const std::regex header(R"((\d+) (\w+) DISCARDABLE\nBEGIN\n)");
  const std::regex number("0x([0-9A-Fa-f]+)");
  for (auto it = std::sregex_iterator(script.begin(), script.end(), header); it != std::sregex_iterator(); ++it) {
    ScriptResource resource{std::stoi((*it)[1].str()), (*it)[2].str(), {}};
    const std::size_t begin = std::size_t(it->position() + it->length());
    const std::string body = script.substr(begin, script.find("END", begin) - begin);
    for (auto word = std::sregex_iterator(body.begin(), body.end(), number); word != std::sregex_iterator(); ++word) {
      const unsigned long value = std::stoul((*word)[1].str(), nullptr, 16);
      EXPECT_LE(value, 0xFFFFul);
      resource.bytes.insert(resource.bytes.end(), {std::uint8_t(value), std::uint8_t(value >> 8)});
    }
    resources.push_back(resource);
  }
  return resources;
}


// Odd, empty and even counts of bytes, the last longer than one line of words.
TEST(RawDataResource, WordsGiveBackTheBytesWithOnePaddingZeroForAnOddCount) {
  using Bytes = std::vector<std::uint8_t>;
  const Bytes odd = {0x01, 0x00, 0xFF, 0x80, 'M', 'I', 'B', '8', 0x7F, 0xA5, 0x00, 0x42, 0xC3};
  for (const Bytes& bytes : {odd, Bytes{}, Bytes(34, 0xAB)}) {
    const std::string script = resources::rawDataResource(16000, "PIPL", bytes);
    const std::vector<ScriptResource> read = readScriptResources(script);
    ASSERT_EQ(read.size(), 1u) << script;
    EXPECT_EQ(read[0].id, 16000);
    EXPECT_EQ(read[0].type, "PIPL");
    Bytes stored = bytes;
    if (stored.size() % 2 != 0) stored.push_back(0);
    EXPECT_EQ(read[0].bytes, stored);
    // Quoted strings would depend on the compiler's code page; only numbers are written. A
    // trailing comma before END would be read as one more word.
    EXPECT_EQ(script.find('"'), std::string::npos);
    EXPECT_FALSE(std::regex_search(script, std::regex(",\\s*END"))) << script;
  }
}

// The dot textures' script holds exactly the four textures under their ids, byte for byte
// the generator's, and the plug-in's resource script takes it in.
TEST(DotTextureResources, ScriptHoldsTheGeneratorsBytesUnderTheFourIds) {
  const std::vector<ScriptResource> resources = readScriptResources(resources::dotTexturesScript());
  ASSERT_EQ(resources.size(), kDotTextureIds.size());
  for (std::size_t i = 0; i < resources.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "resource " << resources[i].id);
    EXPECT_EQ(resources[i].id, kDotTextureIds[i]);
    EXPECT_EQ(resources[i].type, "RCDATA");  // type 10
    const std::uint8_t* texture = dotTexture(resources[i].id);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(resources[i].bytes, std::vector<std::uint8_t>(texture, texture + kDotTextureBytes));
  }
  std::ifstream file(std::filesystem::path(__FILE__).parent_path() / "../../resources/quillmark.rc");
  ASSERT_TRUE(file) << "resources/quillmark.rc beside the tests";
  const std::string text{std::istreambuf_iterator<char>(file), {}};
  EXPECT_NE(text.find("\n#include \"dot_textures.rc\""), std::string::npos);
}

// "BM", file size, reserved, where the pixels start, then the info header's size, width,
// height, planes, bits per pixel, compression and the size of the pixels.
std::vector<std::uint32_t> bitmapHeader(const std::vector<std::uint8_t>& file) {
  ResourceReader r(file);
  return {r.u8(), r.u8(), r.u32(), r.u32(), r.u32(), r.u32(), r.u32(), r.u32(), r.u16(), r.u16(), r.u32(), r.u32()};
}

TEST(BitmapFile, TwentyFourBitRowsRunBottomUpInBlueGreenRedOrderPaddedToFour) {
  resources::RgbImage image{3, 2, {}};
  // Top row red, green, blue; bottom row white, black, grey.
  image.rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};
  const std::vector<std::uint8_t> file = resources::encodeBitmap24(image);
  // The pixels right after both headers: two rows of 9 bytes padded to 12.
  EXPECT_EQ(bitmapHeader(file), (std::vector<std::uint32_t>{'B', 'M', 54 + 24, 0, 54, 40, 3, 2, 1, 24, 0, 24}));
  ASSERT_EQ(file.size(), 54u + 24u);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()),
            (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0,  //
                                       0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}));
}

TEST(BitmapFile, OneBitMaskHasABlackWhitePaletteAndMostSignificantBitFirst) {
  std::vector<bool> white(20, false);
  for (int i : {0, 9, 10}) white[std::size_t(i)] = true;  // both ends of the top row, the first of the bottom one
  const std::vector<std::uint8_t> file = resources::encodeBitmap1(10, 2, white);
  // The pixels after both headers and a palette of two entries: two rows of 4 bytes.
  EXPECT_EQ(bitmapHeader(file), (std::vector<std::uint32_t>{'B', 'M', 62 + 8, 0, 62, 40, 10, 2, 1, 1, 0, 8}));
  ResourceReader palette(file, 46);
  EXPECT_EQ(palette.u32(), 2u);  // entries
  palette.skip(4);
  EXPECT_EQ((std::vector<std::uint32_t>{palette.u32(), palette.u32()}), (std::vector<std::uint32_t>{0, 0xFFFFFF}));
  ASSERT_EQ(file.size(), 62u + 8u);
  // Bottom row first, each padded to four bytes.
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 62, file.end()),
            (std::vector<std::uint8_t>{0x80, 0x00, 0, 0, 0x80, 0x40, 0, 0}));
}

TEST(AboutArtwork, PictureHasItsSizeAndIsTheSameEveryTime) {
  const resources::RgbImage picture = resources::drawAboutPicture();
  ASSERT_EQ(picture.rgb.size(), std::size_t(resources::kAboutPictureWidth * resources::kAboutPictureHeight * 3));
  EXPECT_EQ(picture.rgb, resources::drawAboutPicture().rgb);
  // Ink on paper: both near-black and near-paper pixels occur.
  int dark = 0, light = 0;
  for (std::size_t i = 0; i < picture.rgb.size(); i += 3) {
    const int level = picture.rgb[i] + picture.rgb[i + 1] + picture.rgb[i + 2];
    dark += level < 3 * 80;
    light += level > 3 * 220;
  }
  EXPECT_GT(dark, 500);
  EXPECT_GT(light, picture.width * picture.height / 3);
}

TEST(AboutArtwork, MarkIsBlackWhereverItsMaskIsWhite) {
  const resources::AboutMark mark = resources::drawAboutMark();
  ASSERT_EQ(mark.image.width, resources::kMarkSize);
  ASSERT_EQ(mark.maskWhite.size(), std::size_t(resources::kMarkSize * resources::kMarkSize));
  int shown = 0;
  for (std::size_t i = 0; i < mark.maskWhite.size(); ++i) {
    const std::uint8_t* pixel = &mark.image.rgb[3 * i];
    if (mark.maskWhite[i])
      EXPECT_EQ(pixel[0] | pixel[1] | pixel[2], 0) << "pixel " << i;
    else
      ++shown;
  }
  // A round mark: the corners are background, and most of it is drawn.
  EXPECT_TRUE(mark.maskWhite.front() && mark.maskWhite.back());
  EXPECT_GT(shown, resources::kMarkSize * resources::kMarkSize / 2);
}

// The dialog's resources as the resource script, the build and the generator name them.
std::string sourceText(const char* relative) {
  std::ifstream file(std::filesystem::path(__FILE__).parent_path() / "../.." / relative, std::ios::binary);
  EXPECT_TRUE(file) << relative;
  return {std::istreambuf_iterator<char>(file), {}};
}

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

std::vector<std::smatch> allMatches(const std::string& text, const std::regex& pattern) {
  return {std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator()};
}
// The matches point into the text: a text that dies with the call would leave them dangling.
std::vector<std::smatch> allMatches(std::string&& text, const std::regex& pattern) = delete;

// Every "#define NAME number" of the two headers the script includes.
std::map<std::string, int> resourceNumbers() {
  std::map<std::string, int> numbers;
  for (const char* header : {"ui/dialog_resource_ids.h", "resources/resource_ids.h"}) {
    const std::string text = sourceText(header);
    for (const std::smatch& m : allMatches(text, std::regex(R"(#define (\w+) (\d+))"))) numbers[m[1]] = std::stoi(m[2]);
  }
  return numbers;
}

struct ScriptFile {
  int id;
  std::string type;
  std::string file;
};

// The script's "NAME TYPE "file"" entries, names resolved to their numbers.
std::vector<ScriptFile> scriptFiles() {
  const std::map<std::string, int> numbers = resourceNumbers();
  std::vector<ScriptFile> files;
  const std::string script = sourceText("resources/quillmark.rc");
  for (const std::smatch& m : allMatches(script, std::regex(R"(\n(\w+) (BITMAP|JPEG|ICON|CURSOR) "([\w.]+)\")"))) {
    EXPECT_TRUE(numbers.count(m[1])) << m[1];
    files.push_back({numbers.count(m[1]) ? numbers.at(m[1]) : -1, m[2], m[3]});
  }
  for (const std::smatch& m : allMatches(script, std::regex(R"(\n#include "(\w+\.rc)\")"))) files.push_back({0, "", m[1]});
  return files;
}

struct TempFolder {
  std::filesystem::path path = std::filesystem::temp_directory_path() /
                               ("quillmark-resources-" + std::to_string(::getpid()));
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

// What the script takes in, the build declares as the generator's output (or the plug-in
// would link stale pictures), and the generator writes it, the same bytes every time.
TEST(GeneratedResources, GeneratorWritesEveryFileTheScriptAndTheBuildNameTheSameEveryTime) {
  std::set<std::string> declared;
  const std::string build = sourceText("resources/CMakeLists.txt");
  for (const std::smatch& m : allMatches(build, std::regex(R"(\$\{QUILLMARK_GENERATED_RESOURCE_DIR\}/([\w.]+))")))
    declared.insert(m[1]);
  const std::vector<ScriptFile> used = scriptFiles();
  ASSERT_GT(used.size(), 35u);
  for (const ScriptFile& file : used) EXPECT_TRUE(declared.count(file.file)) << file.file << " is not declared";

  TempFolder folder;
  std::string error;
  ASSERT_TRUE(resources::writeGeneratedFiles(folder.path, error)) << error;
  for (const std::string& name : declared) EXPECT_GT(fileBytes(folder.path / name).size(), 0u) << name;
  EXPECT_EQ(resources::generatedFiles().size(), declared.size());
  for (const resources::GeneratedFile& file : resources::generatedFiles())
    EXPECT_EQ(file.make(), fileBytes(folder.path / file.name)) << file.name << " differs between two runs";

  // A folder that cannot be made is an error with a message, not a crash.
  std::ofstream(folder.path / "plain-file") << "x";
  EXPECT_FALSE(resources::writeGeneratedFiles(folder.path / "plain-file" / "inside", error));
  EXPECT_NE(error.find("plain-file"), std::string::npos);
}

std::vector<std::uint8_t> generated(const std::string& name) {
  for (const resources::GeneratedFile& file : resources::generatedFiles())
    if (name == file.name) return file.make();
  ADD_FAILURE() << name << " is not generated";
  return {};
}

// Each picture at the size its control stretches it over at 200 % (the information picture
// keeps its area's shape), and every JPEG decodes in full.
TEST(GeneratedResources, PicturesDecodeAtTheSizesTheDialogDrawsThemAt) {
  struct Expected {
    const char* type;
    int width;
    int height;
  };
  const std::map<int, Expected> sizes = {
      {QM_BMP_SLIDER_TRACK, {"BITMAP", 270, 26}}, {QM_BMP_SLIDER_KNOB, {"BITMAP", 12, 11}},
      {QM_BMP_SLIDER_KNOB_LARGE, {"BITMAP", 24, 22}}, {QM_BMP_CHECK_OFF, {"BITMAP", 28, 28}},
      {QM_BMP_CHECK_ON, {"BITMAP", 28, 28}}, {QM_BMP_CHECK_OFF_PRESSED, {"BITMAP", 28, 28}},
      {QM_BMP_CHECK_ON_PRESSED, {"BITMAP", 28, 28}}, {QM_BMP_MEMORY_DIAL, {"BITMAP", 192, 208}},
      {QM_JPEG_DIAL_FACE, {"JPEG", 216, 216}}, {QM_JPEG_DIAL_FACE_HIDDEN, {"JPEG", 216, 216}}};
  int dots = 0;
  for (const ScriptFile& file : scriptFiles()) {
    if (file.type != "BITMAP" && file.type != "JPEG") continue;
    SCOPED_TRACE(file.file);
    const std::vector<std::uint8_t> bytes = generated(file.file);
    int width = 0, height = 0;
    if (file.type == "BITMAP") {
      const std::vector<std::uint32_t> header = bitmapHeader(bytes);
      EXPECT_EQ((std::vector<std::uint32_t>{header[0], header[1]}), (std::vector<std::uint32_t>{'B', 'M'}));
      EXPECT_TRUE(header[9] == 24 || header[9] == 1) << header[9] << " bits";  // pictures, or the about mark's mask
      EXPECT_EQ(header[2], bytes.size());
      width = int(header[6]), height = int(header[7]);
    } else {
      JpegInfo info;
      ASSERT_TRUE(readJpegInfo(bytes.data(), bytes.size(), info));
      EXPECT_EQ(info.components, 3);
      std::int32_t rows = 0;
      EXPECT_TRUE(decodeJpegRows(bytes.data(), bytes.size(), [&](std::int32_t, const std::uint8_t*) {
        ++rows;
        return true;
      }));
      EXPECT_EQ(rows, info.height);
      width = info.width, height = info.height;
    }
    if (file.id >= QM_JPEG_DOT_STORED_PRESSED && file.id <= QM_JPEG_DOT_EMPTY) {
      ++dots;
      EXPECT_EQ(width, height);  // drawn into a 5 x 5 unit square: 8 pixels at 100 %
      EXPECT_GE(width, 16);
    } else if (file.id == QM_JPEG_INFO_PICTURE) {
      // 447 x 254 units are 670 x 413 pixels at 100 %.
      EXPECT_GE(width, 2 * 670);
      EXPECT_NEAR(double(width) / height, 670.5 / 412.75, 0.01);
    } else if (sizes.count(file.id)) {
      const Expected& expected = sizes.at(file.id);
      EXPECT_EQ(file.type, expected.type);
      EXPECT_EQ(width, expected.width);
      EXPECT_EQ(height, expected.height);
    }
  }
  EXPECT_EQ(dots, 10);
}

// Icons hold the six sizes from 16 to 48 pixels, cursors 32 pixels with a hotspot inside;
// each image a 32-bit bitmap of twice its height (colour and mask) that lies in the file,
// with both opaque and see-through pixels.
TEST(GeneratedResources, IconsAndCursorsHoldTheirSizesAsAlphaBitmapsWithMasks) {
  int icons = 0, cursors = 0;
  for (const ScriptFile& file : scriptFiles()) {
    if (file.type != "ICON" && file.type != "CURSOR") continue;
    SCOPED_TRACE(file.file);
    const bool icon = file.type == "ICON";
    (icon ? icons : cursors)++;
    const std::vector<std::uint8_t> bytes = generated(file.file);
    ResourceReader directory(bytes);
    EXPECT_EQ(directory.u16(), 0);
    EXPECT_EQ(directory.u16(), icon ? 1 : 2);
    const int count = directory.u16();
    std::set<int> sizes;
    for (int i = 0; i < count; ++i) {
      const int width = directory.u8(), height = directory.u8();
      directory.skip(2);
      const int first = directory.u16(), second = directory.u16();  // planes and depth, or the hotspot
      const std::uint32_t size = directory.u32(), offset = directory.u32();
      ASSERT_TRUE(directory.ok());
      sizes.insert(width);
      EXPECT_EQ(width, height);
      if (icon) {
        EXPECT_EQ(std::vector<int>({first, second}), std::vector<int>({1, 32}));
      } else {
        EXPECT_TRUE(first < width && second < height) << first << "," << second;
      }
      const std::uint32_t maskBytes = std::uint32_t((width + 31) / 32 * 4 * height);
      EXPECT_EQ(size, 40u + std::uint32_t(width * height * 4) + maskBytes);
      ASSERT_LE(std::uint64_t(offset) + size, bytes.size());
      ResourceReader image(bytes, offset);
      EXPECT_EQ((std::vector<std::uint32_t>{image.u32(), image.u32(), image.u32(), image.u16(), image.u16(), image.u32()}),
                (std::vector<std::uint32_t>{40, std::uint32_t(width), std::uint32_t(2 * height), 1, 32, 0}));
      std::set<int> alphas;
      for (int p = 0; p < width * height; ++p) alphas.insert(bytes[offset + 40 + 4 * std::uint32_t(p) + 3]);
      EXPECT_TRUE(alphas.count(0) && alphas.count(255));
    }
    EXPECT_EQ(sizes, icon ? std::set<int>({16, 20, 24, 32, 40, 48}) : std::set<int>({32, 48}));
  }
  EXPECT_EQ(icons, 10);
  EXPECT_EQ(cursors, 2);
}

struct TemplateControl {
  std::string kind;
  std::string text;
  int id;
  std::string className;
  std::string style;
  std::array<int, 4> rect;
};

// The controls of a dialog template, one statement a line.
std::vector<TemplateControl> templateControls(const std::string& name, std::string& header) {
  const std::string script = sourceText("resources/quillmark.rc");
  const std::size_t start = script.find("\n" + name + " DIALOGEX");
  EXPECT_NE(start, std::string::npos) << name;
  if (start == std::string::npos) return {};
  const std::size_t begin = script.find("\nBEGIN\n", start), end = script.find("\nEND", begin);
  header = script.substr(start + 1, begin - start - 1);
  const std::map<std::string, int> numbers = resourceNumbers();
  auto number = [&](std::string token) {
    token = std::regex_replace(token, std::regex(R"(^\s+|\s+$)"), "");
    return numbers.count(token) ? numbers.at(token) : std::stoi(token);
  };
  std::vector<TemplateControl> controls;
  std::istringstream lines(script.substr(begin + 7, end - begin - 7));
  for (std::string line; std::getline(lines, line);) {
    line = line.substr(0, line.find("//"));
    std::smatch m;
    if (!std::regex_match(line, m, std::regex(R"(\s*(\w+)\s+(.*?)\s*)"))) continue;
    std::vector<std::string> fields;
    std::istringstream parts(m[2].str());
    for (std::string field; std::getline(parts, field, ',');) fields.push_back(field);
    TemplateControl control{m[1], "", 0, "", "", {}};
    std::size_t at = 0;
    if (control.kind != "COMBOBOX" && control.kind != "EDITTEXT") control.text = fields.at(at++);
    control.id = number(fields.at(at++));
    if (control.kind == "CONTROL") {
      control.className = std::regex_replace(fields.at(at++), std::regex(R"([\s"])"), "");
      control.style = fields.at(at++);
    }
    for (int& value : control.rect) value = number(fields.at(at++));
    if (at < fields.size()) control.style = fields.at(at);
    controls.push_back(control);
  }
  return controls;
}

// Every control of the main dialog at its id, place and size, in Tab order where it takes
// the focus; the statics that only reserve rectangles are hidden; every picture the
// control table draws with is in the script; and the information box's one area.
TEST(MainDialogTemplate, ListsEveryControlOfTheLayoutAtItsRectangle) {
  std::map<int, std::array<int, 4>> layout = {
      {10, {51, 12, 89, 267}},  {12, {51, 36, 89, 267}},  {11, {51, 59, 89, 267}},   {13, {51, 82, 89, 267}},
      {26, {51, 215, 89, 267}}, {21, {146, 103, 19, 13}}, {40, {146, 124, 19, 13}},  {37, {146, 145, 19, 13}},
      {6, {51, 106, 90, 8}},    {41, {51, 127, 90, 8}},   {36, {51, 148, 90, 8}},    {14, {10, 14, 32, 11}},
      {15, {10, 38, 32, 11}},   {19, {10, 61, 32, 11}},   {20, {10, 84, 32, 11}},    {17, {10, 106, 32, 11}},
      {39, {10, 127, 32, 11}},  {38, {10, 148, 32, 11}},  {25, {9, 182, 32, 11}},    {8, {9, 243, 32, 11}},
      {35, {51, 169, 36, 36}},  {9, {51, 243, 9, 9}},     {28, {148, 215, 11, 11}},  {18, {182, 5, 295, 260}},
      {16, {273, 310, 203, 13}}, {119, {183, 280, 64, 64}}, {24, {49, 281, 41, 21}}, {22, {49, 311, 41, 21}},
      {117, {49, 340, 41, 21}}, {29, {104, 281, 41, 21}}, {23, {104, 311, 41, 21}},  {115, {104, 340, 41, 21}},
      {116, {273, 281, 16, 16}}, {150, {463, 281, 14, 14}}, {4, {11, 340, 20, 20}},  {2, {275, 343, 41, 21}},
      {3, {436, 343, 41, 21}}};
  const int dotCorners[25][2] = {{171, 274}, {173, 282}, {173, 290}, {171, 298}, {168, 306}, {165, 314}, {165, 322},
                                 {168, 329}, {173, 336}, {178, 342}, {185, 347}, {193, 353}, {202, 356}, {212, 359},
                                 {222, 359}, {231, 356}, {240, 353}, {248, 347}, {254, 340}, {258, 332}, {261, 323},
                                 {261, 313}, {258, 305}, {254, 297}, {248, 289}};
  for (int i = 0; i < 25; ++i) layout[121 + i] = {dotCorners[i][0], dotCorners[i][1], 5, 5};

  std::string header;
  const std::vector<TemplateControl> controls = templateControls("DISSOLVESANSPARAM", header);
  EXPECT_NE(header.find("DIALOGEX 0, 0, 487, 372"), std::string::npos) << header;
  EXPECT_EQ(header.find("WS_SYSMENU"), std::string::npos);
  std::map<int, std::array<int, 4>> found;
  std::vector<int> tabOrder;
  for (const TemplateControl& control : controls) {
    SCOPED_TRACE(testing::Message() << "control " << control.id);
    EXPECT_TRUE(found.emplace(control.id, control.rect).second) << "twice";
    const bool hidden = control.style.find("NOT WS_VISIBLE") != std::string::npos;
    EXPECT_EQ(hidden, control.className == "Static" && control.id != 4);
    if (control.style.find("WS_TABSTOP") != std::string::npos || control.kind.find("PUSHBUTTON") != std::string::npos)
      tabOrder.push_back(control.id);
    if (control.kind == "COMBOBOX") {
      EXPECT_EQ(control.rect[3], 267);
    }
  }
  for (const auto& [id, rect] : layout) {
    EXPECT_TRUE(found.count(id)) << "control " << id << " is missing";
    if (found.count(id)) {
      EXPECT_EQ(found.at(id), rect) << "control " << id;
    }
  }
  EXPECT_EQ(found.size(), layout.size()) << "controls outside the layout";
  EXPECT_EQ(tabOrder, (std::vector<int>{10, 12, 11, 13, 21, 40, 37, 9, 26, 28, 24, 29, 22, 23, 117, 115, 116, 150, 2, 3}));

  std::set<int> inScript;
  for (const ScriptFile& file : scriptFiles()) inScript.insert(file.id);
  for (int id = 0; id < ui::kControlCount; ++id)
    for (std::int32_t image : ui::controlDescriptor(id).images)
      if (image >= 0) {
        EXPECT_TRUE(inScript.count(image)) << "picture " << image << " of control " << id;
      }

  const std::vector<TemplateControl> info = templateControls("QMINFOBOX", header);
  EXPECT_NE(header.find("DIALOGEX 0, 0, 461, 276"), std::string::npos) << header;
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0].id, QM_INFO_PICTURE_AREA);
  EXPECT_EQ(info[0].rect, (std::array<int, 4>{7, 7, 447, 254}));
}

}  // namespace
}  // namespace qm::test
