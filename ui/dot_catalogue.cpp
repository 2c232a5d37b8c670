// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/dot_catalogue.h"

#include <algorithm>
#include <cstring>

#include "formats/html_catalogue.h"
#include "platform/file_system.h"
#include "platform/random_generator.h"
#include "render/render_image.h"
#include "settings/preset_file.h"

namespace qm::ui {
namespace {

bool beginRows(void*, std::int32_t, std::int32_t) { return true; }

void storeRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const void* colours,
              std::ptrdiff_t stride) {
  ImageBuffer& picture = *static_cast<ImageBuffer*>(context);
  // The samples as an 8-bit RGB document would store them, opaque.
  constexpr DocumentLayout kRgb8{1, 3, 0};
  for (std::int32_t i = 0; i < count; ++i) {
    std::uint8_t rgba[4] = {0, 0, 0, 255};
    storeSamples(kRgb8, static_cast<const std::uint8_t*>(colours) + i * stride, stride, 1, rgba, 4);
    setColour(picture, x + i, y, 0, rgba);
  }
}

// The whole document at a whole-number reduction, through the pyramid, as the preview
// renders a zoomed view.
bool renderSmall(InkSettings& settings, RenderWorkingSet& working, const DocumentAccess& document,
                 std::uint32_t seed, ImageBuffer& picture) {
  const std::int32_t longest = std::max(document.width(), document.height());
  const std::int32_t zoom = std::max(1, (longest + kDotPictureSide - 1) / kDotPictureSide);
  const std::int32_t width = std::max(1, document.width() / zoom);
  const std::int32_t height = std::max(1, document.height() / zoom);
  if (!configureImageBuffer(&picture, width, height, kRgba8, 0, false)) return false;
  DocumentLayout layout = document.layout();
  const RenderOutput output{&picture, layout, beginRows, nullptr, storeRow, nullptr, nullptr};
  seedRandom(seed);
  return renderImage(settings, working, {width, height, kTargetPreview, zoom, 0, 0}, output) == kRenderDone;
}

// The name of the folder that holds `path`, as the page's heading names where it is.
std::string folderName(const std::string& path) {
  std::string folder = platform::folderOf(path);
  if (!folder.empty()) folder.pop_back();
  return platform::fileNameOf(folder);
}

}  // namespace

int writeDotCatalogue(InkSettings& settings, RenderWorkingSet& working, DocumentAccess& document,
                      const MemoryDots& dots, std::uint32_t seed, const std::string& pagePath, std::string& error) {
  if (!document.loadSource(working)) return error = "the picture could not be read", platform::kReadFailed;
  CatalogueWriter writer;
  if (const int code = writer.begin(pagePath, CatalogueKind::MemoryDots, folderName(pagePath), error)) return code;
  const Preset saved = takeSnapshot(settings);
  const std::uint32_t outside = randomState();
  ImageBuffer picture;
  initImageBuffer(picture, nullptr);
  for (int slot = 0; slot < kMemoryDotCount; ++slot) {
    if (dots.state(slot) == kDotEmpty) continue;
    (void)readPreset(memoryDotPath(slot), settings, PresetReadMode::Load, nullptr);
    if (renderSmall(settings, working, document, seed, picture)) (void)writer.addPicture(dotCatalogueName(slot + 1), picture);
    restoreSnapshot(settings, saved);
  }
  releasePixels(picture);
  seedRandom(outside);
  return writer.finish(error);
}

}  // namespace qm::ui
