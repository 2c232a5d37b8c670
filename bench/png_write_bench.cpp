// SPDX-License-Identifier: LicenseRef-Quillmark
// Writing PNG files: our writer (cli/png_writer.cpp, as many threads as processors), beside
// the libpng writer it replaced, with that writer's settings (deflate level 2, ink rows
// unfiltered, any other row libpng's adaptive choice among the five filters). The pictures
// are real files named in QUILLMARK_BENCH_PNG (paths separated by ':'), since what the
// filters and deflate make of a picture depends on what it shows; each is loaded once and
// written to a temporary file beside it in every iteration.
#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "bench/png_pictures.h"
#include "cli/raster_image.h"

namespace qm {
namespace {

// Loaded at first use and kept: every benchmark of a picture writes the same samples.
const cli::RasterImage& picture(const std::string& path) {
  static std::string loadedPath;
  static cli::RasterImage image;
  if (loadedPath != path) {
    std::string error;
    image = {};
    if (!cli::loadImage(path, image, error)) std::fprintf(stderr, "%s\n", error.c_str());
    loadedPath = path;
  }
  return image;
}

template <typename Sample>
bool inkRow(const std::uint8_t* row, std::size_t samples) {
  bool tone = false;
  for (std::size_t i = 0; i < samples; ++i) {
    Sample value;
    std::memcpy(&value, row + i * sizeof(Sample), sizeof(Sample));
    tone |= value != 0 && value != std::numeric_limits<Sample>::max();
  }
  return !tone;
}

// The replaced writer's settings, through libpng; only trivially destructible locals past
// the setjmp.
bool writeWithLibpng(png_structp png, png_infop info, const cli::RasterImage* image) {
  if (setjmp(png_jmpbuf(png))) return false;
  const int colourType = (image->colorChannels == 3 ? PNG_COLOR_MASK_COLOR : 0) |
                         (image->hasAlpha ? PNG_COLOR_MASK_ALPHA : 0);
  const bool sixteen = image->type == cli::SampleType::UInt16;
  png_set_IHDR(png, info, png_uint_32(image->width), png_uint_32(image->height), sixteen ? 16 : 8, colourType,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 2);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
  png_write_info(png, info);
  if (sixteen) png_set_swap(png);
  const std::size_t samples = std::size_t(image->width) * std::size_t(image->channels());
  int filters = PNG_ALL_FILTERS;
  for (std::int32_t y = 0; y < image->height; ++y) {
    png_bytep row = const_cast<png_bytep>(image->pixels.data() + std::size_t(y) * image->rowBytes());
    // libpng sets up the buffers of Up, Average and Paeth at the first row, so it goes with all.
    const bool ink = y > 0 && (sixteen ? inkRow<std::uint16_t>(row, samples) : inkRow<std::uint8_t>(row, samples));
    if ((ink ? PNG_FILTER_NONE : PNG_ALL_FILTERS) != filters) {
      filters = ink ? PNG_FILTER_NONE : PNG_ALL_FILTERS;
      png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    }
    png_write_row(png, row);
  }
  png_write_end(png, info);
  return true;
}

bool saveWithLibpng(const std::string& path, const cli::RasterImage& image) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (info) {
    png_init_io(png, file);
    ok = writeWithLibpng(png, info, &image);
  }
  png_destroy_write_struct(&png, info ? &info : nullptr);
  return std::fclose(file) == 0 && ok;
}

void writePicture(benchmark::State& state, const std::string& path, bool withLibpng) {
  const cli::RasterImage& image = picture(path);
  if (image.pixels.empty()) {
    state.SkipWithError("cannot load the picture");
    return;
  }
  const std::string out = path + ".bench-out.png";
  std::string error;
  for (auto _ : state) {
    const bool ok = withLibpng ? saveWithLibpng(out, image) : cli::detail::savePng(out, image, error);
    if (!ok) state.SkipWithError(("cannot write: " + error).c_str());
  }
  state.counters["MB"] = double(std::filesystem::file_size(out)) / 1e6;
  std::filesystem::remove(out);
}

void addWriter(const std::string& name, const std::string& path, bool withLibpng) {
  bench::registerPngBenchmark(name, writePicture, path, withLibpng);
}

// One benchmark per picture and writer, named after the file.
[[maybe_unused]] const bool registered = [] {
  for (const std::string& path : bench::pngPicturePaths()) {
    const std::string name = std::filesystem::path(path).filename().string();
    addWriter("BM_WritePngLibpng/" + name, path, true);
    addWriter("BM_WritePng/" + name, path, false);
  }
  return true;
}();

}  // namespace
}  // namespace qm
