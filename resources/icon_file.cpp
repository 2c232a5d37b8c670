// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/icon_file.h"

#include "resources/little_endian_writer.h"

namespace qm::resources {
namespace {

constexpr std::uint16_t kIconType = 1;
constexpr std::uint16_t kCursorType = 2;
constexpr std::uint32_t kDirectoryHeaderSize = 6;
constexpr std::uint32_t kDirectoryEntrySize = 16;
constexpr std::uint32_t kInfoHeaderSize = 40;

std::uint32_t maskRowBytes(int width) { return (std::uint32_t(width) + 31) / 32 * 4; }

std::uint32_t imageBytes(const RgbaImage& image) {
  return kInfoHeaderSize + std::uint32_t(image.width * image.height * 4) +
         maskRowBytes(image.width) * std::uint32_t(image.height);
}

// The bitmap of one entry: its header says twice the height, colour rows and mask rows.
void writeImage(LittleEndianWriter& out, const RgbaImage& image) {
  out.u32(kInfoHeaderSize);
  out.u32(std::uint32_t(image.width));
  out.u32(std::uint32_t(image.height * 2));
  out.u16(1);   // planes
  out.u16(32);  // bits per pixel
  out.u32(0);   // BI_RGB
  out.u32(imageBytes(image) - kInfoHeaderSize);
  for (int i = 0; i < 4; ++i) out.u32(0);
  for (int y = image.height - 1; y >= 0; --y)
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* pixel = &image.rgba[(std::size_t(y) * std::size_t(image.width) + std::size_t(x)) * 4];
      out.u8(pixel[2]);
      out.u8(pixel[1]);
      out.u8(pixel[0]);
      out.u8(pixel[3]);
    }
  // Mostly transparent pixels are masked out for systems that draw without alpha.
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskRowBytes(image.width), 0);
    for (int x = 0; x < image.width; ++x)
      if (image.rgba[(std::size_t(y) * std::size_t(image.width) + std::size_t(x)) * 4 + 3] < 128)
        row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
    for (std::uint8_t byte : row) out.u8(byte);
  }
}

// The directory entry's two 16-bit fields hold planes and depth in an icon, the hotspot in
// a cursor.
struct Entry {
  const RgbaImage* image;
  std::uint16_t first;
  std::uint16_t second;
};

std::vector<std::uint8_t> encode(std::uint16_t type, const std::vector<Entry>& entries) {
  LittleEndianWriter out;
  out.u16(0);
  out.u16(type);
  out.u16(std::uint16_t(entries.size()));
  std::uint32_t offset = kDirectoryHeaderSize + kDirectoryEntrySize * std::uint32_t(entries.size());
  for (const Entry& entry : entries) {
    out.u8(std::uint8_t(entry.image->width));  // 256 is written as 0
    out.u8(std::uint8_t(entry.image->height));
    out.u8(0);  // no palette
    out.u8(0);
    out.u16(entry.first);
    out.u16(entry.second);
    out.u32(imageBytes(*entry.image));
    out.u32(offset);
    offset += imageBytes(*entry.image);
  }
  for (const Entry& entry : entries) writeImage(out, *entry.image);
  return out.take();
}

}  // namespace

std::vector<std::uint8_t> encodeIcon(const std::vector<RgbaImage>& images) {
  std::vector<Entry> entries;
  for (const RgbaImage& image : images) entries.push_back({&image, 1, 32});
  return encode(kIconType, entries);
}

std::vector<std::uint8_t> encodeCursor(const std::vector<CursorImage>& images) {
  std::vector<Entry> entries;
  for (const CursorImage& cursor : images)
    entries.push_back({&cursor.image, std::uint16_t(cursor.hotspotX), std::uint16_t(cursor.hotspotY)});
  return encode(kCursorType, entries);
}

}  // namespace qm::resources
