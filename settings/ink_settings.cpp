// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/ink_settings.h"

#include <cstring>

#include "settings/user_value_table.h"

namespace qm {

void setText(char (&field)[kTextLength], const char* text) {
  std::size_t length = text ? std::strlen(text) : 0;
  if (length >= kTextLength) length = kTextLength - 1;
  if (length) std::memcpy(field, text, length);
  field[length] = '\0';
}

void setDefaults(InkSettings& settings) {
  for (const UserValueEntry& entry : userValueTable())
    if (entry.setByDefaults) settings.look.*entry.field = entry.defaultValue;
}

void resetForRun(InkSettings& settings) {
  settings.previewEnabled = 0;
  settings.previewSuppressed = 0;
  settings.previewZoom = 1;
  settings.renderTarget = kTargetHostImage;
  settings.sourceLoaded = 0;
  settings.look.blendMode = 1;
  setText(settings.settingsName, kRunSettingsName);
  setDefaults(settings);
}

void resetToPlain(InkSettings& settings) {
  setDefaults(settings);
  setText(settings.settingsName, kPlainSettingsName);
}

Preset takeSnapshot(const InkSettings& settings) {
  Preset snapshot{};
  snapshot.look = settings.look;
  std::memcpy(snapshot.name, settings.settingsName, kTextLength);
  snapshot.name[kTextLength - 1] = '\0';
  return snapshot;
}

void restoreSnapshot(InkSettings& settings, const Preset& snapshot) {
  settings.look = snapshot.look;
  std::memcpy(settings.settingsName, snapshot.name, kTextLength);
  settings.settingsName[kTextLength - 1] = '\0';
}

void clampUserValues(UserValues& look) {
  for (const UserValueEntry& entry : userValueTable()) look.*entry.field = limitToRange(entry, look.*entry.field);
}

}  // namespace qm
