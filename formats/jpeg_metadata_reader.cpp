// SPDX-License-Identifier: LicenseRef-Quillmark
// Reads back the metadata blocks the encoder writes: the first EXIF block, the ICC profile
// from its numbered pieces in order (left out when pieces are missing, repeated or
// disagree on their count), and the IPTC block from its APP13 markers in stream order.
#include <algorithm>
#include <string_view>

#include "formats/jpeg_codec.h"
#include "formats/jpeg_decompressor.h"

namespace qm {
namespace {

constexpr std::string_view kExifHeader{"Exif\0\0", 6};
constexpr std::string_view kIptcHeader{"Photoshop 3.0\0", 14};
constexpr std::string_view kIccHeader{"ICC_PROFILE\0", 12};

bool startsWith(const jpeg_marker_struct& marker, std::string_view header) {
  return marker.data_length >= header.size() &&
         std::equal(header.begin(), header.end(), reinterpret_cast<const char*>(marker.data));
}

void appendAfter(const jpeg_marker_struct& marker, std::size_t skip, std::vector<std::uint8_t>& to) {
  to.insert(to.end(), marker.data + skip, marker.data + marker.data_length);
}

std::vector<std::uint8_t> assembleProfile(const std::vector<const jpeg_marker_struct*>& pieces) {
  constexpr std::size_t kPlace = kIccHeader.size() + 2;
  std::vector<const jpeg_marker_struct*> inOrder;
  for (const jpeg_marker_struct* piece : pieces) {
    if (piece->data_length < kPlace) return {};
    const std::size_t sequence = piece->data[kIccHeader.size()];
    const std::size_t count = piece->data[kIccHeader.size() + 1];
    if (count != pieces.size() || sequence < 1 || sequence > count) return {};
    inOrder.resize(count, nullptr);
    if (inOrder[sequence - 1] != nullptr) return {};
    inOrder[sequence - 1] = piece;
  }
  std::vector<std::uint8_t> profile;
  for (const jpeg_marker_struct* piece : inOrder) appendAfter(*piece, kPlace, profile);
  return profile;
}

}  // namespace

bool readJpegMetadata(const std::uint8_t* data, std::size_t size, JpegMetadata& metadata) {
  static constexpr int kKept[] = {JPEG_APP0 + 1, JPEG_APP0 + 2, JPEG_APP0 + 13, 0};
  jpeg::Decompressor decompressor;
  JpegMetadata found;
  std::vector<const jpeg_marker_struct*> profilePieces;
  const bool done = jpeg::runTrapped(decompressor.trap, [&] {
    jpeg::readHeader(decompressor, data, size, kKept);
  });
  if (!done) return false;
  // The saved markers live in the library's pools until the decompressor goes.
  for (const jpeg_marker_struct* marker = decompressor.info.marker_list; marker != nullptr; marker = marker->next) {
    if (marker->marker == JPEG_APP0 + 1 && found.exif.empty() && startsWith(*marker, kExifHeader))
      appendAfter(*marker, kExifHeader.size(), found.exif);
    else if (marker->marker == JPEG_APP0 + 2 && startsWith(*marker, kIccHeader))
      profilePieces.push_back(marker);
    else if (marker->marker == JPEG_APP0 + 13 && startsWith(*marker, kIptcHeader))
      appendAfter(*marker, kIptcHeader.size(), found.iptc);
  }
  found.iccProfile = assembleProfile(profilePieces);
  metadata = std::move(found);
  return true;
}

}  // namespace qm
