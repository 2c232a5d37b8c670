// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/filter_state.h"

#include <chrono>
#include <cstdlib>


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

}  // namespace

void adoptFilterState(FilterState& state) {
  if (state.ownerToken == thisLoadToken()) return;
  // Whatever the pointers hold belongs to no allocation of ours.
  state.preview.buffer = nullptr;
  state.preview.bufferSize = 0;
  state.render = nullptr;
  state.ownerToken = thisLoadToken();
}

void resetView(FilterState& state) {
  ui::freePreviewBuffer(state.preview);
  ui::resetPreviewState(state.preview);
  state.showDialog = 1;
}

bool provideWorkingSet(FilterState& state) {
  if (!state.render) state.render = createWorkingSet();
  return state.render != nullptr;
}

void freeWorkingSet(FilterState& state) {
  ui::freePreviewBuffer(state.preview);
  releaseWorkingSet(state.render);
}

}  // namespace qm
