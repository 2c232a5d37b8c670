// SPDX-License-Identifier: LicenseRef-Quillmark
// The system's file choosers for presets, layered files and web pages. The open chooser shows the picture stored in the
// selected preset file beside its list (preset_picture_pane.h).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <optional>
#include <string>

#include "ui/dialog_view.h"

namespace qm::ui {

// The chosen path; nothing when the user cancels. An empty folder leaves the start to the
// system.
std::optional<std::string> runOpenChooser(HWND owner, const std::string& title, const std::string& folder,
                                          FileKind kind);
std::optional<std::string> runSaveChooser(HWND owner, const std::string& title, const std::string& folder,
                                          const std::string& fileName, FileKind kind);

}  // namespace qm::ui
