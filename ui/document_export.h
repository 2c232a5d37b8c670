// SPDX-License-Identifier: LicenseRef-Quillmark
// The dialog's exports of the whole document: the look rendered over all of it into memory,
// as the final render renders it, and that picture written as a layered PSD file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "render/render_image.h"
#include "ui/document_access.h"

namespace qm::ui {

// Interleaved red, green, blue, alpha samples at the document's depth: 8-bit 0..255,
// 16-bit 0..32768, float with 1.0 full. A grey document gives equal red, green and blue.
struct RenderedPicture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bytesPerChannel = 1;
  std::vector<std::uint8_t> rgba;
};

// Progress in percent; may be empty.
using PercentReport = std::function<void(int percent)>;

// Renders the look over the working set's document (already loaded) into `picture`, from
// the generator state `seed` as the final render starts. kRenderImageMemory when the
// picture's memory cannot be had.
RenderFailure renderWholeDocument(InkSettings& settings, RenderWorkingSet& working, const DocumentLayout& layout,
                                  std::uint32_t seed, RenderedPicture& picture, const PercentReport& report);

// Renders and writes the layered file: 0, or the PSD writer's code (a render that could not
// run counts as out of memory). Nothing is left at `path` on failure.
int exportPsd(InkSettings& settings, RenderWorkingSet& working, DocumentAccess& document, std::uint32_t seed,
              const std::string& path, const PercentReport& report);

}  // namespace qm::ui
