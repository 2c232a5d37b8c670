// SPDX-License-Identifier: LicenseRef-Quillmark
// The PNG writer: every band of 64 rows is filtered and deflated on its own by one of a few
// threads of the writer's own (the command leaves the engine's workers to the plug-in), and
// the bands are written out in order on the calling thread as they come in. Why the
// bands can be deflated apart and still make one zlib stream: cli/raster_image_png.cpp.
#include "cli/png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/png_chunks.h"
#include "cli/png_row_filter.h"

namespace qm::cli::png {

namespace {

// Level 2 with ink rows unfiltered writes an ink picture five times as fast as level 6
// with every row filtered, for a file 1.25 to 1.5 times as large. With this writer too,
// level 1 is no faster on ink and 15 % larger, levels 3 and 4 take half as long again for
// a sixth to a fifth fewer bytes, and memory level 9 is slower for nothing
// (docs/benchmarks.md, "Writing PNG files").
constexpr int kDeflateLevel = 2;
constexpr int kMemoryLevel = 8;
// Raw deflate with the largest window, which the stream's header below announces.
constexpr int kWindowBits = 15;
constexpr std::int32_t kBandRows = 64;
// More threads than this gain nothing on the file system's side.
constexpr unsigned kMostThreads = 8;

std::atomic<bool> compressionFailsForTesting{false};

// One band's share of the stream: its deflate blocks, ending on a byte boundary, and the
// Adler-32 of the filtered bytes they hold.
struct Band {
  std::vector<std::uint8_t> compressed;
  uLong adler = 1;
  std::size_t filteredBytes = 0;
  bool collected = false;          // under the job's lock
  bool outOfMemory = false;
  const char* failure = nullptr;  // zlib's word when deflate failed
};

struct Picture {
  const RasterImage* image;
  std::size_t rowBytes;
  std::size_t pixelBytes;
  std::size_t sampleBytes;
};

// Shared by the threads and the writer: a thread takes the next band by the counter and
// writes only that band until it marks it collected under the lock; the rest is the calling
// thread's.
struct BandJob {
  Picture picture{};
  std::vector<Band> bands;
  PngChunkWriter* out = nullptr;
  std::size_t nextToWrite = 0;
  uLong adler = 1;  // of the bands written so far
  std::atomic<std::size_t> nextToCompress{0};
  std::atomic<bool> stop{false};
  std::mutex lock;
  std::condition_variable collected;
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

// Filters and deflates one band. The band's first row is filtered against the last row of
// the band above, read from the picture, as a single stream would.
void compressBand(BandJob& job, std::size_t index, std::uint8_t* scratch) {
  const Picture& picture = job.picture;
  const std::int32_t height = picture.image->height;
  const std::int32_t top = std::int32_t(index) * kBandRows;
  const std::int32_t bottom = std::min(top + kBandRows, height);
  Band& band = job.bands[index];
  const std::size_t n = picture.rowBytes;
  const FilterBuffers buffers{scratch, scratch + n, scratch + 2 * n, scratch + 3 * n};
  std::uint8_t* spares[2] = {scratch + 4 * n, scratch + 5 * n};
  band.compressed.reserve(std::size_t(bottom - top) * (1 + n) / 8);
  BandDeflater deflater(band);
  const std::uint8_t* above = fileRow(picture, top - 1, spares[0]);
  for (std::int32_t y = top; y < bottom; ++y) {
    std::uint8_t* spare = above == spares[0] ? spares[1] : spares[0];
    const std::uint8_t* row = fileRow(picture, y, spare);
    const FilteredRow filtered = filterRow({row, above, n, picture.pixelBytes, picture.sampleBytes}, buffers);
    const std::uint8_t type = filtered.filter;
    band.adler = adler32(adler32(band.adler, &type, 1), filtered.bytes, uInt(n));
    deflater.feed(&type, 1, Z_NO_FLUSH);
    deflater.feed(filtered.bytes, n, Z_NO_FLUSH);
    above = row;
  }
  band.filteredBytes = std::size_t(bottom - top) * (1 + n);
  // A sync flush ends the band's blocks on a byte boundary, so the next band's blocks can
  // follow; only the last band marks its final block as the last of the stream.
  const bool last = index + 1 == job.bands.size();
  deflater.feed(nullptr, 0, last ? Z_FINISH : Z_SYNC_FLUSH);
}

// One band, its failure kept in the band rather than thrown.
void compressOrFail(BandJob& job, std::size_t index, std::uint8_t* scratch) {
  Band& band = job.bands[index];
  try {
    if (compressionFailsForTesting || !scratch) throw std::bad_alloc();
    compressBand(job, index, scratch);
  } catch (const std::bad_alloc&) {
    band.outOfMemory = true;
  } catch (const std::exception&) {
    if (!band.failure) band.failure = "deflate failed";
  }
  {
    const std::lock_guard<std::mutex> hold(job.lock);
    band.collected = true;
  }
  job.collected.notify_all();
}

// A compressing thread: band after band, until none is left or the writer stops.
void compressBands(BandJob& job) {
  std::vector<std::uint8_t> scratch;
  for (std::size_t index = job.nextToCompress++; index < job.bands.size() && !job.stop; index = job.nextToCompress++) {
    try {
      scratch.resize(scratchBytes(job.picture));
    } catch (const std::bad_alloc&) {
      scratch.clear();  // the band then fails as out of memory
    }
    compressOrFail(job, index, scratch.empty() ? nullptr : scratch.data());
  }
}

bool failed(const Band& band) { return band.outOfMemory || band.failure != nullptr; }

// Calling thread: writes the bands in order as they are collected. False at the first band
// that failed or could not be written.
bool writeBands(BandJob& job) {
  for (; job.nextToWrite < job.bands.size(); ++job.nextToWrite) {
    Band& band = job.bands[job.nextToWrite];
    {
      std::unique_lock<std::mutex> hold(job.lock);
      job.collected.wait(hold, [&] { return band.collected; });
    }
    if (failed(band) || !job.out->appendImageData(band.compressed.data(), band.compressed.size())) return false;
    job.adler = adler32_combine(job.adler, band.adler, z_off_t(band.filteredBytes));
    std::vector<std::uint8_t>().swap(band.compressed);
  }
  return true;
}

// The threads for the bands: as many as the processors (at most a few); none when the
// system gives none, and the calling thread then compresses every band itself first.
void compressInParallel(BandJob& job, std::vector<std::thread>& threads) {
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  const unsigned wanted = unsigned(std::min<std::size_t>({processors, kMostThreads, job.bands.size()}));
  for (unsigned i = 0; i < wanted; ++i) {
    try {
      threads.emplace_back(compressBands, std::ref(job));
    } catch (const std::system_error&) {
      break;
    }
  }
  if (threads.empty()) compressBands(job);
}

std::string jobFailure(const BandJob& job) {
  if (!job.out->ok()) return job.out->error();
  for (const Band& band : job.bands) {
    if (band.outOfMemory) return "not enough memory to write the PNG";
    if (band.failure) return std::string("cannot compress the image data: ") + band.failure;
  }
  return "cannot write the PNG: compressing the image data failed";
}

bool writeImageData(PngChunkWriter& out, const Picture& picture, std::string& error) {
  std::uint8_t header[2];
  streamHeader(header);
  if (!out.appendImageData(header, sizeof header)) return false;
  BandJob job;
  job.picture = picture;
  job.out = &out;
  job.bands.resize(std::size_t((picture.image->height + kBandRows - 1) / kBandRows));
  std::vector<std::thread> threads;
  compressInParallel(job, threads);
  const bool written = writeBands(job);
  // A failed band or write leaves the rest untouched: no thread starts another band.
  job.stop = true;
  for (std::thread& thread : threads) thread.join();
  if (!written) {
    error = jobFailure(job);
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

void setCompressionFailsForTesting(bool fail) { compressionFailsForTesting = fail; }

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
