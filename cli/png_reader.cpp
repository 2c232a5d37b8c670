// SPDX-License-Identifier: LicenseRef-Quillmark
// Our PNG reader. libdeflate inflates the whole zlib stream in one call, a good deal faster
// than zlib's streaming inflate, straight into the picture's own memory made a row and a
// byte a row larger; the rows are then unfiltered in place, on a few threads, and the
// memory cut back to the picture. Beside the pixels only the compressed data is held, read from
// the file into one buffer without a copy.
//
// It answers only "done" or "not mine": any file it does not take whole goes to libpng,
// which reads it as it always has. So this reader needs no messages of its own, and must
// only never accept what libpng would refuse. libpng refuses an unknown critical chunk, a
// critical chunk with a bad CRC, too little image data and a bad filter type; it lets pass,
// with a warning, ancillary chunks with bad CRCs or contents, data after the zlib stream,
// image data split by other chunks and an IEND with data. Ours leaves all of those to it.
#include "cli/png_reader.h"

#include <libdeflate.h>

#include <bit>
#include <cstring>
#include <new>

#include "cli/png_chunk_reader.h"
#include "cli/pixel_allocator.h"
#include "cli/png_picture_shape.h"
#include "cli/png_unfilter.h"

namespace qm::cli::png {

namespace {

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
}

// IHDR, first: a header whose compression and filter methods are PNG's only ones and which
// asks for no interlacing.
bool readHeader(PngChunkReader& chunks, PngShape& shape) {
  ChunkHead head{};
  std::uint8_t bytes[13];
  if (!chunks.readHead(head) || !head.is("IHDR") || head.length != sizeof bytes) return false;
  if (!chunks.readData(bytes, sizeof bytes) || !chunks.checkCrc()) return false;
  shape = {bigEndian32(bytes), bigEndian32(bytes + 4), bytes[8], bytes[9]};
  return bytes[10] == 0 && bytes[11] == 0 && bytes[12] == 0;
}

// The contents of the IDAT chunks, end to end, in memory taken as a picture's is: the image
// data is most of a file, and a 16-bit photograph's runs to tens of megabytes.
struct CompressedData {
  PixelBytes bytes;  // as many as the file holds
  std::size_t size = 0;
};

// Room for the largest image data the file could hold.
bool makeRoom(CompressedData& data, std::uint64_t fileSize) {
  if (!data.bytes.empty()) return true;
  if (fileSize > SIZE_MAX) return false;
  try {
    data.bytes.resize(std::size_t(fileSize));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool appendImageData(PngChunkReader& chunks, const ChunkHead& head, CompressedData& data) {
  if (head.length > data.bytes.size() - data.size) return false;  // the file grew since its size was taken
  if (!chunks.readData(data.bytes.data() + data.size, head.length) || !chunks.checkCrc()) return false;
  data.size += head.length;
  return true;
}

// The chunks after IHDR, up to IEND: one unbroken run of IDAT chunks, ancillary chunks
// before and after it, passed over.
bool readImageData(PngChunkReader& chunks, std::uint64_t fileSize, CompressedData& data) {
  bool inImageData = false, pastImageData = false;
  for (;;) {
    ChunkHead head{};
    if (!chunks.readHead(head)) return false;
    if (head.is("IDAT")) {
      if (pastImageData || !makeRoom(data, fileSize) || !appendImageData(chunks, head, data)) return false;
      inImageData = true;
    } else if (head.is("IEND")) {
      return inImageData && head.length == 0 && chunks.checkCrc();
    } else if (head.ancillary()) {
      pastImageData = inImageData;
      if (!chunks.skipData(head.length) || !chunks.checkCrc()) return false;
    } else {
      return false;
    }
  }
}

class Decompressor {
 public:
  Decompressor() : decompressor_(libdeflate_alloc_decompressor()) {}
  ~Decompressor() { libdeflate_free_decompressor(decompressor_); }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  // Exactly outSize bytes out of exactly all of the input, Adler-32 checked.
  bool inflateExactly(const CompressedData& data, std::uint8_t* out, std::size_t outSize) {
    if (!decompressor_) return false;
    std::size_t used = 0;
    const libdeflate_result result =
        libdeflate_zlib_decompress_ex(decompressor_, data.bytes.data(), data.size, out, outSize, &used, nullptr);
    return result == LIBDEFLATE_SUCCESS && used == data.size;
  }

 private:
  libdeflate_decompressor* decompressor_;
};

// Inflates into picture's pixels, a few rows and a byte a row further in, and unfilters them
// there (cli/png_unfilter.h). A vector cut back keeps its memory, so the extra rows and
// bytes stay allocated until the picture goes: a few kilobytes.
bool decodePixels(const CompressedData& data, RasterImage& picture) {
  const std::size_t rowBytes = picture.rowBytes(), height = std::size_t(picture.height);
  const UnfilterPlan plan = planUnfiltering(rowBytes, height);
  const std::size_t lead = plan.leadRows * rowBytes;  // at most 3 rows of at most 2.4 MB
  if (rowBytes * height > SIZE_MAX - height - lead) return false;
  const std::size_t filteredBytes = (rowBytes + 1) * height;
  try {
    picture.pixels = PixelBytes(lead + filteredBytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  Decompressor decompressor;
  if (!decompressor.inflateExactly(data, picture.pixels.data() + lead, filteredBytes)) return false;
  const std::size_t pixelBytes = std::size_t(picture.channels()) * std::size_t(bytesPerSample(picture.type));
  const bool swap16 = picture.type == SampleType::UInt16 && std::endian::native == std::endian::little;
  if (!unfilterPicture({picture.pixels.data(), rowBytes, height, pixelBytes, swap16, plan})) return false;
  picture.pixels.resize(rowBytes * height);
  return true;
}

}  // namespace

bool readPngDirectly(std::FILE* file, std::uint64_t fileSize, RasterImage& image) try {
  if (std::fseek(file, 0, SEEK_SET) != 0) return false;
  PngChunkReader chunks(file);
  PngShape shape{};
  if (!chunks.readSignature() || !readHeader(chunks, shape)) return false;
  RasterImage picture;
  std::string refusal;  // libpng's path says it again, after its own checks of the file
  if (!shapePicture(shape, fileSize, picture, refusal)) return false;
  CompressedData data;
  if (!readImageData(chunks, fileSize, data) || !decodePixels(data, picture)) return false;
  image = std::move(picture);
  return true;
} catch (const std::bad_alloc&) {
  return false;  // libpng's path says so in its words
}

}  // namespace qm::cli::png
