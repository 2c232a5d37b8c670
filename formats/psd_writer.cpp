// SPDX-License-Identifier: LicenseRef-Quillmark
// The file is written in order, header to composite, through a block buffer, into a fresh
// file beside its final name that takes that name only when everything has been written.
#include "formats/psd_writer.h"

#include <cstdlib>
#include <limits>
#include <new>

#include "formats/psd_planes.h"
#include "formats/psd_records.h"
#include "platform/files.h"

namespace qm {
namespace {

constexpr std::size_t kBlockSize = 1 << 16;

// Gathers small pieces into blocks; after a failed write it writes nothing more and keeps
// the first result.
class BlockWriter {
 public:
  explicit BlockWriter(platform::File& file) : file_(file) { block_.reserve(kBlockSize); }

  void put(const std::uint8_t* bytes, std::size_t count) {
    if (block_.size() + count > kBlockSize) flush();
    if (count >= kBlockSize) {
      if (result_ == 0) result_ = file_.write(bytes, count);
    } else {
      block_.insert(block_.end(), bytes, bytes + count);
    }
  }
  void put(const std::vector<std::uint8_t>& bytes) { put(bytes.data(), bytes.size()); }
  int finish() {
    flush();
    return result_;
  }

 private:
  void flush() {
    if (result_ == 0 && !block_.empty()) result_ = file_.write(block_.data(), block_.size());
    block_.clear();
  }

  platform::File& file_;
  std::vector<std::uint8_t> block_;
  int result_ = 0;
};

bool writable(const PsdPicture& picture) {
  const int depth = picture.bytesPerChannel;
  if (picture.rgba == nullptr || (depth != 1 && depth != 2 && depth != 4)) return false;
  if (picture.width < 1 || picture.height < 1 || picture.width > kPsdMaximumSide || picture.height > kPsdMaximumSide)
    return false;
  if (std::abs(picture.rowBytes) < std::ptrdiff_t(picture.width) * 4 * depth) return false;
  return psd::layerSectionLength(picture) <= std::numeric_limits<std::uint32_t>::max();
}

void putPlanes(BlockWriter& out, const PsdPicture& picture, std::vector<std::uint8_t>& row) {
  const std::uint8_t noCompression[2] = {0, 0};
  for (int channel : psd::kLayerChannels) {
    out.put(noCompression, 2);
    for (std::int32_t y = 0; y < picture.height; ++y) {
      psd::layerRow(picture, y, channel, row.data());
      out.put(row);
    }
  }
}

void putComposite(BlockWriter& out, const PsdPicture& picture, std::vector<std::uint8_t>& row) {
  const std::uint8_t noCompression[2] = {0, 0};
  out.put(noCompression, 2);
  for (int channel = 0; channel < psd::compositeChannelCount(picture.bytesPerChannel); ++channel)
    for (std::int32_t y = 0; y < picture.height; ++y) {
      psd::compositeRow(picture, y, channel, row.data());
      out.put(row);
    }
}

int writeSections(platform::File& file, const PsdPicture& picture, const PsdMetadata& metadata) {
  const std::vector<std::uint8_t> resources = psd::imageResources(metadata, picture.bytesPerChannel);
  if (resources.empty()) return kPsdPictureRefused;
  const psd::LayerSection layers = psd::layerSection(picture);
  std::vector<std::uint8_t> row(std::size_t(picture.width) * std::size_t(picture.bytesPerChannel));
  BlockWriter out(file);
  out.put(psd::header(picture));
  out.put(psd::colourModeData(picture.bytesPerChannel));
  out.put(resources);
  out.put(layers.beforeChannels);
  putPlanes(out, picture, row);
  out.put(layers.afterChannels);
  putComposite(out, picture, row);
  return out.finish();
}

}  // namespace

int writePsd(const std::string& path, const PsdPicture& picture, const PsdMetadata& metadata) {
  if (!writable(picture)) return kPsdPictureRefused;
  platform::File file;
  if (const int opened = file.openForReplacing(path); opened != 0) return opened;
  int result = 0;
  try {
    result = writeSections(file, picture, metadata);
  } catch (const std::bad_alloc&) {
    result = kPsdOutOfMemory;
  }
  if (result == 0) return file.commitReplacement();
  file.close();  // removes the fresh file; `path` stays as it was
  return result;
}

}  // namespace qm
