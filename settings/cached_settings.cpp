// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/cached_settings.h"

#include "platform/files.h"
#include "settings/preset_file.h"

namespace qm {

int saveCachedSettings(const InkSettings& settings) {
  // The writer stamps the format version into the record; the caller's stays as it was.
  InkSettings written = settings;
  return writePreset(platform::temporaryPath(kCachedSettingsName), written, nullptr);
}

bool loadCachedSettings(InkSettings& settings) {
  return readPreset(platform::temporaryPath(kCachedSettingsName), settings, PresetReadMode::Load, nullptr).result == 0;
}

}  // namespace qm
