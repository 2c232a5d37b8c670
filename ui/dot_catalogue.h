// SPDX-License-Identifier: LicenseRef-Quillmark
// The memory-dots catalogue: a web page of the document rendered small with the look of
// every stored memory dot, one cell per dot.
#pragma once

#include <cstdint>
#include <string>

#include "settings/memory_dots.h"
#include "ui/document_access.h"

namespace qm::ui {

// The side of the square each dot's picture fits in.
constexpr std::int32_t kDotPictureSide = 88;

// Writes the page at `pagePath` (pictures in "web_images" beside it): for dots 1 to 25 in
// order, each one the dots show as stored, the working set's document rendered with the
// dot's look at a size that keeps its proportions within kDotPictureSide, from the
// generator state `seed`. The settings are as they were afterwards. 0, or the writer's code
// with a message in `error`.
int writeDotCatalogue(InkSettings& settings, RenderWorkingSet& working, DocumentAccess& document,
                      const MemoryDots& dots, std::uint32_t seed, const std::string& pagePath, std::string& error);

}  // namespace qm::ui
