// SPDX-License-Identifier: LicenseRef-Quillmark
// The two picture blocks of a preset file, and the grey ramp shown while a preset has no
// picture.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/pyramid.h"
#include "formats/jpeg_codec.h"
#include "settings/preset_file_blocks.h"

namespace qm {
namespace {

using platform::File;

// Passes over a count that may exceed what size_t holds on a 32-bit system.
int skipLarge(File& file, std::uint64_t count) {
  constexpr std::uint64_t kPiece = std::uint64_t(1) << 30;
  for (; count > kPiece; count -= kPiece)
    if (const int result = platform::skipBytes(file, std::size_t(kPiece))) return result;
  return platform::skipBytes(file, std::size_t(count));
}

// Copies level 0 of a decoded picture into the top-left corner of the thumbnail.
void deliver(const ImageBuffer& picture, PresetThumbnail& thumbnail) {
  ImageBuffer& target = *thumbnail.image;
  copyCorner(picture, picture.width[0], picture.height[0], target, 0, 0);
  thumbnail.width = picture.width[0];
  thumbnail.height = picture.height[0];
  (void)buildPyramid(target);
}

bool deliverRaw(const std::vector<std::uint8_t>& rgb, std::int32_t side, PresetThumbnail& thumbnail) {
  ScratchImage picture;
  if (!picture.make(side, side)) return false;
  for (std::int32_t y = 0; y < side; ++y)
    for (std::int32_t x = 0; x < side; ++x) {
      const std::uint8_t* at = &rgb[(std::size_t(y) * std::size_t(side) + std::size_t(x)) * 3];
      const std::uint8_t colour[4] = {at[0], at[1], at[2], 255};
      setColour(picture.image, x, y, 0, colour);
    }
  deliver(picture.image, thumbnail);
  return true;
}

// Only a stream of exactly the stored size, no larger than the thumbnail, is decoded.
bool deliverJpeg(const std::vector<std::uint8_t>& stream, std::int32_t width, std::int32_t height,
                 PresetThumbnail& thumbnail) {
  JpegInfo info;
  if (!readJpegInfo(stream.data(), stream.size(), info)) return false;
  if (info.width != width || info.height != height || width < 1 || height < 1) return false;
  ScratchImage picture;
  if (!picture.make(width, height) || !decodeJpeg(stream.data(), stream.size(), picture.image)) return false;
  deliver(picture.image, thumbnail);
  return true;
}

std::int32_t clampSide(std::uint32_t word) {
  return std::clamp(std::int32_t(word), std::int32_t(0), kPresetPictureSide);
}

}  // namespace

bool thumbnailUsable(const PresetThumbnail* thumbnail) {
  if (!thumbnail || !thumbnail->image) return false;
  const ImageBuffer& image = *thumbnail->image;
  return hasPixels(image) && image.format == kRgba8 && image.width[0] >= kPresetPictureSide &&
         image.height[0] >= kPresetPictureSide;
}

int readRawPictureBlock(File& file, PresetThumbnail* thumbnail, bool& delivered) {
  std::uint32_t present = 0, side = 0, unused = 0;
  if (const int result = platform::readWord32(file, present)) return result;
  if (present == 0) return 0;
  if (const int result = platform::readWord32(file, side)) return result;
  if (const int result = platform::readWord32(file, unused)) return result;
  // The block holds side x side pixels as stored. A side past what any version wrote is
  // damage: no picture, but its bytes are still passed over so what follows stays in step.
  // Past 2^31 the count would overflow; no file is that long, so the skip simply ends it.
  const std::uint64_t bytes = side > (std::uint32_t(1) << 31) ? std::numeric_limits<std::uint64_t>::max()
                                                               : std::uint64_t(side) * side * 3;
  if (!thumbnailUsable(thumbnail) || side == 0 || side > std::uint32_t(kRawPictureLargestSide))
    return skipLarge(file, bytes);
  std::vector<std::uint8_t> rgb(bytes);
  if (const int result = file.read(rgb.data(), rgb.size())) return result;
  if (deliverRaw(rgb, std::int32_t(side), *thumbnail)) delivered = true;
  return 0;
}

int readPictureBlock(File& file, PresetThumbnail* thumbnail, bool& delivered) {
  std::uint32_t kind = 0, width = 0, height = 0, count = 0;
  if (const int result = platform::readWord32(file, kind)) return result;
  if (kind == 0) return 0;
  for (std::uint32_t* word : {&width, &height, &count})
    if (const int result = platform::readWord32(file, *word)) return result;
  // A stream longer than the picture buffer was never written by the filter; reading it
  // would overrun the buffer, so it is passed over like any picture we cannot use.
  if (std::int32_t(kind) > 1 || !thumbnailUsable(thumbnail) || count > kPresetPictureBufferBytes)
    return skipLarge(file, count);
  std::vector<std::uint8_t> stream(count);
  if (const int result = file.read(stream.data(), stream.size())) return result;
  // A damaged stream is no picture: the thumbnail keeps what it showed.
  if (deliverJpeg(stream, clampSide(width), clampSide(height), *thumbnail)) delivered = true;
  return 0;
}

int writePictureBlock(File& file, const ImageBuffer* picture) {
  if (!picture || !hasPixels(*picture)) return platform::writeWord32(file, 0);
  return writeJpegPicture(file, *picture, kPresetPictureQuality, true);
}

}  // namespace qm
