// SPDX-License-Identifier: LicenseRef-Quillmark
// What the dialog's controller asks of its window. The Windows view implements it with the
// dialog resource's controls; tests implement it with a record of the calls. Coordinates
// are the dialog's client pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm::ui {

struct Point {
  std::int32_t x;
  std::int32_t y;
};

struct Rect {
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
  std::int32_t width() const { return right - left; }
  std::int32_t height() const { return bottom - top; }
  bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
};

enum class CursorShape { Arrow, OverPreview, Panning, Wait };

// What a file chooser offers.
enum class FileKind { Preset, AnyFile, Psd, WebPage };

// The one-shot timer that commits a typed number, and its wait.
constexpr int kCommitTimer = 8064;
constexpr int kCommitDelayMs = 1000;

class DialogView {
 public:
  virtual ~DialogView() = default;

  // The client rectangle of a control; false when the dialog has none with this id.
  virtual bool controlRect(int id, Rect& rect) const = 0;
  // The preview pane: control 18's rectangle shrunk by 2 pixels on every side.
  virtual Rect previewPane() const = 0;

  // Controls the system draws: lists (their items, and a 0-based position), the check box,
  // numeric fields.
  virtual void fillList(int id, const std::vector<std::string>& names) = 0;
  virtual void setListSelection(int id, int position) = 0;
  virtual void setCheck(int id, bool checked) = 0;
  virtual void setFieldText(int id, const std::string& text) = 0;

  // Repaints a control the dialog draws itself, from the controller's state.
  virtual void redrawControl(int id) = 0;
  // Draws the preview pixels centred in the pane; with clearMargins the rest of the pane
  // becomes white.
  virtual void drawPreview(bool clearMargins) = 0;

  virtual void captureMouse() = 0;
  virtual void releaseMouse() = 0;
  virtual void setCursor(CursorShape shape) = 0;
  // Queued, so that they arrive after the current message.
  virtual void postMouseMove(Point at) = 0;
  virtual void postCommand(int id) = 0;
  virtual std::uint32_t tickCount() const = 0;

  virtual void startTimer(int id, int milliseconds) = 0;
  virtual void stopTimer(int id) = 0;

  // The system's file choosers; nothing when the user cancels. The kind picks the files
  // offered; the open chooser shows the picture of a selected preset beside its list.
  virtual std::optional<std::string> chooseFileToOpen(const std::string& title, const std::string& folder,
                                                      FileKind kind) = 0;
  virtual std::optional<std::string> chooseFileToSave(const std::string& title, const std::string& folder,
                                                      const std::string& fileName, FileKind kind) = 0;
  // Opens a file the dialog wrote (a web page) with the system's viewer for it.
  virtual void openDocument(const std::string& path) = 0;
  // A small window that says how far a long piece of work is, while the dialog waits for it.
  virtual void beginProgress(const std::string& title, const std::string& doing) = 0;
  virtual void showProgress(int percent) = 0;
  virtual void endProgress() = 0;
  virtual void showAbout() = 0;
  virtual void showInformation() = 0;
  // Tells the user something went wrong (a file could not be written, say).
  virtual void showProblem(const std::string& text) = 0;
  // Closes every window the dialog opened besides itself.
  virtual void closePopups() = 0;
  virtual void endDialog(int code) = 0;
};

}  // namespace qm::ui
