// SPDX-License-Identifier: LicenseRef-Quillmark
// Tips for the dialog's buttons that show an icon instead of words.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace qm::ui {

// A tip window owned by the dialog (it goes when the dialog goes) with a tip for every
// control that has a hint; null when the system offers no tips.
HWND addControlTips(HWND dialog, HINSTANCE module);

}  // namespace qm::ui
