// SPDX-License-Identifier: LicenseRef-Quillmark
// The render driver: turns the current look and a source image into ink art over a whole
// render rectangle, band by band: the style's rows run on the worker threads, and each
// finished band is blended with the source and handed to the output on the calling thread.
// The final image, the dialog's preview and the exports all come this one way.
//
// The look's ten values and the settings name are left as they were found, whatever
// happens during the render.
#pragma once

#include <cstdint>

#include "engine/image_buffer.h"
#include "render/render_output.h"
#include "render/render_state.h"
#include "render/working_set.h"
#include "settings/ink_settings.h"

namespace qm {

// Which part of the source the render covers. Render pixel (x, y) shows source level
// pixel ((x x zoom + offsetX) >> level, ...) with level = floor(log2(zoom)) for the
// preview (within the pyramid) and level 0, zoom 1 otherwise.
struct RenderView {
  std::int32_t width;
  std::int32_t height;
  std::int32_t target;   // RenderTarget
  std::int32_t zoom;     // preview only
  std::int32_t offsetX;  // preview only: level-0 pixels
  std::int32_t offsetY;
};

enum RenderFailure : std::int32_t {
  kRenderDone = 0,
  kRenderStopped = 1,         // the user stopped it
  kRenderErrorRowMemory = 2,  // the error row could not be grown; nothing rendered
  kRenderImageMemory = 3,     // the tone images could not be made; nothing rendered
  kRenderOutputFailed = 4,    // the output refused rows
  kRenderTaskFailed = 5,      // a band could not be had or its work failed
};

// Renders the view of the working set's source with the look in `settings` into the output.
// The tone images keep their memory for the next render.
RenderFailure renderImage(InkSettings& settings, RenderWorkingSet& working, const RenderView& view,
                          const RenderOutput& output);
// The document itself: the whole source at zoom 1 (target kTargetHostImage). Nothing
// renders after it, so the tone images' memory goes back at once.
RenderFailure renderDocument(InkSettings& settings, RenderWorkingSet& working, const RenderOutput& output);

// Whether a render of the whole document with this look needs nothing of the document but
// its tone (the ink laid plainly, or any look on a float document, whose ink is never
// blended), so that loadToneOnly will do as long as nothing is selected; and the blur size
// such a render takes.
bool documentNeedsOnlyTone(const InkSettings& settings, const DocumentLayout& layout);
float documentBlurSize(const InkSettings& settings);

// The sampling level of a preview zoom: floor(log2(zoom)) within 0..lastLevel.
std::int32_t samplingLevel(std::int32_t zoom, std::int32_t lastLevel);

}  // namespace qm
