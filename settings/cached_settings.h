// SPDX-License-Identifier: LicenseRef-Quillmark
// The last look that was actually applied, kept between runs in the filter's own folder as
// a preset file without picture. Written after a successful render, read at the start of a
// run that no scripting descriptor drives.
#pragma once

#include "settings/ink_settings.h"

namespace qm {

constexpr const char* kCachedSettingsName = "Quillmark cached settings D";

// The file layer's result; callers do not report a failure, the old file then stays whole.
int saveCachedSettings(const InkSettings& settings);

// Loads the user values over what the settings hold (the caller has set the defaults). A
// missing or unreadable file is no error: the values stay. True when the whole file was read.
bool loadCachedSettings(InkSettings& settings);

}  // namespace qm
