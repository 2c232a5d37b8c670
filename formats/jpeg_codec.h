// SPDX-License-Identifier: LicenseRef-Quillmark
// The program's own JPEG pictures: preset pictures, catalogue files and the command's JPEG
// files. Our own quantisation tables (ten per component, chosen by quality / 10), optimised
// Huffman coding, and the markers in a fixed order after the JFIF header: the comment, then
// EXIF (APP1), ICC profile (APP2) and IPTC (APP13) when given. Pictures narrower or lower
// than 16 pixels are encoded at 16, their last column and row repeated.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/image_buffer.h"

namespace qm {

namespace platform {
class File;
}

constexpr std::int32_t kJpegMinimumSide = 16;
// The longest side a JPEG stream holds.
constexpr std::int32_t kJpegMaximumSide = 65500;

// The program's address, written with its terminating zero as the comment of every stream.
extern const char kJpegComment[];

// Metadata blocks carried through a JPEG stream, without their marker headers: the EXIF
// block follows "Exif\0\0", the IPTC block "Photoshop 3.0\0"; the ICC profile is whole
// (split over as many APP2 markers as it needs).
struct JpegMetadata {
  std::vector<std::uint8_t> exif;
  std::vector<std::uint8_t> iccProfile;
  std::vector<std::uint8_t> iptc;
};

// The quantisation table (natural row order) of a component (0 luminance, 1 chrominance)
// for a quality clamped to 0..99.
const std::array<std::uint16_t, 64>& jpegQuantTable(int component, int quality);

// Encodes the RGB of an Rgba8, Rgba16, RgbaFloat or Gray8 image (level 0). The stream grows
// as it is written, so any metadata fits. Empty when the image has no pixels or memory runs
// out.
std::vector<std::uint8_t> encodeJpeg(const ImageBuffer& image, int quality, const JpegMetadata* metadata = nullptr);

// Encodes and writes: with the header (a preset's picture) the big-endian words 1, width,
// height and the stream's length come first; when encoding fails, the header form writes the
// single word 0 (no picture) and the plain form nothing. Returns the file layer's result,
// and for the plain form with nothing to write platform::kWriteFailed: an empty file is no
// picture.
int writeJpegPicture(platform::File& file, const ImageBuffer& image, int quality, bool withHeader);

struct JpegInfo {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t components = 0;  // 1 or 3 after colour conversion
};

// Reads the header only; false for anything that is not a JPEG stream we can decode: also
// CMYK streams and sizes past what an image buffer holds. Any warning of the library
// (corrupt data, a premature end) fails every reading function: a damaged stream never
// passes as a picture.
bool readJpegInfo(const std::uint8_t* data, std::size_t size, JpegInfo& info);
// The same, with the reason in `error` when it fails.
bool readJpegInfo(const std::uint8_t* data, std::size_t size, JpegInfo& info, std::string& error);

// Decodes into an Rgba8 or Gray8 image already made at the stream's size. False, with a
// message in `error` when given, for a damaged stream, another size or another format; the
// image's pixels are then unspecified but its record intact.
bool decodeJpeg(const std::uint8_t* data, std::size_t size, ImageBuffer& image, std::string* error = nullptr);

// The EXIF, ICC and IPTC blocks of a stream, as encodeJpeg takes them back.
bool readJpegMetadata(const std::uint8_t* data, std::size_t size, JpegMetadata& metadata);

// The same codec for pictures kept outside image buffers (the command's files): rows of
// 8-bit samples, `components` to a pixel (1 grey, 3 red-green-blue), at the picture's own
// size, however small. A grey picture is written as one grey component.
using JpegRowSource = std::function<const std::uint8_t*(std::int32_t y)>;
std::vector<std::uint8_t> encodeJpegRows(std::int32_t width, std::int32_t height, int components,
                                         const JpegRowSource& row, int quality,
                                         const JpegMetadata* metadata = nullptr);
// Hands each decoded row, top to bottom, with JpegInfo::components samples to a pixel, to
// `row`, which may stop the decode by returning false. False, with a message in `error`
// when given, for a damaged stream or a stop. Memory for the picture can grow with the
// rows, so a damaged stream that claims a vast size costs little.
using JpegRowSink = std::function<bool(std::int32_t y, const std::uint8_t* samples)>;
bool decodeJpegRows(const std::uint8_t* data, std::size_t size, const JpegRowSink& row,
                    std::string* error = nullptr);

}  // namespace qm
