// SPDX-License-Identifier: LicenseRef-Quillmark
// The decoder. Any warning from the library (corrupt data, a premature end) fails the
// decode: a damaged stream never passes as a picture. Streams in colour spaces other than
// grey, YCbCr and RGB (CMYK, YCCK) are refused, as are sizes no image buffer can hold.
#include <cstring>

#include "formats/jpeg_codec.h"
#include "formats/jpeg_decompressor.h"

namespace qm {
namespace {

// Progressive streams may repeat scans without end; a real picture needs a few dozen.
constexpr int kMaxScans = 1000;

void limitScans(j_common_ptr common) {
  const auto info = reinterpret_cast<j_decompress_ptr>(common);
  if (info->input_scan_number > kMaxScans) jpeg::failWith(common, "too many scans in the JPEG stream");
}

bool sizeMatches(const ImageBuffer& image, const jpeg_decompress_struct& info) {
  return hasPixels(image) && !image.bordered && image.width[0] == std::int32_t(info.output_width) &&
         image.height[0] == std::int32_t(info.output_height);
}

void storeRow(ImageBuffer& image, std::int32_t y, const JSAMPLE* row, int components) {
  for (std::int32_t x = 0; x < image.width[0]; ++x, row += components) {
    std::uint8_t* at = pixelAddress(image, x, y, 0);
    const unsigned r = row[0], g = row[components == 3 ? 1 : 0], b = row[components == 3 ? 2 : 0];
    if (image.format == kGray8) {
      // Weights summing to 256, so white stays white and grey stays its own value.
      *at = components == 3 ? std::uint8_t((77 * r + 150 * g + 29 * b) >> 8) : std::uint8_t(r);
    } else {
      const std::uint32_t word = packRgba8(r, g, b, 255);
      std::memcpy(at, &word, sizeof word);
    }
  }
}

void setError(std::string* error, const char* message) {
  if (error != nullptr) *error = message;
}

}  // namespace

bool readJpegInfo(const std::uint8_t* data, std::size_t size, JpegInfo& info) {
  jpeg::Decompressor decompressor;
  JpegInfo read;
  const bool done = jpeg::runTrapped(decompressor.trap, [&] {
    jpeg::readHeader(decompressor, data, size);
    read = {std::int32_t(decompressor.info.output_width), std::int32_t(decompressor.info.output_height),
            decompressor.info.out_color_components};
  });
  if (!done) return false;
  info = read;
  return true;
}

bool decodeJpeg(const std::uint8_t* data, std::size_t size, ImageBuffer& image, std::string* error) {
  if (image.format != kRgba8 && image.format != kGray8) {
    setError(error, "the image is neither Rgba8 nor Gray8");
    return false;
  }
  jpeg::Decompressor decompressor;
  jpeg_decompress_struct& info = decompressor.info;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = limitScans;
  bool sizeRefused = false;
  const bool done = jpeg::runTrapped(decompressor.trap, [&] {
    jpeg::readHeader(decompressor, data, size);
    if (!sizeMatches(image, info)) {
      sizeRefused = true;
      return;
    }
    info.progress = &progress;
    jpeg_start_decompress(&info);
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.output_width * JDIMENSION(info.output_components), 1);
    while (info.output_scanline < info.output_height) {
      const std::int32_t y = std::int32_t(info.output_scanline);
      if (jpeg_read_scanlines(&info, row, 1) != 1) jpeg::failWith(reinterpret_cast<j_common_ptr>(&info), "no row");
      storeRow(image, y, row[0], info.output_components);
    }
    jpeg_finish_decompress(&info);
  });
  if (sizeRefused) setError(error, "the image is not the size of the JPEG stream");
  else if (!done) setError(error, decompressor.trap.message);
  return done && !sizeRefused;
}

}  // namespace qm
