// SPDX-License-Identifier: LicenseRef-Quillmark
// The keywords that describe a look in the metadata of our files: the names the user sees
// for its style, line weight, scale and blend mode, and words for high dynamic range.
#pragma once

#include <string>
#include <vector>

#include "settings/ink_settings.h"

namespace qm {

// The style, line-weight and scale names, the blend mode's name unless it is "normal" (1),
// and for 4 bytes per channel "HDR" and "high dynamic range". Numbers outside their tables
// give no keyword.
std::vector<std::string> lookKeywords(const UserValues& look, int bytesPerChannel);

}  // namespace qm
