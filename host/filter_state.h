// SPDX-License-Identifier: LicenseRef-Quillmark
// FilterState: the per-run working record, kept in a handle in the host's data slot. It
// survives from the parameters phase to finish and, while the host keeps the library
// loaded, from one run to the next. Plain memory handed to us by the host: no constructor,
// every field written before it is read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/image_buffer.h"
#include "host/plugin_interface.h"
#include "render/render_state.h"

namespace qm {

constexpr int kWorkingBufferCount = 8;
constexpr std::int32_t kScratchBufferSize = 101432;

// The part of the image the dialog's preview shows, and its scale.
struct ViewState {
  std::int32_t left, top, right, bottom;
  float scale;
  std::int32_t words[5];
};

// Sizes derived from the filter rectangle at prepare.
struct WorkingSizes {
  pi::VRect filterRect;
  std::int32_t rowLength;        // width + 3
  std::int32_t doubleRowLength;  // 2 x (width + 3)
  std::int32_t columnLength;     // height + 3
  std::int32_t stripLength;
  std::int32_t marginLength;     // width + 2178
  std::int32_t bufferSizes[kWorkingBufferCount];
};

struct FilterState {
  // Identifies the loaded library that filled the pointers below. A record left behind by
  // an earlier load of the library (a host that skipped finish, then reloaded us) holds
  // pointers into freed memory; a mismatch tells us to forget them rather than free them.
  std::uint64_t ownerToken;
  std::uint8_t showDialog;
  ViewState view;
  WorkingSizes sizes;
  void* workingBuffers[kWorkingBufferCount];
  void* scratchBuffer;
  std::uint8_t* planarCopy;  // 8-bit planar copy of the view rectangle, planes x W x H bytes
  std::size_t planarCopySize;
  // The render's working set: the document at its own depth with its pyramid, the tone
  // images made from it, the tables and the error row.
  ImageBuffer source;
  ImageBuffer sharpCopy;
  ImageBuffer blurred;
  RenderState render;
  RenderTables tables;
};

// Makes the record's pointers safe to use in this load of the library.
void adoptFilterState(FilterState& state);
void resetView(FilterState& state);
// Fills the working sizes from the filter rectangle.
void computeWorkingSizes(FilterState& state, const pi::VRect& filterRect);
// Allocates the working buffers from the size table (freeing any left over); false when
// memory runs out, with nothing left allocated.
bool allocateWorkingBuffers(FilterState& state);
// Frees the working buffers and the render's working set.
void freeWorkingBuffers(FilterState& state);

}  // namespace qm
