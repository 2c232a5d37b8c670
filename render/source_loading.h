// SPDX-License-Identifier: LicenseRef-Quillmark
// Loading the document into the working set, one level-0 tile at a time, through a small
// interface the host implements: the render decides what to ask for, the host knows how to
// ask its application. Everything runs on the calling thread.
#pragma once

#include <cstdint>

#include "engine/image_buffer.h"
#include "render/working_set.h"

namespace qm {

struct DocumentSource {
  void* context;
  std::int32_t width;        // the filter rectangle
  std::int32_t height;
  std::int32_t sampleBytes;  // 1, 2 (0..32768) or 4 (float)
  // Asks for `area` (render coordinates, inside 0..width x 0..height) and tells what came:
  // `delivered` the rectangle the host handed over (it may clip the request, or hand over
  // more) and `pixels` its samples from delivered's top left. Nothing delivered: null data.
  // False when the host failed; the reason is the source's to keep.
  bool (*fetch)(void* context, const ImageRect& area, ImageRect& delivered, InterleavedPixels& pixels);
  // Called once the load is over, whatever happened: leave no request behind.
  void (*finish)(void* context);
  // The document has no opacity: an 8-bit one loaded without the pyramid is then kept in
  // three bytes a pixel.
  bool opaque = false;
};

enum class SourceLoad { Loaded, Empty, NoMemory, HostFailed };

// Whether a loaded source gets the coarser levels that previews sample.
enum class SourcePyramid { None, Built };

// Level 0 of the working set's source from the document, tile by tile in tile order, then
// the pyramid if asked for. The source image is made for the document's size in the format
// of its samples (RgbaFloat, Rgba16, or Rgba8, which is Rgb8 for an opaque document without
// the pyramid), with or without room for the pyramid, unless it already has them. Grey documents give
// channels 1..3 the grey; without an opacity sample the opacity is full. Pixels a host
// leaves out keep their old value.
SourceLoad loadSource(RenderWorkingSet& set, const DocumentSource& source, SourcePyramid pyramid);

// For a render of the whole document that needs nothing of it but its tone (the ink laid
// plainly, nothing selected): the source as the grey of each pixel (Gray8), and the tone
// images' blurred grey of the whole document at `blurSize`, blurred as the document
// arrives in strips, so that neither its colours nor a blurred copy of them is ever held.
// Float documents are taken in 16-bit samples, as a render of their colours takes them.
// The random generator is left as loadSource leaves it: the draws of the tone images come
// when the render takes them.
// Only a whole render at that blur size may use what this loads, and it gives it back
// (renderDocument).
SourceLoad loadToneOnly(RenderWorkingSet& set, const DocumentSource& source, float blurSize);

}  // namespace qm
