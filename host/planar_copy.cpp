// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/planar_copy.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/area_request.h"
#include "host/filter_state.h"
#include "host/host_coordinates.h"
#include "host/module_state.h"

namespace qm {
namespace {

pi::VRect viewRect(const FilterState& state) {
  return {state.view.top, state.view.left, state.view.bottom, state.view.right};
}

std::uint8_t toEightBit(const std::uint8_t* sample, int bytes) {
  if (bytes == 1) return *sample;
  if (bytes == 2) {
    std::uint16_t value;
    std::memcpy(&value, sample, 2);
    return std::uint8_t(std::min<std::uint32_t>(value, 32768u) * 255u / 32768u);
  }
  float value;
  std::memcpy(&value, sample, 4);
  if (!(value > 0.0f)) return 0;  // also catches NaN
  if (value >= 1.0f) return 255;
  return std::uint8_t(value * 255.0f);
}

void appendPlane(const DeliveredArea& area, std::uint8_t* plane, std::int32_t width, std::int32_t height) {
  const std::int32_t rows = std::min(height, rectHeight(area.inRect));
  const std::int32_t columns = std::min(width, rectWidth(area.inRect));
  for (std::int32_t y = 0; y < rows; ++y) {
    const std::uint8_t* sample = area.inData + std::ptrdiff_t(y) * area.inRowBytes;
    std::uint8_t* target = plane + std::ptrdiff_t(y) * width;
    for (std::int32_t x = 0; x < columns; ++x, sample += area.inColumnBytes) target[x] = toEightBit(sample, area.sampleBytes);
  }
}

}  // namespace

bool allocatePlanarCopy(FilterState& state, int planes) {
  freePlanarCopy(state);
  const pi::VRect view = viewRect(state);
  if (planes <= 0 || rectEmpty(view)) return false;
  const std::size_t size = std::size_t(planes) * std::size_t(rectWidth(view)) * std::size_t(rectHeight(view));
  state.planarCopy = static_cast<std::uint8_t*>(std::calloc(size, 1));
  state.planarCopySize = state.planarCopy ? size : 0;
  return state.planarCopy != nullptr;
}

void freePlanarCopy(FilterState& state) {
  std::free(state.planarCopy);
  state.planarCopy = nullptr;
  state.planarCopySize = 0;
}

bool copyPlanesTo8Bit(FilterState& state) {
  if (!state.planarCopy) return true;
  const pi::FilterRecord& record = *moduleState().record;
  const pi::VRect view = viewRect(state);
  const std::int32_t width = rectWidth(view);
  const std::int32_t height = rectHeight(view);
  const std::size_t planeSize = std::size_t(width) * std::size_t(height);
  requestArea(view);
  // Only the source is read: no output area, so the host writes nothing back.
  pi::FilterRecord& writable = *moduleState().record;
  setOutRect(writable, pi::VRect{0, 0, 0, 0});
  setMaskRect(writable, pi::VRect{0, 0, 0, 0});
  for (int plane = 0; plane < record.planes; ++plane) {
    if ((std::size_t(plane) + 1) * planeSize > state.planarCopySize) break;
    requestInputPlane(plane);
    if (!advance()) {
      noteFailure(kFailPlanarRead);
      return false;
    }
    appendPlane(deliveredArea(), state.planarCopy + std::size_t(plane) * planeSize, width, height);
  }
  return true;
}

}  // namespace qm
