// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/area_request.h"

#include <algorithm>

#include "host/host_coordinates.h"
#include "host/host_image.h"
#include "host/module_state.h"
#include "settings/ink_settings.h"

namespace qm {
namespace {

pi::Fixed samplingRate() {
  const InkSettings* settings = moduleState().settings;
  const std::int32_t zoom = settings && settings->previewZoom > 1 ? settings->previewZoom : 1;
  return pi::Fixed(zoom << 16);
}

// Hosts that leave the column step 0 deliver the requested planes side by side.
std::int32_t columnStep(std::int32_t reported, int loPlane, int hiPlane, int bytes) {
  if (reported > 0) return reported;
  const int planes = hiPlane >= loPlane ? hiPlane - loPlane + 1 : 1;
  return planes * bytes;
}

}  // namespace

void requestArea(const pi::VRect& area) {
  pi::FilterRecord& record = *moduleState().record;
  setInRect(record, area);
  setOutRect(record, area);
  if (record.haveMask) setMaskRect(record, area);
  record.inLoPlane = record.outLoPlane = 0;
  record.inHiPlane = record.outHiPlane = pi::int16(record.planes - 1);
  record.inputRate = record.maskRate = samplingRate();
  record.inputPadding = record.outputPadding = record.maskPadding = pi::plugInWantsEdgeReplication;
  record.inPreDummyPlanes = record.inPostDummyPlanes = 0;
  record.outPreDummyPlanes = record.outPostDummyPlanes = 0;
  // We apply the selection ourselves, softly, in the blend stage.
  record.autoMask = false;
}

void requestInputPlane(int plane) {
  pi::FilterRecord& record = *moduleState().record;
  record.inLoPlane = record.inHiPlane = pi::int16(plane);
}

void emptyRequest() {
  pi::FilterRecord& record = *moduleState().record;
  const pi::VRect none{0, 0, 0, 0};
  setInRect(record, none);
  setOutRect(record, none);
  setMaskRect(record, none);
}

bool advance() {
  pi::FilterRecord& record = *moduleState().record;
  const pi::OSErr error = record.advanceState ? record.advanceState() : pi::errPlugInHostInsufficient;
  if (error != pi::noErr) {
    setResult(error);
    return false;
  }
  return true;
}

DeliveredArea deliveredArea() {
  const pi::FilterRecord& record = *moduleState().record;
  const int bytes = sampleBytes(record);
  DeliveredArea area{};
  area.inRect = getInRect(record);
  area.outRect = getOutRect(record);
  area.maskRect = record.haveMask ? getMaskRect(record) : pi::VRect{0, 0, 0, 0};
  area.inData = static_cast<const std::uint8_t*>(record.inData);
  area.outData = static_cast<std::uint8_t*>(record.outData);
  area.maskData = record.haveMask ? static_cast<const std::uint8_t*>(record.maskData) : nullptr;
  area.inRowBytes = record.inRowBytes;
  area.outRowBytes = record.outRowBytes;
  area.maskRowBytes = record.maskRowBytes;
  area.inColumnBytes = columnStep(record.inColumnBytes, record.inLoPlane, record.inHiPlane, bytes);
  area.outColumnBytes = columnStep(record.outColumnBytes, record.outLoPlane, record.outHiPlane, bytes);
  area.sampleBytes = bytes;
  return area;
}

bool testAbort() {
  const pi::FilterRecord* record = moduleState().record;
  return record && record->abortProc && record->abortProc();
}

void reportProgress(std::int32_t done, std::int32_t total) {
  const pi::FilterRecord* record = moduleState().record;
  if (record && record->progressProc) record->progressProc(std::min(done + 1, total), total);
}

}  // namespace qm
