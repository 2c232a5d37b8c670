// SPDX-License-Identifier: LicenseRef-Quillmark
// Loading the host's document (the filter rectangle) into the render's working set: the
// render asks for one level-0 tile at a time, and this asks the host for exactly that area.
// Host calls, so only on the thread the host called PluginMain on, with the module state
// pointing at the host record.
#pragma once

#include <cstdint>

#include "host/plugin_interface.h"
#include "render/source_loading.h"
#include "render/working_set.h"

namespace qm {

// Bytes of the samples the render works in for this document: 4 for 32-bit floats, 2 for
// 16-bit samples (0..32768), 1 otherwise.
std::int32_t sourceSampleBytes(const pi::FilterRecord& record);

// Reads the filter rectangle at full resolution into the working set, and builds its
// pyramid when previews will sample it (a render of the whole document needs none); the
// settings record that the source is loaded, so later renders of the same run reuse it.
// The load only reads: it asks for no output and no mask, and leaves an empty request
// behind. A host may clip a request: what it leaves out keeps its old value.
// False when the filter rectangle is empty (host result -30100, failure code
// kFailWorkingImage), the image cannot be allocated (-108, kFailWorkingImage) or a delivery
// fails (the host's result, kFailBandRead).
bool loadSourceFromHost(RenderWorkingSet& set, SourcePyramid pyramid);

// For a whole render that needs only the document's tone (documentNeedsOnlyTone, with no
// selection): its grey and blurred grey at `blurSize`, asked of the host a strip of full
// rows at a time (loadToneOnly). Not a source later renders can reuse. Fails as above.
bool loadToneOnlyFromHost(RenderWorkingSet& set, float blurSize);

}  // namespace qm
