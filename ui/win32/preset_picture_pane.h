// SPDX-License-Identifier: LicenseRef-Quillmark
// The picture pane of the open chooser: a template that widens the chooser by a square area
// to the right of the system's controls, and a hook that, whenever the selection names a
// preset file, reads the picture stored in it and draws it there.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commdlg.h>

#include "engine/image_buffer.h"
#include "settings/preset_file.h"

namespace qm::ui {

class PresetPicturePane {
 public:
  PresetPicturePane();
  ~PresetPicturePane();
  PresetPicturePane(const PresetPicturePane&) = delete;
  PresetPicturePane& operator=(const PresetPicturePane&) = delete;

  // Adds the template and the hook to the chooser; the pane must outlive the chooser's run.
  // Without memory for the template the chooser stays as it is.
  void attachTo(OPENFILENAMEA& chooser);

  // For the hook.
  void selectionChanged(HWND hook);
  void draw(const DRAWITEMSTRUCT& item) const;

 private:
  HGLOBAL template_ = nullptr;
  ImageBuffer thumbnailImage_;
  PresetThumbnail thumbnail_;
  ImageBuffer picture_;
  bool showing_ = false;
};

}  // namespace qm::ui
