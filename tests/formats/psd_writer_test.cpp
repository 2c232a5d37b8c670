// SPDX-License-Identifier: LicenseRef-Quillmark
// PSD files at 8, 16 and 32 bits: the layout as a plain walk of the bytes finds it, the same
// files as three other readers see them (ImageMagick, exiftool, and a JavaScript PSD reader
// under node), and writes that cannot happen, which must leave nothing behind.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <regex>

#include "formats/jpeg_codec.h"
#include "formats/psd_writer.h"
#include "platform/files.h"
#include "tests/formats/psd_readers.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// A picture in the writer's units with fully transparent columns (x < 5), half transparent
// ones (x < 10) and opaque ones; 16-bit samples reach full scale, float ones go past 1.0.
struct TestPicture {
  std::int32_t width, height;
  int bytesPerChannel;
  std::vector<std::uint8_t> bytes;

  double full() const { return bytesPerChannel == 1 ? 255 : bytesPerChannel == 2 ? 32768 : 1.0; }
  double sample(std::int32_t x, std::int32_t y, int channel) const {
    const std::size_t at = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4 + std::size_t(channel);
    if (bytesPerChannel == 1) return bytes[at];
    if (bytesPerChannel == 2) return reinterpret_cast<const std::uint16_t*>(bytes.data())[at];
    return reinterpret_cast<const float*>(bytes.data())[at];
  }
  PsdPicture picture() const { return {width, height, bytesPerChannel, bytes.data(), std::ptrdiff_t(width) * 4 * bytesPerChannel}; }
};

TestPicture makePicture(std::int32_t width, std::int32_t height, int bytesPerChannel) {
  TestPicture p{width, height, bytesPerChannel, std::vector<std::uint8_t>(std::size_t(width * height * 4 * bytesPerChannel))};
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) {
      const double values[4] = {(x * 7 + y * 3) % 37 / 36.0, (x * y) % 23 / 22.0, x == width - 1 ? 1.0 : y / 40.0 + 0.2,
                                x < 5 ? 0.0 : x < 10 ? 0.5 : 1.0};
      for (int c = 0; c < 4; ++c) {
        const std::size_t at = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4 + std::size_t(c);
        if (bytesPerChannel == 1) p.bytes[at] = std::uint8_t(std::lround(values[c] * 255));
        if (bytesPerChannel == 2) reinterpret_cast<std::uint16_t*>(p.bytes.data())[at] = std::uint16_t(std::lround(values[c] * 32768));
        // Past full scale, as high dynamic range renders are.
        if (bytesPerChannel == 4) reinterpret_cast<float*>(p.bytes.data())[at] = float(c == 0 && y == 3 ? 2.5 : values[c]);
      }
    }
  return p;
}

// What the file holds for a layer sample: 16-bit samples doubled, full scale as 65535.
double stored(const TestPicture& p, double value) {
  if (p.bytesPerChannel != 2) return value;
  return value >= 32768 ? 65535 : 2 * value;
}

// The composite over the checkerboard, as stored.
double flattened(const TestPicture& p, std::int32_t x, std::int32_t y, int channel) {
  const bool light = ((x ^ y) & 8) == 0;
  const long c = long(p.sample(x, y, channel)), a = long(p.sample(x, y, 3));
  if (p.bytesPerChannel == 1) return channel == 3 ? 255 : double((c * a + (light ? 255 : 204) * (255 - a)) / 255);
  if (p.bytesPerChannel == 2) return channel == 3 ? 65535 : stored(p, double((c * a + (32768 - a) * (light ? 32640 : 26112)) >> 15));
  return channel == 3 ? 1.0 : p.sample(x, y, channel);
}

class Cursor {
 public:
  explicit Cursor(const std::string& bytes) : bytes_(bytes) {}
  std::uint32_t number(int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) value = value << 8 | std::uint8_t(at_ < bytes_.size() ? bytes_[at_++] : 0);
    return value;
  }
  std::string text(std::size_t size) {
    const std::string piece = bytes_.substr(std::min(at_, bytes_.size()), size);
    at_ += size;
    return piece;
  }
  std::size_t& position() { return at_; }

 private:
  const std::string& bytes_;
  std::size_t at_ = 0;
};

// The layer info: count, the one record, and its channel data, ending at `end`.
void walkLayerInfo(Cursor& in, std::size_t end, const TestPicture& p) {
  const std::uint64_t channelBytes = std::uint64_t(p.width) * std::uint64_t(p.height) * std::uint64_t(p.bytesPerChannel);
  EXPECT_EQ(in.number(2), 1u);
  EXPECT_EQ(in.number(4), 0u);
  EXPECT_EQ(in.number(4), 0u);
  EXPECT_EQ(in.number(4), std::uint32_t(p.height));
  EXPECT_EQ(in.number(4), std::uint32_t(p.width));
  ASSERT_EQ(in.number(2), 4u);
  for (std::uint32_t id : {0xFFFFu, 0u, 1u, 2u}) {
    EXPECT_EQ(in.number(2), id);
    EXPECT_EQ(in.number(4), channelBytes + 2);
  }
  EXPECT_EQ(in.text(8), "8BIMnorm");
  EXPECT_EQ(in.number(1), 255u);  // opacity
  EXPECT_EQ(in.number(1), 0u);    // clipping
  EXPECT_EQ(in.number(1), p.bytesPerChannel == 4 ? 8u : 40u);
  in.number(1);
  const std::size_t extra = in.number(4);
  const std::size_t extraEnd = in.position() + extra;
  EXPECT_EQ(in.number(4), 0u);  // no mask
  in.position() += in.number(4);  // blending ranges
  const std::size_t nameLength = in.number(1);
  EXPECT_EQ(in.text(nameLength), "layer 1");
  EXPECT_EQ((in.position() - (extraEnd - extra)) % 4, 0u);
  EXPECT_EQ(in.position(), extraEnd);
  for (int channel = 0; channel < 4; ++channel) {
    EXPECT_EQ(in.number(2), 0u);
    in.position() += channelBytes;
  }
  EXPECT_EQ(in.position() + (end - in.position()) % 2, end);
  in.position() = end;
}

// Every section's length leads to the next; the composite fills the file exactly. Returns
// the image resource ids in order.
std::vector<std::uint32_t> walkFile(const std::string& file, const TestPicture& p) {
  Cursor in(file);
  EXPECT_EQ(in.text(4), "8BPS");
  EXPECT_EQ(in.number(2), 1u);
  in.position() += 6;
  const std::uint32_t planes = in.number(2);
  EXPECT_EQ(planes, p.bytesPerChannel == 2 ? 4u : 3u);
  EXPECT_EQ(in.number(4), std::uint32_t(p.height));
  EXPECT_EQ(in.number(4), std::uint32_t(p.width));
  EXPECT_EQ(in.number(2), std::uint32_t(p.bytesPerChannel * 8));
  EXPECT_EQ(in.number(2), 3u);
  const std::size_t modeData = in.number(4);
  EXPECT_EQ(modeData, p.bytesPerChannel == 4 ? 74u : 0u);
  in.position() += modeData;

  std::vector<std::uint32_t> ids;
  const std::size_t resourcesEnd = in.number(4) + in.position();
  while (in.position() < resourcesEnd) {
    EXPECT_EQ(in.text(4), "8BIM");
    ids.push_back(in.number(2));
    EXPECT_EQ(in.number(2), 0u);
    const std::size_t length = in.number(4);
    in.position() += length + length % 2;
  }
  EXPECT_EQ(in.position(), resourcesEnd);

  const std::size_t layersEnd = in.number(4) + in.position();
  if (p.bytesPerChannel == 1) {
    const std::size_t info = in.number(4);
    walkLayerInfo(in, in.position() + info, p);
    EXPECT_EQ(in.number(4), 0u);  // global mask
  } else {
    EXPECT_EQ(in.number(4), 0u);
    EXPECT_EQ(in.number(4), 0u);
    std::vector<std::string> keys;
    while (in.position() < layersEnd) {
      EXPECT_EQ(in.text(4), "8BIM");
      keys.push_back(in.text(4));
      const std::size_t length = in.number(4), end = in.position() + (length + 3) / 4 * 4;
      if (keys.back().starts_with("Lr")) walkLayerInfo(in, end, p);
      in.position() = end;
    }
    EXPECT_EQ(keys, p.bytesPerChannel == 2 ? (std::vector<std::string>{"Mt16", "Lr16"})
                                            : (std::vector<std::string>{"Mt32", "Lr32", "LMsk", "Pat3"}));
  }
  EXPECT_EQ(in.position(), layersEnd);
  EXPECT_EQ(in.number(2), 0u);
  EXPECT_EQ(file.size() - in.position(), planes * std::size_t(p.width * p.height * p.bytesPerChannel));
  return ids;
}

std::string writeTestFile(const TestPicture& p, const std::string& name, const PsdMetadata& metadata) {
  const std::string path = tempPath(name);
  EXPECT_EQ(writePsd(path, p.picture(), metadata), 0);
  return path;
}

PsdMetadata sampleMetadata() { return {{"spots", "thick", "4x"}, "20240229", {}}; }

TEST(PsdWriter, LayoutOfEachDepthAddsUpToTheFile) {
  for (int depth : {1, 2, 4}) {
    SCOPED_TRACE(depth);
    const TestPicture p = makePicture(37, 23, depth);
    PsdMetadata metadata = sampleMetadata();
    metadata.iccProfile = std::vector<std::uint8_t>(131, 7);  // odd: the block takes a pad byte
    const std::string file = readBytes(writeTestFile(p, "layout.psd", metadata));
    std::vector<std::uint32_t> expected = {1001, 1005, 1011, 1016, 1035, 1039, 1028, 1058, 1024, 1026};
    if (depth == 4) expected.insert(expected.end() - 2, {1069, 1072});
    EXPECT_EQ(walkFile(file, p), expected);
    if (depth == 4) {
      EXPECT_EQ(file.substr(30, 4), "hdrt");
    }
  }
}

// Hand-worked composite samples: a transparent pixel shows the light or dark square, a half
// transparent black one is half way to it, an opaque one is itself.
TEST(PsdWriter, CompositeShowsTheCheckerboardThroughTransparency) {
  TestPicture p = makePicture(16, 9, 1);
  auto set = [&](std::int32_t x, std::int32_t y, std::uint8_t r, std::uint8_t a) {
    p.bytes[(std::size_t(y) * 16 + std::size_t(x)) * 4] = r;
    p.bytes[(std::size_t(y) * 16 + std::size_t(x)) * 4 + 3] = a;
  };
  set(0, 0, 90, 0);
  set(8, 0, 90, 0);
  set(9, 8, 0, 128);
  set(15, 1, 17, 255);
  const std::string file = readBytes(writeTestFile(p, "squares.psd", {}));
  const std::size_t red = file.size() - 3 * 16 * 9;
  EXPECT_EQ(std::uint8_t(file[red + 0]), 255);
  EXPECT_EQ(std::uint8_t(file[red + 8]), 204);
  EXPECT_EQ(std::uint8_t(file[red + 8 * 16 + 9]), 127);  // (0 x 128 + 255 x 127) / 255
  EXPECT_EQ(std::uint8_t(file[red + 16 + 15]), 17);
}

TEST(PsdWriter, OtherReadersSeeTheLayerTheCompositeAndTheMetadata) {
  ASSERT_TRUE(nodeReadersReady());
  const std::string script = (fs::path(__FILE__).parent_path() / "read_psd.js").string();
  for (int depth : {1, 2, 4}) {
    SCOPED_TRACE(depth);
    const TestPicture p = makePicture(37, 23, depth);
    const std::string path = writeTestFile(p, "readers-" + std::to_string(depth * 8) + ".psd", sampleMetadata());
    std::cout << "[ sizes    ] " << depth * 8 << "-bit 37 x 23: " << fs::file_size(path) << " bytes\n";

    const std::string verbose = readerOutput({"identify", "-verbose", path});
    EXPECT_NE(verbose.find("Geometry: 37x23+0+0"), std::string::npos) << verbose.substr(0, 600);
    // A 16-bit build of ImageMagick shows float files as "32/16-bit".
    EXPECT_TRUE(std::regex_search(verbose, std::regex("Depth: " + std::to_string(depth * 8) + "(/16)?-bit")));
    const std::string list = readerOutput({"identify", path});
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2) << list;  // the composite and one layer
    EXPECT_NE(verbose.find("label: layer 1"), std::string::npos);
    EXPECT_NE(verbose.find("Resolution: 72x72"), std::string::npos);
    EXPECT_NE(verbose.find("Units: PixelsPerInch"), std::string::npos);

    const std::string exif = readerOutput({"exiftool", "-j", "-Keywords", "-Software", "-Caption-Abstract", "-URL", path});
    EXPECT_EQ(jsonTexts(exif, "Keywords"), (std::vector<std::string>{"Quillmark", "spots", "thick", "4x"}));
    EXPECT_EQ(jsonTexts(exif, "Software"), std::vector<std::string>{"Quillmark"});
    EXPECT_EQ(jsonTexts(exif, "Caption-Abstract"), std::vector<std::string>{"Made with Quillmark"});
    EXPECT_EQ(jsonTexts(exif, "URL"), std::vector<std::string>{kJpegComment});

    const std::string json = readerOutput({"node", script, std::string(QUILLMARK_NODE_READERS) + "/node_modules", path});
    EXPECT_EQ(jsonNumbers(json, "width"), std::vector<double>{37});
    EXPECT_EQ(jsonNumbers(json, "height"), std::vector<double>{23});
    EXPECT_EQ(jsonNumbers(json, "bitsPerChannel"), std::vector<double>{depth * 8.0});
    EXPECT_EQ(jsonTexts(json, "layerNames"), std::vector<std::string>{"layer 1"});
    EXPECT_EQ(jsonNumbers(json, "layerChannelIds"), (std::vector<double>{-1, 0, 1, 2}));
    EXPECT_EQ(jsonNumbers(json, "layerChannelLengths"), std::vector<double>(4, 37 * 23 * depth + 2));
    const std::vector<double> layer = jsonNumbers(json, "layerPixels"), composite = jsonNumbers(json, "composite");
    ASSERT_EQ(layer.size(), 37u * 23 * 4);
    ASSERT_EQ(composite.size(), 37u * 23 * 4);
    for (std::int32_t y = 0; y < 23; ++y)
      for (std::int32_t x = 0; x < 37; ++x)
        for (int c = 0; c < 4; ++c) {
          const std::size_t at = (std::size_t(y) * 37 + std::size_t(x)) * 4 + std::size_t(c);
          ASSERT_EQ(float(layer[at]), float(stored(p, p.sample(x, y, c)))) << x << "," << y << " channel " << c;
          ASSERT_EQ(float(composite[at]), float(flattened(p, x, y, c))) << x << "," << y << " channel " << c;
        }
  }
}

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PsdWriter, WritesThatCannotHappenLeaveNothingBehind) {
  const TestPicture p = makePicture(37, 23, 1);
  const std::string folder = tempPath("unwritable");
  fs::create_directories(folder + "/a folder");
  // No such folder; a place that refuses new files to everyone; a folder where the file
  // should go (the fresh file is made, and then cannot take the folder's name).
  for (const std::string& path : {folder + "/missing/x.psd", std::string("/proc/self/x.psd"), folder + "/a folder"}) {
    EXPECT_NE(writePsd(path, p.picture(), {}), 0) << path;
    EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"a folder"});
    EXPECT_TRUE(fs::is_directory(folder + "/a folder"));
  }
  // A folder without write permission, where that binds this user (not root).
  const std::string closed = tempPath("closed");
  fs::create_directories(closed);
  ::chmod(closed.c_str(), 0555);
  if (::access(closed.c_str(), W_OK) != 0) {
    EXPECT_EQ(writePsd(closed + "/x.psd", p.picture(), {}), platform::kOpenRefused);
    EXPECT_TRUE(fs::is_empty(closed));
  }
  ::chmod(closed.c_str(), 0755);
}

TEST(PsdWriter, AFailedWriteLeavesTheOldFileAsItWas) {
  const std::string folder = tempPath("replaced");
  fs::create_directories(folder);
  const std::string path = folder + "/kept.psd";
  writeBytes(path, "an earlier file");
  const TestPicture p = makePicture(200, 100, 1);
  PsdPicture shortRows = p.picture();
  shortRows.rowBytes -= 1;
  for (PsdPicture bad : {PsdPicture{0, 10, 1, p.bytes.data(), 4}, PsdPicture{30001, 1, 1, p.bytes.data(), 120004},
                         PsdPicture{10, 10, 3, p.bytes.data(), 120}, PsdPicture{10, 10, 1, nullptr, 40}, shortRows,
                         // within the side limit, but past the 32-bit lengths of the layer section
                         PsdPicture{30000, 30000, 2, p.bytes.data(), 240000}}) {
    EXPECT_EQ(writePsd(path, bad, {}), kPsdPictureRefused) << bad.width << " x " << bad.height;
  }
  // Writes failing part way: the file size limit stops the file after 4 KB.
  struct rlimit before {};
  ::getrlimit(RLIMIT_FSIZE, &before);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = before;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const int result = writePsd(path, p.picture(), sampleMetadata());
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(result, platform::kWriteFailed);
  EXPECT_EQ(readBytes(path), "an earlier file");
  EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"kept.psd"});
  // And once the write can happen, it replaces the file.
  EXPECT_EQ(writePsd(path, p.picture(), sampleMetadata()), 0);
  EXPECT_EQ(readBytes(path).substr(0, 4), "8BPS");
  EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"kept.psd"});
}

}  // namespace
}  // namespace qm::test
