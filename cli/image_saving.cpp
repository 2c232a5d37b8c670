// SPDX-License-Identifier: LicenseRef-Quillmark
// Saving the substitute host's pictures: the output's name checked before any work, and a
// file written through a temporary beside it that replaces the target only when complete.
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <new>

#include "cli/raster_image.h"
#include "formats/jpeg_codec.h"
#include "platform/file_system.h"
#include "platform/signals.h"

namespace qm::cli {

namespace {

using detail::oneLine;
using detail::systemError;
using platform::folderOf;

enum class FileFormat { Unknown, Png, Tiff, Jpeg };

FileFormat formatFromExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of(platform::pathSeparators());
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return FileFormat::Unknown;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "png") return FileFormat::Png;
  if (extension == "tif" || extension == "tiff") return FileFormat::Tiff;
  if (extension == "jpg" || extension == "jpeg") return FileFormat::Jpeg;
  return FileFormat::Unknown;
}

bool checkPath(const std::string& path, std::string& cause) {
  if (formatFromExtension(path) == FileFormat::Unknown) {
    cause = "unknown file type: name it .png, .tif, .tiff, .jpg or .jpeg";
    return false;
  }
  const std::string folder = folderOf(path).empty() ? std::string(".") : folderOf(path);
  const platform::PathInfo info = platform::pathInfo(folder);
  if (info.kind != platform::PathKind::Directory) {
    errno = info.kind == platform::PathKind::Missing ? info.error : ENOTDIR;
    cause = systemError("cannot write in " + folder);
    return false;
  }
  if (platform::pathInfo(path).kind == platform::PathKind::Directory) {
    cause = "is a folder, not a file that can be replaced";
    return false;
  }
  return true;
}

// JPEG keeps 8 bits: a deeper render is refused rather than cut down unasked, as PNG
// refuses floats, and so is transparency, which JPEG would drop.
bool checkJpegHolds(const RasterImage& image, std::string& cause) {
  if (image.type != SampleType::UInt8) {
    cause = "JPEG holds 8-bit samples only, not " + std::to_string(bytesPerSample(image.type) * 8) +
            "-bit ones; name the output .png or .tif instead";
  } else if (image.colorChannels != 1 && image.colorChannels != 3) {
    cause = "JPEG holds grey or RGB only, not " + std::to_string(image.colorChannels) +
            " channels; name the output .tif instead";
  } else if (image.hasAlpha) {
    cause = "JPEG holds no transparency; name the output .png or .tif instead";
  } else if (image.width > kJpegMaximumSide || image.height > kJpegMaximumSide) {
    cause = "JPEG holds at most " + std::to_string(kJpegMaximumSide) + " pixels a side; name the output .png or .tif instead";
  } else {
    return true;
  }
  return false;
}

bool checkFormatHolds(FileFormat format, const RasterImage& image, std::string& cause) {
  const SampleType type = image.type;
  const int colorChannels = image.colorChannels;
  const bool hasAlpha = image.hasAlpha;
  if (format == FileFormat::Jpeg) return checkJpegHolds(image, cause);
  if (format == FileFormat::Png && type == SampleType::Float32) {
    cause = "PNG cannot hold 32-bit float samples; name the output .tif instead";
  } else if (format == FileFormat::Png && colorChannels != 1 && colorChannels != 3) {
    cause = "PNG holds grey or RGB only, not " + std::to_string(colorChannels) +
            " channels; name the output .tif instead";
  } else if (format == FileFormat::Tiff && colorChannels == 2 && hasAlpha) {
    cause = "an image of 2 channels plus alpha cannot be written as TIFF";  // it would read back as 3
  } else {
    return true;
  }
  return false;
}

bool checkImageForSave(const RasterImage& image, std::string& cause) {
  if (!checkImageSize(image.width, image.height, image.channels(), image.type, cause)) return false;
  if (image.colorChannels < 1) {
    cause = "the image has no colour channels";
    return false;
  }
  if (image.pixels.size() != image.rowBytes() * std::size_t(image.height)) {
    cause = "the image's pixel buffer does not match its size";
    return false;
  }
  return true;
}

// Creates an empty, exclusive temporary file beside path, named ".NAME.tmp-PID-N", with
// the target's permissions when it exists. The name is remembered for exitAtOnce before
// the file exists, so that no signal finds it made but not yet remembered; a name that is
// taken can only be a leftover of an earlier process of our number.
bool createTemporaryBeside(const std::string& path, std::string& temporary, std::string& cause) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = folderOf(path);
  std::string name = path.substr(folder.size());
  if (name.size() > 180) name.resize(180);  // stay well under the longest file name
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary =
        folder + "." + name + ".tmp-" + std::to_string(platform::processId()) + "-" + std::to_string(counter++);
    platform::rememberTemporaryFile(temporary);
    switch (platform::createNewFile(temporary, path)) {
      case platform::CreateResult::Created:
        return true;
      case platform::CreateResult::Exists:
        continue;
      case platform::CreateResult::Failed:
        platform::forgetTemporaryFile();
        cause = systemError("cannot create a temporary file in " + (folder.empty() ? std::string(".") : folder));
        return false;
    }
  }
  platform::forgetTemporaryFile();
  cause = "cannot create a unique temporary file beside it";
  return false;
}

bool writeFile(FileFormat format, const std::string& path, const RasterImage& image, std::string& cause) {
  try {
    switch (format) {
      case FileFormat::Png: return detail::savePng(path, image, cause);
      case FileFormat::Jpeg: return detail::saveJpeg(path, image, cause);
      default: return detail::saveTiff(path, image, cause);
    }
  } catch (const std::bad_alloc&) {
    cause = "not enough memory";
    return false;
  }
}

// The data must be on disk before the rename makes it the target.
bool syncFile(const std::string& path, std::string& cause) {
  if (platform::flushToDisk(path)) return true;
  cause = systemError("cannot flush the written file");
  return false;
}

// A stop asked for while the file was written still keeps the old target.
bool notStopped(bool (*stopRequested)(), std::string& cause) {
  if (!stopRequested || !stopRequested()) return true;
  cause = "stopped before it was written";
  return false;
}

bool replaceTarget(const std::string& temporary, const std::string& path, std::string& cause) {
  if (platform::replaceFile(temporary, path)) return true;
  cause = systemError("cannot replace the file");
  return false;
}

// While the temporary file exists, a signal that ends the process removes it too.
bool writeThroughTemporary(FileFormat format, const std::string& path, const RasterImage& image,
                           bool (*stopRequested)(), std::string& cause) {
  std::string temporary;
  if (!createTemporaryBeside(path, temporary, cause)) return false;
  const bool ok = writeFile(format, temporary, image, cause) && syncFile(temporary, cause) &&
                  notStopped(stopRequested, cause) && replaceTarget(temporary, path, cause);
  if (!ok) std::remove(temporary.c_str());
  platform::forgetTemporaryFile();
  return ok;
}

}  // namespace

bool checkOutputPath(const std::string& path, std::string& error) {
  std::string cause;
  if (checkPath(path, cause)) return true;
  error = path + ": " + cause;
  return false;
}

bool checkOutputHolds(const std::string& path, const RasterImage& image, std::string& error) {
  std::string cause;
  if (checkFormatHolds(formatFromExtension(path), image, cause)) return true;
  error = path + ": " + cause;
  return false;
}

bool saveImage(const std::string& path, const RasterImage& image, std::string& error, bool (*stopRequested)()) {
  std::string cause;
  const FileFormat format = formatFromExtension(path);
  if (checkPath(path, cause) && checkImageForSave(image, cause) &&
      checkFormatHolds(format, image, cause) &&
      writeThroughTemporary(format, path, image, stopRequested, cause))
    return true;
  error = path + ": " + oneLine(cause);
  return false;
}

}  // namespace qm::cli
