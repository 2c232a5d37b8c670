// SPDX-License-Identifier: LicenseRef-Quillmark
// The substitute host's image files: PNG and TIFF round trips, our PNG writer seen by a
// reader of its own, files written by the libraries directly (other layouts, other byte
// order), refusals, damaged files, safe saving and selection masks.
#include <png.h>
#include <tiffio.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <random>
#include <tuple>
#include <utility>

#include "cli/raster_image.h"
#include "cli/png_writer.h"
#include "tests/cli/command_checks.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

using cli::loadImage;
using cli::loadMask;
using cli::saveImage;

// Loading must fail with one line that names the file, leaving no image.
void expectLoadFails(const std::string& path, const std::string& expectedText = "") {
  RasterImage image = makeFlat(2, 2, SampleType::UInt8, 1, false, 0.5);
  std::string error;
  EXPECT_FALSE(loadImage(path, image, error)) << path;
  EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  EXPECT_NE(error.find(expectedText), std::string::npos) << error;
  EXPECT_TRUE(image.pixels.empty());
}

// --- PNG written by libpng directly ---

struct PngFixture {
  png_uint_32 width, height;
  int bitDepth, colorType, interlace;
  const std::uint8_t* pixels;  // packed rows as a RasterImage holds them (16-bit samples little-endian);
                               // null writes the header and one zero row only
};

bool writePngBody(png_structp png, png_infop info, const PngFixture& f, png_bytep zeroRow) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_set_IHDR(png, info, f.width, f.height, f.bitDepth, f.colorType, f.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color palette[2] = {{0, 0, 0}, {255, 128, 0}};
  if (f.colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, 2);
  png_write_info(png, info);
  png_set_swap(png);  // the file's 16-bit samples are big-endian
  if (!f.pixels) {
    png_set_compression_buffer_size(png, 16);  // so an IDAT chunk leaves before the end
    png_write_row(png, zeroRow);
    png_write_flush(png);
    return true;
  }
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  for (int pass = png_set_interlace_handling(png); pass > 0; --pass)
    for (std::size_t y = 0; y < f.height; ++y) png_write_row(png, f.pixels + y * rowBytes);
  png_write_end(png, info);
  return true;
}

std::string writePng(const std::string& path, const PngFixture& fixture) {
  std::vector<png_byte> zeroRow(std::size_t(fixture.width) * 8, 0);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  EXPECT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  EXPECT_TRUE(file && writePngBody(png, info, fixture, zeroRow.data()));
  png_destroy_write_struct(&png, &info);
  if (file) std::fclose(file);
  return path;
}

// --- TIFF written by libtiff directly, from an interleaved native-order image ---

struct TiffFixture {
  std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  std::uint16_t format = SAMPLEFORMAT_UINT;
  std::uint16_t bits = 0;  // 0: the image's
  std::uint16_t planar = PLANARCONFIG_CONTIG;
  std::uint16_t compression = COMPRESSION_NONE;
  std::vector<std::uint16_t> extras = {};
  std::uint32_t rowsPerStrip = 2;
  std::uint32_t tileSize = 0;  // square tiles when not 0
  bool bigEndian = false;
};

// The path written.
std::string writeTiff(const std::string& path, const RasterImage& image, const TiffFixture& f) {
  TIFF* tif = TIFFOpen(path.c_str(), f.bigEndian ? "wb" : "wl");
  EXPECT_NE(tif, nullptr) << path;
  if (!tif) return path;
  const int samples = image.channels();
  const std::size_t sampleBytes = std::size_t(cli::bytesPerSample(image.type));
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(image.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(image.height));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(samples));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, f.bits ? f.bits : std::uint16_t(sampleBytes * 8));
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, f.format);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, f.photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, f.planar);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, f.compression);
  if (!f.extras.empty()) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, std::uint16_t(f.extras.size()), f.extras.data());
  const bool separate = f.planar == PLANARCONFIG_SEPARATE;
  const int unit = separate ? 1 : samples;
  // Block (x0, y0) of w x h of one plane, packed and zero-padded.
  auto block = [&](int x0, int y0, int w, int h, int plane) {
    std::vector<std::uint8_t> bytes(std::size_t(w * h * unit) * sampleBytes, 0);
    for (int y = 0; y < h && y0 + y < image.height; ++y)
      for (int x = 0; x < w && x0 + x < image.width; ++x)
        for (int c = 0; c < unit; ++c) {
          const std::size_t pixel = std::size_t((y0 + y) * image.width + x0 + x);
          const std::size_t from = (pixel * samples + std::size_t(separate ? plane : c)) * sampleBytes;
          std::memcpy(&bytes[(std::size_t((y * w + x) * unit + c)) * sampleBytes], &image.pixels[from], sampleBytes);
        }
    return bytes;
  };
  // A strip is a block as wide as the picture; the last one holds only the rows left.
  const int blockWidth = f.tileSize ? int(f.tileSize) : image.width;
  const int blockHeight = f.tileSize ? int(f.tileSize) : int(f.rowsPerStrip);
  if (f.tileSize) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, f.tileSize);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, f.tileSize);
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, f.rowsPerStrip);
  }
  for (int plane = 0; plane < (separate ? samples : 1); ++plane)
    for (int y = 0; y < image.height; y += blockHeight)
      for (int x = 0; x < image.width; x += blockWidth) {
        auto bytes = block(x, y, blockWidth, f.tileSize ? blockHeight : std::min(blockHeight, image.height - y), plane);
        const auto [column, row, sample] = std::tuple(std::uint32_t(x), std::uint32_t(y), std::uint16_t(plane));
        EXPECT_GE(f.tileSize ? TIFFWriteTile(tif, bytes.data(), column, row, 0, sample)
                             : TIFFWriteEncodedStrip(tif, TIFFComputeStrip(tif, row, sample), bytes.data(),
                                                     tmsize_t(bytes.size())),
                  0);
      }
  TIFFClose(tif);
  return path;
}

struct TiffEntry {
  unsigned tag, type, count, value;
};

// A grey 8-bit TIFF made by hand with its directory before the pixels, so a truncation
// cuts the pixel data, not the directory; extra entries join the directory in tag order.
std::string handMadeTiff(int width, int height, std::vector<TiffEntry> extra = {}) {
  std::string file = std::string("II*\0", 4);
  auto u16 = [&](unsigned v) { file += {char(v & 0xFF), char(v >> 8)}; };
  auto u32 = [&](unsigned v) { u16(v & 0xFFFF); u16(v >> 16); };
  const unsigned count = unsigned(9 + extra.size()), dataOffset = 8 + 2 + count * 12 + 4;
  std::vector<TiffEntry> entries = {{256, 4, 1, unsigned(width)}, {257, 4, 1, unsigned(height)}, {258, 3, 1, 8},
                                    {259, 3, 1, 1}, {262, 3, 1, 1}, {273, 4, 1, dataOffset}, {277, 3, 1, 1},
                                    {278, 4, 1, 0xFFFFFFFFu}, {279, 4, 1, unsigned(width * height)}};
  entries.insert(entries.end(), extra.begin(), extra.end());
  std::sort(entries.begin(), entries.end(), [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
  u32(8);
  u16(count);
  for (const TiffEntry& entry : entries) {
    u16(entry.tag);
    u16(entry.type);
    u32(entry.count);
    entry.type == 3 ? (u16(entry.value), u16(0)) : u32(entry.value);  // a short sits in the first half
  }
  u32(0);
  for (int i = 0; i < width * height; ++i) file += char(i * 7);
  return file;
}

// The picture handMadeTiff holds.
RasterImage handMadePicture(int width, int height) {
  RasterImage image = makeFlat(width, height, SampleType::UInt8, 1, false, 0);
  for (int i = 0; i < width * height; ++i) image.pixels[std::size_t(i)] = std::uint8_t(i * 7);
  return image;
}

// --- round trips ---

TEST(RasterImageFiles, RoundTripsEveryLayoutOfBothFormats) {
  for (const char* extension : {".png", ".tif"})
    for (SampleType type : {SampleType::UInt8, SampleType::UInt16, SampleType::Float32})
      for (int colors : {1, 3})
        for (bool alpha : {false, true}) {
          if (type == SampleType::Float32 && extension == std::string(".png")) continue;
          SCOPED_TRACE(layoutName(type, colors, alpha) + extension);
          const RasterImage image = makeTestImage(13, 9, type, colors, alpha);
          EXPECT_TRUE(sameImage(image, loaded(writeTemp(image, std::string("round") + extension))));
        }
  // Multichannel TIFF: the channels come back, an alpha among them as one more channel.
  for (int colors : {2, 4, 5}) {
    RasterImage image = makeTestImage(6, 4, SampleType::UInt16, colors, colors == 4);
    const std::string path = writeTemp(image, "multi.tiff");
    image.colorChannels = image.channels();
    image.hasAlpha = false;
    EXPECT_TRUE(sameImage(image, loaded(path))) << colors;
  }
}

// --- our PNG writer ---

// Rows made, in the file's byte order, for each filter to win in turn: pure ink and paper
// (None, whatever the others would give), noise, a copy of the noise above (Up), a ramp
// along the row (Sub), each byte the mean of its left and upper neighbours (Average),
// noise whose every other stretch of 4 pixels is flat, and a row that copies it in the
// noisy stretches and lies 100 above it in the flat ones (Paeth, which looks up where the
// row above varies along the row and left where it does not). Each winner leaves zeros or
// ones but for a few bytes, where every other filter leaves noise, the ramp or 100s. At
// 200 rows the second band starts with an Average row and the fourth with a Paeth row,
// which decode right only when they were filtered against the last row of the band before.
struct FilterPicture {
  RasterImage image;
  std::string filters;  // each row's filter type; '.' for noise, which may take any
};

FilterPicture makeFilterPicture(int width, int height, SampleType type, int colors, bool alpha) {
  FilterPicture picture{makeFlat(width, height, type, colors, alpha, 0), ""};
  RasterImage& image = picture.image;
  const std::size_t stride = image.rowBytes(), sampleBytes = std::size_t(cli::bytesPerSample(type));
  const std::size_t bpp = std::size_t(image.channels()) * sampleBytes;
  std::vector<std::uint8_t> file(stride * std::size_t(height + 1), 0);  // a zero row above the first
  std::mt19937 random(7);
  for (std::size_t y = 1; y <= std::size_t(height); ++y) {
    std::uint8_t* row = &file[y * stride];
    const std::uint8_t* above = row - stride;
    const std::size_t kind = (y + 2) % 7;
    picture.filters += "0.213.4"[kind];
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0;
      const bool flat = i / (4 * bpp) % 2 == 1;
      switch (kind) {
        case 0: row[i] = i % sampleBytes ? row[i - 1] : std::uint8_t(random() & 1 ? 255 : 0); break;
        case 2: row[i] = above[i]; break;
        case 3: row[i] = std::uint8_t(i >= bpp ? a + 1 : random()); break;
        case 4: row[i] = std::uint8_t((a + above[i]) >> 1); break;
        case 5: row[i] = std::uint8_t(flat && i % (4 * bpp) >= bpp ? row[i - bpp] : random()); break;
        case 6: row[i] = std::uint8_t(flat ? above[i] + 100 : above[i]); break;
        default: row[i] = std::uint8_t(random()); break;
      }
    }
  }
  for (std::size_t i = 0; i < image.pixels.size(); i += sampleBytes) {
    const std::uint8_t* sample = &file[stride + i];
    if (sampleBytes == 1) image.pixels[i] = sample[0];
    else {
      const std::uint16_t value = std::uint16_t(sample[0] << 8 | sample[1]);
      std::memcpy(&image.pixels[i], &value, 2);
    }
  }
  return picture;
}

// Whether each row's filter is the one expected ('.' takes any).
::testing::AssertionResult filtersAsExpected(const std::string& expected, const std::string& actual) {
  bool same = expected.size() == actual.size();
  for (std::size_t y = 0; same && y < expected.size(); ++y) same = expected[y] == '.' || expected[y] == actual[y];
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "filters " << actual << "\nexpected " << expected;
}

// The samples as a PNG file stores them: 16-bit ones big-endian.
std::string fileOrder(const RasterImage& image) {
  std::string bytes(image.pixels.begin(), image.pixels.end());
  if (image.type == SampleType::UInt16)
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
      std::uint16_t value;
      std::memcpy(&value, &image.pixels[i], 2);
      bytes[i] = char(value >> 8);
      bytes[i + 1] = char(value & 0xFF);
    }
  return bytes;
}

// tests/cli/read_png.py's view of a file: its header line and the samples.
std::pair<std::string, std::string> readWithPython(const std::string& path) {
  const std::string script = (std::filesystem::path(__FILE__).parent_path() / "read_png.py").string();
  const ChildResult result = runChild("/usr/bin/python3", {script, path});
  EXPECT_EQ(result.exitStatus, 0) << result.err << result.failure;
  const std::size_t end = result.out.find('\n');
  if (end == std::string::npos) return {};
  return {result.out.substr(0, end), result.out.substr(end + 1)};
}

// Every layout, in a picture of several bands whose rows use every filter and in a single
// pixel, reads back exactly through libpng and through a reader that shares no code with it,
// and each row took the filter it was made for.
TEST(RasterImagePng, WrittenFilesReadBackExactlyThroughTwoReaders) {
  // PNG colour types: grey 0, RGB 2, grey+alpha 4, RGBA 6.
  for (SampleType type : {SampleType::UInt8, SampleType::UInt16})
    for (int colors : {1, 3})
      for (bool alpha : {false, true})
        for (int size : {1, 200}) {
          SCOPED_TRACE(layoutName(type, colors, alpha) + " " + std::to_string(size));
          const auto [image, filters] = makeFilterPicture(size == 1 ? 1 : 37, size, type, colors, alpha);
          const std::string path = writeTemp(image, "filters.png");
          EXPECT_TRUE(sameImage(image, loaded(path)));
          const auto [header, samples] = readWithPython(path);
          const std::string shape = std::to_string(image.width) + " " + std::to_string(size) + " " +
                                    (type == SampleType::UInt8 ? "8 " : "16 ") +
                                    std::to_string((colors == 3 ? 2 : 0) + (alpha ? 4 : 0)) + " ";
          EXPECT_EQ(header.substr(0, shape.size()), shape);
          // A single pixel has no neighbours: every filter sums the same, and ties go to None.
          EXPECT_TRUE(filtersAsExpected(size == 1 ? "0" : filters, header.substr(std::min(shape.size(), header.size()))));
          EXPECT_TRUE(samples == fileOrder(image));
        }
}

// A row of ink and paper with a single sample of another tone is no ink row: against an
// identical row above, Up leaves only that sample, where None would leave every full-scale
// byte. The tone sample moves along the row from row to row, through every block the test
// for ink takes at once.
TEST(RasterImagePng, OneToneSampleMakesARowFilteredLikeAnyOther) {
  for (const auto& [type, colors, alpha, width] : {std::tuple(SampleType::UInt8, 1, false, 200),
                                                   std::tuple(SampleType::UInt16, 3, true, 37)}) {
    SCOPED_TRACE(layoutName(type, colors, alpha));
    const int samples = width * (colors + (alpha ? 1 : 0));
    RasterImage image = makeFlat(width, 2 * samples, type, colors, alpha, 0);
    // The 16-bit tone is 255: bytes 0 and 255, ink and paper only to a test of bytes.
    const double full = type == SampleType::UInt8 ? 255 : 65535, tone = type == SampleType::UInt8 ? 100 : 255;
    std::mt19937 random(5);
    std::string filters;
    for (int y = 0; y < image.height; y += 2) {
      for (int i = 0; i < samples; ++i) {
        const double ink = random() & 1 ? full : 0;
        setSampleAt(image, i / image.channels(), y, i % image.channels(), ink);
        setSampleAt(image, i / image.channels(), y + 1, i % image.channels(), y / 2 == i ? tone : ink);
      }
      filters += "02";
    }
    const std::string path = writeTemp(image, "tone.png");
    EXPECT_TRUE(sameImage(image, loaded(path)));
    const std::string header = readWithPython(path).first;
    EXPECT_TRUE(filtersAsExpected(filters, header.substr(header.rfind(' ') + 1)));
  }
}

// Compressed data longer than one IDAT chunk goes into several, each with its own CRC.
TEST(RasterImagePng, ImageDataSpansSeveralChunks) {
  RasterImage noise = makeFlat(700, 400, SampleType::UInt8, 3, true, 0);
  std::mt19937 random(3);
  for (std::uint8_t& sample : noise.pixels) sample = std::uint8_t(random());
  const std::string path = writeTemp(noise, "noise.png");
  const std::string file = readBytes(path);
  int chunks = 0;
  for (std::size_t at = file.find("IDAT"); at != std::string::npos; at = file.find("IDAT", at + 4)) ++chunks;
  EXPECT_GE(chunks, 2);
  EXPECT_TRUE(sameImage(noise, loaded(path)));
  EXPECT_TRUE(readWithPython(path).second == fileOrder(noise));
}

// A full disk and a compression job that fails are errors, and the target keeps what it had.
TEST(RasterImagePng, FailedWritesReportTheCauseAndKeepTheTarget) {
  const RasterImage image = makeFilterPicture(37, 200, SampleType::UInt8, 3, false).image;
  std::string error;
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(cli::detail::savePng("/dev/full", image, error));
    EXPECT_NE(error.find("write error: No space left"), std::string::npos) << error;
  }
  const std::string path = writeTemp(makeTestImage(5, 4, SampleType::UInt8, 1, false), "kept.png");
  const std::string before = readBytes(path);
  cli::png::setCompressionFailsForTesting(true);
  const bool saved = saveImage(path, image, error);
  cli::png::setCompressionFailsForTesting(false);
  EXPECT_FALSE(saved);
  EXPECT_NE(error.find("not enough memory"), std::string::npos) << error;
  EXPECT_EQ(readBytes(path), before);
  EXPECT_EQ(folderEntries(testDir()), std::vector<std::string>{"kept.png"});
}

// --- files written by the libraries directly ---

TEST(RasterImageFiles, ReadsOtherLayoutsWrittenByTheLibraries) {
  // 16-bit grey+alpha PNG, Adam7: its samples are stored big-endian.
  const RasterImage adam7 = makeTestImage(9, 7, SampleType::UInt16, 1, true);
  const std::string png = tempPath("adam7.png");
  writePng(png, {9, 7, 16, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_INTERLACE_ADAM7, adam7.pixels.data()});
  EXPECT_TRUE(sameImage(adam7, loaded(png)));
  const RasterImage flat = makeFlat(2048, 1536, SampleType::UInt16, 1, false, 0.5);
  const std::tuple<const char*, RasterImage, TiffFixture> cases[] = {
      {"separate strips", makeTestImage(11, 7, SampleType::UInt16, 3, true),
       {.photometric = PHOTOMETRIC_RGB, .planar = PLANARCONFIG_SEPARATE, .extras = {EXTRASAMPLE_ASSOCALPHA},
        .rowsPerStrip = 3}},
      {"contiguous tiles", makeTestImage(37, 23, SampleType::UInt8, 3, false),
       {.photometric = PHOTOMETRIC_RGB, .compression = COMPRESSION_LZW, .tileSize = 16}},
      {"separate float tiles", makeTestImage(20, 33, SampleType::Float32, 1, true),
       {.format = SAMPLEFORMAT_IEEEFP, .planar = PLANARCONFIG_SEPARATE, .compression = COMPRESSION_ADOBE_DEFLATE,
        .extras = {EXTRASAMPLE_UNASSALPHA}, .tileSize = 16}},
      {"big-endian 16-bit", makeTestImage(9, 5, SampleType::UInt16, 1, false),
       {.compression = COMPRESSION_LZW, .bigEndian = true}},
      {"big-endian float", makeTestImage(9, 5, SampleType::Float32, 3, false),
       {.photometric = PHOTOMETRIC_RGB, .format = SAMPLEFORMAT_IEEEFP, .rowsPerStrip = 5, .bigEndian = true}},
      {"extra sample that is no alpha", makeTestImage(4, 3, SampleType::UInt8, 4, false),
       {.photometric = PHOTOMETRIC_RGB, .extras = {EXTRASAMPLE_UNSPECIFIED}}},
      {"alpha and one more", makeTestImage(4, 3, SampleType::UInt8, 5, false),
       {.photometric = PHOTOMETRIC_RGB, .extras = {EXTRASAMPLE_UNASSALPHA, EXTRASAMPLE_UNSPECIFIED}}},
      {"two grey samples", makeTestImage(4, 3, SampleType::UInt8, 2, false), {}},
      // Flat pictures of a few hundred bytes, which no ratio of file to picture may refuse:
      // larger than the trial decode of their start, which must leave the whole to be read.
      {"flat ZSTD strip", flat, {.compression = COMPRESSION_ZSTD, .rowsPerStrip = 1536}},
      {"flat LERC tiles", flat, {.compression = COMPRESSION_LERC, .tileSize = 512}},
      {"flat LZMA strip", flat, {.compression = COMPRESSION_LZMA, .rowsPerStrip = 1536}},
  };
  for (const auto& [name, image, fixture] : cases)
    EXPECT_TRUE(sameImage(image, loaded(writeTiff(tempPath("fixture.tif"), image, fixture)))) << name;
  // MINISWHITE turns into ordinary grey.
  RasterImage grey = makeTestImage(5, 3, SampleType::UInt8, 1, false);
  const std::string white = writeTiff(tempPath("white.tif"), grey, {.photometric = PHOTOMETRIC_MINISWHITE});
  for (std::uint8_t& sample : grey.pixels) sample = std::uint8_t(255 - sample);
  EXPECT_TRUE(sameImage(grey, loaded(white)));
}

// Layouts the host does not hold, named; sizes beyond the limits, or far beyond what the
// file could hold, refused before anything is allocated.
TEST(RasterImageFiles, RefusesWhatTheHostCannotHoldByName) {
  const std::vector<std::uint8_t> ones(32, 1);
  const std::string path = tempPath("refused");
  expectLoadFails(writePng(path, {8, 4, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, ones.data()}), "indexed-colour");
  expectLoadFails(writePng(path, {8, 4, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, ones.data()}), "1-bit");
  expectLoadFails(writePng(path, {300001, 1, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, nullptr}), "too large");
  expectLoadFails(writePng(path, {60000, 60000, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, nullptr}), "too large");
  expectLoadFails(writePng(path, {30000, 30000, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, nullptr}), "too small");
  const RasterImage four = makeTestImage(4, 3, SampleType::UInt8, 4, false);
  expectLoadFails(writeTiff(path, four, {.photometric = PHOTOMETRIC_SEPARATED}), "CMYK");
  const RasterImage three = makeTestImage(4, 3, SampleType::UInt16, 3, false);
  expectLoadFails(writeTiff(path, three, {.photometric = PHOTOMETRIC_CIELAB}), "Lab");
  expectLoadFails(writeTiff(path, three, {}), "taken for RGB");
  expectLoadFails(writeTiff(path, three, {.photometric = PHOTOMETRIC_RGB, .format = SAMPLEFORMAT_INT}),
                  "16-bit signed integer");
  // 8 bytes a pixel, read as doubles.
  const RasterImage two = makeTestImage(4, 3, SampleType::Float32, 2, false);
  expectLoadFails(writeTiff(path, two, {.format = SAMPLEFORMAT_IEEEFP, .bits = 64}), "64-bit floating-point");
  // Uncompressed 40000 x 40000 in 16 bytes of pixels.
  writeBytes(path, handMadeTiff(4, 4).replace(18, 4, "\x40\x9C\0\0", 4).replace(30, 4, "\x40\x9C\0\0", 4));
  expectLoadFails(path, "too small");
}

// libtiff skips a tag it cannot read and reads on. That costs the pixels nothing unless the
// tag is one that shapes them.
TEST(RasterImageTiff, TagsLibtiffSkipsRefuseTheFileOnlyWhenTheyShapeThePixels) {
  // Each tag, and whether the file still loads.
  const std::tuple<const char*, TiffEntry, bool> cases[] = {
      {"private tag of an unknown type", {65000, 99, 1, 7}, true},
      {"private tag past the end of the file", {65000, 4, 1000, 1u << 30}, true},
      {"software name of an unknown type", {305, 99, 1, 7}, true},
      {"sample format of an unknown type", {339, 99, 1, 7}, false},
      {"extra samples past the end of the file", {338, 3, 1000, 1u << 30}, false}};
  for (const auto& [name, entry, loads] : cases) {
    SCOPED_TRACE(name);
    writeBytes(tempPath("tagged.tif"), handMadeTiff(5, 4, {entry}));
    if (loads)
      EXPECT_TRUE(sameImage(handMadePicture(5, 4), loaded(tempPath("tagged.tif"))));
    else
      expectLoadFails(tempPath("tagged.tif"));
  }
}

// --- damaged files ---

// Cut anywhere (the last byte, inside the pixels, inside the header), a file is refused, or
// loads with every pixel it held where only what follows the pixels was lost. Any byte
// changed fails the load or gives a whole picture, and never crashes (the sanitizers see).
TEST(RasterImageFiles, DamagedFilesFailOrKeepEveryPixel) {
  const RasterImage png = makeTestImage(20, 16, SampleType::UInt8, 3, true);
  const RasterImage tif = makeTestImage(20, 16, SampleType::UInt16, 1, true);
  const std::pair<std::string, RasterImage> files[] = {{readBytes(writeTemp(png, "whole.png")), png},
                                                       {readBytes(writeTemp(tif, "whole.tif")), tif},
                                                       {handMadeTiff(20, 16), handMadePicture(20, 16)}};
  const std::string path = tempPath("damaged");
  int loaded = 0;
  for (const auto& [whole, picture] : files) {
    ASSERT_GT(whole.size(), 200u);
    for (std::size_t size : {std::size_t(5), std::size_t(9), std::size_t(30), std::size_t(100), whole.size() / 2,
                             whole.size() - 12, whole.size() - 1}) {
      writeBytes(path, whole.substr(0, size));
      RasterImage image;
      std::string error;
      if (loadImage(path, image, error))
        EXPECT_TRUE(sameImage(picture, image)) << size;
      else
        expectLoadFails(path);
    }
    // Bytes are changed in place: rewriting a truncated file makes some file systems flush it.
    writeBytes(path, whole);
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    for (std::size_t at = 0; at < whole.size(); ++at)
      for (char change : {'\xFF', '\x80', '\x01', '\0'}) {
        std::fseek(file, long(at), SEEK_SET);
        std::fputc(whole[at] ^ change, file);  // the last change puts the byte back
        std::fflush(file);
        RasterImage image;
        std::string error;
        if (loadImage(path, image, error)) {
          EXPECT_EQ(image.pixels.size(), image.rowBytes() * std::size_t(image.height));
          loaded += change != 0;
        } else {
          EXPECT_TRUE(image.pixels.empty());
        }
      }
    std::fclose(file);
  }
  EXPECT_GT(loaded, 0);  // pixel bytes of the hand-made TIFF may change freely
}

// --- saving ---

// Refusals before and after the temporary file exists, and a stop asked for while it was
// written, leave the old file as it was and nothing beside it.
TEST(RasterImageSave, ReplacesTheTargetOnlyOnSuccess) {
  const RasterImage second = makeFlat(5, 4, SampleType::UInt16, 1, false, 0.25);
  const std::string path = writeTemp(makeTestImage(5, 4, SampleType::UInt8, 3, false), "out.png");
  std::string error;
  ASSERT_TRUE(saveImage(path, second, error)) << error;
  EXPECT_TRUE(sameImage(second, loaded(path)));
  const std::string before = readBytes(path);
  RasterImage broken = second;
  broken.pixels.pop_back();
  std::filesystem::create_directory(tempPath("dir.tif"));
  // Each target, picture and what the refusal names.
  const std::tuple<std::string, RasterImage, const char*> cases[] = {
      {path, makeTestImage(5, 4, SampleType::Float32, 3, false), ".tif"},
      {path, makeTestImage(5, 4, SampleType::UInt8, 4, false), ".tif"},
      {tempPath("ga.tif"), makeTestImage(2, 2, SampleType::UInt8, 2, true), "2 channels plus alpha"},
      {path, broken, "does not match"}, {tempPath("out.gif"), second, ".png"},
      {tempPath("no-such-dir/out.png"), second, "no-such-dir"}, {tempPath("dir.tif"), second, "folder"}};
  for (const auto& [target, image, cause] : cases) {
    EXPECT_FALSE(saveImage(target, image, error)) << cause;
    EXPECT_NE(error.find(cause), std::string::npos) << error;
  }
  EXPECT_FALSE(saveImage(path, second, error, [] { return true; }));
  EXPECT_NE(error.find("stopped"), std::string::npos) << error;
  EXPECT_EQ(readBytes(path), before);
  EXPECT_EQ(folderEntries(testDir()), (std::vector<std::string>{"dir.tif", "out.png"}));
}

TEST(RasterImageMask, ReducesAnyImageToOneBytePerPixel) {
  std::vector<std::uint8_t> mask;
  std::string error;
  EXPECT_FALSE(loadMask(writeTemp(makeFlat(4, 3, SampleType::UInt8, 1, false, 1), "small.png"), 5, 3, mask, error));
  EXPECT_NE(error.find("the mask is 4 x 3 pixels but the image is 5 x 3"), std::string::npos) << error;
  EXPECT_FALSE(loadMask(writeTemp(makeFlat(2, 1, SampleType::UInt8, 2, false, 0), "two.tif"), 2, 1, mask, error));
  // Grey as it is, alpha ignored.
  const RasterImage grey = makeTestImage(4, 3, SampleType::UInt8, 1, true);
  ASSERT_TRUE(loadMask(writeTemp(grey, "grey.png"), 4, 3, mask, error)) << error;
  for (int i = 0; i < 12; ++i) EXPECT_EQ(mask[std::size_t(i)], grey.pixels[std::size_t(2 * i)]);
  // RGB to rounded luma; 16-bit to 8 with rounding; float clamped.
  // The depth, the colours of the pixels after a black first one, and the mask.
  const std::tuple<SampleType, std::vector<double>, std::vector<std::uint8_t>> cases[] = {
      {SampleType::UInt8, {255, 0, 0, 0, 255, 0, 10, 20, 200}, {0, 76, 150, 38}},
      {SampleType::UInt16, {65535, 65535, 65535, 128, 128, 128, 129, 129, 129, 32896, 32896, 32896},
       {0, 255, 0, 1, 128}},
      {SampleType::Float32, {1.5, 2, 9, -1, -1, -1, 0.6, 0.6, 0.6}, {0, 255, 0, 153}}};
  for (const auto& [type, colours, expected] : cases) {
    const int width = int(expected.size());
    RasterImage rgb = makeFlat(width, 1, type, 3, false, 0);
    for (std::size_t i = 0; i < colours.size(); ++i) setSampleAt(rgb, int(i / 3) + 1, 0, int(i % 3), colours[i]);
    ASSERT_TRUE(loadMask(writeTemp(rgb, "rgb.tif"), width, 1, mask, error)) << error;
    EXPECT_EQ(mask, expected);
  }
}

}  // namespace
}  // namespace qm::test
