// SPDX-License-Identifier: LicenseRef-Quillmark
// Rewriting a folder of presets saved by older versions in the current version.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "settings/preset_file_blocks.h"

namespace qm {
namespace {

std::string inFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const bool separated = std::strchr(platform::pathSeparators(), folder.back()) != nullptr;
  return separated ? folder + name : folder + "/" + name;
}

bool wasQ9q(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); });
  return name.find("q9q") != std::string::npos;
}

// Never over a file that already has the new name: the name is claimed first, then the
// file moves onto the claim. When that cannot be done the file keeps its old name.
void renameToQ5q(const std::string& folder, const std::string& name) {
  const std::string path = inFolder(folder, name);
  const std::string renamed = inFolder(folder, withExtension(name, ".q5q"));
  if (renamed == path || platform::createNewFile(renamed, path) != platform::CreateResult::Created) return;
  if (!platform::replaceFile(path, renamed)) std::remove(renamed.c_str());
}

// One file: loaded over the defaults, named after itself, pictured and written back. A file
// that cannot be read whole is left exactly as it was.
bool convertFile(const std::string& folder, const std::string& name, InkSettings& settings,
                 const PresetPictureMaker& makePicture, ScratchImage& picture) {
  const std::string path = inFolder(folder, name);
  setDefaults(settings);
  if (readPreset(path, settings, PresetReadMode::Load, nullptr).result != 0) return false;
  setText(settings.settingsName, name.c_str());
  const bool pictured = makePicture && hasPixels(picture.image) && makePicture(settings, picture.image);
  if (writePreset(path, settings, pictured ? &picture.image : nullptr) != 0) return false;
  if (wasQ9q(name)) renameToQ5q(folder, name);
  return true;
}

}  // namespace

int convertPresetFolder(const std::string& folder, InkSettings& settings, const PresetPictureMaker& makePicture) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::listFolder(folder, entries)) return -1;
  // Listed once, before any rewrite adds or renames a file, in a fixed order.
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  const Preset saved = takeSnapshot(settings);
  ScratchImage picture;  // without memory the files are written without pictures
  (void)picture.make(kPresetPictureSide, kPresetPictureSide);
  int converted = 0;
  for (const platform::FolderEntry& entry : entries) {
    if (entry.kind != platform::PathKind::RegularFile || entry.readOnly || !isOldPresetName(entry.name)) continue;
    // Every file starts from the user's own look, so a file too old to hold a blend mode
    // gets the user's, not the one of the file converted before it.
    restoreSnapshot(settings, saved);
    if (convertFile(folder, entry.name, settings, makePicture, picture)) ++converted;
  }
  restoreSnapshot(settings, saved);
  return converted;
}

}  // namespace qm
