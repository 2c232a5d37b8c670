// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/host_render.h"

#include <algorithm>

#include "host/area_request.h"
#include "host/filter_state.h"
#include "host/host_coordinates.h"
#include "host/host_image.h"
#include "host/module_state.h"
#include "host/source_loader.h"
#include "render/ink_samples.h"
#include "render/render_image.h"
#include "settings/ink_settings.h"

namespace qm {
namespace {

constexpr std::int32_t kWindowRows = 64;
constexpr pi::VRect kNoArea{0, 0, 0, 0};

// The rows of the document the host has handed out for writing; what is stored there goes
// back to the document at the next delivery (or when start returns).
struct HostOutput {
  pi::FilterRecord* record;
  pi::VRect filter;
  DocumentLayout layout;
  std::int32_t pixelBytes;
  bool open = false;
  std::int32_t top = 0;
  std::int32_t bottom = 0;
  DeliveredArea area{};
};

HostOutput& outputOf(void* context) { return *static_cast<HostOutput*>(context); }

// Output and selection only: the source is already in the working image.
bool openWindow(HostOutput& out, std::int32_t top, std::int32_t bottom) {
  const std::int32_t height = rectHeight(out.filter);
  out.top = top;
  out.bottom = std::min(std::max(bottom, top + kWindowRows), height);
  requestArea({out.filter.top + out.top, out.filter.left, out.filter.top + out.bottom, out.filter.right});
  setInRect(*out.record, kNoArea);
  out.record->inputRate = out.record->maskRate = pi::kFixedOne;
  out.open = false;
  if (!advance()) {
    noteFailure(kFailBandRead);
    return false;
  }
  out.area = deliveredArea();
  if (!out.area.outData) {
    fail(pi::errPlugInHostInsufficient, kFailBandRead);
    return false;
  }
  out.pixelBytes = std::max(out.area.outColumnBytes, 1);
  out.open = true;
  return true;
}

bool beginRows(void* context, std::int32_t top, std::int32_t bottom) {
  HostOutput& out = outputOf(context);
  if (out.open && top >= out.top && bottom <= out.bottom) return true;
  return openWindow(out, top, bottom);
}

// The part of row y, columns x .. x + count - 1, that lies inside a delivered rectangle:
// the first column inside and how many follow.
bool clipToRect(const pi::VRect& rect, const pi::VRect& filter, std::int32_t x, std::int32_t y, std::int32_t count,
                std::int32_t& from, std::int32_t& length) {
  const std::int32_t docY = filter.top + y;
  if (docY < rect.top || docY >= rect.bottom) return false;
  const std::int32_t left = std::max(filter.left + x, rect.left);
  const std::int32_t right = std::min(filter.left + x + count, rect.right);
  if (right <= left) return false;
  from = left - filter.left;
  length = right - left;
  return true;
}

// Where columns x .. x + count - 1 of row y go in the delivered output, clipped to it: the
// first pixel's address, and the first column and count that lie inside; null outside.
std::uint8_t* outputRun(const HostOutput& out, std::int32_t x, std::int32_t y, std::int32_t count,
                        std::int32_t& from, std::int32_t& length) {
  if (!out.open || !clipToRect(out.area.outRect, out.filter, x, y, count, from, length)) return nullptr;
  return out.area.outData + std::ptrdiff_t(out.filter.top + y - out.area.outRect.top) * out.area.outRowBytes +
         std::ptrdiff_t(out.filter.left + from - out.area.outRect.left) * out.pixelBytes;
}

void storeRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const void* colours,
              std::ptrdiff_t stride) {
  const HostOutput& out = outputOf(context);
  std::int32_t from = 0;
  std::int32_t length = 0;
  if (std::uint8_t* at = outputRun(out, x, y, count, from, length))
    storeSamples(out.layout, static_cast<const std::uint8_t*>(colours) + (from - x) * stride, stride, length, at,
                 out.pixelBytes);
}

void storeInkRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, const BandCell* cells,
                 const InkSamples& samples) {
  const HostOutput& out = outputOf(context);
  std::int32_t from = 0;
  std::int32_t length = 0;
  if (std::uint8_t* at = outputRun(out, x, y, count, from, length))
    storeInkSamples(samples, cells + (from - x), length, at, out.pixelBytes);
}

// 0 outside the host's mask rectangle, the mask byte inside it.
bool maskRow(void* context, std::int32_t x, std::int32_t y, std::int32_t count, std::uint8_t* selection) {
  HostOutput& out = outputOf(context);
  if (!out.open || !out.area.maskData) return false;
  std::fill(selection, selection + count, std::uint8_t(0));
  std::int32_t from = 0;
  std::int32_t length = 0;
  if (!clipToRect(out.area.maskRect, out.filter, x, y, count, from, length)) return true;
  const std::uint8_t* row = out.area.maskData +
                            std::ptrdiff_t(out.filter.top + y - out.area.maskRect.top) * out.area.maskRowBytes +
                            (out.filter.left + from - out.area.maskRect.left);
  std::copy(row, row + length, selection + (from - x));
  return true;
}

bool shouldAbort(void*) { return testAbort(); }
void progress(void*, std::int32_t done, std::int32_t total) { reportProgress(done, total); }

HostOutput hostOutput(pi::FilterRecord& record) {
  HostOutput out{};
  out.record = &record;
  out.filter = getFilterRect(record);
  out.layout = documentLayout(record);
  out.pixelBytes = record.planes * out.layout.sampleBytes;
  return out;
}

void reportFailure(RenderFailure failure) {
  switch (failure) {
    case kRenderDone:
    case kRenderOutputFailed: break;  // the delivery left the host's result
    case kRenderStopped: fail(pi::userCanceledErr, kFailAborted); break;
    case kRenderErrorRowMemory: fail(pi::memFullErr, kFailGrowBuffer); break;
    case kRenderImageMemory: fail(pi::memFullErr, kFailWorkingImage); break;
    case kRenderTaskFailed: fail(pi::memFullErr, kFailWorkingImage); break;
  }
}

}  // namespace

DocumentLayout documentLayout(const pi::FilterRecord& record) {
  DocumentLayout layout{};
  const bool withOpacity = hasEditableTransparency(record) && record.planes >= 2;
  layout.sampleBytes = sampleBytes(record);
  layout.colourPlanes = record.planes - (withOpacity ? 1 : 0) >= 3 ? 3 : 1;
  layout.hasTransparency = withOpacity;
  return layout;
}

namespace {

// The least of the document the render needs: only its tone when the ink is laid plainly
// and nothing is selected, its colours otherwise.
bool loadForDocument(const pi::FilterRecord& record, const InkSettings& settings, RenderWorkingSet& working) {
  if (!record.haveMask && documentNeedsOnlyTone(settings, documentLayout(record)))
    return loadToneOnlyFromHost(working, documentBlurSize(settings));
  return loadSourceFromHost(working, SourcePyramid::None);
}

}  // namespace

bool renderHostImage() {
  ModuleState& module = moduleState();
  pi::FilterRecord& record = *module.record;
  InkSettings& settings = *module.settings;
  const pi::VRect filter = getFilterRect(record);
  if (rectEmpty(filter)) return true;
  if (!provideWorkingSet(*module.state)) {
    fail(pi::memFullErr, kFailWorkingImage);
    return false;
  }
  RenderWorkingSet& working = *module.state->render;
  // The dialog's preview has loaded the document already; it has not changed since.
  if (!(settings.sourceLoaded && holdsSource(working)) && !loadForDocument(record, settings, working)) return false;
  settings.previewZoom = 1;
  settings.viewOffsetX = settings.viewOffsetY = 0;
  HostOutput out = hostOutput(record);
  RenderOutput output{&out, out.layout, beginRows, maskRow, storeRow, shouldAbort, progress, storeInkRow};
  const RenderFailure failure = renderDocument(settings, working, output);
  reportFailure(failure);
  return failure == kRenderDone;
}

}  // namespace qm
