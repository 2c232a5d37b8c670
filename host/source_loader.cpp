// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/source_loader.h"

#include "host/area_request.h"
#include "host/host_coordinates.h"
#include "host/host_image.h"
#include "host/module_state.h"
#include "render/source_loading.h"
#include "settings/ink_settings.h"

namespace qm {
namespace {

constexpr pi::VRect kNoArea{0, 0, 0, 0};

struct HostSource {
  pi::FilterRecord* record;
  pi::VRect filter;
};

// Loading reads only: an output request would make the host fill an output buffer and take
// it back unchanged, and the mask is the blend stage's business. The source is always read
// at full resolution, whatever zoom the preview runs at.
void requestSourceArea(pi::FilterRecord& record, const pi::VRect& area) {
  requestArea(area);
  setOutRect(record, kNoArea);
  if (record.haveMask) setMaskRect(record, kNoArea);
  record.inputRate = record.maskRate = pi::kFixedOne;
}

// Whether the last delivered plane is the document's opacity.
bool deliversOpacity(const pi::FilterRecord& record) { return hasEditableTransparency(record) && record.planes >= 2; }

// Where channels 1..3 and the opacity sit among the delivered planes.
InterleavedPixels planeLayout(const pi::FilterRecord& record, const DeliveredArea& area) {
  const int planes = record.planes;
  const bool withOpacity = deliversOpacity(record);
  const bool colour = planes - (withOpacity ? 1 : 0) >= 3;
  InterleavedPixels layout{};
  layout.data = area.inData;
  layout.rowBytes = area.inRowBytes;
  layout.pixelBytes = area.inColumnBytes;
  layout.channel[0] = 0;
  layout.channel[1] = colour ? 1 : 0;
  layout.channel[2] = colour ? 2 : 0;
  layout.opacity = withOpacity ? planes - 1 : -1;
  return layout;
}

bool fetch(void* context, const ImageRect& area, ImageRect& delivered, InterleavedPixels& pixels) {
  HostSource& source = *static_cast<HostSource*>(context);
  const pi::VRect& filter = source.filter;
  requestSourceArea(*source.record, {filter.top + area.top, filter.left + area.left, filter.top + area.bottom,
                                     filter.left + area.right});
  if (!advance()) {
    noteFailure(kFailBandRead);  // advance() left the host's result
    return false;
  }
  const DeliveredArea got = deliveredArea();
  delivered = {got.inRect.top - filter.top, got.inRect.left - filter.left, got.inRect.bottom - filter.top,
               got.inRect.right - filter.left};
  pixels = planeLayout(*source.record, got);
  return true;
}

void finish(void*) { emptyRequest(); }

// Whether a load went well; a failure is told to the host.
bool loaded(SourceLoad load) {
  switch (load) {
    case SourceLoad::Loaded: return true;
    case SourceLoad::Empty: fail(pi::filterBadParameters, kFailWorkingImage); return false;
    case SourceLoad::NoMemory: fail(pi::memFullErr, kFailWorkingImage); return false;
    case SourceLoad::HostFailed: return false;
  }
  return false;
}

}  // namespace

std::int32_t sourceSampleBytes(const pi::FilterRecord& record) {
  const int bytes = sampleBytes(record);
  return bytes == 4 || bytes == 2 ? bytes : 1;
}

bool loadSourceFromHost(RenderWorkingSet& set, SourcePyramid pyramid) {
  pi::FilterRecord* record = moduleState().record;
  if (!record) return false;
  HostSource host{record, getFilterRect(*record)};
  const DocumentSource source{&host,  rectWidth(host.filter), rectHeight(host.filter), sourceSampleBytes(*record),
                              fetch,  finish, !deliversOpacity(*record)};
  if (!loaded(loadSource(set, source, pyramid))) return false;
  if (InkSettings* settings = moduleState().settings) settings->sourceLoaded = 1;
  return true;
}

bool loadToneOnlyFromHost(RenderWorkingSet& set, float blurSize) {
  pi::FilterRecord* record = moduleState().record;
  if (!record) return false;
  HostSource host{record, getFilterRect(*record)};
  const DocumentSource source{&host, rectWidth(host.filter), rectHeight(host.filter), sourceSampleBytes(*record),
                              fetch, finish};
  if (!loaded(loadToneOnly(set, source, blurSize))) return false;
  if (InkSettings* settings = moduleState().settings) settings->sourceLoaded = 0;
  return true;
}

}  // namespace qm
