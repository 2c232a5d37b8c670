// SPDX-License-Identifier: LicenseRef-Quillmark
// Small deterministic images and temporary files for the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/raster_image.h"

namespace qm::test {

using cli::RasterImage;
using cli::SampleType;

// Every channel a different ramp over the pixels (each channel's ramp starts at another
// pixel), so with 2 or more pixels each channel holds both 0 and full scale (255, 65535,
// 1.0f). 16-bit values in between have distinct high and low bytes, float ones are not
// multiples of 1/255 or 1/65535, so byte order and depth conversions show.
RasterImage makeTestImage(int width, int height, SampleType type, int colorChannels,
                          bool hasAlpha);

// Every sample the same: value is a fraction of full scale (0..1), rounded.
RasterImage makeFlat(int width, int height, SampleType type, int colorChannels, bool hasAlpha,
                     double value);

// One sample as stored: 0..255, 0..65535 or the float.
double sampleAt(const RasterImage& image, int x, int y, int channel);
void setSampleAt(RasterImage& image, int x, int y, int channel, double value);

// Same size, layout, type and samples; the message names the first difference.
::testing::AssertionResult sameImage(const RasterImage& expected, const RasterImage& actual);

// A fresh directory for the running test (made on first use, removed when the test
// program ends unless QUILLMARK_KEEP_TEST_FILES is set).
std::string testDir();
// testDir() + "/" + name.
std::string tempPath(const std::string& name);
// Saves image as testDir()/name (the extension picks the format); the path, or "" after
// a test failure.
std::string writeTemp(const RasterImage& image, const std::string& name);

// Raw file contents, for corrupt or hand-made fixtures.
void writeBytes(const std::string& path, std::string_view bytes);
std::string readBytes(const std::string& path);

}  // namespace qm::test
