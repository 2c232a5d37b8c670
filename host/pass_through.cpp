// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/pass_through.h"

#include <algorithm>
#include <cstring>

#include "host/area_request.h"
#include "host/host_coordinates.h"
#include "host/module_state.h"

namespace qm {
namespace {

constexpr std::int32_t kBandRows = 64;

void copyBand(const DeliveredArea& area) {
  const std::int32_t rows = std::min(rectHeight(area.inRect), rectHeight(area.outRect));
  const std::int32_t columns = std::min(rectWidth(area.inRect), rectWidth(area.outRect));
  const std::int32_t pixelBytes = std::min(area.inColumnBytes, area.outColumnBytes);
  for (std::int32_t y = 0; y < rows; ++y) {
    const std::uint8_t* from = area.inData + std::ptrdiff_t(y) * area.inRowBytes;
    std::uint8_t* to = area.outData + std::ptrdiff_t(y) * area.outRowBytes;
    if (area.inColumnBytes == area.outColumnBytes) {
      std::memcpy(to, from, std::size_t(columns) * std::size_t(pixelBytes));
      continue;
    }
    for (std::int32_t x = 0; x < columns; ++x)
      std::memcpy(to + std::ptrdiff_t(x) * area.outColumnBytes, from + std::ptrdiff_t(x) * area.inColumnBytes,
                  std::size_t(pixelBytes));
  }
}

}  // namespace

bool copySourceToResult() {
  const pi::VRect filter = getFilterRect(*moduleState().record);
  if (rectEmpty(filter)) return true;
  const std::int32_t bands = (rectHeight(filter) + kBandRows - 1) / kBandRows;
  for (std::int32_t band = 0; band < bands; ++band) {
    if (testAbort()) {
      fail(pi::userCanceledErr, kFailAborted);
      return false;
    }
    const std::int32_t top = filter.top + band * kBandRows;
    requestArea({top, filter.left, std::min(top + kBandRows, filter.bottom), filter.right});
    if (!advance()) {
      noteFailure(kFailBandRead);
      return false;
    }
    const DeliveredArea area = deliveredArea();
    if (!area.inData || !area.outData) {
      fail(pi::errPlugInHostInsufficient, kFailBandRead);
      return false;
    }
    copyBand(area);
    reportProgress(band, bands);
  }
  return true;
}

}  // namespace qm
