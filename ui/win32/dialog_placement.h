// SPDX-License-Identifier: LicenseRef-Quillmark
// Where our modal boxes open: over the host's window (over the desktop's work area when
// there is none), centred across, and kept wholly inside the work area of that screen.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace qm::ui {

// The dialog's top sits at 1/downDivisor of the free height below the parent's top:
// 2 centres it, 3 lifts it to a third.
void placeOverParent(HWND dialog, HWND parent, int downDivisor);

}  // namespace qm::ui
