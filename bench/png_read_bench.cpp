// SPDX-License-Identifier: LicenseRef-Quillmark
// Reading PNG files: detail::loadPng as the command reads (our reader, libpng for the files
// it leaves), the same with our reader's unfiltering held to one thread, and libpng's
// reading alone, which read every file before. The pictures are
// real files named in QUILLMARK_BENCH_PNG (paths separated by ':'), as for the write
// benchmark; each is read whole into a fresh picture in every iteration, from the system's
// file cache after the first.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/png_reader.h"
#include "cli/png_unfilter.h"
#include "bench/png_pictures.h"
#include "cli/raster_image.h"

namespace qm {
namespace {

enum class Reader { Libpng, OursOneThread, Ours };

bool readOnce(const std::string& path, std::uint64_t size, Reader reader, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    error = "cannot open";
    return false;
  }
  cli::RasterImage image;
  const bool ok = reader == Reader::Libpng ? cli::png::readPngWithLibpng(file, size, image, error)
                                           : cli::detail::loadPng(file, size, image, error);
  benchmark::DoNotOptimize(image.pixels.data());
  std::fclose(file);
  return ok;
}

void readPicture(benchmark::State& state, const std::string& path, Reader reader) {
  std::error_code failed;
  const std::uint64_t size = std::filesystem::file_size(path, failed);
  std::string error;
  cli::png::setUnfilterThreadsForTesting(reader == Reader::OursOneThread ? 1 : 0);
  for (auto _ : state) {
    if (failed || !readOnce(path, size, reader, error)) {
      state.SkipWithError(("cannot read: " + error).c_str());
      break;
    }
  }
  cli::png::setUnfilterThreadsForTesting(0);
  state.counters["MB"] = double(size) / 1e6;
}

void addReader(const std::string& name, const std::string& path, Reader reader) {
  bench::registerPngBenchmark(name, readPicture, path, reader);
}

// One benchmark per picture and reader, named after the file.
[[maybe_unused]] const bool registered = [] {
  for (const std::string& path : bench::pngPicturePaths()) {
    const std::string name = std::filesystem::path(path).filename().string();
    addReader("BM_ReadPngLibpng/" + name, path, Reader::Libpng);
    addReader("BM_ReadPngOneThread/" + name, path, Reader::OursOneThread);
    addReader("BM_ReadPng/" + name, path, Reader::Ours);
  }
  return true;
}();

}  // namespace
}  // namespace qm
