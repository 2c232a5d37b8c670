// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/planar_copy.h"

#include <algorithm>

#include "host/area_request.h"
#include "host/host_coordinates.h"
#include "host/module_state.h"
#include "ui/preview_pixels.h"

namespace qm {

bool copyPlaneTo8Bit(const pi::VRect& area, int plane, std::uint8_t* out, std::int32_t rowLength) {
  pi::FilterRecord& record = *moduleState().record;
  if (plane < 0 || plane >= record.planes || rectEmpty(area)) return true;
  const pi::VRect filter = getFilterRect(record);
  requestArea({filter.top + area.top, filter.left + area.left, filter.top + area.bottom, filter.left + area.right});
  setOutRect(record, pi::VRect{0, 0, 0, 0});
  setMaskRect(record, pi::VRect{0, 0, 0, 0});
  requestInputPlane(plane);
  if (!advance()) {
    noteFailure(kFailPlanarRead);
    return false;
  }
  const DeliveredArea delivered = deliveredArea();
  if (!delivered.inData) return true;
  const std::int32_t rows = std::min(rectHeight(area), rectHeight(delivered.inRect));
  const std::int32_t columns = std::min({rectWidth(area), rectWidth(delivered.inRect), rowLength});
  for (std::int32_t y = 0; y < rows; ++y)
    ui::convertRowTo8Bit(delivered.inData + std::ptrdiff_t(y) * delivered.inRowBytes, delivered.inColumnBytes,
                         delivered.sampleBytes, columns, out + std::ptrdiff_t(y) * rowLength);
  return true;
}

}  // namespace qm
