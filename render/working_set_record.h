// SPDX-License-Identifier: LicenseRef-Quillmark
// What the working set holds (working_set.h). Only the render and its tests look inside.
#pragma once

#include "engine/image_buffer.h"
#include "render/render_stage_times.h"
#include "render/render_state.h"

namespace qm {

struct RenderWorkingSet {
  ImageBuffer source;     // the document at its own depth, with its pyramid
  ImageBuffer sharpCopy;  // float documents: a 16-bit copy of the part a render samples
  ImageBuffer blurred;    // the grey of the blurred part of the sampled level
  // The source is only the document's grey and `blurred` its blurred grey, both of the whole
  // document, made at this blur size as the document was loaded (loadToneOnly).
  bool toneOnly = false;
  float toneOnlyBlurSize = 0.0f;
  std::int32_t toneOnlyDraws = 1;  // random draws the tone images of a colour load would make
  RenderState state;      // the style's constants and the error row
  RenderTables tables;    // the lookup tables and the spot tile
  RenderStageTimes times;  // of the last render
};

}  // namespace qm
