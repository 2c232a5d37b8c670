// SPDX-License-Identifier: LicenseRef-Quillmark
// JPEG files in the quillmark command: read and written by render and sheet, their EXIF
// and ICC profile kept, and every picture JPEG cannot hold or cannot be read refused
// with one line before anything is written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/raster_image.h"
#include "formats/jpeg_codec.h"
#include "tests/cli/command_checks.h"
#include "tests/test_images.h"

namespace qm::test {
namespace {

ChildResult render(const std::string& in, const std::string& out) {
  return quillmark({"render", in, out, "--no-progress", "--seed", "1"});
}

// Nearly every sample ink or paper: lossy coding blurs only the edges between them.
::testing::AssertionResult mostlyInkAndPaper(const RasterImage& image) {
  std::size_t tones = 0;
  for (std::uint8_t sample : image.pixels) tones += sample > 48 && sample < 207;
  if (!image.pixels.empty() && tones * 10 < image.pixels.size()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << tones << " of " << image.pixels.size() << " samples are neither";
}

JpegMetadata metadataOf(const std::string& path) {
  const std::string bytes = readBytes(path);
  JpegMetadata metadata;
  EXPECT_TRUE(readJpegMetadata(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), metadata)) << path;
  return metadata;
}

TEST(JpegFiles, RenderReadsAndWritesJpegKeepingLayoutAndMetadata) {
  struct Case {
    int colorChannels;
    const char* in;
    const char* out;
    bool metadataKept;  // from a JPEG into a JPEG
  };
  for (const Case c : {Case{1, "grey.jpg", "grey-out.jpg", true}, Case{3, "rgb.JPEG", "rgb-out.Jpg", true},
                       Case{3, "rgb.png", "from-png.jpeg", false}, Case{1, "grey2.jpg", "grey-out.png", false}}) {
    SCOPED_TRACE(std::string(c.in) + " to " + c.out);
    RasterImage image = makeTestImage(48, 40, SampleType::UInt8, c.colorChannels, false);
    image.exif = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};
    image.iccProfile.assign(70000, 7);  // two APP2 pieces
    const std::string in = writeTemp(image, c.in), out = tempPath(c.out);
    ASSERT_TRUE(succeeded(render(in, out)));
    const RasterImage result = loaded(out);
    EXPECT_TRUE(result.width == 48 && result.height == 40 && result.type == SampleType::UInt8);
    EXPECT_EQ(result.colorChannels, c.colorChannels) << "grey stays grey, colour colour";
    EXPECT_TRUE(mostlyInkAndPaper(result));
    if (std::string(c.out).find(".png") != std::string::npos) continue;
    const JpegMetadata kept = metadataOf(out);
    EXPECT_EQ(kept.exif, c.metadataKept ? image.exif : std::vector<std::uint8_t>{});
    EXPECT_EQ(kept.iccProfile, c.metadataKept ? image.iccProfile : std::vector<std::uint8_t>{});
  }
}

TEST(JpegFiles, SheetIsWrittenAsJpeg) {
  const std::string in = writeTemp(makeTestImage(40, 30, SampleType::UInt16, 1, true), "deep.png");
  const std::string out = tempPath("sheet.jpeg");
  ASSERT_TRUE(succeeded(quillmark({"sheet", in, out, "--no-progress", "--seed", "3"})));
  const RasterImage sheet = loaded(out);
  EXPECT_EQ(sheet.colorChannels, 3);
  EXPECT_EQ(sheet.type, SampleType::UInt8);
  EXPECT_GT(sheet.width, 5 * 40);
}

// JPEG keeps 8-bit grey or RGB without transparency; anything else is refused before the
// input is rendered, as PNG refuses floats, and an existing output stays.
TEST(JpegFiles, PicturesJpegCannotHoldAreRefusedBeforeRendering) {
  struct Case {
    SampleType type;
    int colorChannels;
    bool hasAlpha;
    const char* in;
    const char* cause;
  };
  const std::string kept = tempPath("kept.jpg");
  writeBytes(kept, "an older output");
  for (const Case c : {Case{SampleType::UInt16, 3, false, "deep.png", "16-bit"},
                       Case{SampleType::Float32, 1, false, "float.tif", "32-bit"},
                       Case{SampleType::UInt8, 3, true, "rgba.png", "transparency"},
                       Case{SampleType::UInt8, 1, true, "grey-alpha.tif", "transparency"},
                       Case{SampleType::UInt8, 5, false, "five.tif", "5 channels"}}) {
    const std::string in = writeTemp(makeTestImage(9, 7, c.type, c.colorChannels, c.hasAlpha), c.in);
    expectCleanFailure({"render", in, kept, "--no-progress"}, kept, 2, {kept, "JPEG", c.cause});
  }
}

TEST(JpegFiles, DamagedJpegInputIsRefusedWithOneLine) {
  const std::string whole = readBytes(writeTemp(makeTestImage(60, 44, SampleType::UInt8, 3, false), "whole.jpg"));
  std::vector<std::pair<std::string, std::string>> files;  // name, bytes
  for (std::size_t cut : {std::size_t(3), std::size_t(40), whole.size() / 3, whole.size() - 2})
    files.emplace_back("cut-" + std::to_string(cut) + ".jpg", whole.substr(0, cut));
  std::string scrambled = whole;
  for (std::size_t at = scrambled.size() / 2; at < scrambled.size() / 2 + 40; ++at) scrambled[at] = char(0xFF);
  files.emplace_back("scrambled.jpg", scrambled);
  const std::string out = tempPath("out.jpg");
  for (const auto& [name, bytes] : files) {
    const std::string in = tempPath(name);
    writeBytes(in, bytes);
    expectCleanFailure({"render", in, out, "--no-progress"}, out, 1, {in, "JPEG"});
  }
}

// A stream of a few hundred bytes that claims 40000 x 40000 pixels fails as its rows run
// out, without first taking the 4.8 GB it claims; one that claims more pixels than a
// picture may have is refused from its header.
TEST(JpegFiles, StreamClaimingAHugePictureCostsLittleMemory) {
  const ChildResult least = quillmark({"render", tempPath("missing.jpg"), tempPath("out.png")});
  std::string stream = readBytes(writeTemp(makeTestImage(16, 16, SampleType::UInt8, 3, false), "small.jpg"));
  const std::size_t frame = stream.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  for (const auto& [side, cause] : {std::pair<int, const char*>{40000, "JPEG"}, {60000, "too large"}}) {
    stream[frame + 5] = stream[frame + 7] = char(side >> 8);
    stream[frame + 6] = stream[frame + 8] = char(side & 0xFF);
    const std::string in = tempPath("claims-" + std::to_string(side) + ".jpg");
    writeBytes(in, stream);
    const ChildResult result = quillmark({"render", in, tempPath("out.png"), "--no-progress"});
    EXPECT_TRUE(failedWith(result, 1, {in, cause}));
    EXPECT_LT(result.peakKilobytes, least.peakKilobytes + 64 * 1024) << least.peakKilobytes << " KB failing at once";
  }
}

}  // namespace
}  // namespace qm::test
