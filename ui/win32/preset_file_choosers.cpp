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
constexpr char kPresetFilter[] = "Quillmark presets (*.q7q)\0*.q7q\0All files (*.*)\0*.*\0";
constexpr char kPsdFilter[] = "Photoshop files (*.psd)\0*.psd\0";
constexpr char kPageFilter[] = "HTML files (*.html)\0*.html\0";
constexpr char kAnyFilter[] = "All files (*.*)\0*.*\0";

// The filter and the extension a typed name gets (without its dot).
const char* filterOf(FileKind kind) {
  switch (kind) {
    case FileKind::Preset: return kPresetFilter;
    case FileKind::Psd: return kPsdFilter;
    case FileKind::WebPage: return kPageFilter;
    case FileKind::AnyFile: break;
  }
  return kAnyFilter;
}

const char* extensionOf(FileKind kind) {
  switch (kind) {
    case FileKind::Preset: return kPresetExtension + 1;
    case FileKind::Psd: return "psd";
    case FileKind::WebPage: return "html";
    case FileKind::AnyFile: break;
  }
  return nullptr;
}

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
                                          FileKind kind) {
  std::vector<char> path(kPathCapacity, '\0');
  const auto choose = [&](bool withPicture) {
    OPENFILENAMEA chooser = chooserFor(owner, title, folder, path);
    chooser.lpstrFilter = filterOf(kind);
    chooser.Flags |= OFN_FILEMUSTEXIST;
    PresetPicturePane pane;
    if (withPicture && kind == FileKind::Preset) pane.attachTo(chooser);
    return GetOpenFileNameA(&chooser) != 0;
  };
  if (choose(true)) return std::string(path.data());
  // A system that refuses our pane still offers its plain chooser.
  if (CommDlgExtendedError() != 0 && choose(false)) return std::string(path.data());
  return std::nullopt;
}

std::optional<std::string> runSaveChooser(HWND owner, const std::string& title, const std::string& folder,
                                          const std::string& fileName, FileKind kind) {
  std::vector<char> path(kPathCapacity, '\0');
  fileName.copy(path.data(), path.size() - 1);
  OPENFILENAMEA chooser = chooserFor(owner, title, folder, path);
  chooser.lpstrFilter = filterOf(kind);
  chooser.lpstrDefExt = extensionOf(kind);
  chooser.Flags |= OFN_OVERWRITEPROMPT;
  if (GetSaveFileNameA(&chooser)) return std::string(path.data());
  return std::nullopt;
}

}  // namespace qm::ui
