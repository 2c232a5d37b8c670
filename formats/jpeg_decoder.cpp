// SPDX-License-Identifier: LicenseRef-Quillmark
// The decoder. Any warning from the library (corrupt data, a premature end) fails the
// decode: a damaged stream never passes as a picture. Streams in colour spaces other than
// grey, YCbCr and RGB (CMYK, YCCK) are refused, as are sizes no image buffer can hold.
#include <cstring>
#include <new>

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

// Refuses the picture (with a message) once its size and components are known.
using SizeCheck = std::function<const char*(const JpegInfo& info)>;

// The decode shared by both forms. The sink runs between library calls, never inside one,
// so whatever it throws passes no frame of the library.
bool decodeWith(const std::uint8_t* data, std::size_t size, const SizeCheck& refuse, const JpegRowSink& sink,
                std::string* error) {
  jpeg::Decompressor decompressor;
  jpeg_decompress_struct& info = decompressor.info;
  const auto common = reinterpret_cast<j_common_ptr>(&info);
  jpeg_progress_mgr progress{};
  progress.progress_monitor = limitScans;
  const bool done = jpeg::runTrapped(decompressor.trap, [&] {
    jpeg::readHeader(decompressor, data, size);
    const JpegInfo picture{std::int32_t(info.output_width), std::int32_t(info.output_height),
                           info.out_color_components};
    if (const char* refusal = refuse(picture)) jpeg::failWith(common, refusal);
    info.progress = &progress;
    jpeg_start_decompress(&info);
    JSAMPARRAY row = (*info.mem->alloc_sarray)(common, JPOOL_IMAGE,
                                               info.output_width * JDIMENSION(info.output_components), 1);
    while (info.output_scanline < info.output_height) {
      const std::int32_t y = std::int32_t(info.output_scanline);
      if (jpeg_read_scanlines(&info, row, 1) != 1) jpeg::failWith(common, "the JPEG stream gave no row");
      if (!sink(y, row[0])) jpeg::failWith(common, "the JPEG picture was not taken");
    }
    jpeg_finish_decompress(&info);
  });
  if (!done && error != nullptr) *error = decompressor.trap.message;
  return done;
}

void storeRow(ImageBuffer& image, std::int32_t y, const std::uint8_t* row, int components) {
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

}  // namespace

bool readJpegInfo(const std::uint8_t* data, std::size_t size, JpegInfo& info) {
  std::string error;
  return readJpegInfo(data, size, info, error);
}

bool readJpegInfo(const std::uint8_t* data, std::size_t size, JpegInfo& info, std::string& error) {
  jpeg::Decompressor decompressor;
  JpegInfo read;
  const bool done = jpeg::runTrapped(decompressor.trap, [&] {
    jpeg::readHeader(decompressor, data, size);
    read = {std::int32_t(decompressor.info.output_width), std::int32_t(decompressor.info.output_height),
            decompressor.info.out_color_components};
  });
  if (!done) {
    error = decompressor.trap.message;
    return false;
  }
  info = read;
  return true;
}

bool decodeJpeg(const std::uint8_t* data, std::size_t size, ImageBuffer& image, std::string* error) {
  const auto refuse = [&](const JpegInfo& picture) -> const char* {
    if (image.format != kRgba8 && image.format != kGray8) return "the image is neither Rgba8 nor Gray8";
    if (!hasPixels(image) || image.bordered || image.width[0] != picture.width || image.height[0] != picture.height)
      return "the image is not the size of the JPEG picture";
    return nullptr;
  };
  int components = 0;
  return decodeWith(
      data, size,
      [&](const JpegInfo& picture) {
        components = picture.components;
        return refuse(picture);
      },
      [&](std::int32_t y, const std::uint8_t* row) {
        storeRow(image, y, row, components);
        return true;
      },
      error);
}

bool decodeJpegRows(const std::uint8_t* data, std::size_t size, const JpegRowSink& row, std::string* error) {
  try {
    return decodeWith(data, size, [](const JpegInfo&) -> const char* { return nullptr; }, row, error);
  } catch (const std::bad_alloc&) {
    if (error != nullptr) *error = "not enough memory for the JPEG picture";
    return false;
  }
}

}  // namespace qm
