// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/source_loading.h"

#include <algorithm>

#include "engine/pyramid.h"
#include "render/working_set_record.h"

namespace qm {
namespace {

std::int32_t formatFor(const DocumentSource& source, SourcePyramid pyramid) {
  if (source.sampleBytes == 4) return kRgbaFloat;
  if (source.sampleBytes == 2) return kRgba16;
  return source.opaque && pyramid == SourcePyramid::None ? kRgb8 : kRgba8;
}

// Edge mode -1 makes a buffer of level 0 alone.
std::int32_t edgeModeFor(SourcePyramid pyramid) { return pyramid == SourcePyramid::Built ? 0 : -1; }

bool fits(const ImageBuffer& image, const DocumentSource& source, std::int32_t format, std::int32_t edgeMode) {
  return hasPixels(image) && !image.bordered && image.format == format && image.edgeMode == edgeMode &&
         image.width[0] == source.width && image.height[0] == source.height;
}

ImageRect intersection(const ImageRect& a, const ImageRect& b) {
  return {std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom), std::min(a.right, b.right)};
}

// Copies the part of the delivery that lies inside the tile asked for.
void storeDelivery(ImageBuffer& image, const ImageRect& asked, const ImageRect& delivered,
                   InterleavedPixels pixels) {
  const ImageRect got = intersection(asked, delivered);
  if (!pixels.data || got.bottom <= got.top || got.right <= got.left) return;
  pixels.data = static_cast<const std::uint8_t*>(pixels.data) +
                std::ptrdiff_t(got.top - delivered.top) * pixels.rowBytes +
                std::ptrdiff_t(got.left - delivered.left) * pixels.pixelBytes;
  storeInterleaved(image, got, pixels);
}

SourceLoad loadLevel0(ImageBuffer& image, const DocumentSource& source, SourcePyramid pyramid) {
  const std::int32_t format = formatFor(source, pyramid);
  const std::int32_t edgeMode = edgeModeFor(pyramid);
  if (source.width <= 0 || source.height <= 0) return SourceLoad::Empty;
  if (!fits(image, source, format, edgeMode) &&
      !configureImageBuffer(&image, source.width, source.height, format, edgeMode, false))
    return SourceLoad::NoMemory;
  for (std::int32_t i = image.firstTile[0]; i <= image.lastTile[0]; ++i) {
    const ImageTile& tile = image.tiles[i];
    const ImageRect asked{tile.y0, tile.x0, tile.y0 + tile.rows, std::min(tile.x0 + kTileSize, image.width[0])};
    ImageRect delivered{};
    InterleavedPixels pixels{};
    if (!source.fetch(source.context, asked, delivered, pixels)) return SourceLoad::HostFailed;
    storeDelivery(image, asked, delivered, pixels);
  }
  return SourceLoad::Loaded;
}

}  // namespace

SourceLoad loadSource(RenderWorkingSet& set, const DocumentSource& source, SourcePyramid pyramid) {
  const SourceLoad load = loadLevel0(set.source, source, pyramid);
  if (source.finish) source.finish(source.context);
  if (load != SourceLoad::Loaded) return load;
  set.source.pyramidState = pyramid == SourcePyramid::Built ? 1 : 0;
  return buildPyramid(set.source) ? SourceLoad::Loaded : SourceLoad::NoMemory;
}

}  // namespace qm
