// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/preset_catalogue.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "engine/resample.h"
#include "formats/html_catalogue.h"
#include "platform/file_system.h"
#include "settings/preset_file.h"
#include "settings/scratch_image.h"

namespace qm {
namespace {

bool endsInSeparator(const std::string& path) {
  return !path.empty() && std::string_view(platform::pathSeparators()).find(path.back()) != std::string_view::npos;
}

// The folder's own name for the heading ("/home/ann/Looks/" gives "Looks").
std::string folderNameOf(std::string folder) {
  while (folder.size() > 1 && endsInSeparator(folder)) folder.pop_back();
  const std::string name = platform::fileNameOf(folder);
  return name.empty() ? folder : name;
}

// The preset files, sorted by name: folders list their entries in an order of their own,
// which differs between systems and even between two copies of one folder, and the page
// should not.
std::vector<std::string> presetNames(const std::vector<platform::FolderEntry>& entries) {
  std::vector<std::string> names;
  for (const platform::FolderEntry& entry : entries)
    if (entry.kind != platform::PathKind::Directory && isPresetName(entry.name)) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

// The preset's picture at 88 x 88; when it has none, what the thumbnail shows instead (the
// grey ramp), at the same size.
bool presetPicture(const std::string& path, PresetThumbnail& thumbnail, ImageBuffer& picture) {
  if (readPicture(path, thumbnail, picture, kCataloguePictureSide)) return true;
  return reconfigureImageBuffer(&picture, kCataloguePictureSide, kCataloguePictureSide, kRgba8, 0, false) &&
         transferImage(thumbnail.image, &picture);
}

}  // namespace

int writePresetCatalogue(const std::string& folder, const std::string& pagePath, std::string& error) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::listFolder(folder, entries)) {
    error = "The folder " + folder + " cannot be read.";
    return platform::kReadFailed;
  }
  ScratchImage thumbnailImage, picture;
  if (!thumbnailImage.make(kPresetPictureSide, kPresetPictureSide)) {
    error = "There is not enough memory for the preset pictures.";
    return platform::kWriteFailed;
  }
  CatalogueWriter page;
  if (const int result = page.begin(pagePath, CatalogueKind::Presets, folderNameOf(folder), error)) return result;
  PresetThumbnail thumbnail{&thumbnailImage.image, 0, 0};
  const std::string prefix = folder.empty() || endsInSeparator(folder) ? folder : folder + "/";
  for (const std::string& name : presetNames(entries)) {
    if (presetPicture(prefix + name, thumbnail, picture.image))
      (void)page.addPicture(name, picture.image);  // a picture that cannot be written still gets its cell
    else
      page.addCell(name, kCataloguePictureSide, kCataloguePictureSide);
  }
  return page.finish(error);
}

}  // namespace qm
