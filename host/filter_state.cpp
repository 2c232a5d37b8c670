// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/filter_state.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace qm {
namespace {

std::uint64_t thisLoadToken() {
  static const std::uint64_t token = [] {
    static int anchor;
    const auto now = std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    return (reinterpret_cast<std::uintptr_t>(&anchor) * 0x9E3779B97F4A7C15ull) ^ now ^ 1u;
  }();
  return token;
}

std::int32_t stripLengthFor(std::int32_t width, std::int32_t height) {
  const std::int64_t along = 4 * (std::int64_t(std::max(width, height)) + 4);
  const std::int64_t across = 3 * (std::int64_t(width) + 728);
  return std::int32_t(std::clamp<std::int64_t>(std::max(along, across), 4, INT32_MAX / 24));
}

}  // namespace

void adoptFilterState(FilterState& state) {
  if (state.ownerToken == thisLoadToken()) return;
  // Whatever the pointers hold belongs to no allocation of ours.
  std::memset(state.workingBuffers, 0, sizeof state.workingBuffers);
  state.scratchBuffer = nullptr;
  state.planarCopy = nullptr;
  state.planarCopySize = 0;
  initImageBuffer(state.source, &state);
  initImageBuffer(state.sharpCopy, &state);
  initImageBuffer(state.blurred, &state);
  initImageBuffer(state.tables.spotTile, &state);
  state.render.errorRow = nullptr;
  state.render.errorRowBytes = 0;
  state.ownerToken = thisLoadToken();
}

void resetView(FilterState& state) {
  state.view = ViewState{};
  state.view.scale = 1.0f;
  state.showDialog = 1;
}

void computeWorkingSizes(FilterState& state, const pi::VRect& filterRect) {
  WorkingSizes& sizes = state.sizes;
  const std::int32_t width = std::max(filterRect.right - filterRect.left, 0);
  const std::int32_t height = std::max(filterRect.bottom - filterRect.top, 0);
  sizes.filterRect = filterRect;
  sizes.rowLength = width + 3;
  sizes.doubleRowLength = 2 * (width + 3);
  sizes.columnLength = height + 3;
  sizes.stripLength = stripLengthFor(width, height);
  sizes.marginLength = width + 2178;
  const std::int32_t table[kWorkingBufferCount] = {49152, 16, 24 * sizes.stripLength, 16, 16, 16, 16, 16};
  std::memcpy(sizes.bufferSizes, table, sizeof table);
}

bool allocateWorkingBuffers(FilterState& state) {
  freeWorkingBuffers(state);
  for (int i = 0; i < kWorkingBufferCount; ++i) {
    state.workingBuffers[i] = std::calloc(std::size_t(std::max(state.sizes.bufferSizes[i], 1)), 1);
    if (!state.workingBuffers[i]) {
      freeWorkingBuffers(state);
      return false;
    }
  }
  state.scratchBuffer = std::calloc(kScratchBufferSize, 1);
  if (!state.scratchBuffer) {
    freeWorkingBuffers(state);
    return false;
  }
  return true;
}

void freeWorkingBuffers(FilterState& state) {
  for (void*& buffer : state.workingBuffers) {
    std::free(buffer);
    buffer = nullptr;
  }
  std::free(state.scratchBuffer);
  state.scratchBuffer = nullptr;
  std::free(state.planarCopy);
  state.planarCopy = nullptr;
  state.planarCopySize = 0;
  releasePixels(state.source);
  releasePixels(state.sharpCopy);
  releasePixels(state.blurred);
  releasePixels(state.tables.spotTile);
  freeErrorRow(state.render);
}

}  // namespace qm
