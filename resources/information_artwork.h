// SPDX-License-Identifier: LicenseRef-Quillmark
// Our own quick-reference picture for the information box: what the memory dots, the
// memory dial, the preview and the buttons do, each beside the picture it refers to. It is
// shown on white, about half this size at 100 % scaling.
#pragma once

#include "resources/ink_canvas.h"

namespace qm::resources {

constexpr int kInformationWidth = 1340;
constexpr int kInformationHeight = 826;
RgbImage drawInformationPicture();

}  // namespace qm::resources
