// SPDX-License-Identifier: LicenseRef-Quillmark
// Loading the host's document (the filter rectangle) into the engine's working image, one
// host request per level-0 tile. Host calls, so only on the thread the host called
// PluginMain on, with the module state pointing at the host record.
#pragma once

#include <cstdint>

#include "engine/image_buffer.h"
#include "host/plugin_interface.h"

namespace qm {

// The working image's format for the document's samples: RgbaFloat for 32-bit floats,
// Rgba16 for 16-bit samples (0..32768), Rgba8 otherwise.
std::int32_t sourceFormat(const pi::FilterRecord& record);

// Reads the filter rectangle at full resolution into level 0 of `image`, asking the host
// for exactly one level-0 tile at a time, in tile order. The image is configured for the
// filter rectangle in sourceFormat (edge mode 0) unless it already has that size and
// format; the coarser levels are left alone.
// Grey documents give channels 1..3 the grey; with editable transparency the last plane is
// the opacity, otherwise opacity is full (255, 32768, 1.0). Only the pixels the host
// delivers are copied: a host may clip a request, and what it leaves out keeps its old
// value. The load only reads: it asks for no output and no mask, and leaves an empty
// request behind.
// False when the filter rectangle is empty (host result -30100, failure code
// kFailWorkingImage), the image cannot be allocated (-108, kFailWorkingImage) or a delivery
// fails (the host's result, kFailBandRead).
bool loadSourceLevel0(ImageBuffer& image);

// loadSourceLevel0, then the pyramid; the settings record that the source is loaded, so
// later renders of the same run reuse it.
bool loadSourceFromHost(ImageBuffer& image);

}  // namespace qm
