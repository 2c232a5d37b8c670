// SPDX-License-Identifier: LicenseRef-Quillmark
// The untreated pixels of one area of the document, one plane at a time, as 8-bit rows:
// what the dialog's preview shows while the user pans, whatever the document's depth.
#pragma once

#include <cstdint>

#include "host/plugin_interface.h"

namespace qm {

// Plane `plane` of `area` (filter-rectangle coordinates) into `out`, rows `rowLength` bytes
// apart. Only the source is read; nothing goes back to the document. On a host failure the
// result is the host's code, the failure code kFailPlanarRead, and false.
bool copyPlaneTo8Bit(const pi::VRect& area, int plane, std::uint8_t* out, std::int32_t rowLength);

}  // namespace qm
