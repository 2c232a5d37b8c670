// SPDX-License-Identifier: LicenseRef-Quillmark
// The document the substitute host holds: the picture in the file's own samples, the
// optional selection, and how the filter sees it (mode, depth, planes, filter case). The
// filter sees 16-bit samples in the host range 0..32768; a sample the filter hands back
// unchanged keeps its exact file value, so untouched pixels survive bit for bit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/raster_image.h"
#include "host/plugin_interface.h"

namespace qm::cli {

struct HostDocument {
  RasterImage image;
  std::vector<std::uint8_t> mask;  // width x height selection bytes; empty when nothing is selected
  pi::VRect filterRect{};          // the selection's bounds, or the whole image
};

// Builds a document from a picture and an optional mask (same size). False when the mask
// selects nothing; error says so.
bool makeDocument(RasterImage image, std::vector<std::uint8_t> mask, HostDocument& document, std::string& error);

pi::int16 imageModeOf(const RasterImage& image);
pi::int32 depthOf(const RasterImage& image);
pi::int16 filterCaseOf(const HostDocument& document);

// 16-bit samples between the file range 0..65535 and the host range 0..32768.
std::uint16_t fileToHost16(std::uint16_t value);
std::uint16_t hostToFile16(std::uint16_t value);

}  // namespace qm::cli
