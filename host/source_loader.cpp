// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/source_loader.h"

#include <algorithm>

#include "engine/pyramid.h"
#include "host/area_request.h"
#include "host/host_coordinates.h"
#include "host/host_image.h"
#include "host/module_state.h"
#include "settings/ink_settings.h"

namespace qm {
namespace {

constexpr pi::VRect kNoArea{0, 0, 0, 0};

// Loading reads only: an output request would make the host fill an output buffer and take
// it back unchanged, and the mask is the blend stage's business. The source is always read
// at full resolution, whatever zoom the preview runs at.
void requestSourceArea(pi::FilterRecord& record, const pi::VRect& area) {
  requestArea(area);
  setOutRect(record, kNoArea);
  if (record.haveMask) setMaskRect(record, kNoArea);
  record.inputRate = record.maskRate = pi::kFixedOne;
}

// Where channels 1..3 and the opacity sit among the delivered planes.
InterleavedPixels planeLayout(const pi::FilterRecord& record, const DeliveredArea& area) {
  const int planes = record.planes;
  const bool withOpacity = hasEditableTransparency(record) && planes >= 2;
  const bool colour = planes - (withOpacity ? 1 : 0) >= 3;
  InterleavedPixels layout{};
  layout.rowBytes = area.inRowBytes;
  layout.pixelBytes = area.inColumnBytes;
  layout.channel[0] = 0;
  layout.channel[1] = colour ? 1 : 0;
  layout.channel[2] = colour ? 2 : 0;
  layout.opacity = withOpacity ? planes - 1 : -1;
  return layout;
}

pi::VRect intersection(const pi::VRect& a, const pi::VRect& b) {
  return {std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom), std::min(a.right, b.right)};
}

// Copies what the host delivered for `asked` (document coordinates) into level 0.
void storeDelivery(const pi::FilterRecord& record, const pi::VRect& filter, const pi::VRect& asked,
                   ImageBuffer& image) {
  const DeliveredArea area = deliveredArea();
  const pi::VRect got = intersection(area.inRect, asked);
  if (!area.inData || rectEmpty(got)) return;
  InterleavedPixels layout = planeLayout(record, area);
  layout.data = area.inData + std::ptrdiff_t(got.top - area.inRect.top) * area.inRowBytes +
                std::ptrdiff_t(got.left - area.inRect.left) * area.inColumnBytes;
  const ImageRect target{got.top - filter.top, got.left - filter.left, got.bottom - filter.top,
                         got.right - filter.left};
  storeInterleaved(image, target, layout);
}

bool fitsFilterRect(const ImageBuffer& image, const pi::VRect& filter, std::int32_t format) {
  return hasPixels(image) && !image.bordered && image.format == format && image.width[0] == rectWidth(filter) &&
         image.height[0] == rectHeight(filter);
}

}  // namespace

std::int32_t sourceFormat(const pi::FilterRecord& record) {
  switch (sampleBytes(record)) {
    case 4: return kRgbaFloat;
    case 2: return kRgba16;
    default: return kRgba8;
  }
}

bool loadSourceLevel0(ImageBuffer& image) {
  pi::FilterRecord* record = moduleState().record;
  if (!record) return false;
  const pi::VRect filter = getFilterRect(*record);
  const std::int32_t format = sourceFormat(*record);
  if (rectEmpty(filter)) {
    fail(pi::filterBadParameters, kFailWorkingImage);
    return false;
  }
  if (!fitsFilterRect(image, filter, format) &&
      !configureImageBuffer(&image, rectWidth(filter), rectHeight(filter), format, 0, false)) {
    fail(pi::memFullErr, kFailWorkingImage);
    return false;
  }
  for (std::int32_t i = image.firstTile[0]; i <= image.lastTile[0]; ++i) {
    const ImageTile& tile = image.tiles[i];
    const pi::VRect asked{filter.top + tile.y0, filter.left + tile.x0, filter.top + tile.y0 + tile.rows,
                          filter.left + std::min(tile.x0 + kTileSize, image.width[0])};
    requestSourceArea(*record, asked);
    if (!advance()) {
      noteFailure(kFailBandRead);  // advance() left the host's result
      emptyRequest();
      return false;
    }
    storeDelivery(*record, filter, asked, image);
  }
  emptyRequest();
  return true;
}

bool loadSourceFromHost(ImageBuffer& image) {
  if (!loadSourceLevel0(image)) return false;
  image.pyramidState = 1;
  buildPyramid(image);
  if (InkSettings* settings = moduleState().settings) settings->sourceLoaded = 1;
  return true;
}

}  // namespace qm
