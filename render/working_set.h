// SPDX-License-Identifier: LicenseRef-Quillmark
// The render's working set: the document at its own depth with its pyramid, the tone
// images made from it, the lookup tables, the error row and the spot tile. One record that
// the render creates and frees; a host holds it from the start of a run to its end (and
// the dialog renders its previews from it) without knowing what is in it.
#pragma once

namespace qm {

struct RenderWorkingSet;

// A new, empty working set; null when memory runs out.
RenderWorkingSet* createWorkingSet();
// Frees the set and everything it holds, and nulls the pointer; a null set is left alone.
void releaseWorkingSet(RenderWorkingSet*& set);

// The tone images' memory back to the system: they keep it from one render to the next
// (a preview redrawn at the same size), until no render follows or a render of the whole
// document has made them large.
void releaseToneImages(RenderWorkingSet& set);

// The set holds a loaded document; and one with the pyramid previews sample.
bool holdsSource(const RenderWorkingSet& set);
bool holdsPyramid(const RenderWorkingSet& set);

// Joins the render's worker threads after the work already handed to them; the next render
// starts new ones. Call it before the library may be unloaded: a host may unload a plug-in
// between any two calls, and no thread of ours may outlive the call that started it.
void stopRenderWorkers();

}  // namespace qm
