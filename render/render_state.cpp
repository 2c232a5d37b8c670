// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/render_state.h"

#include <cstdlib>
#include <cstring>

namespace qm {

std::size_t errorRowEntries(std::int32_t width) { return 3 * std::size_t(width > 0 ? width : 0) + 4; }

bool growErrorRow(RenderState& state, std::int32_t width) {
  const std::size_t bytes = errorRowEntries(width) * sizeof(std::int16_t);
  if (state.errorRow && state.errorRowBytes >= bytes) return true;
  void* grown = std::calloc(1, bytes);
  if (!grown) return false;
  std::free(state.errorRow);
  state.errorRow = static_cast<std::int16_t*>(grown);
  state.errorRowBytes = bytes;
  return true;
}

void freeErrorRow(RenderState& state) {
  std::free(state.errorRow);
  state.errorRow = nullptr;
  state.errorRowBytes = 0;
}

}  // namespace qm
