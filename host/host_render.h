// SPDX-License-Identifier: LicenseRef-Quillmark
// The final render into the host's document: the source is loaded from the host tile by
// tile, rendered with the current look, and every finished band goes back to the host
// through its delivery call, with the selection applied softly. Host calls only, so on the
// thread the host called PluginMain on, with the module state pointing at the records.
#pragma once

#include "host/plugin_interface.h"
#include "render/render_output.h"

namespace qm {

// What the blend stage needs to know of the host's document: its depth, grey or colour,
// and whether an opacity plane follows the colour planes.
DocumentLayout documentLayout(const pi::FilterRecord& record);

// False when the render did not finish: the host's error, the user's stop (-128) or
// memory (-108) is the result, with the failure code of the step that failed.
bool renderHostImage();

}  // namespace qm
