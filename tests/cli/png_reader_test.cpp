// SPDX-License-Identifier: LicenseRef-Quillmark
// Our PNG reader against libpng's: files made here row by row with each filter type, files
// of another encoder, and damaged files, which must come out of loadImage exactly as they
// did when libpng read every file.
#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "cli/png_reader.h"
#include "cli/png_unfilter.h"
#include "cli/raster_image.h"
#include "tests/cli/command_checks.h"
#include "tests/cli/run_command.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

// --- PNG files made byte by byte ---

std::string bigEndian32(std::uint32_t value) {
  return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

std::string chunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  const auto crc = std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
  return bigEndian32(std::uint32_t(data.size())) + body + bigEndian32(crc);
}

std::string header(std::uint32_t width, std::uint32_t height, int depth, int colourType, int interlace = 0) {
  return chunk("IHDR", bigEndian32(width) + bigEndian32(height) + char(depth) + char(colourType) + '\0' + '\0' +
                           char(interlace));
}

std::string zlibStream(const std::string& bytes) {
  uLongf size = compressBound(uLong(bytes.size()));
  std::string out(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                      uLong(bytes.size()), 6),
            Z_OK);
  out.resize(size);
  return out;
}

const std::string kSignature("\x89PNG\r\n\x1A\n", 8);

int paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Rows of samples as the file stores them, each behind its filter type and filtered with it.
std::string filtered(const std::string& samples, std::size_t rowBytes, std::size_t bpp,
                     const std::function<int(std::size_t)>& filterOfRow) {
  std::string out;
  const std::string zeros(rowBytes, '\0');
  for (std::size_t y = 0; y * rowBytes < samples.size(); ++y) {
    const auto* row = reinterpret_cast<const std::uint8_t*>(samples.data() + y * rowBytes);
    const auto* above = reinterpret_cast<const std::uint8_t*>(y ? samples.data() + (y - 1) * rowBytes : zeros.data());
    const int filter = filterOfRow(y);
    out += char(filter);
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0, b = above[i], c = i >= bpp ? above[i - bpp] : 0;
      const int predicted[5] = {0, a, b, (a + b) / 2, paeth(a, b, c)};
      out += char(row[i] - predicted[filter]);
    }
  }
  return out;
}

// A picture of noise and ramps (so that every filter meets both) and its file.
struct Crafted {
  RasterImage image;     // the samples, in native order
  std::string samples;   // the same in the file's order
  std::size_t bpp;
};

Crafted craft(int width, int height, int depth, int colourType, unsigned seed) {
  const int channels = colourType == 0 ? 1 : colourType == 2 ? 3 : colourType == 4 ? 2 : 4;
  const SampleType type = depth == 16 ? SampleType::UInt16 : SampleType::UInt8;
  Crafted made{makeFlat(width, height, type, colourType & 2 ? 3 : 1, colourType & 4, 0), "",
               std::size_t(channels * depth / 8)};
  std::mt19937 random(seed);
  made.samples.resize(made.image.pixels.size());
  for (std::size_t i = 0; i < made.samples.size(); ++i)
    made.samples[i] = char(i % 3 == 0 ? random() : i * 7 / 5);
  for (std::size_t i = 0; i < made.samples.size(); i += depth / 8)
    for (int k = 0; k < depth / 8; ++k)
      made.image.pixels[i + std::size_t(k)] = std::uint8_t(made.samples[i + (depth == 16 ? std::size_t(1 - k) : 0)]);
  return made;
}

std::string pngFile(const Crafted& made, int depth, int colourType, const std::function<int(std::size_t)>& filterOfRow) {
  const std::string data = zlibStream(filtered(made.samples, made.image.rowBytes(), made.bpp, filterOfRow));
  return kSignature + header(std::uint32_t(made.image.width), std::uint32_t(made.image.height), depth, colourType) +
         chunk("IDAT", data) + chunk("IEND", "");
}

// --- the two readers ---

struct Reading {
  bool ok = false;
  RasterImage image;
  std::string error;
};

Reading readDirectly(const std::string& path) {
  Reading reading;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  EXPECT_NE(file, nullptr);
  if (!file) return reading;
  reading.ok = cli::png::readPngDirectly(file, readBytes(path).size(), reading.image);
  std::fclose(file);
  return reading;
}

Reading readWithLibpng(const std::string& path) {
  Reading reading;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  EXPECT_NE(file, nullptr);
  if (!file) return reading;
  reading.ok = cli::png::readPngWithLibpng(file, readBytes(path).size(), reading.image, reading.error);
  std::fclose(file);
  return reading;
}

// loadImage gives what libpng alone gave: the same picture, or the same error and no picture.
::testing::AssertionResult loadsAsLibpngDid(const std::string& path) {
  const Reading libpng = readWithLibpng(path);
  RasterImage image;
  std::string error;
  const bool ok = cli::loadImage(path, image, error);
  if (ok != libpng.ok) return ::testing::AssertionFailure() << "loadImage " << ok << " " << error << ", libpng " << libpng.error;
  if (ok) return sameImage(libpng.image, image);
  if (!image.pixels.empty()) return ::testing::AssertionFailure() << "an image was left behind";
  if (error != path + ": " + libpng.error) return ::testing::AssertionFailure() << error << " vs " << libpng.error;
  return ::testing::AssertionSuccess();
}

// --- decoding ---

// Every layout, at widths of one pixel up to more than one vector of bytes, each filter type
// on every row and all five in turn, decodes as the samples were and as libpng decodes them,
// pixel by pixel and byte by byte (as the x86 build does).
// One layout, width and filter choice, read by both; ours byte by byte or pixel by pixel, on
// threads of its own, which take rows of more than 1024 pixels in stretches, or on one.
struct OurWay {
  bool byteByByte;
  unsigned threads;
};

void expectDecodedAsLibpngDoes(int depth, int colourType, int width, int filter, OurWay way) {
  SCOPED_TRACE(std::to_string(depth) + "-bit type " + std::to_string(colourType) + " width " + std::to_string(width) +
               " filter " + std::to_string(filter) + (way.byteByByte ? " byte by byte" : "") + " threads " +
               std::to_string(way.threads));
  const std::string path = tempPath("crafted.png");
  const Crafted made = craft(width, 7, depth, colourType, unsigned(width + filter));
  writeBytes(path, pngFile(made, depth, colourType, [&](std::size_t y) { return filter < 5 ? filter : int((y + 1) % 5); }));
  cli::png::setUnfilterByteByByteForTesting(way.byteByByte);
  cli::png::setUnfilterThreadsForTesting(way.threads);
  const Reading ours = readDirectly(path), libpng = readWithLibpng(path);
  cli::png::setUnfilterByteByByteForTesting(false);
  cli::png::setUnfilterThreadsForTesting(0);
  ASSERT_TRUE(ours.ok);
  ASSERT_TRUE(libpng.ok) << libpng.error;
  EXPECT_TRUE(sameImage(made.image, ours.image));
  EXPECT_TRUE(sameImage(libpng.image, ours.image));
}

TEST(PngReader, EveryLayoutAndFilterDecodesAsLibpngDoes) {
  for (OurWay way : {OurWay{false, 1}, OurWay{true, 1}, OurWay{false, 3}})
    for (int depth : {8, 16})
      for (int colourType : {0, 2, 4, 6})
        for (int width : {1, 2, 5, 33, 2100})
          for (int filter = 0; filter <= 5; ++filter) expectDecodedAsLibpngDoes(depth, colourType, width, filter, way);
}

// ImageMagick's files read as libpng reads them; ours takes those it should and leaves the
// interlaced ones to libpng.
TEST(PngReader, FilesOfAnotherEncoderReadAsLibpngReadsThem) {
  // What to draw, then the colour type asked for; and whether ours takes the file.
  const std::pair<const char*, bool> cases[] = {
      {"gradient:red-blue -depth 8 -define png:color-type=2", true},
      {"gradient:red-blue -depth 16 -define png:color-type=2", true},
      {"gradient:black-white -colorspace Gray -depth 8 -define png:color-type=0", true},
      {"gradient:black-white -colorspace Gray -alpha set -depth 16 -define png:color-type=4", true},
      {"plasma:fractal -alpha set -channel A -evaluate set 40% +channel -depth 8 -define png:color-type=6", true},
      {"gradient:red-blue -depth 8 -define png:color-type=2 -interlace PNG", false},
      {"plasma:fractal -depth 16 -define png:color-type=6 -interlace PNG", false}};
  for (const auto& [making, ours] : cases) {
    SCOPED_TRACE(making);
    const std::string path = tempPath("other.png");
    std::vector<std::string> arguments = {"-size", "37x23", "-seed", "4"};
    for (std::string rest = making; !rest.empty();) {
      const std::size_t space = rest.find(' ');
      arguments.push_back(rest.substr(0, space));
      rest = space == std::string::npos ? "" : rest.substr(space + 1);
    }
    arguments.push_back(path);
    const ChildResult made = runChild("/usr/bin/convert", arguments);
    ASSERT_EQ(made.exitStatus, 0) << made.err << made.failure;
    const Reading direct = readDirectly(path), libpng = readWithLibpng(path);
    ASSERT_TRUE(libpng.ok) << libpng.error;
    EXPECT_EQ(direct.ok, ours);
    if (direct.ok) {
      EXPECT_TRUE(sameImage(libpng.image, direct.image));
    }
    EXPECT_TRUE(loadsAsLibpngDid(path));
  }
}

// --- damaged and unusual files ---

// A picture of two IDAT chunks between ancillary chunks, and ways to spoil it.
struct Parts {
  std::string before = chunk("tEXt", std::string("Title\0t", 7));
  std::string data;
  std::string after = chunk("tIME", std::string(7, '\1')) + chunk("IEND", "");
  std::string file(const std::string& head) const {
    const std::size_t half = data.size() / 2;
    return kSignature + head + before + chunk("IDAT", data.substr(0, half)) + chunk("IDAT", data.substr(half)) + after;
  }
};

// Files libpng refuses, and the words of its refusal; ours leaves each to libpng.
TEST(PngReader, DamagedFilesFailAsTheyDidThroughLibpng) {
  const Crafted made = craft(9, 6, 8, 2, 1);
  const std::string head = header(9, 6, 8, 2);
  const auto mixed = [](std::size_t y) { return int(y % 5); };
  const std::string rows = filtered(made.samples, made.image.rowBytes(), made.bpp, mixed);
  Parts parts;
  parts.data = zlibStream(rows);
  const std::string whole = parts.file(head);
  std::string badAdler = parts.data;
  badAdler.back() = char(badAdler.back() ^ 1);
  std::string badFilter = rows;
  badFilter[rows.size() / 2 / 28 * 28] = 5;  // the first byte of a row of 1 + 27 bytes
  std::string badIdatCrc = whole;
  badIdatCrc[whole.find("IDAT") + 4 + parts.data.size() / 2] ^= 1;  // the first IDAT chunk's CRC
  Parts unknown = parts;
  unknown.before += chunk("QUUX", "x");
  const std::pair<std::string, std::string> cases[] = {
      {whole.substr(0, 30), "truncated"},
      {whole.substr(0, whole.size() / 2), "truncated"},
      {whole.substr(0, whole.size() - 12), "truncated"},
      {whole.substr(0, whole.size() - 1), "truncated"},
      {badIdatCrc, "CRC error"},
      {Parts{parts.before, badAdler, parts.after}.file(head), "incorrect data check"},
      {Parts{parts.before, zlibStream(rows.substr(0, rows.size() - 28)), parts.after}.file(head), "Not enough image data"},
      {Parts{parts.before, zlibStream(badFilter), parts.after}.file(head), "bad adaptive filter value"},
      {unknown.file(head), "unhandled critical chunk"},
      {Parts{parts.before, "", parts.after}.file(head), ""}};
  writeBytes(tempPath("whole.png"), whole);
  const Reading control = readDirectly(tempPath("whole.png"));
  ASSERT_TRUE(control.ok);
  ASSERT_TRUE(sameImage(made.image, control.image));
  for (const auto& [bytes, words] : cases) {
    SCOPED_TRACE(words);
    const std::string path = tempPath("damaged.png");
    writeBytes(path, bytes);
    EXPECT_FALSE(readDirectly(path).ok);
    cli::png::setUnfilterThreadsForTesting(3);  // the threads waiting for a bad row give up too
    EXPECT_FALSE(readDirectly(path).ok);
    cli::png::setUnfilterThreadsForTesting(0);
    EXPECT_TRUE(loadsAsLibpngDid(path));
    RasterImage image;
    std::string error;
    EXPECT_FALSE(cli::loadImage(path, image, error));
    EXPECT_NE(error.find(words), std::string::npos) << error;
  }
}

// What libpng lets pass, with a warning at most, ours leaves to it too, so such a file loads
// as it did: damaged ancillary chunks, data behind the zlib stream, more rows inflated than
// the picture has, image data split by another chunk, a suggested palette.
TEST(PngReader, UnusualFilesLoadAsTheyDidThroughLibpng) {
  const Crafted made = craft(9, 6, 8, 2, 2);
  const std::string head = header(9, 6, 8, 2);
  const std::string rows = filtered(made.samples, made.image.rowBytes(), made.bpp, [](std::size_t y) { return int(y % 5); });
  Parts parts;
  parts.data = zlibStream(rows);
  std::string badTextCrc = parts.file(head);
  badTextCrc[badTextCrc.find("tEXt") + 12] ^= 1;
  Parts split = parts;
  split.after = chunk("tEXt", std::string("A\0b", 3)) + chunk("IDAT", "") + parts.after;
  Parts palette = parts;
  palette.before += chunk("PLTE", std::string(6, '\7'));
  Parts iendData = parts;
  iendData.after = chunk("IEND", "x");
  const std::string cases[] = {badTextCrc, Parts{parts.before, parts.data + "zz", parts.after}.file(head),
                               Parts{parts.before, zlibStream(rows + rows.substr(0, 28)), parts.after}.file(head),
                               split.file(head), palette.file(head), iendData.file(head)};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const std::string path = tempPath("unusual.png");
    writeBytes(path, cases[i]);
    EXPECT_FALSE(readDirectly(path).ok);
    EXPECT_TRUE(loadsAsLibpngDid(path));
    const Reading libpng = readWithLibpng(path);
    EXPECT_TRUE(libpng.ok) << libpng.error;
  }
}

// Sizes beyond the limits, or far beyond what the file could hold, are refused by both
// readers before any pixel memory is taken (the sanitizer build would see gigabytes asked).
TEST(PngReader, AbsurdSizesAreRefusedBeforeAllocating) {
  const std::string data = chunk("IDAT", zlibStream(std::string(64, '\0'))) + chunk("IEND", "");
  const std::pair<std::string, const char*> cases[] = {{header(300001, 1, 8, 0), "too large"},
                                                       {header(60000, 60000, 8, 2), "too large"},
                                                       {header(30000, 30000, 16, 6), "too small"},
                                                       {header(0, 5, 8, 0), "IHDR"}};
  for (const auto& [ihdr, words] : cases) {
    SCOPED_TRACE(words);
    const std::string path = tempPath("absurd.png");
    writeBytes(path, kSignature + ihdr + data);
    EXPECT_FALSE(readDirectly(path).ok);
    EXPECT_TRUE(loadsAsLibpngDid(path));
    RasterImage image;
    std::string error;
    EXPECT_FALSE(cli::loadImage(path, image, error));
    EXPECT_NE(error.find(words), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace qm::test
