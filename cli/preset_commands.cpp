// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/preset_commands.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/contact_sheet.h"
#include "cli/look_values.h"
#include "cli/plugin_loader.h"
#include "cli/raster_image.h"
#include "cli/settings_text.h"
#include "cli/substitute_host.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/random_generator.h"
#include "settings/preset_file.h"
#include "settings/random_settings.h"

namespace qm::cli {
namespace {

using platform::fileNameOf;

struct PictureDeleter {
  void operator()(ImageBuffer* image) const { destroyImageBuffer(image); }
};
using Picture = std::unique_ptr<ImageBuffer, PictureDeleter>;

Picture makePicture(std::int32_t width, std::int32_t height) {
  return Picture(createImageBuffer(nullptr, width, height, kRgba8, 0, false));
}

// The settings a run of the plug-in starts from: its defaults, blend "normal".
InkSettings freshSettings() {
  InkSettings settings{};
  resetForRun(settings);
  return settings;
}

// Reads a preset into `settings`; false with the reason for a file we cannot take as one.
bool readPresetInto(const std::string& path, InkSettings& settings, PresetThumbnail* thumbnail,
                    PresetReadResult& read, std::string& error) {
  read = readPreset(path, settings, PresetReadMode::Load, thumbnail);
  if (read.result == platform::kOpenRefused) return error = path + ": cannot open the preset file", false;
  if (read.version < kOldestPresetVersion || read.version > kPresetVersion)
    return error = path + ": not a preset file (it starts with no version between " +
                   std::to_string(kOldestPresetVersion) + " and " + std::to_string(kPresetVersion) + ")",
           false;
  if (read.result != 0) return error = path + ": the preset file ends early or is damaged", false;
  return true;
}

RasterImage rgbOfPicture(const ImageBuffer& picture, std::int32_t width, std::int32_t height) {
  RasterImage image;
  image.width = width;
  image.height = height;
  image.colorChannels = 3;
  image.pixels.resize(image.rowBytes() * std::size_t(height));
  std::uint8_t* out = image.pixels.data();
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x, out += 3) {
      std::uint32_t word;
      std::memcpy(&word, pixelAddress(picture, x, y, 0), 4);
      std::uint8_t rgba[4];
      unpackRgba8(word, rgba);
      std::memcpy(out, rgba, 3);
    }
  return image;
}

Picture pictureOfRaster(const RasterImage& image) {
  Picture picture = makePicture(image.width, image.height);
  if (!picture) return picture;
  for (std::int32_t y = 0; y < image.height; ++y)
    for (std::int32_t x = 0; x < image.width; ++x) {
      std::uint8_t rgb[3];
      pixelOverPaper(image, x, y, rgb);
      const std::uint32_t word = packRgba8(rgb[0], rgb[1], rgb[2], 255);
      std::memcpy(pixelAddress(*picture, x, y, 0), &word, 4);
    }
  return picture;
}

// Renders looks onto the centre of one picture, as the dialog's preview shows them.
class PictureRenderer {
 public:
  bool open(const Command& command, std::string& error) {
    seed_ = command.seed;
    RasterImage picture;
    if (!loadImage(command.pictureFrom, picture, error)) return false;
    if (picture.width < kPresetPictureSide || picture.height < kPresetPictureSide)
      return error = command.pictureFrom + ": a preset's picture is " + std::to_string(kPresetPictureSide) + " x " +
                     std::to_string(kPresetPictureSide) + " pixels of its centre; this picture is smaller",
             false;
    crop_ = cropImage(picture, centreCrop(picture.width, picture.height, kPresetPictureSide, kPresetPictureSide));
    return loadPlugin(pluginPathFor(command.pluginPath), plugin_, error);
  }

  Picture render(const UserValues& look, std::string& error) {
    HostDocument document;
    if (!makeDocument(crop_, {}, document, error)) return nullptr;
    HostOptions options;
    options.seed = seed_;
    SubstituteHost host(plugin_.entry, options);
    RunRequest request;
    request.descriptor = itemsForLook(look);
    const RunOutcome outcome = host.run(document, request);
    if (outcome.result != 0) {
      error = "the plug-in could not render the picture (result " + std::to_string(outcome.result) + ")";
      return nullptr;
    }
    Picture picture = pictureOfRaster(document.image);
    if (!picture) error = "not enough memory for the picture";
    return picture;
  }

 private:
  std::optional<std::uint32_t> seed_;
  RasterImage crop_;
  LoadedPlugin plugin_;
};

}  // namespace

int lookOfCommand(const Command& command, DescriptorItems& look, std::string& error) {
  look.clear();
  if (!command.settingsFile.empty()) {
    std::ifstream file(command.settingsFile);
    std::stringstream text;
    text << file.rdbuf();
    if (!file) return error = command.settingsFile + ": cannot read the settings file", 1;
    if (!parseSettingsText(text.str(), look, error)) return error = command.settingsFile + ": " + error, 2;
  }
  if (!command.presetFile.empty() && command.kind != CommandKind::PresetSave) {
    DescriptorItems preset;
    if (!presetItems(command.presetFile, preset, error)) return 1;
    mergeSettings(look, preset);
  }
  mergeSettings(look, command.settings);
  return 0;
}

bool presetItems(const std::string& path, DescriptorItems& items, std::string& error) {
  InkSettings settings = freshSettings();
  PresetReadResult read;
  if (!readPresetInto(path, settings, nullptr, read, error)) return false;
  items = itemsForLook(settings.look);
  return true;
}

int showPreset(const Command& command, std::string& error) {
  InkSettings settings = freshSettings();
  Picture thumbnail = makePicture(kPresetPictureSide, kPresetPictureSide);
  if (!thumbnail) return error = "not enough memory for the preset's picture", 1;
  PresetThumbnail target{thumbnail.get()};
  if (!command.pictureOutput.empty() && !checkOutputPath(command.pictureOutput, error)) return 2;
  PresetReadResult read;
  if (!readPresetInto(command.presetFile, settings, &target, read, error)) return 1;
  if (!command.pictureOutput.empty() && !read.pictureDelivered)
    return error = command.presetFile + " has no picture to write", 1;
  std::cout << "# " << fileNameOf(command.presetFile) << ": preset version " << read.version << ", ";
  if (read.pictureDelivered)
    std::cout << "with a " << target.width << " x " << target.height << " picture\n";
  else
    std::cout << "without a picture\n";
  std::cout << describeSettings(itemsForLook(settings.look));
  if (command.pictureOutput.empty()) return 0;
  const RasterImage picture = rgbOfPicture(*thumbnail, target.width, target.height);
  return saveImage(command.pictureOutput, picture, error, nullptr) ? 0 : 1;
}

int savePreset(const Command& command, std::string& error) {
  if (!isPresetName(fileNameOf(command.presetFile)))
    return error = "a preset file is named .q7q, not \"" + command.presetFile + "\"", 2;
  InkSettings settings = freshSettings();
  DescriptorItems items;
  if (const int status = lookOfCommand(command, items, error)) return status;
  applyItems(items, settings.look);
  setText(settings.settingsName, fileNameOf(command.presetFile).c_str());
  Picture picture;
  if (!command.pictureFrom.empty()) {
    PictureRenderer renderer;
    if (!renderer.open(command, error)) return 1;
    picture = renderer.render(settings.look, error);
    if (!picture) return 1;
  }
  if (writePreset(command.presetFile, settings, picture.get()) != 0)
    return error = command.presetFile + ": cannot write the preset file", 1;
  return 0;
}

int convertPresets(const Command& command, std::string& error) {
  PictureRenderer renderer;
  if (!command.pictureFrom.empty() && !renderer.open(command, error)) return 1;
  std::string renderError;
  const PresetPictureMaker makePictureOf = [&](const InkSettings& settings, ImageBuffer& target) {
    if (command.pictureFrom.empty()) return false;
    const Picture picture = renderer.render(settings.look, renderError);
    return picture && copyPixels(*picture, target);
  };
  InkSettings settings = freshSettings();
  const int converted = convertPresetFolder(command.folder, settings, makePictureOf);
  if (converted < 0) return error = command.folder + ": cannot read the folder", 1;
  if (!renderError.empty()) return error = "some presets were converted without a picture: " + renderError, 1;
  std::cout << "converted " << converted << (converted == 1 ? " preset" : " presets") << " in " << command.folder
            << '\n';
  return 0;
}

int printRandomLook(const Command& command, std::string&) {
  seedRandom(command.seed ? *command.seed : platform::clockSeconds());
  InkSettings settings = freshSettings();
  applyRandomLook(settings);
  std::cout << describeSettings(itemsForLook(settings.look));
  return 0;
}

}  // namespace qm::cli
