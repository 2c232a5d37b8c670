// SPDX-License-Identifier: LicenseRef-Quillmark
// The dialog's preview: which part of the document the pane shows, one document pixel per
// screen pixel, and the 8-bit planar pixels it draws. The state lives in the run's
// FilterState; the pan offsets and the zoom live in InkSettings.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/ink_settings.h"

namespace qm::ui {

struct PreviewState {
  // The pane's size (0, 0, height, width) until the region is computed, then the region in
  // document pixels.
  std::int32_t top, left, bottom, right;
  std::int32_t fitFactor;  // the smallest whole reduction at which the document fits
  std::int32_t width, height;
  std::int32_t planeSize;   // width x height
  std::int32_t planeCount;  // the document's planes
  std::size_t bufferSize;
  std::uint8_t* buffer;     // planeCount planes of planeSize bytes, or null
};

// Every run: no buffer, nothing computed. The record may hold anything before.
void resetPreviewState(PreviewState& preview);
void freePreviewBuffer(PreviewState& preview);
// A buffer for the current region (freed first); false when memory runs out.
bool allocatePreviewBuffer(PreviewState& preview);

// ceil(W / min(W, w)) and the same for the heights, the larger of the two; 1 for an empty
// image or pane.
std::int32_t fitFactorFor(std::int32_t imageWidth, std::int32_t imageHeight, std::int32_t paneWidth,
                          std::int32_t paneHeight);

// The region: the pane's size from the document's top left, clipped to the document. Zoom
// becomes 1. Without a pending host error its size is also recorded as the preview size.
void ComputePreviewRegion(PreviewState& preview, InkSettings& settings, std::int32_t imageWidth,
                          std::int32_t imageHeight, std::int32_t paneWidth, std::int32_t paneHeight,
                          bool hostError);

// Keeps the pan offsets inside the document: at least 0, at most the document's size less
// the region's.
void ClampViewOffsets(InkSettings& settings, const PreviewState& preview, std::int32_t imageWidth,
                      std::int32_t imageHeight, std::int32_t zoom);

// Whether a press on the pane pans: only when the document does not fit whole.
inline bool canPan(const PreviewState& preview, const InkSettings& settings) {
  return settings.previewZoom != preview.fitFactor;
}

}  // namespace qm::ui
