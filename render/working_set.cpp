// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/working_set.h"

#include <initializer_list>
#include <new>

#include "engine/jobs.h"
#include "render/working_set_record.h"

namespace qm {

RenderWorkingSet* createWorkingSet() {
  auto* set = new (std::nothrow) RenderWorkingSet{};
  if (!set) return nullptr;
  for (ImageBuffer* image : {&set->source, &set->sharpCopy, &set->blurred, &set->tables.spotTile})
    initImageBuffer(*image, set);
  set->state.tables = &set->tables;
  return set;
}

void releaseToneImages(RenderWorkingSet& set) {
  releasePixels(set.blurred);
  releasePixels(set.sharpCopy);
}

bool holdsSource(const RenderWorkingSet& set) { return hasPixels(set.source); }
bool holdsPyramid(const RenderWorkingSet& set) { return hasPixels(set.source) && set.source.edgeMode != -1; }

void releaseWorkingSet(RenderWorkingSet*& set) {
  if (!set) return;
  releaseToneImages(*set);
  releasePixels(set->source);
  releasePixels(set->tables.spotTile);
  freeErrorRow(set->state);
  delete set;
  set = nullptr;
}

void stopRenderWorkers() { stopWorkerThreads(); }

}  // namespace qm
