// SPDX-License-Identifier: LicenseRef-Quillmark
// The main dialog's window as the controller sees it: the dialog resource's controls, the
// painting of everything the dialog draws itself, the cursors, timers, capture and the
// dialogs it opens. It decides nothing; main_dialog_window.cpp feeds the controller the
// window's messages and calls back here to paint.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <array>
#include <vector>

#include "ui/dialog_view.h"
#include "ui/main_dialog.h"
#include "ui/win32/picture_cache.h"
#include "ui/win32/preview_painting.h"
#include "ui/win32/progress_window.h"

namespace qm::ui {

class Win32DialogView final : public DialogView {
 public:
  Win32DialogView(HWND dialog, HMODULE module);
  ~Win32DialogView() override;
  Win32DialogView(const Win32DialogView&) = delete;
  Win32DialogView& operator=(const Win32DialogView&) = delete;

  // The controller this view paints from, before it opens.
  void attach(const MainDialog& controller) { controller_ = &controller; }
  // Icons on the icon buttons, the check box drawn by us, every input control a tab stop,
  // OK the default button.
  void prepareControls();
  // The controller has opened: its state is complete and may be painted.
  void opened() { opened_ = true; }

  // Message work.
  void paint();
  void eraseBackground(HDC dc) const;
  void drawCheckBox(const DRAWITEMSTRUCT& item);
  // Sets the controller's cursor; false when the pointer is not over the dialog's own face.
  bool applyCursor(HWND over, UINT hitTest) const;
  // True while the view itself lets go of the mouse (the capture message then is no loss).
  bool releasingCapture() const { return releasing_; }

  // DialogView
  bool controlRect(int id, Rect& rect) const override;
  Rect previewPane() const override;
  void fillList(int id, const std::vector<std::string>& names) override;
  void setListSelection(int id, int position) override;
  void setCheck(int id, bool checked) override;
  void setFieldText(int id, const std::string& text) override;
  void redrawControl(int id) override;
  void drawPreview(bool clearMargins) override;
  void captureMouse() override;
  void releaseMouse() override;
  void setCursor(CursorShape shape) override;
  void postMouseMove(Point at) override;
  void postCommand(int id) override;
  std::uint32_t tickCount() const override;
  void startTimer(int id, int milliseconds) override;
  void stopTimer(int id) override;
  std::optional<std::string> chooseFileToOpen(const std::string& title, const std::string& folder,
                                              FileKind kind) override;
  std::optional<std::string> chooseFileToSave(const std::string& title, const std::string& folder,
                                              const std::string& fileName, FileKind kind) override;
  void openDocument(const std::string& path) override;
  void beginProgress(const std::string& title, const std::string& doing) override;
  void showProgress(int percent) override;
  void endProgress() override;
  void showAbout() override;
  void showInformation() override;
  void showProblem(const std::string& text) override;
  void closePopups() override;
  void endDialog(int code) override;

 private:
  struct ControlArea {
    bool exists = false;
    bool visible = false;  // a window of its own that paints itself
    RECT area{};
  };

  void paintContents(HDC dc, const RECT& dirty);
  double scale() const;
  HCURSOR cursorFor(CursorShape shape) const;
  void setButtonIcon(HWND button, int iconId);

  HWND dialog_;
  HMODULE module_;
  const MainDialog* controller_ = nullptr;
  bool opened_ = false;
  bool releasing_ = false;
  std::array<ControlArea, kControlCount> controls_{};
  PictureCache pictures_;
  PreviewPainter previewPainter_;
  CursorShape cursor_ = CursorShape::Arrow;
  HCURSOR overPreviewCursor_;
  HCURSOR panningCursor_;
  std::vector<HICON> icons_;
  HWND informationBox_ = nullptr;
  ProgressWindow progress_;
};

}  // namespace qm::ui
