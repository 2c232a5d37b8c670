// SPDX-License-Identifier: LicenseRef-Quillmark
// The four dot textures of the spot styles as raw-data resources (RCDATA, type 10, ids 146,
// 148, 149, 150), written from the same generator the renderer uses, so the plug-in's
// resources and its run-time textures are byte for byte the same.
#pragma once

#include <string>

namespace qm::resources {

// Resource-script text defining the four textures, 16384 bytes each.
std::string dotTexturesScript();

}  // namespace qm::resources
