// SPDX-License-Identifier: LicenseRef-Quillmark
// The source colours the blend stage lays the ink on: the document's own pixels at its own
// depth, normalised (8-bit / 255, 16-bit / 32768, floats as they are), read from the
// source pyramid through the same mapping as the tone.
#pragma once

#include <cstdint>

#include "engine/image_buffer.h"
#include "render/blend_modes.h"

namespace qm {

struct SourceMapping {
  const ImageBuffer* image;
  std::int32_t level;
  std::int32_t zoom;
  std::int32_t offsetX;
  std::int32_t offsetY;
};

// The colours of `count` render pixels from (x, y): level pixel
// ((x x zoom + offsetX) >> level, (y x zoom + offsetY) >> level), clamped to the level.
void readSourceRow(const SourceMapping& mapping, std::int32_t x, std::int32_t y, std::int32_t count, Colour* out);

}  // namespace qm
