// SPDX-License-Identifier: LicenseRef-Quillmark
// The host's samples as the preview shows them while the view is dragged, and the bitmap
// rows the pane is drawn from.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "ui/preview_pixels.h"

namespace qm::ui {
namespace {

template <typename Sample>
std::uint8_t shown(Sample value) {
  std::uint8_t bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  return previewSample(bytes, int(sizeof value));
}

TEST(PreviewPixels, SamplesOfEveryDepthComeDownToEightBits) {
  EXPECT_EQ(shown(std::uint8_t(201)), 201);
  EXPECT_EQ(shown(std::uint16_t(32768)), 255);
  EXPECT_EQ(shown(std::uint16_t(16384)), 127);
  EXPECT_EQ(shown(std::uint16_t(257)), 2);
  EXPECT_EQ(shown(std::uint16_t(0)), 0);
  EXPECT_EQ(shown(std::uint16_t(32769)), 255) << "held at full scale, not wrapped";
  EXPECT_EQ(shown(std::uint16_t(65535)), 255);
  EXPECT_EQ(shown(1.5f), 255);
  EXPECT_EQ(shown(1.0f), 255);
  EXPECT_EQ(shown(-0.2f), 0);
  EXPECT_EQ(shown(0.5f), 127);
  EXPECT_EQ(shown(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(shown(std::numeric_limits<float>::infinity()), 255);

  // A row of an interleaved 16-bit RGB host buffer, starting one byte off alignment: the
  // green samples, six bytes apart.
  const std::uint16_t pixels[4][3] = {{0, 32768, 1}, {0, 16384, 1}, {0, 257, 1}, {0, 40000, 1}};
  std::vector<std::uint8_t> host(sizeof pixels + 1);
  std::memcpy(host.data() + 1, pixels, sizeof pixels);
  std::uint8_t out[4] = {};
  convertRowTo8Bit(host.data() + 1 + 2, 6, 2, 4, out);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 4), (std::vector<std::uint8_t>{255, 127, 2, 255}));
  const float floats[3] = {0.25f, -1.0f, 2.0f};
  convertRowTo8Bit(reinterpret_cast<const std::uint8_t*>(floats), 4, 4, 3, out);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 3), (std::vector<std::uint8_t>{63, 0, 255}));
}

// Three planes of width x 2 pixels, each sample telling its plane, column and row apart.
std::vector<std::uint8_t> planesOf(std::int32_t width, std::int32_t planes) {
  std::vector<std::uint8_t> data;
  for (std::int32_t p = 0; p < planes; ++p)
    for (std::int32_t y = 0; y < 2; ++y)
      for (std::int32_t x = 0; x < width; ++x) data.push_back(std::uint8_t(100 * p + 10 * y + x));
  return data;
}

TEST(PreviewPixels, BitmapRowsAreBlueGreenRedPaddedToFourBytes) {
  for (std::int32_t width = 1; width <= 4; ++width) {
    const std::size_t rowBytes = previewBitmapRowBytes(width);
    EXPECT_EQ(rowBytes, std::size_t(width <= 1 ? 4 : (width == 2 ? 8 : 12))) << width;
    for (const bool colour : {true, false}) {
      std::vector<std::uint8_t> data = planesOf(width, 3);
      std::vector<std::uint8_t> bitmap(rowBytes * 2, 0xEE);
      packPreviewBitmap({width, 2, 3, data.data()}, colour, bitmap.data());
      for (std::int32_t y = 0; y < 2; ++y) {
        const std::uint8_t* row = bitmap.data() + std::size_t(y) * rowBytes;
        for (std::int32_t x = 0; x < width; ++x) {
          const int grey = 10 * y + x;
          EXPECT_EQ(row[3 * x], colour ? 200 + grey : grey) << "blue " << width << " " << colour;
          EXPECT_EQ(row[3 * x + 1], colour ? 100 + grey : grey) << "green";
          EXPECT_EQ(row[3 * x + 2], grey) << "red";
        }
        for (std::size_t i = 3 * std::size_t(width); i < rowBytes; ++i) EXPECT_EQ(row[i], 0) << "padding " << i;
      }
    }
  }
  // Fewer than three planes is grey whatever the flag says.
  std::vector<std::uint8_t> grey = planesOf(2, 1);
  std::vector<std::uint8_t> bitmap(16, 0xEE);
  packPreviewBitmap({2, 2, 1, grey.data()}, true, bitmap.data());
  EXPECT_EQ(std::vector<std::uint8_t>(bitmap.begin() + 8, bitmap.end()),
            (std::vector<std::uint8_t>{10, 10, 10, 11, 11, 11, 0, 0}));
}

}  // namespace
}  // namespace qm::ui
