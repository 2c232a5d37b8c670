// SPDX-License-Identifier: LicenseRef-Quillmark
// The PNG writer: every band of 64 rows is filtered and deflated on its own by a job task,
// and the bands are written out in order on the calling thread as they come in. Why the
// bands can be deflated apart and still make one zlib stream: cli/raster_image_png.cpp.
#include "cli/png_writer.h"

#include <zlib.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "cli/png_chunks.h"
#include "cli/png_row_filter.h"
#include "engine/jobs.h"

namespace qm::cli::png {

namespace {

// Level 2 with ink rows unfiltered writes an ink picture five times as fast as level 6
// with every row filtered, for a file 1.25 to 1.5 times as large; level 1 is no faster and
// larger, level 4 saves a fifth of the bytes for a third more time (docs/benchmarks.md).
constexpr int kDeflateLevel = 2;
constexpr int kMemoryLevel = 8;
// Raw deflate with the largest window, which the stream's header below announces.
constexpr int kWindowBits = 15;

// One band's share of the stream: its deflate blocks, ending on a byte boundary, and the
// Adler-32 of the filtered bytes they hold.
struct Band {
  std::vector<std::uint8_t> compressed;
  uLong adler = 1;
  std::size_t filteredBytes = 0;
  bool collected = false;
  const char* failure = nullptr;  // zlib's word when deflate failed
};

struct Picture {
  const RasterImage* image;
  std::size_t rowBytes;
  std::size_t pixelBytes;
  std::size_t sampleBytes;
};

// Shared by the tasks and the write-back: each task writes only its own band; the rest is
// the calling thread's.
struct BandJob {
  Picture picture;
  std::vector<Band> bands;
  PngChunkWriter* out;
  std::size_t nextToWrite = 0;
  uLong adler = 1;  // of the bands written so far
};

// The zlib stream header for a 32 KiB window, with the level hint zlib itself would give.
void streamHeader(std::uint8_t out[2]) {
  const unsigned method = 0x78;
  const unsigned levelHint = kDeflateLevel < 2 ? 0 : kDeflateLevel < 6 ? 1 : kDeflateLevel == 6 ? 2 : 3;
  unsigned header = (method << 8) | (levelHint << 6);
  header += 31 - header % 31;
  out[0] = std::uint8_t(header >> 8);
  out[1] = std::uint8_t(header);
}

[[noreturn]] void failBand(Band& band, const z_stream& stream) {
  band.failure = stream.msg ? stream.msg : "deflate failed";
  throw std::runtime_error(band.failure);
}

// A raw deflate stream with its own fresh window, appending to one band's bytes.
class BandDeflater {
 public:
  explicit BandDeflater(Band& band) : band_(band) {
    const int result = deflateInit2(&stream_, kDeflateLevel, Z_DEFLATED, -kWindowBits, kMemoryLevel,
                                    Z_DEFAULT_STRATEGY);
    if (result == Z_MEM_ERROR) throw std::bad_alloc();
    if (result != Z_OK) failBand(band_, stream_);
    started_ = true;
  }
  ~BandDeflater() {
    if (started_) deflateEnd(&stream_);
  }
  BandDeflater(const BandDeflater&) = delete;
  BandDeflater& operator=(const BandDeflater&) = delete;

  // Hands size bytes to deflate, growing the output until it has taken them all and, for
  // a flush, put out everything it holds; the band's bytes are cut to what was written only
  // then, so that the output grows by doubling rather than row by row.
  void feed(const std::uint8_t* data, std::size_t size, int flush) {
    std::vector<std::uint8_t>& out = band_.compressed;
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = uInt(size);
    for (;;) {
      if (used_ == out.size()) out.resize(out.size() < 4096 ? 4096 : out.size() * 2);
      stream_.next_out = out.data() + used_;
      stream_.avail_out = uInt(out.size() - used_);
      const int result = deflate(&stream_, flush);
      used_ = out.size() - stream_.avail_out;
      if (result == Z_STREAM_END) break;
      if (result != Z_OK && result != Z_BUF_ERROR) failBand(band_, stream_);
      // Room left over means deflate has nothing more to give for now, unless it must
      // still end the stream, which it reports with Z_STREAM_END.
      if (stream_.avail_out != 0 && flush != Z_FINISH) break;
      if (stream_.avail_out != 0 && result == Z_BUF_ERROR) failBand(band_, stream_);
    }
    if (flush != Z_NO_FLUSH) out.resize(used_);
  }

 private:
  Band& band_;
  z_stream stream_{};
  bool started_ = false;
  std::size_t used_ = 0;
};

// Row y as the file stores it: the picture's own row for 8 bits, a big-endian copy in
// spare for 16 bits, and zeros above the first row.
const std::uint8_t* fileRow(const Picture& picture, std::int32_t y, std::uint8_t* spare) {
  if (y < 0) {
    std::memset(spare, 0, picture.rowBytes);
    return spare;
  }
  const std::uint8_t* row = picture.image->pixels.data() + std::size_t(y) * picture.rowBytes;
  if (picture.sampleBytes == 1) return row;
  if constexpr (std::endian::native == std::endian::big) {
    std::memcpy(spare, row, picture.rowBytes);
  } else {
    for (std::size_t i = 0; i + 1 < picture.rowBytes; i += 2) {
      spare[i] = row[i + 1];
      spare[i + 1] = row[i];
    }
  }
  return spare;
}

// Scratch: the rows of the four filters, then two rows for the big-endian copies of a
// 16-bit picture (this row and the one above take turns).
std::size_t scratchBytes(const Picture& picture) { return 6 * picture.rowBytes; }

// Worker thread: filters and deflates one band. The band's first row is filtered against
// the last row of the band above, read from the picture, as a single stream would.
void compressBand(JobTask& task) {
  BandJob& job = *static_cast<BandJob*>(task.context);
  const Picture& picture = job.picture;
  const ImageRect rect = task.layout.taskRect;
  Band& band = job.bands[std::size_t(task.layout.taskIndex)];
  std::uint8_t* scratch = static_cast<std::uint8_t*>(task.scratch);
  const std::size_t n = picture.rowBytes;
  const FilterBuffers buffers{scratch, scratch + n, scratch + 2 * n, scratch + 3 * n};
  std::uint8_t* spares[2] = {scratch + 4 * n, scratch + 5 * n};
  band.compressed.reserve(std::size_t(rect.bottom - rect.top) * (1 + n) / 8);
  BandDeflater deflater(band);
  const std::uint8_t* above = fileRow(picture, rect.top - 1, spares[0]);
  for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
    std::uint8_t* spare = above == spares[0] ? spares[1] : spares[0];
    const std::uint8_t* row = fileRow(picture, y, spare);
    const FilteredRow filtered = filterRow({row, above, n, picture.pixelBytes, picture.sampleBytes}, buffers);
    const std::uint8_t type = filtered.filter;
    band.adler = adler32(adler32(band.adler, &type, 1), filtered.bytes, uInt(n));
    deflater.feed(&type, 1, Z_NO_FLUSH);
    deflater.feed(filtered.bytes, n, Z_NO_FLUSH);
    above = row;
  }
  band.filteredBytes = std::size_t(rect.bottom - rect.top) * (1 + n);
  // A sync flush ends the band's blocks on a byte boundary, so the next band's blocks can
  // follow; only the last band marks its final block as the last of the stream.
  const bool last = task.layout.taskIndex == task.layout.taskCount - 1;
  deflater.feed(nullptr, 0, last ? Z_FINISH : Z_SYNC_FLUSH);
}

// Calling thread: writes every band that is next in line, and drops its bytes.
void writeBands(JobTask& task) {
  BandJob& job = *static_cast<BandJob*>(task.context);
  job.bands[std::size_t(task.layout.taskIndex)].collected = true;
  while (job.nextToWrite < job.bands.size() && job.bands[job.nextToWrite].collected) {
    Band& band = job.bands[job.nextToWrite];
    if (!job.out->appendImageData(band.compressed.data(), band.compressed.size())) return;
    job.adler = adler32_combine(job.adler, band.adler, z_off_t(band.filteredBytes));
    std::vector<std::uint8_t>().swap(band.compressed);
    ++job.nextToWrite;
  }
}

// A failed write stops the job: nothing after it could be written anyway.
bool writeFailed(void* context) { return !static_cast<BandJob*>(context)->out->ok(); }

std::string jobFailure(const BandJob& job, const JobOutcome& outcome) {
  if (!job.out->ok()) return job.out->error();
  for (const Band& band : job.bands) {
    if (band.failure) return std::string("cannot compress the image data: ") + band.failure;
  }
  if (outcome.reason == kJobOutOfMemory) return "not enough memory to write the PNG";
  return "cannot write the PNG: compressing the image data failed";
}

bool writeImageData(PngChunkWriter& out, const Picture& picture, std::string& error) {
  std::uint8_t header[2];
  streamHeader(header);
  if (!out.appendImageData(header, sizeof header)) return false;
  BandJob job{picture, {}, &out};
  const RasterImage& image = *picture.image;
  job.bands.resize(std::size_t((image.height + kJobBandSize - 1) / kJobBandSize));
  JobEnvironment environment;
  environment.context = &job;
  environment.rect = {0, 0, image.height, image.width};
  environment.scratchBytes = scratchBytes(picture);
  environment.work = compressBand;
  environment.writeBack = writeBands;
  environment.shouldAbort = writeFailed;
  const JobOutcome outcome = runJob(bandMode, environment);
  if (outcome.cancelled || job.nextToWrite != job.bands.size()) {
    error = jobFailure(job, outcome);
    return false;
  }
  std::uint8_t adler[4] = {std::uint8_t(job.adler >> 24), std::uint8_t(job.adler >> 16),
                           std::uint8_t(job.adler >> 8), std::uint8_t(job.adler)};
  return out.appendImageData(adler, sizeof adler) && out.finishImageData();
}

std::uint8_t colourType(const RasterImage& image) {
  if (image.colorChannels == 1) return image.hasAlpha ? 4 : 0;
  return image.hasAlpha ? 6 : 2;
}

bool writeHeader(PngChunkWriter& out, const RasterImage& image) {
  std::uint8_t header[13] = {};
  for (int i = 0; i < 4; ++i) {
    header[i] = std::uint8_t(std::uint32_t(image.width) >> (24 - 8 * i));
    header[4 + i] = std::uint8_t(std::uint32_t(image.height) >> (24 - 8 * i));
  }
  header[8] = std::uint8_t(bytesPerSample(image.type) * 8);
  header[9] = colourType(image);
  // header[10..12]: deflate, the one filter method, no interlacing.
  return out.writeChunk("IHDR", header, sizeof header);
}

bool writeFile(std::FILE* file, const RasterImage& image, std::string& error) {
  const std::size_t sampleBytes = std::size_t(bytesPerSample(image.type));
  const Picture picture{&image, image.rowBytes(), std::size_t(image.channels()) * sampleBytes, sampleBytes};
  PngChunkWriter out(file);
  const bool written = out.writeSignature() && writeHeader(out, image) &&
                       writeImageData(out, picture, error) && out.writeChunk("IEND", nullptr, 0);
  if (!out.ok()) error = out.error();
  return written;
}

}  // namespace

bool writePng(std::FILE* file, const RasterImage& image, std::string& error) {
  try {
    return writeFile(file, image, error);
  } catch (const std::bad_alloc&) {
    error = "not enough memory to write the PNG";
  } catch (const std::exception& exception) {
    error = std::string("cannot write the PNG: ") + exception.what();
  }
  return false;
}

}  // namespace qm::cli::png
