// SPDX-License-Identifier: LicenseRef-Quillmark
// Preset files made byte by byte for the tests, and the pictures that go into them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "settings/preset_file.h"
#include "tests/engine/engine_fixtures.h"
#include "tests/test_images.h"

namespace qm::test {

// Big-endian words and raw bytes, read back as a preset file.
struct PresetBytes {
  std::string text;
  PresetBytes& words(const std::vector<std::uint32_t>& values) {
    for (const std::uint32_t value : values)
      for (int shift = 24; shift >= 0; shift -= 8) text += char(std::uint8_t(value >> shift));
    return *this;
  }
  PresetBytes& bytes(const std::vector<std::uint8_t>& values) {
    text.append(values.begin(), values.end());
    return *this;
  }
  PresetReadResult read(InkSettings& settings, PresetReadMode mode, PresetThumbnail* thumbnail = nullptr) const {
    writeBytes(tempPath("preset under test"), text);
    return readPreset(tempPath("preset under test"), settings, mode, thumbnail);
  }
};

// The filter's own files in a folder of the test's own while this lives; then the process's
// folder again.
struct OwnStateFolder {
  OwnStateFolder() { ::setenv("XDG_STATE_HOME", tempPath("state").c_str(), 1); }
  ~OwnStateFolder() { saved ? ::setenv("XDG_STATE_HOME", saved->c_str(), 1) : ::unsetenv("XDG_STATE_HOME"); }
  const char* const value = std::getenv("XDG_STATE_HOME");  // read before the constructor changes it
  const std::optional<std::string> saved = value ? std::optional<std::string>(value) : std::nullopt;
};

// The defaults of a run, with blend mode 7 so that a kept blend mode shows.
inline InkSettings priorSettings() {
  InkSettings settings{};
  resetForRun(settings);
  settings.look.blendMode = 7;
  return settings;
}

// In record order: style, scale, blend, gray, diameter, sharpen, line weight, invert,
// warping, angle.
inline std::vector<int> valuesOf(const UserValues& v) {
  return {v.style, v.scale, v.blendMode, v.gray, v.diameter, v.sharpen, v.lineWeight, v.invertMode, v.warping, v.angle};
}

// An Rgba8 image of its own (showing the grey ramp), and the thumbnail record around it.
struct Thumbnail {
  explicit Thumbnail(std::int32_t side = kPresetPictureSide) : buffer(makeBuffer(side, side, kRgba8)) { fillGreyRamp(image); }
  Buffer buffer;
  ImageBuffer& image = *buffer;
  PresetThumbnail record{&image, 0, 0};
};

using Rgb = std::array<int, 3>;
inline Rgb rgbAt(const ImageBuffer& image, std::int32_t x, std::int32_t y) {
  const Pixel p = pixelAt(image, x, y);
  return {int(p[0]), int(p[1]), int(p[2])};
}

inline const ImageBuffer& halfRedHalfBlue() {
  static const Buffer picture = [] {
    Buffer image = makeBuffer(kPresetPictureSide, kPresetPictureSide, kRgba8);
    fillLevel0(*image, [](std::int32_t x, std::int32_t) { return Pixel{x < 64 ? 255.0 : 0, 0, x < 64 ? 0 : 255.0, 255}; });
    return image;
  }();
  return *picture;
}

// Red on the left, blue on the right, away from the seam that coding and resampling blur.
inline bool isHalfRedHalfBlue(const ImageBuffer& image, std::int32_t side) {
  for (std::int32_t y = 0; y < side; y += 5) {
    const Rgb left = rgbAt(image, side / 8, y), right = rgbAt(image, side - 1 - side / 8, y);
    if (left[0] < 230 || left[2] > 25 || right[0] > 25 || right[2] < 230 || left[1] > 25 || right[1] > 25) return false;
  }
  return true;
}

inline bool isGreyRamp(const ImageBuffer& image) {
  for (std::int32_t y = 0; y < kPresetPictureSide; ++y)
    if (rgbAt(image, y % 128, y) != Rgb{255 - y, 255 - y, 255 - y}) return false;
  return true;
}

inline std::string writtenPreset(InkSettings& settings, const ImageBuffer* picture) {
  EXPECT_EQ(writePreset(tempPath("written preset"), settings, picture), 0);
  return readBytes(tempPath("written preset"));
}

}  // namespace qm::test
