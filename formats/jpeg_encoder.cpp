// SPDX-License-Identifier: LicenseRef-Quillmark
// The encoder: our tables, optimised Huffman coding, and after the JFIF header the comment,
// EXIF, ICC profile and IPTC markers in that order. The stream grows as it is written.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "formats/jpeg_codec.h"
#include "formats/jpeg_library.h"
#include "platform/files.h"

static_assert(qm::kJpegMaximumSide <= JPEG_MAX_DIMENSION);

namespace qm {

const char kJpegComment[] = "https://quillmark.invalid/";

namespace {

constexpr std::size_t kMarkerCapacity = 65533;  // a marker's length word counts itself
constexpr std::string_view kExifHeader{"Exif\0\0", 6};
constexpr std::string_view kIptcHeader{"Photoshop 3.0\0", 14};
constexpr std::string_view kIccHeader{"ICC_PROFILE\0", 12};
constexpr std::size_t kIccChunk = kMarkerCapacity - kIccHeader.size() - 2;  // header, sequence and count
constexpr std::size_t kMaxIccChunks = 255;

struct Compressor {
  jpeg_compress_struct info{};
  jpeg::ErrorTrap trap;
  jpeg::VectorDestination destination{};
  // The library is set up under the trap (it may already run out of memory); destroying a
  // record it never set up does nothing.
  Compressor() { info.err = jpeg::installErrorTrap(trap, false); }
  ~Compressor() { jpeg_destroy_compress(&info); }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;
};

// Every block must fit its markers: one APP1 for the EXIF block, up to 255 APP2 pieces for
// the profile; the IPTC block goes into as many APP13 markers as it needs.
bool metadataFits(const JpegMetadata* metadata) {
  if (metadata == nullptr) return true;
  return metadata->exif.size() <= kMarkerCapacity - kExifHeader.size() &&
         metadata->iccProfile.size() <= kIccChunk * kMaxIccChunks;
}

void writeMarker(jpeg_compress_struct& info, int marker, std::string_view header, const std::uint8_t* bytes,
                 std::size_t count, const std::uint8_t* extra = nullptr, std::size_t extraCount = 0) {
  jpeg_write_m_header(&info, marker, unsigned(header.size() + extraCount + count));
  for (char c : header) jpeg_write_m_byte(&info, static_cast<unsigned char>(c));
  for (std::size_t i = 0; i < extraCount; ++i) jpeg_write_m_byte(&info, extra[i]);
  for (std::size_t i = 0; i < count; ++i) jpeg_write_m_byte(&info, bytes[i]);
}

void writeMetadata(jpeg_compress_struct& info, const JpegMetadata& metadata) {
  if (!metadata.exif.empty())
    writeMarker(info, JPEG_APP0 + 1, kExifHeader, metadata.exif.data(), metadata.exif.size());
  const std::vector<std::uint8_t>& icc = metadata.iccProfile;
  const std::size_t chunks = (icc.size() + kIccChunk - 1) / kIccChunk;
  for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
    const std::size_t from = chunk * kIccChunk;
    const std::uint8_t place[2] = {std::uint8_t(chunk + 1), std::uint8_t(chunks)};
    writeMarker(info, JPEG_APP0 + 2, kIccHeader, icc.data() + from, std::min(kIccChunk, icc.size() - from), place, 2);
  }
  const std::vector<std::uint8_t>& iptc = metadata.iptc;
  const std::size_t iptcPiece = kMarkerCapacity - kIptcHeader.size();
  for (std::size_t from = 0; from < iptc.size(); from += iptcPiece)
    writeMarker(info, JPEG_APP0 + 13, kIptcHeader, iptc.data() + from, std::min(iptcPiece, iptc.size() - from));
}

void setUp(jpeg_compress_struct& info, std::int32_t width, std::int32_t height, int components, int quality) {
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  info.optimize_coding = TRUE;
  const int sampling = components == 3 && std::clamp(quality, 0, 99) / 10 <= 4 ? 2 : 1;
  info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = sampling;
  for (int c = 1; c < info.num_components; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  for (int slot = 0; slot < 2; ++slot) {
    const std::array<std::uint16_t, 64>& table = jpegQuantTable(slot, quality);
    unsigned int entries[64];
    std::copy(table.begin(), table.end(), entries);
    jpeg_add_quant_table(&info, slot, entries, 100, FALSE);
  }
}

// Each sample is the channel as a fraction of full scale, clamped to 0..1, times 255,
// truncated. 8-bit samples are that already; reading their bytes keeps them exact where
// float arithmetic could land just under a whole number.
void readRow(const ImageBuffer& image, std::int32_t y, std::int32_t width, JSAMPLE* row) {
  for (std::int32_t x = 0; x < width; ++x, row += 3) {
    if (image.format == kGray8) {
      row[0] = row[1] = row[2] = getGrey(image, x, y, 0);
    } else if (image.format == kRgba8) {
      std::uint8_t channels[4];
      getColour(image, x, y, 0, channels);
      std::copy(channels, channels + 3, row);
    } else {
      float channels[4];
      getNormalised(image, x, y, 0, channels);
      for (int c = 0; c < 3; ++c) {
        const float held = channels[c] > 0.0f ? std::min(channels[c], 1.0f) : 0.0f;  // NaN as 0
        row[c] = JSAMPLE(held * 255.0f);
      }
    }
  }
}

bool encodable(const ImageBuffer& image) {
  return hasPixels(image) && (image.format == kGray8 || image.format == kRgba8 || image.format == kRgba16 ||
                              image.format == kRgbaFloat);
}

// Fills row y with width x components samples.
using RowFiller = std::function<void(std::int32_t y, JSAMPLE* row)>;

std::vector<std::uint8_t> encodeWith(std::int32_t width, std::int32_t height, int components, int quality,
                                     const JpegMetadata* metadata, const RowFiller& fill) {
  std::vector<std::uint8_t> stream;
  if (width <= 0 || height <= 0 || width > kJpegMaximumSide || height > kJpegMaximumSide ||
      (components != 1 && components != 3) || !metadataFits(metadata))
    return stream;
  Compressor compressor;
  jpeg_compress_struct& info = compressor.info;
  const bool done = jpeg::runTrapped(compressor.trap, [&] {
    jpeg_create_compress(&info);
    jpeg::useVectorDestination(&info, compressor.destination, stream);
    setUp(info, width, height, components, quality);
    jpeg_start_compress(&info, TRUE);
    writeMarker(info, JPEG_COM, {}, reinterpret_cast<const std::uint8_t*>(kJpegComment), sizeof kJpegComment);
    if (metadata != nullptr) writeMetadata(info, *metadata);
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               JDIMENSION(width) * JDIMENSION(components), 1);
    for (std::int32_t y = 0; y < height; ++y) {
      fill(y, row[0]);
      jpeg_write_scanlines(&info, row, 1);
    }
    jpeg_finish_compress(&info);
  });
  if (!done) stream.clear();
  return stream;
}

}  // namespace

std::vector<std::uint8_t> encodeJpeg(const ImageBuffer& image, int quality, const JpegMetadata* metadata) {
  if (!encodable(image)) return {};
  const std::int32_t width = std::max(kJpegMinimumSide, image.width[0]);
  // Reads clamp to the picture, so a small one repeats its last column and row.
  return encodeWith(width, std::max(kJpegMinimumSide, image.height[0]), 3, quality, metadata,
                    [&](std::int32_t y, JSAMPLE* row) { readRow(image, y, width, row); });
}

std::vector<std::uint8_t> encodeJpegRows(std::int32_t width, std::int32_t height, int components,
                                         const JpegRowSource& row, int quality, const JpegMetadata* metadata) {
  const std::size_t rowBytes = std::size_t(std::max(width, 0)) * std::size_t(components);
  return encodeWith(width, height, components, quality, metadata, [&](std::int32_t y, JSAMPLE* samples) {
    std::memcpy(samples, row(y), rowBytes);
  });
}

int writeJpegPicture(platform::File& file, const ImageBuffer& image, int quality, bool withHeader) {
  const std::vector<std::uint8_t> stream = encodeJpeg(image, quality);
  if (stream.empty()) return withHeader ? platform::writeWord32(file, 0) : platform::kWriteFailed;
  if (withHeader) {
    const std::uint32_t header[4] = {1, std::uint32_t(std::max(kJpegMinimumSide, image.width[0])),
                                     std::uint32_t(std::max(kJpegMinimumSide, image.height[0])),
                                     std::uint32_t(stream.size())};
    for (std::uint32_t word : header)
      if (const int result = platform::writeWord32(file, word)) return result;
  }
  return file.write(stream.data(), stream.size());
}

}  // namespace qm
