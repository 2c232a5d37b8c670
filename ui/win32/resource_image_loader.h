// SPDX-License-Identifier: LicenseRef-Quillmark
// The pictures of the dialog's drawn controls: a JPEG resource decoded by the system's
// imaging component into a bitmap of exactly the size it is shown at, so painting only
// copies pixels.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace qm::ui {

// Resource `id` of `type` ("JPEG") in `module` as a 32-bit bitmap of width x height (0 and 0:
// the picture's own size). The caller deletes it. Null when the resource is missing or
// cannot be decoded.
HBITMAP LoadResourceImage(int id, const char* type, HMODULE module, int width, int height);

}  // namespace qm::ui
