// SPDX-License-Identifier: LicenseRef-Quillmark
#include "tests/test_images.h"

#include <stdlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qm::test {

namespace {

std::size_t sampleOffset(const RasterImage& image, int x, int y, int channel) {
  return (std::size_t(y) * std::size_t(image.width) + std::size_t(x)) * std::size_t(image.channels()) +
         std::size_t(channel);
}

RasterImage blankImage(int width, int height, SampleType type, int colorChannels, bool hasAlpha) {
  RasterImage image;
  image.width = width;
  image.height = height;
  image.type = type;
  image.colorChannels = colorChannels;
  image.hasAlpha = hasAlpha;
  image.pixels.assign(image.rowBytes() * std::size_t(height), 0);
  return image;
}

// The process's own scratch root, removed at exit.
class TempRoot {
 public:
  const std::string& path() {
    if (path_.empty()) {
      const char* base = std::getenv("TMPDIR");
      std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillmark-test-XXXXXX";
      if (!mkdtemp(pattern.data())) {
        ADD_FAILURE() << "cannot make a temporary directory under " << pattern;
        pattern = "/tmp";
      }
      path_ = pattern;
    }
    return path_;
  }
  ~TempRoot() {
    if (path_.empty() || path_ == "/tmp" || std::getenv("QUILLMARK_KEEP_TEST_FILES")) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

 private:
  std::string path_;
};

TempRoot& tempRoot() {
  static TempRoot root;
  return root;
}

}  // namespace

RasterImage makeTestImage(int width, int height, SampleType type, int colorChannels, bool hasAlpha) {
  RasterImage image = blankImage(width, height, type, colorChannels, hasAlpha);
  const long count = long(width) * height;
  const int channels = image.channels();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const long index = long(y) * width + x;
      for (int c = 0; c < channels; ++c) {
        // Channel c's ramp starts c/(channels+1) of the way along, plus c pixels.
        const long step = count > 1 ? (long(c) * count / (channels + 1) + c) % count : 0;
        const long j = (index + step) % count;
        const bool low = j == 0, high = count > 1 && j == count - 1;
        const double t = count > 1 ? double(j) / double(count - 1) : 0.0;
        double value = 0;
        if (type == SampleType::UInt8) {
          value = std::round(t * 255.0);
        } else if (type == SampleType::UInt16) {
          int v = int(std::lround(t * 65535.0));
          if (!low && !high && (v >> 8) == (v & 0xFF)) v += v < 65535 ? 1 : -1;
          value = v;
        } else {
          value = low ? 0.0 : high ? 1.0 : (double(j) + 0.37) / double(count - 1);
        }
        setSampleAt(image, x, y, c, value);
      }
    }
  }
  return image;
}

RasterImage makeFlat(int width, int height, SampleType type, int colorChannels, bool hasAlpha,
                     double value) {
  RasterImage image = blankImage(width, height, type, colorChannels, hasAlpha);
  const double stored = type == SampleType::UInt8    ? std::round(value * 255.0)
                        : type == SampleType::UInt16 ? std::round(value * 65535.0)
                                                     : value;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < image.channels(); ++c) setSampleAt(image, x, y, c, stored);
  return image;
}

double sampleAt(const RasterImage& image, int x, int y, int channel) {
  const std::size_t at = sampleOffset(image, x, y, channel);
  const std::uint8_t* bytes = image.pixels.data();
  switch (image.type) {
    case SampleType::UInt8: return bytes[at];
    case SampleType::UInt16: {
      std::uint16_t v;
      std::memcpy(&v, bytes + at * 2, 2);
      return v;
    }
    case SampleType::Float32: {
      float v;
      std::memcpy(&v, bytes + at * 4, 4);
      return v;
    }
  }
  return 0;
}

void setSampleAt(RasterImage& image, int x, int y, int channel, double value) {
  const std::size_t at = sampleOffset(image, x, y, channel);
  std::uint8_t* bytes = image.pixels.data();
  if (image.type == SampleType::UInt8) {
    bytes[at] = std::uint8_t(value);
  } else if (image.type == SampleType::UInt16) {
    const auto v = std::uint16_t(value);
    std::memcpy(bytes + at * 2, &v, 2);
  } else {
    const auto v = float(value);
    std::memcpy(bytes + at * 4, &v, 4);
  }
}

::testing::AssertionResult sameImage(const RasterImage& expected, const RasterImage& actual) {
  auto describe = [](const RasterImage& i) {
    std::ostringstream text;
    text << i.width << "x" << i.height << " colour " << i.colorChannels << (i.hasAlpha ? "+alpha" : "")
         << " type " << int(i.type) << " (" << i.pixels.size() << " bytes)";
    return text.str();
  };
  if (expected.width != actual.width || expected.height != actual.height ||
      expected.colorChannels != actual.colorChannels || expected.hasAlpha != actual.hasAlpha ||
      expected.type != actual.type || expected.pixels.size() != actual.pixels.size()) {
    return ::testing::AssertionFailure() << "expected " << describe(expected) << ", got "
                                         << describe(actual);
  }
  const std::size_t sampleBytes = std::size_t(cli::bytesPerSample(expected.type));
  for (std::size_t i = 0; i < expected.pixels.size(); i += sampleBytes) {
    if (std::memcmp(&expected.pixels[i], &actual.pixels[i], sampleBytes) != 0) {
      const std::size_t sample = i / sampleBytes;
      const std::size_t channels = std::size_t(expected.channels());
      const int channel = int(sample % channels);
      const int x = int(sample / channels % std::size_t(expected.width));
      const int y = int(sample / channels / std::size_t(expected.width));
      return ::testing::AssertionFailure()
             << "sample (" << x << ", " << y << ") channel " << channel << ": expected "
             << sampleAt(expected, x, y, channel) << ", got " << sampleAt(actual, x, y, channel);
    }
  }
  return ::testing::AssertionSuccess();
}

std::string testDir() {
  std::string name = "outside-tests";
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
    name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
  }
  const std::string path = tempRoot().path() + "/" + name;
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
  return path;
}

std::string tempPath(const std::string& name) { return testDir() + "/" + name; }

std::string writeTemp(const RasterImage& image, const std::string& name) {
  const std::string path = tempPath(name);
  std::string error;
  if (!cli::saveImage(path, image, error)) {
    ADD_FAILURE() << "cannot write " << path << ": " << error;
    return "";
  }
  return path;
}

void writeBytes(const std::string& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), std::streamsize(bytes.size()));
  if (!file) ADD_FAILURE() << "cannot write " << path;
}

std::string readBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

}  // namespace qm::test
