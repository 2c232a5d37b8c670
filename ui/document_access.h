// SPDX-License-Identifier: LicenseRef-Quillmark
// What the dialog needs of the document it previews, answered by the host's side: its
// size and layout, the source loaded into the render's working set, and the untreated
// pixels of one region, plane by plane, for panning.
#pragma once

#include <cstdint>

#include "render/render_output.h"
#include "render/working_set.h"
#include "ui/dialog_view.h"

namespace qm::ui {

class DocumentAccess {
 public:
  virtual ~DocumentAccess() = default;
  // The filter rectangle's size.
  virtual std::int32_t width() const = 0;
  virtual std::int32_t height() const = 0;
  virtual std::int32_t planeCount() const = 0;
  // An RGB (or other colour) document rather than a grey one.
  virtual bool colourImage() const = 0;
  virtual DocumentLayout layout() const = 0;
  // The host can show pixels in a window of ours.
  virtual bool canDisplay() const = 0;
  // Loads the document into the working set unless it is there; false on the host's
  // failure (its error is then pending).
  virtual bool loadSource(RenderWorkingSet& working) = 0;
  // The untreated samples of plane `plane` over `area` (filter-rectangle coordinates) as
  // 8-bit rows of `rowLength` bytes into `out`; false on the host's failure.
  virtual bool fetchPlane(int plane, const Rect& area, std::uint8_t* out, std::int32_t rowLength) = 0;
  // An error the host reported during this dialog, and forgetting it.
  virtual bool errorPending() const = 0;
  virtual void clearError() = 0;
  // The user asked to stop a render.
  virtual bool shouldAbort() = 0;
};

}  // namespace qm::ui
