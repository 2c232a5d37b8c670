// SPDX-License-Identifier: LicenseRef-Quillmark
// The substitute host's image files: PNG and TIFF round trips, files written by the
// libraries directly (other layouts, other byte order), refusals, damaged files, safe
// saving and selection masks.
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <cmath>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <functional>
#include <utility>

#include "cli/raster_image.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

using cli::loadImage;
using cli::loadMask;
using cli::saveImage;

const SampleType kTypes[] = {SampleType::UInt8, SampleType::UInt16, SampleType::Float32};

std::string layoutName(SampleType type, int colorChannels, bool hasAlpha) {
  return std::to_string(cli::bytesPerSample(type) * 8) + "-bit " + std::to_string(colorChannels) +
         (hasAlpha ? "+alpha" : "");
}

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

std::vector<std::string> directoryEntries(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// --- PNG written by libpng directly ---

struct PngFixture {
  png_uint_32 width, height;
  int bitDepth, colorType, interlace;
  png_bytepp rows;  // as PNG stores them; null writes the header and one zero row only
  png_bytep zeroRow = nullptr;
};

bool writePngBody(png_structp png, png_infop info, const PngFixture* f) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_set_IHDR(png, info, f->width, f->height, f->bitDepth, f->colorType, f->interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color palette[2] = {{0, 0, 0}, {255, 128, 0}};
  if (f->colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, 2);
  png_write_info(png, info);
  if (f->rows) {
    png_write_image(png, f->rows);
    png_write_end(png, info);
  } else {
    png_set_compression_buffer_size(png, 16);  // so an IDAT chunk leaves before the end
    png_write_row(png, f->zeroRow);
    png_write_flush(png);
  }
  return true;
}

void writePng(const std::string& path, PngFixture fixture) {
  const int channels = fixture.colorType == PNG_COLOR_TYPE_RGB ? 3 : 1;
  std::vector<png_byte> zeroRow(std::size_t(fixture.width) * std::size_t(channels * 2), 0);
  fixture.zeroRow = zeroRow.data();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  const bool ok = writePngBody(png, info, &fixture);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  ASSERT_TRUE(ok);
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

void writeTiff(const std::string& path, const RasterImage& image, const TiffFixture& f) {
  TIFF* tif = TIFFOpen(path.c_str(), f.bigEndian ? "wb" : "wl");
  ASSERT_NE(tif, nullptr);
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
  if (!f.extras.empty()) {
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, std::uint16_t(f.extras.size()), f.extras.data());
  }
  const bool separate = f.planar == PLANARCONFIG_SEPARATE;
  const int planes = separate ? samples : 1;
  const int unit = separate ? 1 : samples;
  // Block (x0, y0) of w x h of one plane, packed and zero-padded.
  auto block = [&](int x0, int y0, int w, int h, int plane) {
    std::vector<std::uint8_t> bytes(std::size_t(w * h * unit) * sampleBytes, 0);
    for (int y = 0; y < h && y0 + y < image.height; ++y)
      for (int x = 0; x < w && x0 + x < image.width; ++x)
        for (int c = 0; c < unit; ++c) {
          const std::size_t from = (std::size_t((y0 + y) * image.width + x0 + x) * samples +
                                    std::size_t(separate ? plane : c)) * sampleBytes;
          std::memcpy(&bytes[(std::size_t((y * w + x) * unit + c)) * sampleBytes],
                      &image.pixels[from], sampleBytes);
        }
    return bytes;
  };
  if (f.tileSize) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, f.tileSize);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, f.tileSize);
    const int t = int(f.tileSize);
    for (int plane = 0; plane < planes; ++plane)
      for (int y = 0; y < image.height; y += t)
        for (int x = 0; x < image.width; x += t) {
          auto bytes = block(x, y, t, t, plane);
          ASSERT_GE(TIFFWriteTile(tif, bytes.data(), std::uint32_t(x), std::uint32_t(y), 0,
                                  std::uint16_t(plane)), 0);
        }
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, f.rowsPerStrip);
    const int r = int(f.rowsPerStrip);
    for (int plane = 0; plane < planes; ++plane)
      for (int y = 0; y < image.height; y += r) {
        auto bytes = block(0, y, image.width, std::min(r, image.height - y), plane);
        ASSERT_GE(TIFFWriteEncodedStrip(tif, TIFFComputeStrip(tif, std::uint32_t(y), std::uint16_t(plane)),
                                        bytes.data(), tmsize_t(bytes.size())), 0);
      }
  }
  TIFFClose(tif);
}

// A grey 8-bit TIFF made by hand with its directory before the pixels, so a truncation
// cuts the pixel data, not the directory.
std::string handMadeTiff(int width, int height) {
  std::string file = std::string("II*\0", 4);
  auto u16 = [&](unsigned v) { file += char(v & 0xFF); file += char(v >> 8); };
  auto u32 = [&](unsigned v) { u16(v & 0xFFFF); u16(v >> 16); };
  const unsigned entries = 9, dataOffset = 8 + 2 + entries * 12 + 4;
  u32(8);
  u16(entries);
  const unsigned tags[entries][3] = {{256, 4, unsigned(width)}, {257, 4, unsigned(height)}, {258, 3, 8},
                                     {259, 3, 1}, {262, 3, 1}, {273, 4, dataOffset}, {277, 3, 1},
                                     {278, 4, 0xFFFFFFFFu}, {279, 4, unsigned(width * height)}};
  for (const auto& tag : tags) {
    u16(tag[0]);
    u16(tag[1]);
    u32(1);
    if (tag[1] == 3) { u16(tag[2]); u16(0); } else { u32(tag[2]); }
  }
  u32(0);
  for (int i = 0; i < width * height; ++i) file += char(i * 7);
  return file;
}

TEST(RasterImagePng, RoundTripsEveryLayout) {
  for (SampleType type : {SampleType::UInt8, SampleType::UInt16})
    for (int colors : {1, 3})
      for (bool alpha : {false, true}) {
        SCOPED_TRACE(layoutName(type, colors, alpha));
        const RasterImage image = makeTestImage(7, 5, type, colors, alpha);
        RasterImage loaded;
        std::string error;
        ASSERT_TRUE(loadImage(writeTemp(image, "round.png"), loaded, error)) << error;
        EXPECT_TRUE(sameImage(image, loaded));
      }
}

// The filter type that starts each row of a non-interlaced PNG, from its inflated image data.
std::vector<int> rowFilters(const std::string& file, std::size_t rowBytes, int height) {
  std::string data;
  auto be32 = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | std::uint8_t(file[at + i]);
    return value;
  };
  for (std::size_t at = 8; at + 12 <= file.size(); at += 12 + be32(at)) {
    if (file.compare(at + 4, 4, "IDAT") == 0) data += file.substr(at + 8, be32(at));
  }
  std::vector<Bytef> raw(std::size_t(height) * (rowBytes + 1));
  uLongf rawSize = uLongf(raw.size());
  const auto* packed = reinterpret_cast<const Bytef*>(data.data());
  EXPECT_EQ(uncompress(raw.data(), &rawSize, packed, uLong(data.size())), Z_OK);
  EXPECT_EQ(rawSize, raw.size());
  std::vector<int> filters;
  for (int y = 0; y < height; ++y) filters.push_back(raw[std::size_t(y) * (rowBytes + 1)]);
  return filters;
}

// Rows of pure ink and paper (every sample 0 or full scale) are written unfiltered, which
// is what makes ink pictures quick to write; rows of tone still get a filter, including the
// filters that look at the row above even when the picture starts with ink. Switching the
// filter from row to row must keep every pixel, also on pictures one pixel high or wide.
TEST(RasterImagePng, WritesRowsOfInkUnfilteredAndRowsOfToneFiltered) {
  // The tone rows are one ramp across, so the last row repeats the one above it.
  const bool toneRow[] = {false, true, false, false, true, true};
  for (SampleType type : {SampleType::UInt8, SampleType::UInt16})
    for (int colors : {1, 3})
      for (bool alpha : {false, true}) {
        SCOPED_TRACE(layoutName(type, colors, alpha));
        const double full = type == SampleType::UInt8 ? 255 : 65535;
        const int width = 40, height = 6;
        RasterImage image = makeFlat(width, height, type, colors, alpha, 0);
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width; ++x)
            for (int c = 0; c < image.channels(); ++c) {
              const double ink = (x / 3 + y + c) % 2 ? full : 0;
              const double ramp = std::round(full * (x + c) / (width + 4));
              setSampleAt(image, x, y, c, toneRow[y] ? ramp : ink);
            }
        const std::string path = writeTemp(image, "rows.png");
        RasterImage loaded;
        std::string error;
        ASSERT_TRUE(loadImage(path, loaded, error)) << error;
        EXPECT_TRUE(sameImage(image, loaded));
        const std::vector<int> filters = rowFilters(readBytes(path), image.rowBytes(), height);
        ASSERT_EQ(filters.size(), std::size_t(height));
        // The first row sets up libpng's filters and may take any of them.
        for (int y = 1; y < height - 1; ++y) {
          if (toneRow[y]) {
            EXPECT_NE(filters[std::size_t(y)], PNG_FILTER_VALUE_NONE) << "row " << y;
          } else {
            EXPECT_EQ(filters[std::size_t(y)], PNG_FILTER_VALUE_NONE) << "row " << y;
          }
        }
        EXPECT_EQ(filters.back(), PNG_FILTER_VALUE_UP);
        for (const auto& [w, h] : {std::pair{1, 6}, std::pair{40, 1}}) {
          SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
          RasterImage strip = makeFlat(w, h, type, colors, alpha, 0);
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
              for (int c = 0; c < strip.channels(); ++c)
                setSampleAt(strip, x, y, c, sampleAt(image, x, y, c));
          ASSERT_TRUE(loadImage(writeTemp(strip, "strip.png"), loaded, error)) << error;
          EXPECT_TRUE(sameImage(strip, loaded));
        }
      }
}

TEST(RasterImagePng, ReadsBigEndianAndInterlacedFilesFromLibpng) {
  // 16-bit grey+alpha, Adam7: samples as PNG stores them, big-endian.
  const int width = 9, height = 7;
  std::vector<std::vector<png_byte>> data(height, std::vector<png_byte>(width * 4));
  std::vector<png_bytep> rows;
  RasterImage expected = makeFlat(width, height, SampleType::UInt16, 1, true, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width * 2; ++x) {
      const unsigned value = unsigned(0x1234 + (y * width * 2 + x) * 0x0F1F) & 0xFFFF;
      data[y][x * 2] = png_byte(value >> 8);
      data[y][x * 2 + 1] = png_byte(value & 0xFF);
      setSampleAt(expected, x / 2, y, x % 2, value);
    }
    rows.push_back(data[y].data());
  }
  const std::string path = tempPath("adam7.png");
  writePng(path, {width, height, 16, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_INTERLACE_ADAM7, rows.data()});
  RasterImage loaded;
  std::string error;
  ASSERT_TRUE(loadImage(path, loaded, error)) << error;
  EXPECT_TRUE(sameImage(expected, loaded));
}

TEST(RasterImagePng, RefusesWhatTheHostCannotHold) {
  std::vector<png_byte> row(16, 1);
  std::vector<png_bytep> rows(4, row.data());
  writePng(tempPath("indexed.png"), {8, 4, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, rows.data()});
  expectLoadFails(tempPath("indexed.png"), "indexed-colour");
  writePng(tempPath("bilevel.png"), {8, 4, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, rows.data()});
  expectLoadFails(tempPath("bilevel.png"), "1-bit");
  // Sizes beyond the limits, or far beyond what the file could hold, before allocating.
  writePng(tempPath("wide.png"), {300001, 1, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, nullptr});
  expectLoadFails(tempPath("wide.png"), "too large");
  writePng(tempPath("huge.png"), {60000, 60000, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, nullptr});
  expectLoadFails(tempPath("huge.png"), "too large");
  writePng(tempPath("lying.png"), {30000, 30000, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, nullptr});
  expectLoadFails(tempPath("lying.png"), "too small");

  std::string error;
  EXPECT_FALSE(saveImage(tempPath("float.png"), makeTestImage(3, 3, SampleType::Float32, 3, false), error));
  EXPECT_NE(error.find(".tif"), std::string::npos) << error;
  EXPECT_FALSE(saveImage(tempPath("four.png"), makeTestImage(3, 3, SampleType::UInt8, 4, false), error));
  EXPECT_NE(error.find(".tif"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(tempPath("float.png")));
}

TEST(RasterImageTiff, RoundTripsEveryLayout) {
  for (SampleType type : kTypes)
    for (int colors : {1, 3})
      for (bool alpha : {false, true}) {
        SCOPED_TRACE(layoutName(type, colors, alpha));
        const RasterImage image = makeTestImage(13, 9, type, colors, alpha);
        RasterImage loaded;
        std::string error;
        ASSERT_TRUE(loadImage(writeTemp(image, "round.tif"), loaded, error)) << error;
        EXPECT_TRUE(sameImage(image, loaded));
      }
  // Multichannel: the channels come back, an alpha among them as one more channel.
  for (int colors : {2, 4, 5}) {
    RasterImage image = makeTestImage(6, 4, SampleType::UInt16, colors, colors == 4);
    RasterImage loaded;
    std::string error;
    ASSERT_TRUE(loadImage(writeTemp(image, "multi.tiff"), loaded, error)) << error;
    image.colorChannels = image.channels();
    image.hasAlpha = false;
    EXPECT_TRUE(sameImage(image, loaded)) << colors;
  }
  std::string error;
  EXPECT_FALSE(saveImage(tempPath("ga2.tif"), makeTestImage(2, 2, SampleType::UInt8, 2, true), error));
}

TEST(RasterImageTiff, ReadsOtherLayoutsWrittenByLibtiff) {
  struct Case {
    const char* name;
    RasterImage image;
    TiffFixture fixture;
  };
  const Case cases[] = {
      {"separate strips", makeTestImage(11, 7, SampleType::UInt16, 3, true),
       {.photometric = PHOTOMETRIC_RGB, .planar = PLANARCONFIG_SEPARATE,
        .extras = {EXTRASAMPLE_ASSOCALPHA}, .rowsPerStrip = 3}},
      {"contiguous tiles", makeTestImage(37, 23, SampleType::UInt8, 3, false),
       {.photometric = PHOTOMETRIC_RGB, .compression = COMPRESSION_LZW, .tileSize = 16}},
      {"separate float tiles", makeTestImage(20, 33, SampleType::Float32, 1, true),
       {.format = SAMPLEFORMAT_IEEEFP, .planar = PLANARCONFIG_SEPARATE,
        .compression = COMPRESSION_ADOBE_DEFLATE, .extras = {EXTRASAMPLE_UNASSALPHA}, .tileSize = 16}},
      {"big-endian 16-bit", makeTestImage(9, 5, SampleType::UInt16, 1, false),
       {.compression = COMPRESSION_LZW, .bigEndian = true}},
      {"big-endian float", makeTestImage(9, 5, SampleType::Float32, 3, false),
       {.photometric = PHOTOMETRIC_RGB, .format = SAMPLEFORMAT_IEEEFP, .rowsPerStrip = 5, .bigEndian = true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeTiff(tempPath("fixture.tif"), c.image, c.fixture);
    RasterImage loaded;
    std::string error;
    ASSERT_TRUE(loadImage(tempPath("fixture.tif"), loaded, error)) << error;
    EXPECT_TRUE(sameImage(c.image, loaded));
  }

  // MINISWHITE turns into ordinary grey.
  const RasterImage grey = makeTestImage(5, 3, SampleType::UInt8, 1, false);
  writeTiff(tempPath("white.tif"), grey, {.photometric = PHOTOMETRIC_MINISWHITE});
  RasterImage loaded;
  std::string error;
  ASSERT_TRUE(loadImage(tempPath("white.tif"), loaded, error)) << error;
  EXPECT_EQ(sampleAt(loaded, 0, 0, 0), 255 - sampleAt(grey, 0, 0, 0));
  EXPECT_EQ(sampleAt(loaded, 4, 2, 0), 255 - sampleAt(grey, 4, 2, 0));
}

TEST(RasterImageTiff, ExtraSamplesThatAreNotAlphaMakeMultichannel) {
  struct Case {
    int colors;  // channels in the file
    std::uint16_t photometric;
    std::vector<std::uint16_t> extras = {};
  };
  const Case cases[] = {{2, PHOTOMETRIC_MINISBLACK, {}},
                        {4, PHOTOMETRIC_RGB, {EXTRASAMPLE_UNSPECIFIED}},
                        {5, PHOTOMETRIC_RGB, {EXTRASAMPLE_UNASSALPHA, EXTRASAMPLE_UNSPECIFIED}}};
  for (const Case& c : cases) {
    const RasterImage image = makeTestImage(4, 3, SampleType::UInt8, c.colors, false);
    writeTiff(tempPath("multi.tif"), image, {.photometric = c.photometric, .extras = c.extras});
    RasterImage loaded;
    std::string error;
    ASSERT_TRUE(loadImage(tempPath("multi.tif"), loaded, error)) << error;
    EXPECT_TRUE(sameImage(image, loaded)) << c.colors;
  }
  writeTiff(tempPath("grey3.tif"), makeTestImage(4, 3, SampleType::UInt8, 3, false), {});
  expectLoadFails(tempPath("grey3.tif"), "taken for RGB");
}

TEST(RasterImageTiff, RefusesUnsupportedKindsByName) {
  const RasterImage four = makeTestImage(4, 3, SampleType::UInt8, 4, false);
  writeTiff(tempPath("cmyk.tif"), four, {.photometric = PHOTOMETRIC_SEPARATED});
  expectLoadFails(tempPath("cmyk.tif"), "CMYK");
  const RasterImage three = makeTestImage(4, 3, SampleType::UInt16, 3, false);
  writeTiff(tempPath("lab.tif"), three, {.photometric = PHOTOMETRIC_CIELAB});
  expectLoadFails(tempPath("lab.tif"), "Lab");
  writeTiff(tempPath("signed.tif"), three, {.photometric = PHOTOMETRIC_RGB, .format = SAMPLEFORMAT_INT});
  expectLoadFails(tempPath("signed.tif"), "16-bit signed integer");
  const RasterImage wide = makeTestImage(4, 3, SampleType::Float32, 2, false);  // 8 bytes a pixel
  writeTiff(tempPath("double.tif"), wide, {.format = SAMPLEFORMAT_IEEEFP, .bits = 64});
  expectLoadFails(tempPath("double.tif"), "64-bit floating-point");
  // Declared far larger than the file could hold.
  std::string lying = handMadeTiff(4, 4);
  std::memcpy(&lying[8 + 2 + 8], "\x40\x9C\x00\x00", 4);  // width 40000
  std::memcpy(&lying[8 + 2 + 12 + 8], "\x40\x9C\x00\x00", 4);  // height 40000
  writeBytes(tempPath("lying.tif"), lying);
  expectLoadFails(tempPath("lying.tif"), "too small");
}

TEST(RasterImageFiles, DamagedMissingAndOtherFilesFail) {
  expectLoadFails(tempPath("missing.png"), "No such file");
  expectLoadFails(testDir(), "directory");
  writeBytes(tempPath("empty.tif"), "");
  expectLoadFails(tempPath("empty.tif"), "empty");
  writeBytes(tempPath("garbage.png"), "this is not an image at all, just some text\n");
  expectLoadFails(tempPath("garbage.png"), "not a PNG or TIFF");
  writeBytes(tempPath("photo.png"), std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10));
  expectLoadFails(tempPath("photo.png"), "JPEG");

  // Truncated anywhere: the last byte, inside the pixels, inside the header.
  const std::string files[] = {
      readBytes(writeTemp(makeTestImage(40, 30, SampleType::UInt8, 3, false), "whole.png")),
      readBytes(writeTemp(makeTestImage(40, 30, SampleType::UInt16, 1, true), "whole.tif")),
      handMadeTiff(40, 30)};
  for (const std::string& whole : files) {
    ASSERT_GT(whole.size(), 200u);
    for (std::size_t size : {std::size_t(5), std::size_t(9), std::size_t(30), std::size_t(100),
                             whole.size() / 2, whole.size() - 12, whole.size() - 1}) {
      writeBytes(tempPath("cut"), whole.substr(0, size));
      SCOPED_TRACE(size);
      expectLoadFails(tempPath("cut"));
    }
  }
}

TEST(RasterImageFiles, DamagedBytesNeverCrash) {
  const std::string files[] = {
      readBytes(writeTemp(makeTestImage(6, 5, SampleType::UInt8, 3, true), "small.png")),
      readBytes(writeTemp(makeTestImage(6, 5, SampleType::UInt16, 3, false), "small.tif")),
      handMadeTiff(6, 5)};
  // Bytes are changed in place: rewriting a truncated file makes some file systems flush it.
  const std::string path = tempPath("damaged");
  auto poke = [&](std::size_t at, char byte) {
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    std::fseek(file, long(at), SEEK_SET);
    std::fputc(byte, file);
    std::fclose(file);
  };
  int loaded = 0;
  for (const std::string& whole : files) {
    writeBytes(path, whole);
    for (std::size_t at = 0; at < whole.size(); ++at) {
      for (char change : {'\xFF', '\x80', '\x01'}) {
        poke(at, char(whole[at] ^ change));
        RasterImage image;
        std::string error;
        if (loadImage(path, image, error)) {
          ++loaded;
          EXPECT_EQ(image.pixels.size(), image.rowBytes() * std::size_t(image.height));
        } else {
          EXPECT_TRUE(image.pixels.empty());
        }
      }
      poke(at, whole[at]);
    }
  }
  EXPECT_GT(loaded, 0);  // pixel bytes of the hand-made TIFF may change freely
}

TEST(RasterImageSave, ReplacesTheTargetOnlyOnSuccess) {
  const RasterImage first = makeTestImage(5, 4, SampleType::UInt8, 3, false);
  const RasterImage second = makeFlat(5, 4, SampleType::UInt16, 1, false, 0.25);
  std::string error;
  EXPECT_FALSE(saveImage(tempPath("no-such-dir/out.png"), first, error));
  EXPECT_NE(error.find("no-such-dir"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(tempPath("no-such-dir")));

  const std::string path = writeTemp(first, "out.png");
  ASSERT_TRUE(saveImage(path, second, error)) << error;
  RasterImage loaded;
  ASSERT_TRUE(loadImage(path, loaded, error)) << error;
  EXPECT_TRUE(sameImage(second, loaded));

  // Failures before and after the temporary file exists leave the old file alone.
  const std::string before = readBytes(path);
  EXPECT_FALSE(saveImage(path, makeTestImage(5, 4, SampleType::Float32, 3, false), error));
  RasterImage broken = second;
  broken.pixels.pop_back();
  EXPECT_FALSE(saveImage(path, broken, error));
  RasterImage tooWide = makeFlat(1, 1, SampleType::UInt8, 1, false, 0);
  tooWide.width = cli::kMaxImageSide + 1;
  EXPECT_FALSE(saveImage(path, tooWide, error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
  EXPECT_FALSE(saveImage(tempPath("out.gif"), second, error));
  EXPECT_NE(error.find(".png"), std::string::npos) << error;
  std::filesystem::create_directory(tempPath("dir.tif"));
  EXPECT_FALSE(saveImage(tempPath("dir.tif"), first, error));
  EXPECT_EQ(readBytes(path), before);
  EXPECT_EQ(directoryEntries(testDir()), (std::vector<std::string>{"dir.tif", "out.png"}));
}

TEST(RasterImageMask, ReducesAnyImageToOneBytePerPixel) {
  std::vector<std::uint8_t> mask;
  std::string error;
  const std::string small = writeTemp(makeFlat(4, 3, SampleType::UInt8, 1, false, 1), "small.png");
  EXPECT_FALSE(loadMask(small, 5, 3, mask, error));
  EXPECT_NE(error.find("4 x 3"), std::string::npos) << error;
  EXPECT_NE(error.find("5 x 3"), std::string::npos) << error;

  // Grey as it is, alpha ignored.
  const RasterImage grey = makeTestImage(4, 3, SampleType::UInt8, 1, true);
  ASSERT_TRUE(loadMask(writeTemp(grey, "grey.png"), 4, 3, mask, error)) << error;
  for (int i = 0; i < 12; ++i) EXPECT_EQ(mask[i], sampleAt(grey, i % 4, i / 4, 0));

  // RGB to rounded luma; 16-bit to 8 with rounding; float clamped.
  struct Case {
    SampleType type;
    double r, g, b;
    int expected;
  };
  const Case cases[] = {{SampleType::UInt8, 255, 0, 0, 76},        {SampleType::UInt8, 0, 255, 0, 150},
                        {SampleType::UInt8, 10, 20, 200, 38},       {SampleType::UInt16, 65535, 65535, 65535, 255},
                        {SampleType::UInt16, 128, 128, 128, 0},     {SampleType::UInt16, 129, 129, 129, 1},
                        {SampleType::UInt16, 32896, 32896, 32896, 128}, {SampleType::Float32, 1.5, 2, 9, 255},
                        {SampleType::Float32, -1, -1, -1, 0},       {SampleType::Float32, 0.6, 0.6, 0.6, 153}};
  for (const Case& c : cases) {
    RasterImage rgb = makeFlat(2, 1, c.type, 3, false, 0);
    setSampleAt(rgb, 1, 0, 0, c.r);
    setSampleAt(rgb, 1, 0, 1, c.g);
    setSampleAt(rgb, 1, 0, 2, c.b);
    ASSERT_TRUE(loadMask(writeTemp(rgb, "rgb.tif"), 2, 1, mask, error)) << error;
    EXPECT_EQ(mask, (std::vector<std::uint8_t>{0, std::uint8_t(c.expected)}))
        << c.r << " " << c.g << " " << c.b;
  }
  EXPECT_FALSE(loadMask(writeTemp(makeFlat(2, 1, SampleType::UInt8, 2, false, 0), "two.tif"), 2, 1,
                        mask, error));
}

}  // namespace
}  // namespace qm::test
