// SPDX-License-Identifier: LicenseRef-Quillmark
// The fixed records are written as other programs expect to find them, whatever their
// fields mean to us: the print record, the transfer functions and the HDR toning record are
// copied as they are.
#include "formats/psd_records.h"

#include <cstring>
#include <limits>
#include <string_view>

#include "formats/jpeg_codec.h"
#include "formats/psd_bytes.h"
#include "formats/psd_metadata.h"

namespace qm::psd {
namespace {

constexpr std::uint16_t kPrintRecord[60] = {
    40,   0,    72,   72,    0,  0,  743, 594, 0xFFF7, 0xFFF7, 783, 603, 8194, 1320, 1020,  0,   0,     360, 360, 0,
    0,    3715, 2970, 372,   50, 2970, 18600, 75, 1,   257,    0,   1,   9999, 1,    1,     0,   0,     0,   0,   0,
    0,    0,    0,    0,     0,  1,  100, 768, 0,      0,      0,   515, 8369, 1024, 4608, 768, 17664, 0,   13892, 24864};

// An HDR toning record: a tag, version 3, 0.5, the name "Default" in 16-bit characters,
// 16.0 and 1.0; 32-bit files carry it as their colour mode data.
constexpr std::uint8_t kFloatToning[74] = {
    0x68, 0x64, 0x72, 0x74, 0x00, 0x00, 0x00, 0x03, 0x3f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x08, 0x00, 0x44, 0x00, 0x65, 0x00, 0x66, 0x00, 0x61, 0x00, 0x75, 0x00, 0x6c, 0x00, 0x74, 0x00, 0x00, 0x00, 0x02,
    0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0x00, 0xff, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x41, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x3f, 0x80, 0x00, 0x00};

// The user mask block of 32-bit files: colour space 0, colour 65535, 0, 0, 0, opacity 50,
// flag 128; 14 bytes counted, 16 written.
constexpr std::uint8_t kUserMask[16] = {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00,
                                        0x00, 0x00, 0x00, 0x32, 0x80, 0x00, 0x00, 0x00};

constexpr std::string_view kLayerName = "layer 1";
constexpr int kLayerCount = 1;

bool floatSamples(int bytesPerChannel) { return bytesPerChannel == 4; }

void resource(Bytes& bytes, std::uint16_t id, const std::uint8_t* data, std::size_t size) {
  bytes.text("8BIM");
  bytes.u16(id);
  bytes.u16(0);  // empty name, padded to even
  bytes.u32(std::uint32_t(size));
  bytes.vector().insert(bytes.vector().end(), data, data + size);
  if (size % 2 != 0) bytes.u8(0);
}

void resource(Bytes& bytes, std::uint16_t id, Bytes data) { resource(bytes, id, data.vector().data(), data.size()); }

Bytes printRecord() {
  Bytes data;
  for (std::uint16_t value : kPrintRecord) data.u16(value);
  return data;
}

Bytes resolution() {
  Bytes data;
  for (int direction = 0; direction < 2; ++direction) {
    data.u32(72u << 16);  // 72.0 as 16.16 fixed point
    data.u16(1);          // pixels per inch
    data.u16(1);          // shown in inches
  }
  return data;
}

Bytes transferFunctions() {
  Bytes data;
  for (int function = 0; function < 4; ++function) {
    data.u16(0);
    for (int i = 0; i < 11; ++i) data.u16(0xFFFF);
    data.u16(1000);
    data.u16(0);  // no override
  }
  return data;
}

std::uint64_t layerRecordSize() {
  const std::uint64_t name = (1 + kLayerName.size() + 3) / 4 * 4;
  return 16 + 2 + 4 * 6 + 4 + 4 + 4 + 4 + 48 + name;
}

// Layer info: its 32-bit length, the layer count, the records and every channel's data.
std::uint64_t layerInfoSize(const PsdPicture& picture) {
  const std::uint64_t content = 2 + layerRecordSize() + 4 * (2 + channelBytes(picture));
  return 4 + (content + 1) / 2 * 2;
}

void layerRecord(Bytes& bytes, const PsdPicture& picture) {
  bytes.u32(0);
  bytes.u32(0);
  bytes.u32(std::uint32_t(picture.height));
  bytes.u32(std::uint32_t(picture.width));
  bytes.u16(4);
  for (int id : {-1, 0, 1, 2}) {
    bytes.u16(std::uint16_t(id));
    bytes.u32(std::uint32_t(channelBytes(picture) + 2));
  }
  bytes.text("8BIM");
  bytes.text("norm");
  bytes.u8(255);  // opacity
  bytes.u8(0);    // clipping
  bytes.u8(floatSamples(picture.bytesPerChannel) ? 8 : 40);
  bytes.u8(0);
  const std::size_t paddedName = (1 + kLayerName.size() + 3) / 4 * 4;
  bytes.u32(std::uint32_t(48 + paddedName));
  bytes.u32(0);  // no layer mask
  bytes.u32(40);
  for (int range = 0; range < 5; ++range) {
    bytes.u32(0x0000FFFF);
    bytes.u32(0x0000FFFF);
  }
  bytes.u8(std::uint8_t(kLayerName.size()));
  bytes.text(kLayerName);
  bytes.zeros(paddedName - 1 - kLayerName.size());
}

void additionalBlock(Bytes& bytes, std::string_view key, std::uint32_t length) {
  bytes.text("8BIM");
  bytes.text(key);
  bytes.u32(length);
}

}  // namespace

std::uint64_t channelBytes(const PsdPicture& picture) {
  return std::uint64_t(picture.width) * std::uint64_t(picture.height) * std::uint64_t(picture.bytesPerChannel);
}

int compositeChannelCount(int bytesPerChannel) { return bytesPerChannel == 2 ? 4 : 3; }

std::uint64_t layerSectionLength(const PsdPicture& picture) {
  const std::uint64_t info = layerInfoSize(picture);
  if (picture.bytesPerChannel == 1) return info + 4;
  return (info + 3) / 4 * 4 + (floatSamples(picture.bytesPerChannel) ? 68 : 28);
}

std::vector<std::uint8_t> header(const PsdPicture& picture) {
  Bytes bytes;
  bytes.text("8BPS");
  bytes.u16(1);
  bytes.zeros(6);
  bytes.u16(std::uint16_t(compositeChannelCount(picture.bytesPerChannel)));
  bytes.u32(std::uint32_t(picture.height));
  bytes.u32(std::uint32_t(picture.width));
  bytes.u16(std::uint16_t(picture.bytesPerChannel * 8));
  bytes.u16(3);  // RGB
  return std::move(bytes.vector());
}

std::vector<std::uint8_t> colourModeData(int bytesPerChannel) {
  Bytes bytes;
  if (!floatSamples(bytesPerChannel)) {
    bytes.u32(0);
  } else {
    bytes.u32(sizeof kFloatToning);
    bytes.vector().insert(bytes.vector().end(), std::begin(kFloatToning), std::end(kFloatToning));
  }
  return std::move(bytes.vector());
}

std::vector<std::uint8_t> imageResources(const PsdMetadata& metadata, int bytesPerChannel) {
  constexpr std::size_t kMaximumResource = std::numeric_limits<std::uint32_t>::max() - 4096;
  if (metadata.iccProfile.size() > kMaximumResource) return {};
  Bytes blocks;
  resource(blocks, 1001, printRecord());
  resource(blocks, 1005, resolution());
  const std::uint8_t versionInfo[9] = {0, 0, 0, 0, 0, 0, 0, 0, 1};
  resource(blocks, 1011, versionInfo, sizeof versionInfo);
  resource(blocks, 1016, transferFunctions());
  resource(blocks, 1035, reinterpret_cast<const std::uint8_t*>(kJpegComment), std::strlen(kJpegComment));
  if (!metadata.iccProfile.empty()) resource(blocks, 1039, metadata.iccProfile.data(), metadata.iccProfile.size());
  blocks.append(iptcBlock(metadata.keywords, metadata.dateUtc));  // a whole resource of its own
  resource(blocks, 1058, exifBlock().data(), exifBlock().size());
  if (floatSamples(bytesPerChannel)) {
    const std::uint8_t layerSelection[6] = {0, 1, 0, 0, 0, 0x0C};
    resource(blocks, 1069, layerSelection, sizeof layerSelection);
    const std::vector<std::uint8_t> selected(kLayerCount, 1);
    resource(blocks, 1072, selected.data(), selected.size());
  }
  Bytes layerState;
  layerState.u16(kLayerCount);
  resource(blocks, 1024, layerState);
  Bytes groups;
  for (int layer = 0; layer < kLayerCount; ++layer) groups.u16(0);
  resource(blocks, 1026, groups);

  Bytes section;
  section.u32(std::uint32_t(blocks.size()));
  section.append(blocks.vector());
  return std::move(section.vector());
}

// 16-bit and float files keep the layer info in an "Lr16" or "Lr32" block after an empty
// layer info of their own; the layer info's length field serves as that block's length.
LayerSection layerSection(const PsdPicture& picture) {
  const std::uint64_t info = layerInfoSize(picture);
  const bool deep = picture.bytesPerChannel != 1;
  LayerSection pieces;
  Bytes before;
  before.u32(std::uint32_t(layerSectionLength(picture)));
  if (deep) {
    before.u32(0);
    before.u32(0);
    additionalBlock(before, floatSamples(picture.bytesPerChannel) ? "Mt32" : "Mt16", 0);
    before.text("8BIM");
    before.text(floatSamples(picture.bytesPerChannel) ? "Lr32" : "Lr16");
  }
  before.u32(std::uint32_t(info - 4));
  before.u16(kLayerCount);
  layerRecord(before, picture);
  pieces.beforeChannels = std::move(before.vector());

  Bytes after;
  const std::uint64_t written = 4 + 2 + layerRecordSize() + 4 * (2 + channelBytes(picture));
  after.zeros(std::size_t(info - written));  // the layer info's even length
  if (!deep) {
    after.u32(0);  // global layer mask
  } else {
    after.zeros(std::size_t((info + 3) / 4 * 4 - info));
    if (floatSamples(picture.bytesPerChannel)) {
      additionalBlock(after, "LMsk", 14);
      after.vector().insert(after.vector().end(), std::begin(kUserMask), std::end(kUserMask));
      additionalBlock(after, "Pat3", 0);
    }
  }
  pieces.afterChannels = std::move(after.vector());
  return pieces;
}

}  // namespace qm::psd
