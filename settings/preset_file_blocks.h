// SPDX-License-Identifier: LicenseRef-Quillmark
// The picture blocks of a preset file, for the reader and writer of preset_file.cpp. Each
// block reader passes over exactly the bytes its block holds, as stored, whether or not it
// keeps the picture, so the fields after it are read where they are; a picture is handed to
// the thumbnail only once it has been read and decoded whole.
#pragma once

#include "engine/image_buffer.h"
#include "platform/files.h"
#include "settings/preset_file.h"
#include "settings/scratch_image.h"

namespace qm {

// A side above this in a raw picture block is damage: no picture this filter wrote was
// larger.
constexpr std::int32_t kRawPictureLargestSide = 128;

// Old files: presence word; then side, an unused word and side x side RGB bytes. Returns
// the file layer's result; `delivered` tells whether the thumbnail received the picture.
int readRawPictureBlock(platform::File& file, PresetThumbnail* thumbnail, bool& delivered);

// Kind word; kind 0 ends it. Otherwise width, height, byte count N and N bytes of JPEG,
// kept when the kind is 1 or less (signed), N fits the picture buffer and the stream
// decodes at the stored size; any other block is passed over by N.
int readPictureBlock(platform::File& file, PresetThumbnail* thumbnail, bool& delivered);

// Kind 1 with the picture as JPEG of the preset quality, or the single word 0 without one
// (or when it cannot be encoded).
int writePictureBlock(platform::File& file, const ImageBuffer* picture);

// Whether a thumbnail can take a picture: an Rgba8 image of at least 128 x 128.
bool thumbnailUsable(const PresetThumbnail* thumbnail);

}  // namespace qm
