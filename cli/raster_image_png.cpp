// SPDX-License-Identifier: LicenseRef-Quillmark
// PNG through libpng: 8- and 16-bit grey, grey+alpha, RGB and RGBA, read and written.
//
// Refused on reading: indexed-colour (palette) images and 1/2/4-bit grey, since the host
// only keeps grey and RGB documents and silently expanding them would hide what the file
// is. A tRNS chunk on a grey or RGB image (one colour key marked transparent) is ignored:
// such an image loads opaque.
//
// Encoder settings, chosen for what this program mostly writes: ink pictures, whose samples
// are nearly all 0 or full scale. Deflate runs at level 2, and each row picks its own
// filter: a row of pure ink and paper goes unfiltered (its long runs of equal bytes are
// what deflate finds cheaply; trying the five filters on it costs time and, on ink, saves
// nothing), any other row gets libpng's adaptive choice among the five filters, which
// keeps photographs and grey blends within a fifth of the size the default settings give.
// Measured on 24-megapixel pictures in docs/benchmarks.md ("Writing PNG files"). Only how
// the pixels are coded changes: colour type, depth and pixels are the same under any
// settings, and every PNG reader decodes every filter.
//
// libpng reports errors by longjmp. Every function that calls setjmp below keeps only
// trivially destructible locals, and the longjmp never leaves it, so no C++ object is
// skipped; the outer functions own the libpng structures, buffers and files and free them
// after the jumping parts have returned.
#include <png.h>

#include <bit>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "cli/raster_image.h"

namespace qm::cli::detail {

namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// With unfiltered ink rows, level 2 writes an ink picture five times as fast as libpng's
// default (level 6, every row filtered) for a file 1.25 to 1.5 times as large; level 1
// is no faster and larger, level 4 saves a fifth of the bytes for a third more time.
constexpr int kDeflateLevel = 2;

// Shared with the libpng callbacks; trivially destructible on purpose.
struct PngIo {
  std::FILE* file = nullptr;
  char error[256] = {};    // the first error reported
  char warning[256] = {};  // the first warning, told only if no error explains a failure
};

void storeMessage(PngIo* io, const char* message) {
  if (io && io->error[0] == '\0') std::snprintf(io->error, sizeof io->error, "%s", message);
}

void onPngError(png_structp png, png_const_charp message) {
  storeMessage(static_cast<PngIo*>(png_get_error_ptr(png)), message);
  png_longjmp(png, 1);
}

// Warnings (a bad ancillary chunk, say) change nothing we load or write: kept, never
// printed.
void onPngWarning(png_structp png, png_const_charp message) {
  PngIo* io = static_cast<PngIo*>(png_get_error_ptr(png));
  if (io && io->warning[0] == '\0') std::snprintf(io->warning, sizeof io->warning, "%s", message);
}

void readBytes(png_structp png, png_bytep data, std::size_t length) {
  PngIo* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (std::fread(data, 1, length, io->file) != length) {
    if (std::ferror(io->file)) {
      std::snprintf(io->error, sizeof io->error, "read error: %s", std::strerror(errno));
    }
    png_error(png, "unexpected end of file: the file is truncated");
  }
}

void writeBytes(png_structp png, png_bytep data, std::size_t length) {
  PngIo* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, length, io->file) != length) {
    std::snprintf(io->error, sizeof io->error, "write error: %s", std::strerror(errno));
    png_error(png, "write error");
  }
}

void flushBytes(png_structp png) {
  PngIo* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (std::fflush(io->file) != 0) {
    std::snprintf(io->error, sizeof io->error, "write error: %s", std::strerror(errno));
    png_error(png, "write error");
  }
}

struct PngHeader {
  png_uint_32 width;
  png_uint_32 height;
  int bitDepth;
  int colorType;
};

// --- the parts that may longjmp: trivially destructible locals only ---

bool readHeader(png_structp png, png_infop info, PngHeader* header) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  header->width = png_get_image_width(png, info);
  header->height = png_get_image_height(png, info);
  header->bitDepth = png_get_bit_depth(png, info);
  header->colorType = png_get_color_type(png, info);
  return true;
}

bool readPixels(png_structp png, png_infop info, png_bytepp rows, std::size_t rowBytes,
                bool swap16) {
  if (setjmp(png_jmpbuf(png))) return false;
  if (swap16) png_set_swap(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected row size");
  png_read_image(png, rows);
  png_read_end(png, nullptr);  // reads up to IEND: a truncated file is an error
  return true;
}

// True when every sample of the row is 0 or full scale. Checked in blocks without an early
// exit inside a block, so the compiler can vectorise the common case of a whole ink row.
template <typename Sample>
bool isInkAndPaper(const png_byte* row, std::size_t samples) {
  constexpr Sample kFull = std::numeric_limits<Sample>::max();
  constexpr std::size_t kBlock = 64;
  for (std::size_t start = 0; start < samples; start += kBlock) {
    const std::size_t end = start + kBlock < samples ? start + kBlock : samples;
    bool tone = false;
    for (std::size_t i = start; i < end; ++i) {
      Sample value;
      std::memcpy(&value, row + i * sizeof(Sample), sizeof(Sample));
      tone |= value != 0 && value != kFull;
    }
    if (tone) return false;
  }
  return true;
}

// Called inside writeAll's setjmp scope; kept apart so that writeAll modifies no local
// after its setjmp.
void writeRows(png_structp png, const PngHeader* header, png_bytepp rows,
               std::size_t rowSamples) {
  const bool sixteen = header->bitDepth == 16;
  int filters = PNG_ALL_FILTERS;
  for (png_uint_32 y = 0; y < header->height; ++y) {
    // The first row always goes with all filters: libpng sets up the previous-row buffer
    // that Up, Average and Paeth need at the first row, from the filters enabled then,
    // and cannot add it later. Tested before any byte swapping: 0 and full scale read
    // the same in either order.
    const bool ink = y > 0 && (sixteen ? isInkAndPaper<std::uint16_t>(rows[y], rowSamples)
                                       : isInkAndPaper<std::uint8_t>(rows[y], rowSamples));
    const int wanted = ink ? PNG_FILTER_NONE : PNG_ALL_FILTERS;
    if (wanted != filters) {
      filters = wanted;
      png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    }
    png_write_row(png, rows[y]);
  }
}

bool writeAll(png_structp png, png_infop info, const PngHeader* header, png_bytepp rows,
              std::size_t rowSamples, bool swap16) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, header->width, header->height, header->bitDepth, header->colorType,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, kDeflateLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
  png_write_info(png, info);
  if (swap16) png_set_swap(png);
  writeRows(png, header, rows, rowSamples);
  png_write_end(png, info);
  return true;
}

// --- owners ---

class ReadStruct {
 public:
  explicit ReadStruct(PngIo* io) {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, io, onPngError, onPngWarning);
    if (png_) info_ = png_create_info_struct(png_);
  }
  ~ReadStruct() {
    if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
  }
  ReadStruct(const ReadStruct&) = delete;
  ReadStruct& operator=(const ReadStruct&) = delete;
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

 private:
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

class WriteStruct {
 public:
  explicit WriteStruct(PngIo* io) {
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, io, onPngError, onPngWarning);
    if (png_) info_ = png_create_info_struct(png_);
  }
  ~WriteStruct() {
    if (png_) png_destroy_write_struct(&png_, info_ ? &info_ : nullptr);
  }
  WriteStruct(const WriteStruct&) = delete;
  WriteStruct& operator=(const WriteStruct&) = delete;
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

 private:
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

std::string failure(const PngIo& io, const char* fallback) {
  if (io.error[0]) return io.error;
  if (io.warning[0]) return std::string(fallback) + " (" + io.warning + ")";
  return fallback;
}

}  // namespace

bool loadPng(std::FILE* file, std::uint64_t fileSize, RasterImage& image, std::string& error) {
  if (std::fseek(file, 0, SEEK_SET) != 0) {
    error = std::string("cannot read: ") + std::strerror(errno);
    return false;
  }
  PngIo io;
  io.file = file;
  ReadStruct read(&io);
  if (!read.png() || !read.info()) {
    error = "not enough memory to read a PNG";
    return false;
  }
  png_set_read_fn(read.png(), &io, readBytes);
  // Our own limits apply (checkImageSize), not libpng's default million pixels.
  png_set_user_limits(read.png(), 0x7fffffff, 0x7fffffff);
  PngHeader header{};
  if (!readHeader(read.png(), read.info(), &header)) {
    error = "cannot read PNG: " + failure(io, "bad header");
    return false;
  }
  if (header.colorType == PNG_COLOR_TYPE_PALETTE) {
    error = "indexed-colour (palette) PNG is not supported; convert it to RGB or grey";
    return false;
  }
  if (header.bitDepth != 8 && header.bitDepth != 16) {
    error = std::to_string(header.bitDepth) +
            "-bit PNG is not supported; convert it to 8-bit grey or RGB";
    return false;
  }
  switch (header.colorType) {
    case PNG_COLOR_TYPE_GRAY: image.colorChannels = 1; image.hasAlpha = false; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: image.colorChannels = 1; image.hasAlpha = true; break;
    case PNG_COLOR_TYPE_RGB: image.colorChannels = 3; image.hasAlpha = false; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: image.colorChannels = 3; image.hasAlpha = true; break;
    default:
      error = "PNG colour type " + std::to_string(header.colorType) + " is not supported";
      return false;
  }
  image.type = header.bitDepth == 16 ? SampleType::UInt16 : SampleType::UInt8;
  if (!checkImageSize(header.width, header.height, image.channels(), image.type, error)) {
    return false;
  }
  image.width = std::int32_t(header.width);
  image.height = std::int32_t(header.height);
  // Deflate expands at most 1032 times: a file far too small for its pixels is corrupt.
  const std::uint64_t decoded = std::uint64_t(image.rowBytes()) * std::uint64_t(image.height);
  if (decoded / 1100 > fileSize) {
    error = "the file is far too small for a PNG of " + std::to_string(image.width) + " x " +
            std::to_string(image.height) + " pixels: it is truncated or corrupt";
    return false;
  }
  if (!allocatePixels(image, error)) return false;
  std::vector<png_bytep> rows(std::size_t(image.height));
  for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = image.pixels.data() + y * image.rowBytes();
  if (!readPixels(read.png(), read.info(), rows.data(), image.rowBytes(),
                  kLittleEndian && header.bitDepth == 16)) {
    image.pixels.clear();
    error = "cannot read PNG: " + failure(io, "bad image data");
    return false;
  }
  return true;
}

bool savePng(const std::string& path, const RasterImage& image, std::string& error) {
  PngHeader header{};
  header.width = png_uint_32(image.width);
  header.height = png_uint_32(image.height);
  header.bitDepth = image.type == SampleType::UInt16 ? 16 : 8;
  header.colorType = image.colorChannels == 1
                         ? (image.hasAlpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY)
                         : (image.hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
  // libpng copies each row before transforming it (byte swapping), so the const rows
  // handed over are only read.
  std::vector<png_bytep> rows(std::size_t(image.height));
  for (std::size_t y = 0; y < rows.size(); ++y) {
    rows[y] = const_cast<png_bytep>(image.pixels.data() + y * image.rowBytes());
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    error = std::string("cannot write: ") + std::strerror(errno);
    return false;
  }
  PngIo io;
  io.file = file;
  bool ok = false;
  {
    WriteStruct write(&io);
    if (!write.png() || !write.info()) {
      std::snprintf(io.error, sizeof io.error, "not enough memory to write a PNG");
    } else {
      png_set_write_fn(write.png(), &io, writeBytes, flushBytes);
      ok = writeAll(write.png(), write.info(), &header, rows.data(),
                    std::size_t(image.width) * std::size_t(image.channels()),
                    kLittleEndian && header.bitDepth == 16);
    }
  }
  if (ok && std::fflush(file) != 0) {
    std::snprintf(io.error, sizeof io.error, "write error: %s", std::strerror(errno));
    ok = false;
  }
  if (std::fclose(file) != 0 && ok) {
    std::snprintf(io.error, sizeof io.error, "write error: %s", std::strerror(errno));
    ok = false;
  }
  if (!ok) error = failure(io, "cannot write the PNG");
  return ok;
}

}  // namespace qm::cli::detail
