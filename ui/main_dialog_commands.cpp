// SPDX-License-Identifier: LicenseRef-Quillmark
// The main dialog's commands: button clicks in their fixed order, list items, the check
// box, typed numbers and their commit timer, OK and Cancel.
#include <cstdlib>
#include <string>

#include "platform/file_system.h"
#include "settings/name_tables.h"
#include "settings/preset_catalogue.h"
#include "settings/preset_file.h"
#include "settings/random_settings.h"
#include "ui/document_export.h"
#include "ui/dot_catalogue.h"
#include "ui/main_dialog.h"

namespace qm::ui {
namespace {

constexpr const char* kSaveTitle = "Save a settings file";
constexpr const char* kOpenTitle = "Open a settings file";
constexpr const char* kConversionTitle = "Choose any file in the source folder";
constexpr const char* kPsdTitle = "Save a PSD file";
constexpr const char* kPageTitle = "Save an HTML page";

// The folder a chooser starts in: the one kept in the settings, or the system's choice.
std::string startFolder(const char (&folder)[kTextLength]) { return folder; }

}  // namespace

void MainDialog::command(int id) {
  if (id >= kFirstItemCommand) {
    const int item = findComboItem(*combos_, id);
    if (item < 0) return;
    setValue(combos_->listIds[item], combos_->values[item]);
    showValue(combos_->listIds[item]);
    CommitControl(combos_->listIds[item]);
    stopCommitTimer();
    ApplyAndRender();
    return;
  }
  if (id < 0 || id >= kControlCount) return;
  if (id == kGrayCheck) {
    setValue(id, value(id) ? 0 : 1);
    view_.setCheck(id, value(id) != 0);
  }
  // Each step acts only on its own id; a step that changed the look asks for a new preview.
  bool rerender = handleFileButtons(id);
  rerender = handleDotButtons(id) || rerender;
  rerender = handleLookButtons(id) || rerender;
  CommitControl(id);
  stopCommitTimer();
  if (rerender || id == kGrayCheck) ApplyAndRender();
  if (id == kOkButton || id == kCancelButton) closeWith(id);
}

bool MainDialog::handleFileButtons(int id) {
  if (id == kSaveButton) {
    savePreset();
    view_.redrawControl(kStatusLine);
  }
  if (id == kLoadButton && loadPreset()) {
    view_.redrawControl(kStatusLine);
    return true;
  }
  if (id == kPsdButton) exportPsdFile();
  if (id == kCatalogueButton) writePresetsPage();
  return false;
}

void MainDialog::exportPsdFile() {
  const auto path = view_.chooseFileToSave(kPsdTitle, startFolder(settings_.saveFolder), "Quillmark result.psd",
                                           FileKind::Psd);
  if (!path) return;
  setText(settings_.saveFolder, platform::folderOf(*path).c_str());
  view_.beginProgress("PSD file progress", "Rendering...");
  const int result = exportPsd(settings_, working_, document_, renderSeed_, *path,
                               [this](int percent) { view_.showProgress(percent); });
  view_.endProgress();
  if (result != 0) view_.showProblem("The PSD file \"" + *path + "\" could not be written (code " +
                                     std::to_string(result) + "); nothing was left there.");
}

void MainDialog::writePresetsPage() {
  const auto chosen = view_.chooseFileToOpen(kConversionTitle, startFolder(settings_.htmlExportPath), FileKind::Preset);
  if (!chosen) return;
  const std::string folder = platform::folderOf(*chosen);
  setText(settings_.htmlExportPath, folder.c_str());
  const auto page = view_.chooseFileToSave(kPageTitle, startFolder(settings_.saveFolder), "Quillmark presets.html",
                                           FileKind::WebPage);
  if (!page) return;
  setText(settings_.saveFolder, platform::folderOf(*page).c_str());
  std::string error;
  if (writePresetCatalogue(folder, *page, error) != 0) return view_.showProblem(error);
  view_.openDocument(*page);
}

void MainDialog::writeDotsPage() {
  const auto page = view_.chooseFileToSave(kPageTitle, startFolder(settings_.saveFolder),
                                           "Quillmark memory dots.html", FileKind::WebPage);
  if (!page || !dots_) return;
  setText(settings_.saveFolder, platform::folderOf(*page).c_str());
  std::string error;
  view_.setCursor(CursorShape::Wait);
  const int result = writeDotCatalogue(settings_, working_, document_, *dots_, renderSeed_, *page, error);
  view_.setCursor(CursorShape::Arrow);
  if (result != 0) return view_.showProblem(error);
  view_.openDocument(*page);
}

void MainDialog::savePreset() {
  ImageBuffer picture;
  initImageBuffer(picture, nullptr);
  const bool withPicture = makePicture(picture);
  const auto path = view_.chooseFileToSave(kSaveTitle, startFolder(settings_.loadFolder),
                                           presetFileNameFor(settings_.settingsName), FileKind::Preset);
  if (path) {
    setText(settings_.settingsName, platform::fileNameOf(*path).c_str());
    setText(settings_.loadFolder, platform::folderOf(*path).c_str());
    if (writePreset(*path, settings_, withPicture ? &picture : nullptr) != 0)
      view_.showProblem("The settings could not be saved to \"" + *path + "\".");
  }
  releasePixels(picture);
}

bool MainDialog::loadPreset() {
  const auto path = view_.chooseFileToOpen(kOpenTitle, startFolder(settings_.loadFolder), FileKind::Preset);
  if (!path) return false;
  setText(settings_.settingsName, platform::fileNameOf(*path).c_str());
  setText(settings_.loadFolder, platform::folderOf(*path).c_str());
  setDefaults(settings_);
  const PresetReadResult read = readPreset(*path, settings_, PresetReadMode::Load, nullptr);
  showSettings();
  if (read.result != 0)
    view_.showProblem("\"" + *path + "\" is not a complete settings file; what could be read is shown.");
  return true;
}

bool MainDialog::handleDotButtons(int id) {
  if (!dots_) return false;
  DotAction action = DotAction::None;
  if (isMemoryDot(id)) {
    const int slot = id - kFirstMemoryDot;
    action = rightButton_ ? dots_->rightClickDot(slot, ctrlHeld_) : dots_->clickDot(slot, ctrlHeld_);
  }
  if (id == kMemoryDial) {
    if (rightButton_) writeDotsPage();
    if (ctrlHeld_ && !rightButton_) convertOldPresets();
    if (!ctrlHeld_ && !rightButton_) action = dots_->clickDial();
  }
  return action == DotAction::Recalled;
}

void MainDialog::convertOldPresets() {
  const auto chosen = view_.chooseFileToOpen(kConversionTitle, startFolder(settings_.htmlExportPath), FileKind::AnyFile);
  if (!chosen) return;
  const std::string folder = platform::folderOf(*chosen);
  setText(settings_.htmlExportPath, folder.c_str());
  const int converted = convertPresetFolder(folder, settings_, [this](const InkSettings&, ImageBuffer& picture) {
    showSettings();
    ApplyAndRender();
    return makePicture(picture);
  });
  showSettings();
  ApplyAndRender();
  if (converted < 0) view_.showProblem("The folder \"" + folder + "\" could not be read.");
}

bool MainDialog::handleLookButtons(int id) {
  if (id == kProgramIcon) view_.showAbout();
  if (id == kInformationButton) view_.showInformation();
  bool rerender = false;
  if (id == kUndoButton) {
    (void)Undo(undo_, settings_);
    view_.redrawControl(kStatusLine);
    rerender = true;
  }
  if (id == kNextBlendButton) {
    settings_.look.blendMode = settings_.look.blendMode % kBlendModeCount + 1;
    rerender = true;
  }
  if (id == kRandomButton) {
    applyRandomLook(settings_);
    view_.redrawControl(kStatusLine);
    rerender = true;
  }
  if (id == kResetButton) {
    resetToPlain(settings_);
    view_.redrawControl(kStatusLine);
    rerender = true;
  }
  if (rerender) showSettings();
  return rerender;
}

void MainDialog::closeWith(int id) {
  stopCommitTimer();
  if (id == kOkButton) {
    TransferControls(TransferDirection::ControlsToSettings);
    end_ = kDialogOk;
  } else {
    restoreSnapshot(settings_, openingSettings_);
    end_ = kDialogCancel;
  }
  view_.closePopups();
  view_.endDialog(id);
}

void MainDialog::listSelectionChanged(int listId, int position) {
  if (descriptor(listId).kind != kKindList) return;
  setValue(listId, position + 1);
  CommitControl(listId);
  stopCommitTimer();
  ApplyAndRender();
}

void MainDialog::fieldTextChanged(int fieldId, const std::string& text) {
  if (writingField_ || descriptor(fieldId).kind != kKindNumericField) return;
  const int track = descriptor(fieldId).main;
  const ControlDescriptor& d = descriptor(track);
  // Text that is no number reads as 0.
  const double typed = std::strtod(text.c_str(), nullptr);
  const double held = typed < d.minimum ? d.minimum : (typed > d.maximum ? d.maximum : typed);
  fieldOutOfRange_[std::size_t(fieldId)] = held != typed;
  setValue(track, std::int32_t(held));
  view_.redrawControl(track);
  view_.startTimer(kCommitTimer, kCommitDelayMs);
}

void MainDialog::timerFired(int timerId) {
  if (timerId != kCommitTimer) return;
  TransferControls(TransferDirection::ControlsToSettings);
  CommitControl(kTypedValue);
  stopCommitTimer();
  ApplyAndRender();
}

}  // namespace qm::ui
