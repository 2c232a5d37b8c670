// SPDX-License-Identifier: LicenseRef-Quillmark
// Handles through the host's handle procedures. A host that offers none still gets
// handle-shaped blocks from us (a pointer whose first field is the data pointer), so the
// records can live in `parameters` and the data slot either way.
#pragma once

#include <cstdint>

#include "host/plugin_interface.h"

namespace qm {

pi::Handle newHandle(std::int32_t size);
void disposeHandle(pi::Handle handle);
// Null when the host refuses.
void* lockHandle(pi::Handle handle);
void unlockHandle(pi::Handle handle);
// The handle's size as the host reports it; 0 when unknown (some hosts always say 0).
std::int32_t handleSize(pi::Handle handle);
// Grows a handle that is known to be smaller than size (a record from an older version of
// the filter); false when that fails. A handle of unknown size is taken as large enough.
bool ensureHandleSize(pi::Handle handle, std::int32_t size);

}  // namespace qm
