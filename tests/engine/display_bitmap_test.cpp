// SPDX-License-Identifier: LicenseRef-Quillmark
// The screen bitmap of an image: its header byte for byte, the row padding and the order
// of the colour bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/display_bitmap.h"
#include "engine/image_buffer.h"

namespace qm {
namespace {

struct Destroy {
  void operator()(ImageBuffer* image) const { destroyImageBuffer(image); }
};
using Image = std::unique_ptr<ImageBuffer, Destroy>;

Image makeRgba8(int width, int height) {
  Image image(createImageBuffer(nullptr, width, height, kRgba8, 0, false));
  EXPECT_NE(image, nullptr);
  return image;
}

// Distinct channels everywhere: red follows x, green follows y, blue both.
void paintCoordinates(ImageBuffer& image) {
  for (int y = 0; y < image.height[0]; ++y)
    for (int x = 0; x < image.width[0]; ++x) {
      const std::uint8_t rgba[4] = {std::uint8_t(x), std::uint8_t(100 + y), std::uint8_t(200 + x + y), 7};
      setColour(image, x, y, 0, rgba);
    }
}

TEST(DisplayBitmap, HeaderIsLittleEndianTopDownTwentyFourBit) {
  Image image = makeRgba8(300, 2);
  const std::vector<std::uint8_t> bitmap = makeDisplayBitmap(*image);
  // 300 pixels of 3 bytes is already a multiple of 4: 900 bytes a row, 1800 in all.
  const std::vector<std::uint8_t> header = {
      40, 0, 0, 0,           // header size
      0x2C, 0x01, 0, 0,      // width 300
      0xFE, 0xFF, 0xFF, 0xFF,  // height -2: rows top-down
      1, 0,                  // planes
      24, 0,                 // bits per pixel
      0, 0, 0, 0,            // uncompressed
      0x08, 0x07, 0, 0,      // pixel bytes 1800
      10, 0, 0, 0,           // pixels per metre across
      10, 0, 0, 0,           // and down
      0, 0, 0, 0,            // colours used
      0, 0, 0, 0};           // colours important
  ASSERT_EQ(bitmap.size(), 40u + 1800u);
  EXPECT_EQ(std::vector<std::uint8_t>(bitmap.begin(), bitmap.begin() + 40), header);
}

TEST(DisplayBitmap, RowsArePaddedToFourBytesWithZeros) {
  const std::size_t rowBytes[] = {4, 8, 12, 12, 16};
  for (int width = 1; width <= 5; ++width) {
    SCOPED_TRACE(width);
    Image image = makeRgba8(width, 3);
    paintCoordinates(*image);
    const std::vector<std::uint8_t> bitmap = makeDisplayBitmap(*image);
    const std::size_t row = rowBytes[width - 1];
    EXPECT_EQ(displayRowBytes(width), row);
    ASSERT_EQ(bitmap.size(), kBitmapHeaderBytes + 3 * row);
    EXPECT_EQ(bitmap[20], 3 * row) << "pixel byte count in the header";
    for (int y = 0; y < 3; ++y)
      for (std::size_t pad = std::size_t(width) * 3; pad < row; ++pad)
        EXPECT_EQ(bitmap[kBitmapHeaderBytes + std::size_t(y) * row + pad], 0) << "row " << y << " byte " << pad;
  }
}

TEST(DisplayBitmap, PixelsAreBlueGreenRedFromTheTopRow) {
  Image image = makeRgba8(5, 4);
  paintCoordinates(*image);
  const std::vector<std::uint8_t> bitmap = makeDisplayBitmap(*image);
  ASSERT_EQ(bitmap.size(), kBitmapHeaderBytes + 4 * 16);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      const std::uint8_t* pixel = &bitmap[kBitmapHeaderBytes + std::size_t(y) * 16 + std::size_t(x) * 3];
      EXPECT_EQ(pixel[0], 200 + x + y) << x << ", " << y;
      EXPECT_EQ(pixel[1], 100 + y) << x << ", " << y;
      EXPECT_EQ(pixel[2], x) << x << ", " << y;
    }
}

TEST(DisplayBitmap, OnlyColourImagesWithPixels) {
  Image grey(createImageBuffer(nullptr, 4, 4, kGray8, 0, false));
  Image deep(createImageBuffer(nullptr, 4, 4, kRgba16, 0, false));
  Image released = makeRgba8(4, 4);
  releasePixels(*released);
  EXPECT_TRUE(makeDisplayBitmap(*grey).empty());
  EXPECT_TRUE(makeDisplayBitmap(*deep).empty());
  EXPECT_TRUE(makeDisplayBitmap(*released).empty());
}

}  // namespace
}  // namespace qm
