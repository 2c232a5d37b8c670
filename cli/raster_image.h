// SPDX-License-Identifier: LicenseRef-Quillmark
// The substitute host's own picture: what an image file holds, in the file's own depth.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/pixel_allocator.h"

namespace qm::cli {

enum class SampleType { UInt8, UInt16, Float32 };

inline int bytesPerSample(SampleType type) {
  return type == SampleType::UInt8 ? 1 : type == SampleType::UInt16 ? 2 : 4;
}

// Interleaved samples, rows without padding, samples in native byte order.
// 8-bit 0..255, 16-bit 0..65535 (the file's range), float nominally 0..1.
// Channels are the colour channels (1 grey, 3 RGB; any other count is "multichannel")
// followed by one alpha channel when hasAlpha is set.
struct RasterImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int colorChannels = 0;
  bool hasAlpha = false;
  SampleType type = SampleType::UInt8;
  PixelBytes pixels;
  // A JPEG file's EXIF block and ICC profile, written again when the picture is saved as
  // JPEG (the other formats leave them out).
  std::vector<std::uint8_t> exif;
  std::vector<std::uint8_t> iccProfile;

  int channels() const { return colorChannels + (hasAlpha ? 1 : 0); }
  std::size_t rowBytes() const {
    return std::size_t(width) * std::size_t(channels()) * std::size_t(bytesPerSample(type));
  }
};

// Size limits, checked against the size a file declares before any pixel memory is
// allocated, and against an image before it is saved:
//   - each side 1 .. kMaxImageSide pixels,
//   - at most kMaxImagePixels pixels in all (2^31, so a pixel index fits an int64 and
//     every row/column an int32),
//   - 1 .. kMaxImageChannels channels,
//   - at most kMaxImageBytes bytes of samples (8 GiB: a 2-gigapixel 8-bit RGBA image
//     would need 8 GiB; larger ones would not fit the working copies the host makes).
// A loader also refuses a file that is far too small to hold the pixels it declares
// (more than its compression could expand), and allocates a large picture only once the
// start of its data has decoded, so a tiny corrupt file never makes it allocate gigabytes.
inline constexpr std::int32_t kMaxImageSide = 300000;
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t(1) << 31;
inline constexpr int kMaxImageChannels = 64;
inline constexpr std::uint64_t kMaxImageBytes = std::uint64_t(1) << 33;

// Checks a size against the limits above; on failure sets error (no file name) and
// returns false. Every product is computed without overflow.
bool checkImageSize(std::int64_t width, std::int64_t height, int channels, SampleType type,
                    std::string& error);

// The functions below are not to be called from two threads at once: libtiff reports its
// messages through process-wide handlers, which they take over while they work.

// The quality JPEG files are written at: close to the picture, a fraction of its size.
inline constexpr int kJpegFileQuality = 90;

// Loads a PNG, TIFF or JPEG file (format found from the file's first bytes, not its name).
// On failure returns false and sets error to one line that names the file and the cause.
bool loadImage(const std::string& path, RasterImage& image, std::string& error);

// Whether saveImage can write to path at all, checked before any work is done: a .png, .tif,
// .tiff, .jpg or .jpeg name in an existing folder, and not itself a folder. Creates nothing.
bool checkOutputPath(const std::string& path, std::string& error);
// Whether the format path names holds a picture of image's samples and channels: PNG takes
// 8- and 16-bit grey or RGB only, TIFF anything but 2 channels with alpha, JPEG 8-bit grey
// or RGB without alpha of at most 65500 pixels a side.
bool checkOutputHolds(const std::string& path, const RasterImage& image, std::string& error);

// Writes a PNG (".png"), TIFF (".tif", ".tiff") or JPEG (".jpg", ".jpeg", at
// kJpegFileQuality) chosen by the extension, through a
// temporary file beside the target that is renamed over it only when complete, so a
// failed write never leaves a partial file, nor does a signal that ends the process (see
// platform::exitAtOnce). When stopRequested answers true once the file is written, the
// target is left as it was and saveImage fails.
bool saveImage(const std::string& path, const RasterImage& image, std::string& error,
               bool (*stopRequested)() = nullptr);

// Loads a selection mask: any image of exactly width x height, reduced to one byte per
// pixel (0 unselected .. 255 fully selected) from its grey or luma value.
bool loadMask(const std::string& path, std::int32_t width, std::int32_t height,
              std::vector<std::uint8_t>& mask, std::string& error);

// The format back ends behind loadImage and saveImage. Their errors name the cause only;
// the callers above add the file name. A loader fills every field of image (pixels sized
// and allocated by itself); a saver writes the whole file at path (a fresh temporary), of
// a picture its format holds (checked by saveImage).
namespace detail {
bool loadPng(std::FILE* file, std::uint64_t fileSize, RasterImage& image, std::string& error);
bool savePng(const std::string& path, const RasterImage& image, std::string& error);
bool loadTiff(const std::string& path, std::uint64_t fileSize, RasterImage& image,
              std::string& error);
bool saveTiff(const std::string& path, const RasterImage& image, std::string& error);
bool loadJpeg(std::FILE* file, std::uint64_t fileSize, RasterImage& image, std::string& error);
bool saveJpeg(const std::string& path, const RasterImage& image, std::string& error);
// Sizes image.pixels for its width, height, channels and type; false with an error when
// memory runs out.
bool allocatePixels(RasterImage& image, std::string& error);
// One line, whatever a library put in its message.
std::string oneLine(std::string text);
// what, then the system's text for errno.
std::string systemError(const std::string& what);
}  // namespace detail

}  // namespace qm::cli
