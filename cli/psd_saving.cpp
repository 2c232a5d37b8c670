// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/psd_saving.h"

#include <cstring>
#include <new>
#include <vector>

#include "formats/psd_metadata.h"
#include "formats/psd_writer.h"
#include "platform/files.h"
#include "settings/look_keywords.h"

namespace qm::cli {
namespace {

// One sample of the picture in the writer's terms: 16-bit files run to 65535, the writer's
// 16-bit samples to 32768.
void putSample(const RasterImage& image, std::size_t index, std::uint8_t* to) {
  switch (image.type) {
    case SampleType::UInt8: *to = image.pixels[index]; return;
    case SampleType::UInt16: {
      std::uint16_t value;
      std::memcpy(&value, image.pixels.data() + index * 2, 2);
      const auto scaled = std::uint16_t((std::uint32_t(value) * 32768u + 32767u) / 65535u);
      std::memcpy(to, &scaled, 2);
      return;
    }
    case SampleType::Float32: std::memcpy(to, image.pixels.data() + index * 4, 4); return;
  }
}

// Full opacity in the writer's terms.
void putOpaque(SampleType type, std::uint8_t* to) {
  const std::uint8_t one8 = 255;
  const std::uint16_t one16 = 32768;
  const float one = 1.0f;
  if (type == SampleType::UInt8) std::memcpy(to, &one8, 1);
  if (type == SampleType::UInt16) std::memcpy(to, &one16, 2);
  if (type == SampleType::Float32) std::memcpy(to, &one, 4);
}

std::vector<std::uint8_t> rgbaOf(const RasterImage& image) {
  const std::size_t bytes = std::size_t(bytesPerSample(image.type));
  const std::size_t pixels = std::size_t(image.width) * std::size_t(image.height);
  std::vector<std::uint8_t> rgba(pixels * 4 * bytes);
  const std::size_t channels = std::size_t(image.channels());
  for (std::size_t p = 0; p < pixels; ++p) {
    std::uint8_t* to = rgba.data() + p * 4 * bytes;
    for (std::size_t c = 0; c < 3; ++c)
      putSample(image, p * channels + (image.colorChannels >= 3 ? c : 0), to + c * bytes);
    if (image.hasAlpha)
      putSample(image, p * channels + std::size_t(image.colorChannels), to + 3 * bytes);
    else
      putOpaque(image.type, to + 3 * bytes);
  }
  return rgba;
}

std::string reasonFor(int code) {
  switch (code) {
    case kPsdPictureRefused: return "the picture is too large for a PSD file";
    case kPsdOutOfMemory: return "not enough memory";
    case platform::kOpenRefused: return "the file cannot be made there";
    default: return "a write failed";
  }
}

}  // namespace

bool savePsd(const std::string& path, const RasterImage& image, const UserValues& look, std::string& error) {
  std::vector<std::uint8_t> rgba;
  try {
    rgba = rgbaOf(image);
  } catch (const std::bad_alloc&) {
    return error = path + ": not enough memory for the layered file", false;
  }
  const int bytes = bytesPerSample(image.type);
  const PsdPicture picture{image.width, image.height, bytes, rgba.data(), std::ptrdiff_t(image.width) * 4 * bytes};
  const PsdMetadata metadata{lookKeywords(look, bytes), utcDateStamp(), image.iccProfile};
  const int code = writePsd(path, picture, metadata);
  if (code == 0) return true;
  error = path + ": " + reasonFor(code) + "; the layered file was not written";
  return false;
}

}  // namespace qm::cli
