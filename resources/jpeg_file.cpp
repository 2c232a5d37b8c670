// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/jpeg_file.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace qm::resources {

std::vector<std::uint8_t> encodeJpeg(const RgbImage& image, int quality) {
  jpeg_compress_struct compressor{};
  jpeg_error_mgr errors{};
  compressor.err = jpeg_std_error(&errors);
  jpeg_create_compress(&compressor);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&compressor, &buffer, &size);
  compressor.image_width = JDIMENSION(image.width);
  compressor.image_height = JDIMENSION(image.height);
  compressor.input_components = 3;
  compressor.in_color_space = JCS_RGB;
  jpeg_set_defaults(&compressor);
  jpeg_set_quality(&compressor, quality, TRUE);
  for (int i = 0; i < compressor.num_components; ++i)
    compressor.comp_info[i].h_samp_factor = compressor.comp_info[i].v_samp_factor = 1;
  compressor.optimize_coding = TRUE;
  jpeg_start_compress(&compressor, TRUE);
  while (compressor.next_scanline < compressor.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.rgb.data() + std::size_t(compressor.next_scanline) * 3 *
                                                               std::size_t(image.width));
    jpeg_write_scanlines(&compressor, &row, 1);
  }
  jpeg_finish_compress(&compressor);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  jpeg_destroy_compress(&compressor);
  std::free(buffer);
  return bytes;
}

}  // namespace qm::resources
