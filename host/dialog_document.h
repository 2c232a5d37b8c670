// SPDX-License-Identifier: LicenseRef-Quillmark
// The host's document as the dialog sees it: its size and layout from the host record, the
// source loaded once into the render's working set, and the untreated pixels of the
// preview's region for panning. Host calls, on the thread the host called PluginMain on.
#pragma once

#include "ui/document_access.h"

namespace qm {

class DialogDocument final : public ui::DocumentAccess {
 public:
  std::int32_t width() const override;
  std::int32_t height() const override;
  std::int32_t planeCount() const override;
  bool colourImage() const override;
  DocumentLayout layout() const override;
  bool canDisplay() const override;
  bool loadSource(RenderWorkingSet& working) override;
  bool fetchPlane(int plane, const ui::Rect& area, std::uint8_t* out, std::int32_t rowLength) override;
  bool errorPending() const override;
  void clearError() override;
  bool shouldAbort() override;
};

}  // namespace qm
