// SPDX-License-Identifier: LicenseRef-Quillmark
// Preset files made byte by byte for the tests, and the pictures that go into them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/jpeg_codec.h"
#include "settings/preset_file.h"
#include "tests/test_images.h"

namespace qm::test {


// Big-endian words and raw bytes, read back as a preset file.
struct PresetBytes {
  std::string text;
  PresetBytes& word(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) text += char(std::uint8_t(value >> shift));
    return *this;
  }
  PresetBytes& words(const std::vector<std::uint32_t>& values) {
    for (const std::uint32_t value : values) word(value);
    return *this;
  }
  PresetBytes& bytes(const std::vector<std::uint8_t>& values) {
    text.append(values.begin(), values.end());
    return *this;
  }
  PresetReadResult read(InkSettings& settings, PresetReadMode mode, PresetThumbnail* thumbnail = nullptr) const {
    const std::string path = tempPath("preset under test");
    writeBytes(path, text);
    return readPreset(path, settings, mode, thumbnail);
  }
};

// The defaults of a run, with blend mode 7 so that a kept blend mode shows.
inline InkSettings priorSettings() {
  InkSettings settings{};
  resetForRun(settings);
  settings.look.blendMode = 7;
  return settings;
}

inline ::testing::AssertionResult sameLook(const UserValues& actual, const UserValues& expected) {
  const auto list = [](const UserValues& v) {
    return ::testing::PrintToString(std::vector<int>{v.style, v.scale, v.blendMode, v.gray, v.diameter, v.sharpen,
                                                     v.lineWeight, v.invertMode, v.warping, v.angle});
  };
  if (list(actual) == list(expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "look " << list(actual) << ", expected " << list(expected);
}

// An Rgba8 image of its own, released at the end of the test.
struct OwnImage {
  OwnImage(std::int32_t width, std::int32_t height) {
    initImageBuffer(image, nullptr);
    EXPECT_TRUE(configureImageBuffer(&image, width, height, kRgba8, 0, false));
  }
  ~OwnImage() { releasePixels(image); }
  ImageBuffer image;
};

// The 128 x 128 picture a preset's reader delivers into.
struct Thumbnail {
  OwnImage pixels{kPresetPictureSide, kPresetPictureSide};
  PresetThumbnail record{&pixels.image, 0, 0};
};

using Rgb = std::array<std::uint8_t, 3>;
inline Rgb rgbAt(const ImageBuffer& image, std::int32_t x, std::int32_t y) {
  std::uint8_t colour[4];
  getColour(image, x, y, 0, colour);
  return {colour[0], colour[1], colour[2]};
}

inline const ImageBuffer& halfRedHalfBlue() {
  static OwnImage picture(kPresetPictureSide, kPresetPictureSide);
  for (std::int32_t y = 0; y < kPresetPictureSide; ++y)
    for (std::int32_t x = 0; x < kPresetPictureSide; ++x) {
      const std::uint8_t colour[4] = {std::uint8_t(x < 64 ? 255 : 0), 0, std::uint8_t(x < 64 ? 0 : 255), 255};
      setColour(picture.image, x, y, 0, colour);
    }
  return picture.image;
}

// Away from the seam (JPEG blurs it), red on the left and blue on the right.
inline bool isHalfRedHalfBlue(const ImageBuffer& image, std::int32_t side) {
  const auto near = [](const Rgb& a, const Rgb& b) {
    for (int c = 0; c < 3; ++c)
      if (std::abs(a[c] - b[c]) > 24) return false;
    return true;
  };
  for (std::int32_t y = 0; y < side; y += 7)
    for (std::int32_t x = 0; x < side; ++x)
      if (std::abs(2 * x + 1 - side) > side / 4 && !near(rgbAt(image, x, y), x < side / 2 ? Rgb{255, 0, 0} : Rgb{0, 0, 255}))
        return false;
  return true;
}

inline bool isGreyRamp(const ImageBuffer& image) {
  for (std::int32_t y = 0; y < kPresetPictureSide; ++y)
    for (std::int32_t x = 0; x < kPresetPictureSide; x += 13)
      if (rgbAt(image, x, y) != Rgb{std::uint8_t(255 - y), std::uint8_t(255 - y), std::uint8_t(255 - y)}) return false;
  return true;
}

inline std::vector<std::uint8_t> jpegOf(const ImageBuffer& picture) { return encodeJpeg(picture, kPresetPictureQuality); }

inline std::string writtenPreset(InkSettings& settings, const ImageBuffer* picture) {
  const std::string path = tempPath("written preset");
  EXPECT_EQ(writePreset(path, settings, picture), 0);
  return readBytes(path);
}

}  // namespace qm::test
