// SPDX-License-Identifier: LicenseRef-Quillmark
// Preset files: one look (the ten user values) and, optionally, a small picture of it. The
// same format holds the user's ".q7q" files, the memory dots, the cached settings and the
// undo files. Big-endian 32-bit words with no magic: the first word is the version, and the
// version decides which fields follow (180 to 191 are read; 191 is written):
//   style, scale, invert mode, warping, angle           always
//   gray                                                181 and later
//   blend mode                                          182 and later
//   diameter, sharpen                                   186 and later (older: diameter 0)
//   raw picture block (presence word, side, unused word, side x side RGB bytes)  187 and later
//   line weight                                         190 and later
//   picture block (kind; kind 1: width, height, N, N bytes of JPEG)              191 and later
// A field a version lacks keeps what the settings held. Values are clamped into their ranges
// as they are read. Files are written beside their final name and replace it whole, so a
// failed write leaves the old file as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/image_buffer.h"
#include "platform/files.h"  // the results: kOpenRefused, kReadFailed, kWriteFailed
#include "settings/ink_settings.h"

namespace qm {

constexpr std::int32_t kPresetVersion = 191;
constexpr std::int32_t kOldestPresetVersion = 180;
constexpr std::int32_t kPresetPictureSide = 128;   // the picture a preset stores
constexpr std::int32_t kPresetPictureQuality = 80;
constexpr std::size_t kPresetPictureBufferBytes = 49152;  // the largest JPEG stream read
constexpr const char* kPresetExtension = ".q7q";

// Where a preset's picture goes when read: an Rgba8 image of 128 x 128 (the thumbnail), and
// the size of the picture last delivered into it.
struct PresetThumbnail {
  ImageBuffer* image = nullptr;  // none: pictures are skipped
  std::int32_t width = 0;
  std::int32_t height = 0;
};

enum class PresetReadMode {
  Load = 0,         // the user values go into the settings
  PictureOnly = 1,  // the settings stay untouched; only the picture is delivered
};

// A file that ends early loads the fields it holds whole and leaves the rest; its result is
// kReadFailed. So is that of a file whose first word is no version 180..191, from which
// nothing is taken.
struct PresetReadResult {
  int result = 0;  // the file layer's result: 0, kOpenRefused, kReadFailed
  bool pictureDelivered = false;
  std::int32_t version = 0;  // 0 when not even the version word could be read
};

// Writes the look of `settings` (its format version set to 191 first) and, when `picture`
// is given, that picture (at least 16 x 16) as JPEG of quality 80. Returns the file layer's
// result.
int writePreset(const std::string& path, InkSettings& settings, const ImageBuffer* picture);

PresetReadResult readPreset(const std::string& path, InkSettings& settings, PresetReadMode mode,
                            PresetThumbnail* thumbnail);

// Fills the thumbnail with the grey ramp, reads the file's picture into it and, when there
// was one, resamples it into `target` (an initialised record, made size x size Rgba8 here).
// True when a picture came; otherwise `target` is left as it was.
bool readPicture(const std::string& path, PresetThumbnail& thumbnail, ImageBuffer& target, std::int32_t size);

// The picture shown while a preset has none: row y of 128 is grey 255 - y.
void fillGreyRamp(ImageBuffer& image);

// True when ".q7q" occurs in the name, in any case.
bool isPresetName(std::string_view name);
// True when "q5q" or "q9q" occurs in the name, in any case: a preset of an older version.
bool isOldPresetName(std::string_view name);
// The name with its extension (from its last dot, unless that dot starts the name)
// replaced by `extension`, or `extension` added when it has none.
std::string withExtension(std::string_view name, std::string_view extension);

// The file name the Save button offers: the settings name (or "Quillmark settings") with
// its extension replaced by ".q7q".
std::string presetFileNameFor(const char* settingsName);

// Older versions named their presets with "q5q" or "q9q". Every such file of `folder` that
// is neither a folder nor read-only is loaded (defaults first, its file name as the settings
// name), given a new picture by `makePicture` (which may leave it without one by returning
// false) and written back in the current version; a "q9q" file then gets the extension
// ".q5q". The settings are saved before and restored after. Returns the number of files
// converted, or -1 when the folder cannot be read.
using PresetPictureMaker = std::function<bool(const InkSettings& settings, ImageBuffer& picture)>;
int convertPresetFolder(const std::string& folder, InkSettings& settings, const PresetPictureMaker& makePicture);

}  // namespace qm
