// SPDX-License-Identifier: LicenseRef-Quillmark
// Our own pictures of the memory dots, twelve looks in all: empty, stored or current, each
// kept or not (an empty dot has no kept look), each also pressed. The dialog draws them at
// about 8 pixels, so the looks differ in shape and tone, not in detail: an empty dot is a
// ring, a stored one a solid ink dot, the current one wears the accent ring, a kept dot
// has a light core, and a pressed one sits in a darker well.
#pragma once

#include "resources/ink_canvas.h"

namespace qm::resources {

enum class DotState { Empty, Stored, Current };

struct DotLook {
  DotState state;
  bool kept;
  bool pressed;
};

constexpr int kMemoryDotSize = 40;
RgbImage drawMemoryDot(DotLook look);

// The same dot drawn into another picture, `size` pixels across, centred on `centre`.
void paintMemoryDot(InkCanvas& canvas, Point centre, float size, DotLook look);

}  // namespace qm::resources
