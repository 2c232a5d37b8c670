// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/preset_file.h"

#include <algorithm>
#include <cctype>

#include "platform/files.h"
#include "settings/preset_file_blocks.h"

namespace qm {
namespace {

using platform::File;

// The first versions that carry each later field.
constexpr std::int32_t kVersionWithGray = 181;
constexpr std::int32_t kVersionWithBlend = 182;
constexpr std::int32_t kVersionWithSharpening = 186;
constexpr std::int32_t kVersionWithRawPicture = 187;
constexpr std::int32_t kVersionWithLineWeight = 190;
constexpr std::int32_t kVersionWithPicture = 191;

int readValue(File& file, std::int32_t& value) {
  std::uint32_t word = 0;
  if (const int result = platform::readWord32(file, word)) return result;
  value = std::int32_t(word);
  return 0;
}

// The fields before the raw picture block. Each value lands in `look` as soon as its word
// is whole, so a file that ends early gives exactly the fields it held.
int readFirstFields(File& file, std::int32_t version, UserValues& look) {
  for (std::int32_t UserValues::*field :
       {&UserValues::style, &UserValues::scale, &UserValues::invertMode, &UserValues::warping, &UserValues::angle})
    if (const int result = readValue(file, look.*field)) return result;
  if (version >= kVersionWithGray)
    if (const int result = readValue(file, look.gray)) return result;
  if (version >= kVersionWithBlend)
    if (const int result = readValue(file, look.blendMode)) return result;
  // Before sharpening could be set, files meant none: the diameter is 0 and the amount
  // stays whatever it was.
  if (version < kVersionWithSharpening) {
    look.diameter = 0;
    return 0;
  }
  if (const int result = readValue(file, look.diameter)) return result;
  return readValue(file, look.sharpen);
}

int readAfterVersion(File& file, std::int32_t version, UserValues& look, PresetThumbnail* thumbnail,
                     bool& delivered) {
  if (const int result = readFirstFields(file, version, look)) return result;
  if (version >= kVersionWithRawPicture)
    if (const int result = readRawPictureBlock(file, thumbnail, delivered)) return result;
  if (version >= kVersionWithLineWeight)
    if (const int result = readValue(file, look.lineWeight)) return result;
  if (version >= kVersionWithPicture) return readPictureBlock(file, thumbnail, delivered);
  return 0;
}

int writeFields(File& file, const InkSettings& settings) {
  const UserValues& look = settings.look;
  const std::int32_t words[] = {settings.formatVersion,
                                look.style,
                                look.scale,
                                look.invertMode,
                                look.warping,
                                look.angle,
                                look.gray,
                                look.blendMode,
                                look.diameter,
                                look.sharpen,
                                0,  // no raw picture: pictures are JPEG now
                                look.lineWeight};
  for (const std::int32_t word : words)
    if (const int result = platform::writeWord32(file, std::uint32_t(word))) return result;
  return 0;
}

bool containsNoCase(std::string_view text, std::string_view part) {
  const auto lower = [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); };
  return std::search(text.begin(), text.end(), part.begin(), part.end(),
                     [&](char a, char b) { return lower(a) == lower(b); }) != text.end();
}

}  // namespace

int writePreset(const std::string& path, InkSettings& settings, const ImageBuffer* picture) {
  settings.formatVersion = kPresetVersion;
  File file;
  if (const int result = file.openForReplacing(path)) return result;
  int result = writeFields(file, settings);
  if (result == 0) result = writePictureBlock(file, picture);
  // Without the commit, closing removes the fresh file and the old one stays whole.
  if (result == 0) result = file.commitReplacement();
  file.close();
  return result;
}

PresetReadResult readPreset(const std::string& path, InkSettings& settings, PresetReadMode mode,
                            PresetThumbnail* thumbnail) {
  PresetReadResult outcome;
  File file;
  if ((outcome.result = file.openForReading(path)) != 0) return outcome;
  if ((outcome.result = readValue(file, outcome.version)) != 0) {
    outcome.version = 0;
    return outcome;
  }
  // With no magic number the version is all that tells a preset from any other file;
  // one no version of the filter wrote is not read at all.
  if (outcome.version < kOldestPresetVersion || outcome.version > kPresetVersion) {
    outcome.result = platform::kReadFailed;
    return outcome;
  }
  UserValues look = settings.look;
  outcome.result = readAfterVersion(file, outcome.version, look, thumbnail, outcome.pictureDelivered);
  if (mode == PresetReadMode::Load) {
    clampUserValues(look);
    settings.look = look;
  }
  return outcome;
}

bool isPresetName(std::string_view name) { return containsNoCase(name, kPresetExtension); }

bool isOldPresetName(std::string_view name) { return containsNoCase(name, "q5q") || containsNoCase(name, "q9q"); }

std::string withExtension(std::string_view name, std::string_view extension) {
  const std::size_t dot = name.rfind('.');
  // A leading dot starts a name, not an extension.
  const std::size_t end = dot == std::string_view::npos || dot == 0 ? name.size() : dot;
  return std::string(name.substr(0, end)) + std::string(extension);
}

std::string presetFileNameFor(const char* settingsName) {
  if (!settingsName || !*settingsName) return withExtension(kRunSettingsName, kPresetExtension);
  // The name is a fixed text field; it is not trusted to be terminated inside it.
  const char* end = std::find(settingsName, settingsName + kTextLength, '\0');
  return withExtension(std::string_view(settingsName, std::size_t(end - settingsName)), kPresetExtension);
}

}  // namespace qm
