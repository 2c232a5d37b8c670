// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/dialog_document.h"

#include "host/area_request.h"
#include "host/host_coordinates.h"
#include "host/host_image.h"
#include "host/host_render.h"
#include "host/module_state.h"
#include "host/planar_copy.h"
#include "host/source_loader.h"
#include "settings/ink_settings.h"

namespace qm {
namespace {

const pi::FilterRecord& record() { return *moduleState().record; }

}  // namespace

std::int32_t DialogDocument::width() const { return rectWidth(getFilterRect(record())); }
std::int32_t DialogDocument::height() const { return rectHeight(getFilterRect(record())); }
std::int32_t DialogDocument::planeCount() const { return record().planes; }
bool DialogDocument::colourImage() const { return record().imageMode >= pi::plugInModeRGBColor; }
DocumentLayout DialogDocument::layout() const { return documentLayout(record()); }
bool DialogDocument::canDisplay() const { return record().displayPixels != nullptr; }

bool DialogDocument::loadSource(RenderWorkingSet& working) {
  const InkSettings* settings = moduleState().settings;
  if (settings && settings->sourceLoaded && holdsPyramid(working)) return true;
  return loadSourceFromHost(working, SourcePyramid::Built);
}

bool DialogDocument::fetchPlane(int plane, const ui::Rect& area, std::uint8_t* out, std::int32_t rowLength) {
  return copyPlaneTo8Bit({area.top, area.left, area.bottom, area.right}, plane, out, rowLength);
}

bool DialogDocument::errorPending() const { return currentResult() != pi::noErr; }
void DialogDocument::clearError() { setResult(pi::noErr); }
bool DialogDocument::shouldAbort() { return testAbort(); }

}  // namespace qm
