// SPDX-License-Identifier: LicenseRef-Quillmark
// The JPEG reader on any bytes: the header, a decode into both formats an image can take,
// the row-by-row decode and the metadata, none of which may crash, leak or disagree with
// the others. Pictures past a bounded size are decoded no further than their header, as
// every caller checks readJpegInfo first.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/jpeg_codec.h"

namespace {

constexpr std::int64_t kMaxPixels = std::int64_t(1) << 20;

void require(bool condition) {
  if (!condition) std::abort();
}

void decodeInto(const std::uint8_t* data, std::size_t size, const qm::JpegInfo& info, std::int32_t format) {
  qm::ImageBuffer* image = qm::createImageBuffer(nullptr, info.width, info.height, format, 0, false);
  if (image == nullptr) return;
  qm::decodeJpeg(data, size, *image);
  qm::destroyImageBuffer(image);
  // Another size is always refused.
  qm::ImageBuffer* wider = qm::createImageBuffer(nullptr, info.width + 1, info.height, format, 0, false);
  if (wider == nullptr) return;
  require(!qm::decodeJpeg(data, size, *wider));
  qm::destroyImageBuffer(wider);
}

void decodeRows(const std::uint8_t* data, std::size_t size, const qm::JpegInfo& info) {
  std::int32_t next = 0;
  const bool decoded = qm::decodeJpegRows(data, size, [&](std::int32_t y, const std::uint8_t* samples) {
    require(y == next++ && y < info.height && samples != nullptr);
    return true;
  });
  require(!decoded || next == info.height);
}

// Whatever metadata a stream holds, our encoder takes it and gives it back unchanged.
void rewriteMetadata(const qm::JpegMetadata& metadata) {
  qm::ImageBuffer* image = qm::createImageBuffer(nullptr, 16, 16, qm::kGray8, 0, false);
  if (image == nullptr) return;
  const std::vector<std::uint8_t> stream = qm::encodeJpeg(*image, 50, &metadata);
  qm::destroyImageBuffer(image);
  require(!stream.empty());
  qm::JpegMetadata again;
  require(qm::readJpegMetadata(stream.data(), stream.size(), again));
  require(again.exif == metadata.exif && again.iccProfile == metadata.iccProfile && again.iptc == metadata.iptc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qm::JpegInfo info;
  if (qm::readJpegInfo(data, size, info)) {
    require(info.width > 0 && info.height > 0 && (info.components == 1 || info.components == 3));
    if (std::int64_t(info.width) * info.height <= kMaxPixels) {
      decodeInto(data, size, info, qm::kRgba8);
      decodeInto(data, size, info, qm::kGray8);
      decodeRows(data, size, info);
    }
  }
  qm::JpegMetadata metadata;
  if (qm::readJpegMetadata(data, size, metadata)) rewriteMetadata(metadata);
  return 0;
}
