// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/preview.h"

#include <algorithm>
#include <cstdlib>

namespace qm::ui {
namespace {

std::int32_t ceilDivide(std::int32_t a, std::int32_t b) { return (a + b - 1) / b; }

}  // namespace

void resetPreviewState(PreviewState& preview) {
  preview = PreviewState{};
  preview.fitFactor = 1;
}

void freePreviewBuffer(PreviewState& preview) {
  std::free(preview.buffer);
  preview.buffer = nullptr;
  preview.bufferSize = 0;
}

bool allocatePreviewBuffer(PreviewState& preview) {
  freePreviewBuffer(preview);
  const std::size_t size = std::size_t(std::max(preview.planeCount, 0)) * std::size_t(std::max(preview.planeSize, 0));
  if (size == 0) return false;
  // Cleared, so that a fetch the host cuts short shows paper rather than old memory.
  preview.buffer = static_cast<std::uint8_t*>(std::calloc(size, 1));
  preview.bufferSize = preview.buffer ? size : 0;
  return preview.buffer != nullptr;
}

std::int32_t fitFactorFor(std::int32_t imageWidth, std::int32_t imageHeight, std::int32_t paneWidth,
                          std::int32_t paneHeight) {
  if (imageWidth <= 0 || imageHeight <= 0 || paneWidth <= 0 || paneHeight <= 0) return 1;
  const std::int32_t fx = ceilDivide(imageWidth, std::min(imageWidth, paneWidth));
  const std::int32_t fy = ceilDivide(imageHeight, std::min(imageHeight, paneHeight));
  return std::max(fx, fy);
}

void ComputePreviewRegion(PreviewState& preview, InkSettings& settings, std::int32_t imageWidth,
                          std::int32_t imageHeight, std::int32_t paneWidth, std::int32_t paneHeight,
                          bool hostError) {
  settings.previewZoom = 1;
  preview.top = 0;
  preview.left = 0;
  preview.bottom = std::clamp(paneHeight, 0, std::max(imageHeight, 0));
  preview.right = std::clamp(paneWidth, 0, std::max(imageWidth, 0));
  if (hostError) return;
  preview.width = std::max(preview.right - preview.left, 0);
  preview.height = std::max(preview.bottom - preview.top, 0);
  preview.planeSize = preview.width * preview.height;
}

void ClampViewOffsets(InkSettings& settings, const PreviewState& preview, std::int32_t imageWidth,
                      std::int32_t imageHeight, std::int32_t zoom) {
  zoom = std::max(zoom, 1);
  const std::int32_t maxX = std::max(0, (imageWidth / zoom - preview.width) * zoom);
  const std::int32_t maxY = std::max(0, (imageHeight / zoom - preview.height) * zoom);
  settings.viewOffsetX = std::clamp(settings.viewOffsetX, 0, maxX);
  settings.viewOffsetY = std::clamp(settings.viewOffsetY, 0, maxY);
}

}  // namespace qm::ui
