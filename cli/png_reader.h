// SPDX-License-Identifier: LicenseRef-Quillmark
// The two PNG readers behind detail::loadPng. Ours takes the files nearly every program
// writes (8- or 16-bit grey, grey+alpha, RGB or RGBA, not interlaced) and nothing else;
// libpng takes every file ours leaves, and every file ours finds anything wrong with, so
// a damaged or unusual file meets exactly the checks and messages it always did.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/raster_image.h"

namespace qm::cli::png {

// Reads the whole file (from its start, whatever its position) and fills image when the
// file is one ours takes and everything in it is right: every chunk's CRC, the chunk order,
// the zlib stream with its Adler-32, exactly as many bytes inflated as the header implies
// and no data behind them, a known filter type on every row. Else false, image untouched.
// Throws nothing.
bool readPngDirectly(std::FILE* file, std::uint64_t fileSize, RasterImage& image);

// libpng's reading of any file, from its start; false with the cause in error.
bool readPngWithLibpng(std::FILE* file, std::uint64_t fileSize, RasterImage& image, std::string& error);

}  // namespace qm::cli::png
