// SPDX-License-Identifier: LicenseRef-Quillmark
// A window and a document for the dialog's controller, in memory: the view lays the
// controls out from the dialog's design at two pixels per unit and records what the
// controller asks of it; the document is an 8-bit RGB picture the test makes.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "render/source_loading.h"
#include "ui/document_access.h"
#include "ui/dialog_view.h"

namespace qm::test {

class FakeDocument final : public ui::DocumentAccess {
 public:
  // A picture of gentle diagonal bands, so every style puts some ink down.
  FakeDocument(std::int32_t width, std::int32_t height);
  std::int32_t width() const override { return width_; }
  std::int32_t height() const override { return height_; }
  std::int32_t planeCount() const override { return 3; }
  bool colourImage() const override { return true; }
  DocumentLayout layout() const override { return {1, 3, 0}; }
  bool canDisplay() const override { return true; }
  bool loadSource(RenderWorkingSet& working) override;
  bool fetchPlane(int plane, const ui::Rect& area, std::uint8_t* out, std::int32_t rowLength) override;
  bool errorPending() const override { return error_; }
  void clearError() override { error_ = false; }
  bool shouldAbort() override { return false; }

  std::uint8_t sample(std::int32_t x, std::int32_t y, int plane) const {
    return rgb_[(std::size_t(y) * std::size_t(width_) + std::size_t(x)) * 3 + std::size_t(plane)];
  }
  int fetches = 0;
  int loads = 0;

 private:
  std::int32_t width_;
  std::int32_t height_;
  std::vector<std::uint8_t> rgb_;
  bool error_ = false;
};

class FakeView final : public ui::DialogView {
 public:
  bool controlRect(int id, ui::Rect& rect) const override;
  ui::Rect previewPane() const override;
  void fillList(int id, const std::vector<std::string>& names) override { lists[id] = names; }
  void setListSelection(int id, int position) override { selections[id] = position; }
  void setCheck(int id, bool checked) override { checks[id] = checked; }
  void setFieldText(int id, const std::string& text) override { fields[id] = text; }
  void redrawControl(int) override {}
  void drawPreview(bool clearMargins) override { previewDraws.push_back(clearMargins); }
  void captureMouse() override { captured = true; }
  void releaseMouse() override { captured = false; }
  void setCursor(ui::CursorShape shape) override { cursor = shape; }
  void postMouseMove(ui::Point at) override { postedMoves.push_back(at); }
  void postCommand(int id) override { postedCommands.push_back(id); }
  std::uint32_t tickCount() const override { return 1000; }
  void startTimer(int id, int milliseconds) override { timers[id] = milliseconds, ++timerStarts; }
  void stopTimer(int id) override { timers.erase(id); }
  std::optional<std::string> chooseFileToOpen(const std::string& title, const std::string&, ui::FileKind) override {
    titles.push_back(title);
    return takeNextFile();
  }
  std::optional<std::string> chooseFileToSave(const std::string& title, const std::string&,
                                              const std::string& fileName, ui::FileKind) override {
    titles.push_back(title);
    offeredName = fileName;
    return takeNextFile();
  }
  void openDocument(const std::string& path) override { openedDocuments.push_back(path); }
  void beginProgress(const std::string&, const std::string&) override { progress.push_back(-1); }
  void showProgress(int percent) override { progress.push_back(percent); }
  void endProgress() override { progress.push_back(-2); }
  // The next chooser answers the first queued file, else nextFile.
  std::optional<std::string> takeNextFile() {
    if (queuedFiles.empty()) return nextFile;
    std::string file = queuedFiles.front();
    queuedFiles.pop_front();
    return file;
  }
  void showAbout() override {}
  void showInformation() override {}
  void showProblem(const std::string& text) override { problems.push_back(text); }
  void closePopups() override {}
  void endDialog(int code) override { endCode = code; }

  std::map<int, std::vector<std::string>> lists;
  std::map<int, int> selections;
  std::map<int, bool> checks;
  std::map<int, std::string> fields;
  std::map<int, int> timers;
  int timerStarts = 0;
  std::vector<bool> previewDraws;
  std::vector<ui::Point> postedMoves;
  std::vector<int> postedCommands;
  std::vector<std::string> titles;
  std::vector<std::string> problems;
  std::optional<std::string> nextFile;
  std::deque<std::string> queuedFiles;
  std::vector<std::string> openedDocuments;
  std::vector<int> progress;
  std::string offeredName;
  ui::CursorShape cursor = ui::CursorShape::Arrow;
  bool captured = false;
  int endCode = 0;
};

}  // namespace qm::test
