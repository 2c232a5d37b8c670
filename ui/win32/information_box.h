// SPDX-License-Identifier: LicenseRef-Quillmark
// The information box ("QMINFOBOX"): the quick-reference picture over the main dialog until
// any command, a click, or the main dialog going away.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace qm::ui {

// Modal over `owner`. `openBox` holds the box's window while it is open, so the owner can
// close it and not open a second one.
void showInformationBox(HWND owner, HMODULE module, HWND& openBox);

}  // namespace qm::ui
