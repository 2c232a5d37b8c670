// SPDX-License-Identifier: LicenseRef-Quillmark
// The preview's ink rendering: the pane-sized region of the document the dialog shows,
// rendered by the same driver as the final image and stored as the document's own 8-bit
// samples would be, so that what the user sees in the pane is what the filter will write.
#pragma once

#include <cstdint>

#include "render/render_image.h"
#include "render/render_output.h"
#include "render/working_set.h"
#include "settings/ink_settings.h"
#include "ui/preview_pixels.h"

namespace qm::ui {

// The planes a document's preview has: its colour planes (1 grey, 3 red, green, blue),
// then its opacity when it has transparency.
std::int32_t previewPlaneCount(const DocumentLayout& layout);

// Renders the pane-sized region of the working set's already loaded source (level 0, zoom
// 1, render target kTargetPreview) whose top-left is (offsetX, offsetY) in document pixels,
// with the look in `settings`, into `pixels` (width x height is the region). `layout`
// describes the document (sample bytes, colour planes, transparency), so the blend treats
// the pixels as the final render does. Plane p of the output: the colour planes (1 for grey
// = the green channel, or red, green, blue), then the opacity when layout.hasTransparency;
// each sample round(channel x 255) held within 0..255, as an 8-bit document stores it. No
// selection (all selected). Only the region and the blur's reach around it are worked on,
// whatever the document's size. shouldAbort may be null.
//
// Pixels that cannot take the region (no data, fewer planes than the layout has, a negative
// size) or a layout of an unknown sample size give kRenderOutputFailed with nothing written;
// planes past the layout's are left as they are. An empty region renders nothing.
RenderFailure renderPreviewRegion(InkSettings& settings, RenderWorkingSet& working, const DocumentLayout& layout,
                                  std::int32_t offsetX, std::int32_t offsetY, const PreviewPixels& pixels,
                                  bool (*shouldAbort)(void*) = nullptr, void* abortContext = nullptr);

}  // namespace qm::ui
