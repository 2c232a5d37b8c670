// SPDX-License-Identifier: LicenseRef-Quillmark
// Image files of the substitute host: loading by format, size limits, selection masks.
#include "cli/raster_image.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/file_system.h"

namespace qm::cli {

std::string detail::oneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::replace(text.begin(), text.end(), '\r', ' ');
  while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
  return text.empty() ? std::string("unknown error") : text;
}

std::string detail::systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

namespace {

using detail::oneLine;
using detail::systemError;

std::string sizeText(std::int64_t width, std::int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

class FileCloser {
 public:
  explicit FileCloser(std::FILE* file) : file_(file) {}
  ~FileCloser() {
    if (file_) std::fclose(file_);
  }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  std::FILE* file_;
};

bool startsWith(const unsigned char* bytes, std::size_t count, const char* prefix,
                std::size_t prefixLength) {
  return count >= prefixLength && std::memcmp(bytes, prefix, prefixLength) == 0;
}

// Names formats people commonly try, so the error says what to do.
std::string unknownFormatCause(const unsigned char* bytes, std::size_t count) {
  const char* name = nullptr;
  if (startsWith(bytes, count, "GIF8", 4)) name = "a GIF";
  else if (startsWith(bytes, count, "BM", 2)) name = "a BMP";
  else if (startsWith(bytes, count, "RIFF", 4)) name = "a RIFF (WebP?)";
  else if (startsWith(bytes, count, "8BPS", 4)) name = "a PSD";
  if (name) {
    return std::string("this is ") + name + " file; only PNG, TIFF and JPEG are read: convert it first";
  }
  return "not a PNG, TIFF or JPEG file";
}

bool loadImageFile(const std::string& path, RasterImage& image, std::string& cause) {
  const platform::PathInfo info = platform::pathInfo(path);
  if (info.kind == platform::PathKind::Missing) {
    errno = info.error;
    cause = systemError("cannot open");
    return false;
  }
  if (info.kind == platform::PathKind::Directory) {
    cause = "is a directory, not an image file";
    return false;
  }
  // A FIFO or device could block forever or never end.
  if (info.kind != platform::PathKind::RegularFile) {
    cause = "not a regular file";
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    cause = systemError("cannot open");
    return false;
  }
  FileCloser closer(file);
  const std::uint64_t fileSize = info.size;
  unsigned char signature[8] = {};
  const std::size_t got = std::fread(signature, 1, sizeof signature, file);
  if (got == 0) {
    cause = std::ferror(file) ? systemError("cannot read") : "the file is empty";
    return false;
  }
  static const char kPng[] = "\x89PNG\r\n\x1A\n";
  if (startsWith(signature, got, kPng, 8)) return detail::loadPng(file, fileSize, image, cause);
  const bool tiff = startsWith(signature, got, "II*\0", 4) || startsWith(signature, got, "MM\0*", 4) ||
                    startsWith(signature, got, "II+\0", 4) || startsWith(signature, got, "MM\0+", 4);
  if (tiff) return detail::loadTiff(path, fileSize, image, cause);
  if (startsWith(signature, got, "\xFF\xD8\xFF", 3)) return detail::loadJpeg(file, fileSize, image, cause);
  cause = unknownFormatCause(signature, got);
  return false;
}

std::uint8_t toByte(std::uint32_t value, SampleType type) {
  if (type == SampleType::UInt16) return std::uint8_t((value * 255u + 32767u) / 65535u);
  return std::uint8_t(value);
}

std::uint8_t floatToByte(double value) {
  if (!(value > 0.0)) return 0;  // also NaN
  if (value >= 1.0) return 255;
  return std::uint8_t(std::lround(value * 255.0));
}

}  // namespace

bool checkImageSize(std::int64_t width, std::int64_t height, int channels, SampleType type,
                    std::string& error) {
  if (width <= 0 || height <= 0) {
    error = "invalid image size " + sizeText(width, height);
    return false;
  }
  if (width > kMaxImageSide || height > kMaxImageSide) {
    error = "image of " + sizeText(width, height) + " pixels is too large (at most " +
            std::to_string(kMaxImageSide) + " pixels a side)";
    return false;
  }
  const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);  // <= 9e10
  if (pixels > kMaxImagePixels) {
    error = "image of " + sizeText(width, height) + " pixels is too large (at most " +
            std::to_string(kMaxImagePixels) + " pixels)";
    return false;
  }
  if (channels < 1 || channels > kMaxImageChannels) {
    error = std::to_string(channels) + " channels are not supported (at most " +
            std::to_string(kMaxImageChannels) + ")";
    return false;
  }
  // <= 2^31 * 64 * 4 = 2^39: no overflow.
  const std::uint64_t bytes = pixels * std::uint64_t(channels) * std::uint64_t(bytesPerSample(type));
  if (bytes > kMaxImageBytes || bytes > std::uint64_t(SIZE_MAX)) {
    error = "image of " + sizeText(width, height) + " pixels with " + std::to_string(channels) +
            " channels needs " + std::to_string(bytes >> 20) + " MiB, more than the " +
            std::to_string(kMaxImageBytes >> 20) + " MiB allowed";
    return false;
  }
  return true;
}

bool detail::allocatePixels(RasterImage& image, std::string& error) {
  try {
    image.pixels = PixelBytes(image.rowBytes() * std::size_t(image.height));  // comes cleared
  } catch (const std::bad_alloc&) {
    error = "not enough memory for an image of " + sizeText(image.width, image.height) + " pixels";
    image.pixels.clear();
    return false;
  }
  return true;
}

bool loadImage(const std::string& path, RasterImage& image, std::string& error) {
  RasterImage loaded;
  std::string cause;
  bool ok = false;
  try {
    ok = loadImageFile(path, loaded, cause);
  } catch (const std::bad_alloc&) {
    cause = "not enough memory";
  }
  if (!ok) {
    image = RasterImage{};
    error = path + ": " + oneLine(cause);
    return false;
  }
  image = std::move(loaded);
  return true;
}

bool loadMask(const std::string& path, std::int32_t width, std::int32_t height,
              std::vector<std::uint8_t>& mask, std::string& error) {
  RasterImage image;
  if (!loadImage(path, image, error)) return false;
  if (image.width != width || image.height != height) {
    error = path + ": the mask is " + sizeText(image.width, image.height) +
            " pixels but the image is " + sizeText(width, height);
    return false;
  }
  if (image.colorChannels != 1 && image.colorChannels != 3) {
    error = path + ": a mask must be a grey or RGB image, not one of " +
            std::to_string(image.colorChannels) + " channels";
    return false;
  }
  const std::size_t count = std::size_t(width) * std::size_t(height);
  const std::size_t stride = std::size_t(image.channels());
  const bool rgb = image.colorChannels == 3;
  std::vector<std::uint8_t> result(count);
  const std::uint8_t* bytes = image.pixels.data();
  if (image.type == SampleType::Float32) {
    for (std::size_t i = 0; i < count; ++i) {
      float p[3] = {};
      std::memcpy(p, bytes + i * stride * 4, rgb ? 12 : 4);
      const double value = rgb ? 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2] : double(p[0]);
      result[i] = floatToByte(value);
    }
  } else {
    const bool wide = image.type == SampleType::UInt16;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = i * stride;
      auto sample = [&](std::size_t c) -> std::uint32_t {
        if (!wide) return bytes[at + c];
        std::uint16_t word;
        std::memcpy(&word, bytes + (at + c) * 2, 2);
        return word;
      };
      // Luma in the file's own depth, rounded, then scaled to 8 bits.
      const std::uint32_t value =
          rgb ? (299u * sample(0) + 587u * sample(1) + 114u * sample(2) + 500u) / 1000u : sample(0);
      result[i] = toByte(value, image.type);
    }
  }
  mask = std::move(result);
  return true;
}

}  // namespace qm::cli
