// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/host_pixels.h"

#include <algorithm>
#include <cstring>

namespace qm::cli {
namespace {

constexpr std::uint64_t kLargestBuffer = std::uint64_t(1) << 31;

const std::uint16_t* fileToHostTable() {
  static const std::vector<std::uint16_t> table = [] {
    std::vector<std::uint16_t> values(65536);
    for (std::uint32_t v = 0; v < 65536; ++v) values[v] = fileToHost16(std::uint16_t(v));
    return values;
  }();
  return table.data();
}

std::int32_t docCoordinate(std::int32_t sampled, pi::Fixed rate) {
  return std::int32_t((std::int64_t(sampled) * rate) >> 16);
}

// What a padding request makes of a coordinate outside 0..size-1: the edge to repeat, or
// -1 when a fill value (or nothing) stands there instead.
std::int32_t padCoordinate(std::int32_t c, std::int32_t size, pi::int16 padding) {
  if (c >= 0 && c < size) return c;
  return padding == pi::plugInWantsEdgeReplication ? std::clamp(c, 0, size - 1) : -1;
}

bool reachesOutside(const PixelRequest& request, std::int32_t width, std::int32_t height) {
  const pi::VRect& r = request.rect;
  return docCoordinate(r.top, request.rate) < 0 || docCoordinate(r.left, request.rate) < 0 ||
         docCoordinate(r.bottom - 1, request.rate) >= height || docCoordinate(r.right - 1, request.rate) >= width;
}

// One sample in the filter's terms from the document.
void putHostSample(const RasterImage& image, std::size_t sampleIndex, std::uint8_t* to) {
  switch (image.type) {
    case SampleType::UInt8:
      *to = image.pixels[sampleIndex];
      return;
    case SampleType::UInt16: {
      std::uint16_t value;
      std::memcpy(&value, image.pixels.data() + sampleIndex * 2, 2);
      value = fileToHostTable()[value];
      std::memcpy(to, &value, 2);
      return;
    }
    case SampleType::Float32:
      std::memcpy(to, image.pixels.data() + sampleIndex * 4, 4);
      return;
  }
}

void putFillSample(SampleType type, pi::int16 padding, std::uint8_t* to) {
  const int fill = padding >= 0 && padding <= 255 ? padding : 0;
  if (type == SampleType::UInt8) {
    *to = std::uint8_t(fill);
  } else if (type == SampleType::UInt16) {
    const auto value = std::uint16_t(fill * 32768 / 255);
    std::memcpy(to, &value, 2);
  } else {
    const float value = float(fill) / 255.0f;
    std::memcpy(to, &value, 4);
  }
}

std::int32_t paddedRowBytes(std::uint64_t bytes, bool packedRows) {
  return std::int32_t(packedRows ? bytes : (bytes + 15) / 16 * 16);
}

pi::OSErr validate(const RasterImage& image, const PixelRequest& request, int bytesPerPixel) {
  if (request.rate <= 0) return pi::paramErr;
  if (request.padding == pi::plugInWantsErrorOnBoundsException && reachesOutside(request, image.width, image.height))
    return pi::paramErr;
  const std::uint64_t width = std::uint64_t(std::int64_t(request.rect.right) - request.rect.left);
  const std::uint64_t height = std::uint64_t(std::int64_t(request.rect.bottom) - request.rect.top);
  if (width * height * std::uint64_t(bytesPerPixel) > kLargestBuffer) return pi::memFullErr;
  return pi::noErr;
}

void fillRow(const RasterImage& image, const PixelRequest& request, std::int32_t docY, std::uint8_t* row) {
  const int planes = request.hiPlane - request.loPlane + 1;
  const int sampleSize = bytesPerSample(image.type);
  const std::int32_t width = request.rect.right - request.rect.left;
  const bool wholePixels = planes == image.channels() && image.type != SampleType::UInt16;
  for (std::int32_t x = 0; x < width; ++x) {
    std::uint8_t* to = row + std::ptrdiff_t(x) * planes * sampleSize;
    const std::int32_t docX = docY < 0 ? -1
                                       : padCoordinate(docCoordinate(request.rect.left + x, request.rate),
                                                       image.width, request.padding);
    if (docX < 0) {
      for (int p = 0; p < planes; ++p) putFillSample(image.type, request.padding, to + p * sampleSize);
      continue;
    }
    const std::size_t first = (std::size_t(docY) * std::size_t(image.width) + std::size_t(docX)) *
                              std::size_t(image.channels());
    if (wholePixels) {
      std::memcpy(to, image.pixels.data() + first * std::size_t(sampleSize), std::size_t(planes * sampleSize));
      continue;
    }
    for (int p = 0; p < planes; ++p) putHostSample(image, first + std::size_t(request.loPlane + p), to + p * sampleSize);
  }
}

// Rows at full resolution whose pixels lie wholly inside the image need no coordinate
// arithmetic: straight copies when all planes are asked for, sample by sample otherwise
// (a dialog's pan asks for one plane at a time).
bool copyRowDirectly(const RasterImage& image, const PixelRequest& request, std::int32_t docY, std::uint8_t* row) {
  const int planes = request.hiPlane - request.loPlane + 1;
  if (request.rate != pi::kFixedOne || docY < 0 || request.rect.left < 0 || request.rect.right > image.width)
    return false;
  const std::int32_t width = request.rect.right - request.rect.left;
  const std::size_t firstPixel = std::size_t(docY) * std::size_t(image.width) + std::size_t(request.rect.left);
  if (planes == image.channels() && image.type != SampleType::UInt16) {
    const std::size_t pixelBytes = std::size_t(planes) * std::size_t(bytesPerSample(image.type));
    std::memcpy(row, image.pixels.data() + firstPixel * pixelBytes, std::size_t(width) * pixelBytes);
    return true;
  }
  const int sampleSize = bytesPerSample(image.type);
  const std::size_t channels = std::size_t(image.channels());
  if (image.type == SampleType::UInt8 && planes == 1) {
    const std::uint8_t* from = image.pixels.data() + firstPixel * channels + std::size_t(request.loPlane);
    for (std::int32_t x = 0; x < width; ++x) row[x] = from[std::size_t(x) * channels];
    return true;
  }
  for (std::int32_t x = 0; x < width; ++x)
    for (int p = 0; p < planes; ++p)
      putHostSample(image, (firstPixel + std::size_t(x)) * channels + std::size_t(request.loPlane + p),
                    row + (std::ptrdiff_t(x) * planes + p) * sampleSize);
  return true;
}

}  // namespace

pi::OSErr readPixels(const HostDocument& document, const PixelRequest& request, bool packedRows, PixelBuffer& buffer) {
  const RasterImage& image = document.image;
  buffer = PixelBuffer{};
  if (request.loPlane < 0 || request.hiPlane < request.loPlane || request.hiPlane >= image.channels())
    return pi::paramErr;
  const int planes = request.hiPlane - request.loPlane + 1;
  const int sampleSize = bytesPerSample(image.type);
  if (const pi::OSErr error = validate(image, request, planes * sampleSize)) return error;
  if (request.rect.right <= request.rect.left || request.rect.bottom <= request.rect.top) return pi::noErr;
  const std::int32_t width = request.rect.right - request.rect.left;
  const std::int32_t height = request.rect.bottom - request.rect.top;
  buffer.columnBytes = planes * sampleSize;
  buffer.rowBytes = paddedRowBytes(std::uint64_t(width) * std::uint64_t(buffer.columnBytes), packedRows);
  buffer.bytes.assign(std::size_t(buffer.rowBytes) * std::size_t(height), 0);
  for (std::int32_t y = 0; y < height; ++y) {
    const std::int32_t docY = padCoordinate(docCoordinate(request.rect.top + y, request.rate), image.height, request.padding);
    std::uint8_t* row = buffer.bytes.data() + std::size_t(y) * std::size_t(buffer.rowBytes);
    if (!copyRowDirectly(image, request, docY, row)) fillRow(image, request, docY, row);
  }
  return pi::noErr;
}

pi::OSErr readMask(const HostDocument& document, const PixelRequest& request, bool packedRows, PixelBuffer& buffer) {
  const RasterImage& image = document.image;
  buffer = PixelBuffer{};
  if (const pi::OSErr error = validate(image, request, 1)) return error;
  if (request.rect.right <= request.rect.left || request.rect.bottom <= request.rect.top) return pi::noErr;
  const std::int32_t width = request.rect.right - request.rect.left;
  const std::int32_t height = request.rect.bottom - request.rect.top;
  buffer.columnBytes = 1;
  buffer.rowBytes = paddedRowBytes(std::uint64_t(width), packedRows);
  buffer.bytes.assign(std::size_t(buffer.rowBytes) * std::size_t(height), 0);
  const auto fill = std::uint8_t(request.padding >= 0 && request.padding <= 255 ? request.padding : 0);
  for (std::int32_t y = 0; y < height; ++y) {
    const std::int32_t docY = padCoordinate(docCoordinate(request.rect.top + y, request.rate), image.height, request.padding);
    std::uint8_t* row = buffer.bytes.data() + std::size_t(y) * std::size_t(buffer.rowBytes);
    for (std::int32_t x = 0; x < width; ++x) {
      const std::int32_t docX = padCoordinate(docCoordinate(request.rect.left + x, request.rate), image.width, request.padding);
      if (docY < 0 || docX < 0)
        row[x] = fill;
      else
        row[x] = document.mask.empty() ? 255 : document.mask[std::size_t(docY) * std::size_t(image.width) + std::size_t(docX)];
    }
  }
  return pi::noErr;
}

namespace {

// One output sample back into the document; a 16-bit sample the filter left as it was
// keeps its file value.
void takeSample(RasterImage& image, std::size_t index, const std::uint8_t* from, int selection) {
  switch (image.type) {
    case SampleType::UInt8: {
      const int original = image.pixels[index];
      image.pixels[index] = std::uint8_t(original + (int(*from) - original) * selection / 255);
      return;
    }
    case SampleType::UInt16: {
      std::uint16_t original, host;
      std::memcpy(&original, image.pixels.data() + index * 2, 2);
      std::memcpy(&host, from, 2);
      if (host == fileToHostTable()[original]) return;
      const int wanted = hostToFile16(host);
      const auto value = std::uint16_t(original + (wanted - int(original)) * selection / 255);
      std::memcpy(image.pixels.data() + index * 2, &value, 2);
      return;
    }
    case SampleType::Float32: {
      float original, wanted;
      std::memcpy(&original, image.pixels.data() + index * 4, 4);
      std::memcpy(&wanted, from, 4);
      const float value = selection == 255 ? wanted : original + (wanted - original) * float(selection) / 255.0f;
      std::memcpy(image.pixels.data() + index * 4, &value, 4);
      return;
    }
  }
}

}  // namespace

void writePixels(HostDocument& document, const PixelRequest& request, const PixelBuffer& buffer, bool autoMask) {
  if (buffer.empty()) return;
  RasterImage& image = document.image;
  const pi::VRect& r = request.rect;
  const pi::VRect& f = document.filterRect;
  const std::int32_t top = std::max(r.top, f.top), bottom = std::min(r.bottom, f.bottom);
  const std::int32_t left = std::max(r.left, f.left), right = std::min(r.right, f.right);
  const int planes = request.hiPlane - request.loPlane + 1;
  const int sampleSize = bytesPerSample(image.type);
  // 8-bit pixels of every plane, taken whole: the rows go back as they are.
  const bool wholePixels = image.type == SampleType::UInt8 && request.loPlane == 0 && planes == image.channels() &&
                           buffer.columnBytes == planes && !(autoMask && !document.mask.empty());
  for (std::int32_t y = top; y < bottom && wholePixels && left < right; ++y) {
    const std::uint8_t* row = buffer.bytes.data() + std::size_t(y - r.top) * std::size_t(buffer.rowBytes);
    std::memcpy(image.pixels.data() + (std::size_t(y) * std::size_t(image.width) + std::size_t(left)) * std::size_t(planes),
                row + std::size_t(left - r.left) * std::size_t(planes), std::size_t(right - left) * std::size_t(planes));
  }
  for (std::int32_t y = top; y < bottom && !wholePixels; ++y) {
    const std::uint8_t* row = buffer.bytes.data() + std::size_t(y - r.top) * std::size_t(buffer.rowBytes);
    for (std::int32_t x = left; x < right; ++x) {
      const std::size_t pixel = std::size_t(y) * std::size_t(image.width) + std::size_t(x);
      const int selection = autoMask && !document.mask.empty() ? document.mask[pixel] : 255;
      if (!selection) continue;
      const std::uint8_t* from = row + std::size_t(x - r.left) * std::size_t(buffer.columnBytes);
      for (int p = 0; p < planes; ++p)
        takeSample(image, pixel * std::size_t(image.channels()) + std::size_t(request.loPlane + p), from + p * sampleSize,
                   selection);
    }
  }
}

}  // namespace qm::cli
