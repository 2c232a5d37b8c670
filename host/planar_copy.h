// SPDX-License-Identifier: LicenseRef-Quillmark
// An 8-bit copy of the view rectangle of the source, plane after plane, each plane row after
// row: what the dialog draws its picture from, whatever the document's depth.
#pragma once

namespace qm {

struct FilterState;

bool allocatePlanarCopy(FilterState& state, int planes);
void freePlanarCopy(FilterState& state);
// Fills the copy one plane at a time; on a host failure the result is the host's code and
// the copy is incomplete.
bool copyPlanesTo8Bit(FilterState& state);

}  // namespace qm
