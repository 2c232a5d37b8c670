// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/preset_file_choosers.h"

#include <commdlg.h>

#include <vector>

#include "settings/preset_file.h"
#include "ui/win32/preset_picture_pane.h"

namespace qm::ui {
namespace {

// Room for long paths; the chooser never writes more than it is told.
constexpr DWORD kPathCapacity = 4096;

// Filter pairs, each text ended by a zero and the list by a second one.
constexpr char kPresetFilter[] = "Quillmark settings (*.q7q)\0*.q7q\0All files (*.*)\0*.*\0";
constexpr char kAnyFilter[] = "All files (*.*)\0*.*\0";

OPENFILENAMEA chooserFor(HWND owner, const std::string& title, const std::string& folder, std::vector<char>& path) {
  OPENFILENAMEA chooser{};
  chooser.lStructSize = sizeof chooser;
  chooser.hwndOwner = owner;
  chooser.lpstrFile = path.data();
  chooser.nMaxFile = DWORD(path.size());
  chooser.lpstrTitle = title.c_str();
  chooser.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  // The host's current folder is not ours to move.
  chooser.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  return chooser;
}

}  // namespace

std::optional<std::string> runOpenChooser(HWND owner, const std::string& title, const std::string& folder,
                                          bool presetsOnly) {
  std::vector<char> path(kPathCapacity, '\0');
  const auto choose = [&](bool withPicture) {
    OPENFILENAMEA chooser = chooserFor(owner, title, folder, path);
    chooser.lpstrFilter = presetsOnly ? kPresetFilter : kAnyFilter;
    chooser.Flags |= OFN_FILEMUSTEXIST;
    PresetPicturePane pane;
    if (withPicture) pane.attachTo(chooser);
    return GetOpenFileNameA(&chooser) != 0;
  };
  if (choose(true)) return std::string(path.data());
  // A system that refuses our pane still offers its plain chooser.
  if (CommDlgExtendedError() != 0 && choose(false)) return std::string(path.data());
  return std::nullopt;
}

std::optional<std::string> runSaveChooser(HWND owner, const std::string& title, const std::string& folder,
                                          const std::string& fileName) {
  std::vector<char> path(kPathCapacity, '\0');
  fileName.copy(path.data(), path.size() - 1);
  OPENFILENAMEA chooser = chooserFor(owner, title, folder, path);
  chooser.lpstrFilter = kPresetFilter;
  chooser.lpstrDefExt = kPresetExtension + 1;  // without its dot
  chooser.Flags |= OFN_OVERWRITEPROMPT;
  if (GetSaveFileNameA(&chooser)) return std::string(path.data());
  return std::nullopt;
}

}  // namespace qm::ui
