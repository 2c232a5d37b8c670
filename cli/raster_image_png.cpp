// SPDX-License-Identifier: LicenseRef-Quillmark
// PNG: 8- and 16-bit grey, grey+alpha, RGB and RGBA, read by our own reader
// (cli/png_reader.cpp) or, for every file it does not take, through libpng, and written by
// our own writer (cli/png_writer.cpp).
//
// Refused on reading: indexed-colour (palette) images and 1/2/4-bit grey, since the host
// only keeps grey and RGB documents and silently expanding them would hide what the file
// is. A tRNS chunk on a grey or RGB image (one colour key marked transparent) is ignored:
// such an image loads opaque.
//
// Writing: the signature, IHDR, IDAT chunks and IEND, nothing else; no interlacing. What
// this program mostly writes are ink pictures, whose samples are nearly all 0 or full
// scale. A row of pure ink and paper goes unfiltered, any other row takes the filter of
// the five whose bytes sum smallest read as signed (cli/png_row_filter.cpp); deflate runs
// at level 2. Measured in docs/benchmarks.md ("Writing PNG files").
//
// Deflate is the slow part, and one deflate stream runs on one core. So the rows are cut
// into bands of 64 and each band is filtered and deflated on one of the writer's own
// threads, on every core at once. A band is deflated raw (no zlib header or checksum) with a fresh
// window and ends with a sync flush, which closes its last block on a byte boundary
// without marking it final; raw deflate blocks of that kind can simply follow one another,
// so the bands put end to end, the last one ended with Z_FINISH, are one valid deflate
// stream. The file gets the 2-byte zlib header in front and the Adler-32 of all filtered
// bytes behind, combined from the bands' own. Each band starts without the 32 KiB of
// history the band above would have given it; at 64 rows of a large picture (a megabyte
// or so) that is too little to see in the file's size, and a band is large enough that its
// start-up and flush cost nothing either. The bands are written out in order as
// they come in, so only those finished ahead of their turn wait in memory. Only how the
// pixels are coded differs from any other writer: every PNG reader decodes every filter
// and every deflate block.
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
#include <vector>

#include "cli/png_picture_shape.h"
#include "cli/png_reader.h"
#include "cli/png_writer.h"
#include "cli/raster_image.h"

namespace qm::cli::png {

namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

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

// Warnings (a bad ancillary chunk, say) change nothing we load: kept, never
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

std::string failure(const PngIo& io, const char* fallback) {
  if (io.error[0]) return io.error;
  if (io.warning[0]) return std::string(fallback) + " (" + io.warning + ")";
  return fallback;
}

}  // namespace

bool readPngWithLibpng(std::FILE* file, std::uint64_t fileSize, RasterImage& image, std::string& error) {
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
  const PngShape shape{header.width, header.height, header.bitDepth, header.colorType};
  if (!shapePicture(shape, fileSize, image, error)) return false;
  if (!detail::allocatePixels(image, error)) return false;
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

}  // namespace qm::cli::png

namespace qm::cli::detail {

bool loadPng(std::FILE* file, std::uint64_t fileSize, RasterImage& image, std::string& error) {
  if (png::readPngDirectly(file, fileSize, image)) return true;
  return png::readPngWithLibpng(file, fileSize, image, error);
}

bool savePng(const std::string& path, const RasterImage& image, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    error = std::string("cannot write: ") + std::strerror(errno);
    return false;
  }
  bool ok = png::writePng(file, image, error);
  if (ok && std::fflush(file) != 0) {
    error = std::string("write error: ") + std::strerror(errno);
    ok = false;
  }
  if (std::fclose(file) != 0 && ok) {
    error = std::string("write error: ") + std::strerror(errno);
    ok = false;
  }
  return ok;
}

}  // namespace qm::cli::detail
