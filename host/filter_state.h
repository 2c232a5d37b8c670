// SPDX-License-Identifier: LicenseRef-Quillmark
// FilterState: the per-run working record, kept in a handle in the host's data slot. It
// survives from the parameters phase to finish and, while the host keeps the library
// loaded, from one run to the next. Plain memory handed to us by the host: no constructor,
// every field written before it is read. Hosts never look inside it, so its layout is ours
// to change from one version to the next.
#pragma once

#include <cstddef>
#include <cstdint>

#include "render/working_set.h"
#include "ui/preview.h"
#include "ui/undo.h"

namespace qm {

struct FilterState {
  // Identifies the loaded library that filled the pointers below. A record left behind by
  // an earlier load of the library (a host that skipped finish, then reloaded us) holds
  // pointers into freed memory; a mismatch tells us to forget them rather than free them.
  std::uint64_t ownerToken;
  std::uint8_t showDialog;
  // The dialog's preview: the region it shows and its 8-bit pixels.
  ui::PreviewState preview;
  // The render's working set (the document with its pyramid, the tone images, the tables
  // and the error row): made at start, freed when the run ends.
  RenderWorkingSet* render;
  // The dialog's two newest states, for its Undo button.
  UndoStore undo;
};

// Makes the record's pointers safe to use in this load of the library.
void adoptFilterState(FilterState& state);
// A record made anew: no preview, and the dialog shows unless a descriptor says otherwise.
void resetView(FilterState& state);
// Makes the render's working set unless the record already holds one; false when memory
// runs out.
bool provideWorkingSet(FilterState& state);
// Frees the render's working set and the preview's pixels.
void freeWorkingSet(FilterState& state);

}  // namespace qm
