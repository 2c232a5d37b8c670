// SPDX-License-Identifier: LicenseRef-Quillmark
// The main dialog's controller: everything the dialog does, without a window. The view
// (ui/win32/ on Windows, a recording fake in the tests) turns messages into these calls and
// paints from the state they leave; the controller edits the settings in place, keeps the
// undo steps and renders the preview.
//
// A committed change (a list, a slider released, a check box, a button, a typed number
// after its one-second wait) pushes one undo step and renders the preview again.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/image_buffer.h"
#include "render/working_set.h"
#include "settings/ink_settings.h"
#include "settings/memory_dots.h"
#include "ui/combo_items.h"
#include "ui/control_table.h"
#include "ui/dialog_view.h"
#include "ui/document_access.h"
#include "ui/preview.h"
#include "ui/undo.h"

namespace qm::ui {

// What the start phase hands the dialog; all of it outlives the dialog.
struct DialogSession {
  InkSettings* settings;
  UndoStore* undo;
  PreviewState* preview;
  RenderWorkingSet* working;
  DocumentAccess* document;
  // Every render of this run starts the generator here, so the preview and the final image
  // draw the same random numbers.
  std::uint32_t renderSeed;
};

// How the dialog ended.
enum DialogEnd : std::int32_t { kDialogOpen = 0, kDialogOk = 1, kDialogCancel = 2 };

// The bit of a memory dot's control value that marks it pressed.
constexpr std::int32_t kDotPressed = 2;

enum class TransferDirection { ControlsToSettings, SettingsToControls };

class MainDialog : private MemoryDotsView {
 public:
  MainDialog(const DialogSession& session, DialogView& view);
  ~MainDialog() override;
  MainDialog(const MainDialog&) = delete;
  MainDialog& operator=(const MainDialog&) = delete;

  // The dialog's first message: fills the lists, shows the settings, renders the first
  // preview and shows the memory dots.
  void open();

  // Input, as the view receives it.
  void buttonDown(Point at, bool rightButton, bool ctrlHeld);
  void mouseMove(Point at);
  void buttonUp();
  // A click of a button or the check box, an id posted by a release, or a list item
  // (2000 and above).
  void command(int id);
  void listSelectionChanged(int listId, int position);
  void fieldTextChanged(int fieldId, const std::string& text);
  void timerFired(int timerId);

  // The steps under the messages, named as the dialog's design names them.
  void TransferControls(TransferDirection direction);
  void ApplyAndRender();
  void CommitControl(int id);
  int UndoKindFor(int id) const;
  void RenderPreview();
  void ShowSourceInPreview();
  void PanPreview(Point at);

  // For painting.
  std::int32_t value(int id) const;  // pressed memory dots carry kDotPressed
  bool shown(int id) const;
  const ControlDescriptor& descriptor(int id) const;
  const InkSettings& settings() const { return settings_; }
  const PreviewState& preview() const { return preview_; }
  const MemoryDots& dots() const { return *dots_; }
  const ImageBuffer& dialImage() const { return dial_; }
  bool previewEnabled() const { return settings_.previewEnabled != 0; }
  bool colourImage() const { return document_.colourImage(); }
  // The host can show pixels in our window: without it the pane stays empty.
  bool hostCanDisplay() const { return document_.canDisplay(); }
  DialogEnd end() const { return end_; }
  int capturedControl() const { return settings_.capturedControlId; }

 private:
  // MemoryDotsView
  void redrawDot(int slot) override;
  void redrawDial() override;
  void settingsRecalled() override;
  bool makePicture(ImageBuffer& picture) override;

  void fillLists();
  void setValue(int id, std::int32_t value) { values_[std::size_t(id)] = value; }
  void showValue(int id);
  void showAll();
  void showSettings();
  int hitTest(Point at) const;
  void dragTo(int id, Point at);
  void setPressed(int id, bool pressed);
  bool handleFileButtons(int id);
  bool handleDotButtons(int id);
  bool handleLookButtons(int id);
  void closeWith(int id);
  void savePreset();
  bool loadPreset();
  void convertOldPresets();
  void exportPsdFile();
  void writePresetsPage();
  void writeDotsPage();
  void stopCommitTimer();
  void openDotsAndDial();
  void renderFirstPreview();

  InkSettings& settings_;
  UndoStore& undo_;
  PreviewState& preview_;
  RenderWorkingSet& working_;
  DocumentAccess& document_;
  DialogView& view_;
  std::uint32_t renderSeed_;

  std::array<std::int32_t, kControlCount> values_{};
  std::array<bool, kControlCount> shown_{};
  std::array<ControlDescriptor, kControlCount> descriptors_{};
  std::unique_ptr<ComboRegistry> combos_;
  Preset openingSettings_{};
  DialogEnd end_ = kDialogOpen;
  bool rightButton_ = false;
  bool ctrlHeld_ = false;
  std::uint32_t pressTicks_ = 0;
  Point lastPointer_{-999, -999};
  int hoveredDot_ = -1;
  // A field being written by the dialog itself, whose change is no typing.
  bool writingField_ = false;
  // A typed number was outside its range: the field is rewritten when the value is read.
  std::array<bool, kControlCount> fieldOutOfRange_{};

  ImageBuffer dial_{};
  ImageBuffer thumbnail_{};
  PresetThumbnail thumbnailTarget_{};
  std::unique_ptr<MemoryDots> dots_;
};

}  // namespace qm::ui
