// SPDX-License-Identifier: LicenseRef-Quillmark
// Our own PNG writer: the whole file (signature, IHDR, IDAT, IEND) of a grey or RGB
// picture, with or without alpha, in 8 or 16 bits, compressed in bands on threads of its
// own. Why it is built this way: cli/raster_image_png.cpp.
#pragma once

#include <cstdio>
#include <string>

#include "cli/raster_image.h"

namespace qm::cli::png {

// Writes image to file, which is open for writing at its start. False with the cause in
// error when a write fails, memory runs out or compression fails; what was written then is
// no PNG to keep. Throws nothing.
bool writePng(std::FILE* file, const RasterImage& image, std::string& error);

// Tests may make every band's compression fail as if memory ran out.
void setCompressionFailsForTesting(bool fail);

}  // namespace qm::cli::png
