// SPDX-License-Identifier: LicenseRef-Quillmark
#include "formats/jpeg_decompressor.h"

#include "engine/image_buffer.h"

namespace qm::jpeg {

void readHeader(Decompressor& decompressor, const std::uint8_t* data, std::size_t size, const int* kept) {
  jpeg_decompress_struct& info = decompressor.info;
  const auto common = reinterpret_cast<j_common_ptr>(&info);
  jpeg_create_decompress(&info);
  useMemorySource(&info, decompressor.source, data, size);
  for (; kept != nullptr && *kept != 0; ++kept) jpeg_save_markers(&info, *kept, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  if (info.jpeg_color_space == JCS_GRAYSCALE)
    info.out_color_space = JCS_GRAYSCALE;
  else if (info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB)
    info.out_color_space = JCS_RGB;
  else
    failWith(common, "the JPEG stream is neither grey nor colour (RGB)");
  jpeg_calc_output_dimensions(&info);
  if (std::uint64_t(info.output_width) * info.output_height > kMaxBufferPixels)
    failWith(common, "the JPEG picture is too large");
}

}  // namespace qm::jpeg
