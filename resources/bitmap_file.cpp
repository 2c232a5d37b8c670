// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/bitmap_file.h"

#include "resources/little_endian_writer.h"

namespace qm::resources {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kPixelsPerMetre = 3780;  // 96 dots per inch

std::uint32_t paddedRowBytes(int width, int bitsPerPixel) {
  return (std::uint32_t(width) * std::uint32_t(bitsPerPixel) + 31) / 32 * 4;
}

void writeHeaders(LittleEndianWriter& out, int width, int height, int bitsPerPixel, std::uint32_t paletteEntries) {
  const std::uint32_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + 4 * paletteEntries;
  const std::uint32_t pixelBytes = paddedRowBytes(width, bitsPerPixel) * std::uint32_t(height);
  out.u8('B');
  out.u8('M');
  out.u32(pixelOffset + pixelBytes);
  out.u32(0);
  out.u32(pixelOffset);
  out.u32(kInfoHeaderSize);
  out.u32(std::uint32_t(width));
  out.u32(std::uint32_t(height));  // positive: rows bottom to top
  out.u16(1);                      // planes
  out.u16(std::uint16_t(bitsPerPixel));
  out.u32(0);  // BI_RGB
  out.u32(pixelBytes);
  out.u32(kPixelsPerMetre);
  out.u32(kPixelsPerMetre);
  out.u32(paletteEntries);
  out.u32(0);
}

}  // namespace

std::vector<std::uint8_t> encodeBitmap24(const RgbImage& image) {
  LittleEndianWriter out;
  writeHeaders(out, image.width, image.height, 24, 0);
  const std::uint32_t padding = paddedRowBytes(image.width, 24) - std::uint32_t(image.width) * 3;
  for (int y = image.height - 1; y >= 0; --y) {
    const std::uint8_t* row = image.rgb.data() + std::size_t(y) * std::size_t(image.width) * 3;
    for (int x = 0; x < image.width; ++x) {
      out.u8(row[3 * x + 2]);  // blue, green, red
      out.u8(row[3 * x + 1]);
      out.u8(row[3 * x]);
    }
    for (std::uint32_t i = 0; i < padding; ++i) out.u8(0);
  }
  return out.take();
}

std::vector<std::uint8_t> encodeBitmap1(int width, int height, const std::vector<bool>& white) {
  LittleEndianWriter out;
  writeHeaders(out, width, height, 1, 2);
  out.u32(0x00000000);  // index 0 black
  out.u32(0x00FFFFFF);  // index 1 white
  const std::uint32_t rowBytes = paddedRowBytes(width, 1);
  for (int y = height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int x = 0; x < width; ++x)
      if (white[std::size_t(y) * std::size_t(width) + std::size_t(x)])
        row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
    for (std::uint8_t byte : row) out.u8(byte);
  }
  return out.take();
}

}  // namespace qm::resources
