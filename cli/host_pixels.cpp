// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/host_pixels.h"

#include <algorithm>
#include <cstring>

namespace qm::cli {
namespace {

constexpr std::uint64_t kLargestBuffer = std::uint64_t(1) << 31;

// Every 16-bit value converted once, so a row of samples costs a lookup each.
std::vector<std::uint16_t> tableOf(std::uint16_t (*convert)(std::uint16_t)) {
  std::vector<std::uint16_t> values(65536);
  for (std::uint32_t v = 0; v < 65536; ++v) values[v] = convert(std::uint16_t(v));
  return values;
}

const std::uint16_t* fileToHostTable() {
  static const std::vector<std::uint16_t> table = tableOf(fileToHost16);
  return table.data();
}

const std::uint16_t* hostToFileTable() {
  static const std::vector<std::uint16_t> table = tableOf(hostToFile16);
  return table.data();
}

std::uint16_t load16(const std::uint8_t* from) {
  std::uint16_t value;
  std::memcpy(&value, from, 2);
  return value;
}

void store16(std::uint8_t* to, std::uint16_t value) { std::memcpy(to, &value, 2); }

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

// 16-bit samples in the host range: count pixels' planes 0 .. planes - 1 of channels,
// packed. All planes run on without gaps, so that case is one flat loop.
void copyHost16(const std::uint8_t* from, std::size_t channels, std::size_t planes, std::size_t count,
                std::uint8_t* to) {
  const std::uint16_t* table = fileToHostTable();
  if (planes == channels) {
    for (std::size_t i = 0; i < count * channels; ++i) store16(to + 2 * i, table[load16(from + 2 * i)]);
    return;
  }
  for (std::size_t x = 0; x < count; ++x)
    for (std::size_t p = 0; p < planes; ++p)
      store16(to + 2 * (x * planes + p), table[load16(from + 2 * (x * channels + p))]);
}

// count pixels of the document from pixel index first on, planes lo .. lo + planes - 1 of
// each, packed in the filter's terms.
void copyPixels(const RasterImage& image, std::size_t first, int lo, int planes, std::size_t count,
                std::uint8_t* to) {
  const std::size_t channels = std::size_t(image.channels());
  const std::size_t sampleSize = std::size_t(bytesPerSample(image.type));
  const std::uint8_t* from = image.pixels.data() + (first * channels + std::size_t(lo)) * sampleSize;
  if (image.type == SampleType::UInt16) return copyHost16(from, channels, std::size_t(planes), count, to);
  const std::size_t pixelBytes = std::size_t(planes) * sampleSize;
  if (std::size_t(planes) == channels) {
    std::memcpy(to, from, count * pixelBytes);
  } else if (pixelBytes == 1) {
    for (std::size_t x = 0; x < count; ++x) to[x] = from[x * channels];
  } else {
    for (std::size_t x = 0; x < count; ++x)
      std::memcpy(to + x * pixelBytes, from + x * channels * sampleSize, pixelBytes);
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
  for (std::int32_t x = 0; x < width; ++x) {
    std::uint8_t* to = row + std::ptrdiff_t(x) * planes * sampleSize;
    const std::int32_t docX = docY < 0 ? -1
                                       : padCoordinate(docCoordinate(request.rect.left + x, request.rate),
                                                       image.width, request.padding);
    if (docX < 0) {
      for (int p = 0; p < planes; ++p) putFillSample(image.type, request.padding, to + p * sampleSize);
      continue;
    }
    copyPixels(image, std::size_t(docY) * std::size_t(image.width) + std::size_t(docX), request.loPlane, planes, 1, to);
  }
}

// Rows at full resolution whose pixels lie wholly inside the image need no coordinate
// arithmetic: they are copied (or converted) as one run.
bool copyRowDirectly(const RasterImage& image, const PixelRequest& request, std::int32_t docY, std::uint8_t* row) {
  if (request.rate != pi::kFixedOne || docY < 0 || request.rect.left < 0 || request.rect.right > image.width)
    return false;
  const std::size_t firstPixel = std::size_t(docY) * std::size_t(image.width) + std::size_t(request.rect.left);
  copyPixels(image, firstPixel, request.loPlane, request.hiPlane - request.loPlane + 1,
             std::size_t(request.rect.right - request.rect.left), row);
  return true;
}

// A selection row at full resolution wholly inside the image is the mask's row as it is.
bool copyMaskRowDirectly(const HostDocument& document, const PixelRequest& request, std::int32_t docY,
                         std::uint8_t* row) {
  const std::int32_t imageWidth = document.image.width;
  if (request.rate != pi::kFixedOne || docY < 0 || request.rect.left < 0 || request.rect.right > imageWidth)
    return false;
  const std::size_t width = std::size_t(request.rect.right - request.rect.left);
  const std::size_t first = std::size_t(docY) * std::size_t(imageWidth) + std::size_t(request.rect.left);
  if (document.mask.empty())
    std::memset(row, 255, width);
  else
    std::memcpy(row, document.mask.data() + first, width);
  return true;
}

// Sizes a buffer whose rows are about to be written up to used bytes each: only the bytes
// padding each row past that are cleared here.
void sizeRows(PixelBuffer& buffer, std::int32_t height, std::size_t used) {
  buffer.bytes.resize(std::size_t(buffer.rowBytes) * std::size_t(height));
  const std::size_t padding = std::size_t(buffer.rowBytes) - used;
  for (std::int32_t y = 0; y < height && padding; ++y)
    std::memset(buffer.bytes.data() + std::size_t(y) * std::size_t(buffer.rowBytes) + used, 0, padding);
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
  const std::uint64_t used = std::uint64_t(width) * std::uint64_t(buffer.columnBytes);
  buffer.rowBytes = paddedRowBytes(used, packedRows);
  sizeRows(buffer, height, std::size_t(used));
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
  sizeRows(buffer, height, std::size_t(width));
  const auto fill = std::uint8_t(request.padding >= 0 && request.padding <= 255 ? request.padding : 0);
  for (std::int32_t y = 0; y < height; ++y) {
    const std::int32_t docY = padCoordinate(docCoordinate(request.rect.top + y, request.rate), image.height, request.padding);
    std::uint8_t* row = buffer.bytes.data() + std::size_t(y) * std::size_t(buffer.rowBytes);
    if (copyMaskRowDirectly(document, request, docY, row)) continue;
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

// Whole pixels of every plane back with selection 255, which leaves each sample exactly as
// the filter made it: 8-bit and float rows as they are, 16-bit ones converted except where
// the filter left a sample as it was.
void storePixels(RasterImage& image, std::size_t firstPixel, std::size_t count, const std::uint8_t* from) {
  const std::size_t channels = std::size_t(image.channels()), sampleSize = std::size_t(bytesPerSample(image.type));
  const std::size_t samples = count * channels;
  std::uint8_t* to = image.pixels.data() + firstPixel * channels * sampleSize;
  if (image.type != SampleType::UInt16) {
    std::memcpy(to, from, samples * sampleSize);
    return;
  }
  const std::uint16_t* toHost = fileToHostTable();
  const std::uint16_t* toFile = hostToFileTable();
  for (std::size_t i = 0; i < samples; ++i) {
    const std::uint16_t original = load16(to + 2 * i), host = load16(from + 2 * i);
    store16(to + 2 * i, host == toHost[original] ? original : toFile[host]);
  }
}

// Partial planes, or a selection to blend by: sample by sample.
void blendPixels(HostDocument& document, const PixelRequest& request, std::size_t firstPixel, std::size_t count,
                 const std::uint8_t* from, std::size_t columnBytes, bool autoMask) {
  RasterImage& image = document.image;
  const int planes = request.hiPlane - request.loPlane + 1;
  const int sampleSize = bytesPerSample(image.type);
  for (std::size_t x = 0; x < count; ++x, from += columnBytes) {
    const std::size_t pixel = firstPixel + x;
    const int selection = autoMask && !document.mask.empty() ? document.mask[pixel] : 255;
    if (!selection) continue;
    for (int p = 0; p < planes; ++p)
      takeSample(image, pixel * std::size_t(image.channels()) + std::size_t(request.loPlane + p), from + p * sampleSize,
                 selection);
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
  if (left >= right) return;
  const int planes = request.hiPlane - request.loPlane + 1;
  const bool wholePixels = request.loPlane == 0 && planes == image.channels() &&
                           buffer.columnBytes == planes * bytesPerSample(image.type) &&
                           !(autoMask && !document.mask.empty());
  for (std::int32_t y = top; y < bottom; ++y) {
    const std::uint8_t* from = buffer.bytes.data() + std::size_t(y - r.top) * std::size_t(buffer.rowBytes) +
                               std::size_t(left - r.left) * std::size_t(buffer.columnBytes);
    const std::size_t firstPixel = std::size_t(y) * std::size_t(image.width) + std::size_t(left);
    if (wholePixels)
      storePixels(image, firstPixel, std::size_t(right - left), from);
    else
      blendPixels(document, request, firstPixel, std::size_t(right - left), from, std::size_t(buffer.columnBytes),
                  autoMask);
  }
}

}  // namespace qm::cli
