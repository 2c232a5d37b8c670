// SPDX-License-Identifier: LicenseRef-Quillmark
// The presets catalogue: a web page of every preset file of a folder, each with the picture
// stored in it (see formats/html_catalogue.h for the page itself).
#pragma once

#include <string>

namespace qm {

// Writes the page at `pagePath` (pictures in "web_images" beside it) listing every entry of
// `folder` that is no folder and whose name holds ".q7q" in any case, in the order of their
// names, each with its picture at 88 x 88. A preset that cannot be read, or has no picture,
// is shown with the grey ramp.
// Returns 0, platform::kReadFailed when the folder cannot be read, or the page's code
// (platform::kOpenRefused, platform::kWriteFailed), with a message in `error`; no page is
// left behind on failure.
int writePresetCatalogue(const std::string& folder, const std::string& pagePath, std::string& error);

}  // namespace qm
