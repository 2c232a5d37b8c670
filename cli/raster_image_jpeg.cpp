// SPDX-License-Identifier: LicenseRef-Quillmark
// JPEG through the plug-in's own codec: 8-bit grey or RGB, read and written.
//
// Read: grey streams as grey pictures, YCbCr and RGB ones as RGB; CMYK is refused. The
// EXIF block and ICC profile come along in the picture and go into a JPEG it is saved as.
// A damaged or cut stream is an error, never a picture with a grey bottom. The picture's
// memory grows as its rows decode, so a small damaged file that claims a vast size fails
// before it costs much.
//
// Written at quality kJpegFileQuality, grey as one grey component; JPEG holds 8-bit grey
// or RGB without transparency only, which saveImage checks before any work.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/raster_image.h"
#include "formats/jpeg_codec.h"

namespace qm::cli::detail {

namespace {

// Reads the rest of file from its start.
bool readWhole(std::FILE* file, std::uint64_t fileSize, std::vector<std::uint8_t>& bytes, std::string& error) {
  if (fileSize > SIZE_MAX || std::fseek(file, 0, SEEK_SET) != 0) {
    error = std::string("cannot read: ") + std::strerror(errno);
    return false;
  }
  bytes.resize(std::size_t(fileSize));
  if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    error = std::ferror(file) ? std::string("cannot read: ") + std::strerror(errno) : "the file changed while it was read";
    return false;
  }
  return true;
}

}  // namespace

bool loadJpeg(std::FILE* file, std::uint64_t fileSize, RasterImage& image, std::string& error) {
  std::vector<std::uint8_t> stream;
  if (!readWhole(file, fileSize, stream, error)) return false;
  JpegInfo info;
  std::string cause;
  if (!readJpegInfo(stream.data(), stream.size(), info, cause)) return error = "cannot read JPEG: " + cause, false;
  if (!checkImageSize(info.width, info.height, info.components, SampleType::UInt8, error)) return false;
  image.width = info.width;
  image.height = info.height;
  image.colorChannels = info.components;
  image.hasAlpha = false;
  image.type = SampleType::UInt8;
  const std::size_t rowBytes = image.rowBytes();
  image.pixels.clear();
  const bool decoded = decodeJpegRows(
      stream.data(), stream.size(),
      [&](std::int32_t, const std::uint8_t* samples) {
        image.pixels.insert(image.pixels.end(), samples, samples + rowBytes);
        return true;
      },
      &cause);
  if (!decoded) {
    image.pixels.clear();
    return error = "cannot read JPEG: " + cause, false;
  }
  JpegMetadata metadata;
  if (readJpegMetadata(stream.data(), stream.size(), metadata)) {
    image.exif = std::move(metadata.exif);
    image.iccProfile = std::move(metadata.iccProfile);
  }
  return true;
}

bool saveJpeg(const std::string& path, const RasterImage& image, std::string& error) {
  JpegMetadata metadata;
  metadata.exif = image.exif;
  metadata.iccProfile = image.iccProfile;
  const std::size_t rowBytes = image.rowBytes();
  const std::vector<std::uint8_t> stream =
      encodeJpegRows(image.width, image.height, image.colorChannels,
                     [&](std::int32_t y) { return image.pixels.data() + std::size_t(y) * rowBytes; },
                     kJpegFileQuality, &metadata);
  if (stream.empty()) {
    error = "cannot encode the JPEG (too large a picture or metadata, or not enough memory)";
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return error = std::string("cannot write: ") + std::strerror(errno), false;
  bool ok = std::fwrite(stream.data(), 1, stream.size(), file) == stream.size() && std::fflush(file) == 0;
  if (!ok) error = std::string("write error: ") + std::strerror(errno);
  if (std::fclose(file) != 0 && ok) {
    error = std::string("write error: ") + std::strerror(errno);
    ok = false;
  }
  return ok;
}

}  // namespace qm::cli::detail
