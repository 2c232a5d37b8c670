// SPDX-License-Identifier: LicenseRef-Quillmark
// The command's layered file: the rendered picture as a PSD of its own depth, one layer
// with its transparency and the flattened composite, with the look's names in its metadata.
#pragma once

#include <string>

#include "cli/raster_image.h"
#include "settings/ink_settings.h"

namespace qm::cli {

// Writes `image` (grey or RGB, with or without alpha, 8, 16 or 32-bit) to `path`; false
// with the reason in `error`. Nothing is left at `path` when it fails.
bool savePsd(const std::string& path, const RasterImage& image, const UserValues& look, std::string& error);

}  // namespace qm::cli
