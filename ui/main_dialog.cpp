// SPDX-License-Identifier: LicenseRef-Quillmark
// Opening, the binding of controls to settings, commits and the preview of the main dialog.
#include "ui/main_dialog.h"

#include <algorithm>
#include <cstdio>

#include "platform/random_generator.h"
#include "ui/preview_render.h"

namespace qm::ui {
namespace {

constexpr std::int32_t kThumbnailSide = 128;

// One bound control: the settings field it shows, and whether it is a list (which shows
// value - 1 as its position).
struct Binding {
  int id;
  std::int32_t UserValues::*field;
};

// In this order, both ways; warping twice, as it always was.
constexpr Binding kBindings[] = {
    {kGrayCheck, &UserValues::gray},        {kStyleList, &UserValues::style},
    {kLineWeightList, &UserValues::lineWeight}, {kScaleList, &UserValues::scale},
    {kInvertList, &UserValues::invertMode}, {kAngleDial, &UserValues::angle},
    {kWarpingTrack, &UserValues::warping},  {kBlendList, &UserValues::blendMode},
    {kWarpingTrack, &UserValues::warping},  {kDiameterTrack, &UserValues::diameter},
    {kSharpenTrack, &UserValues::sharpen},
};

std::string formatNumber(std::int32_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", double(value));
  return text;
}

bool validId(int id) { return id >= 0 && id < kControlCount; }

}  // namespace

MainDialog::MainDialog(const DialogSession& session, DialogView& view)
    : settings_(*session.settings),
      undo_(*session.undo),
      preview_(*session.preview),
      working_(*session.working),
      document_(*session.document),
      view_(view),
      renderSeed_(session.renderSeed),
      combos_(std::make_unique<ComboRegistry>()) {
  initImageBuffer(dial_, nullptr);
  initImageBuffer(thumbnail_, nullptr);
}

MainDialog::~MainDialog() {
  releasePixels(dial_);
  releasePixels(thumbnail_);
}

std::int32_t MainDialog::value(int id) const { return validId(id) ? values_[std::size_t(id)] : 0; }
bool MainDialog::shown(int id) const { return validId(id) && shown_[std::size_t(id)]; }

const ControlDescriptor& MainDialog::descriptor(int id) const {
  static const ControlDescriptor none = controlDescriptor(-1);
  return validId(id) ? descriptors_[std::size_t(id)] : none;
}

void MainDialog::open() {
  shown_.fill(true);
  settings_.renderTarget = kTargetPreview;
  settings_.capturedControlId = -1;
  openingSettings_ = takeSnapshot(settings_);
  for (int id = 0; id < kControlCount; ++id) descriptors_[std::size_t(id)] = controlDescriptor(id);
  fillLists();
  showSettings();
  TransferControls(TransferDirection::ControlsToSettings);
  renderFirstPreview();
  openDotsAndDial();
}

void MainDialog::fillLists() {
  clearComboRegistry(*combos_);
  fillComboRegistry(*combos_);
  for (int list : listIdsInOrder()) view_.fillList(list, listItemNames(list));
}

void MainDialog::openDotsAndDial() {
  // Without these images the dots still store and recall; they only show no pictures.
  if (!configureImageBuffer(&dial_, kDialSide, kDialSide, kRgba8, 0, false)) releasePixels(dial_);
  if (!configureImageBuffer(&thumbnail_, kThumbnailSide, kThumbnailSide, kRgba8, 0, false)) releasePixels(thumbnail_);
  thumbnailTarget_.image = hasPixels(thumbnail_) ? &thumbnail_ : nullptr;
  MemoryDotsView& dotsView = *this;
  dots_ = std::make_unique<MemoryDots>(settings_, dotsView,
                                       MemoryDotImages{hasPixels(dial_) ? &dial_ : nullptr, &thumbnailTarget_});
  dots_->restoreDots();
  if (dots_->currentSlot() != kNoDot) dots_->showPicture(dots_->currentSlot());
}

void MainDialog::renderFirstPreview() {
  if (!settings_.previewEnabled) return;
  const Rect pane = view_.previewPane();
  preview_.fitFactor = fitFactorFor(document_.width(), document_.height(), pane.width(), pane.height());
  settings_.viewOffsetX = settings_.viewOffsetY = 0;
  if (document_.loadSource(working_)) RenderPreview();
  if (document_.errorPending()) {
    settings_.previewEnabled = 0;
    document_.clearError();
    freePreviewBuffer(preview_);
  }
  view_.drawPreview(true);
}

void MainDialog::showValue(int id) {
  const std::int32_t v = value(id);
  const std::int32_t kind = descriptor(id).kind;
  if (kind == kKindList) view_.setListSelection(id, v - 1);
  if (kind == kKindCheckBox) view_.setCheck(id, v != 0);
  if (kind == kKindSliderTrack) {
    writingField_ = true;
    view_.setFieldText(descriptor(id).partner, formatNumber(v));
    writingField_ = false;
    fieldOutOfRange_[std::size_t(descriptor(id).partner)] = false;
    stopCommitTimer();
  }
  view_.redrawControl(id);
}

void MainDialog::showSettings() { TransferControls(TransferDirection::SettingsToControls); }

void MainDialog::TransferControls(TransferDirection direction) {
  UserValues& look = settings_.look;
  for (const Binding& binding : kBindings) {
    std::int32_t& field = look.*binding.field;
    if (direction == TransferDirection::SettingsToControls) {
      // Through a float, as a control holds it.
      setValue(binding.id, std::int32_t(float(field)));
      showValue(binding.id);
      continue;
    }
    const ControlDescriptor& d = descriptor(binding.id);
    if (d.kind == kKindSliderTrack) {
      setValue(binding.id, std::clamp(value(binding.id), d.minimum, d.maximum));
      // A typed number outside the range reads as its limit, and the field says so.
      if (fieldOutOfRange_[std::size_t(d.partner)]) showValue(binding.id);
    }
    field = value(binding.id);
  }
  if (direction == TransferDirection::ControlsToSettings) clampUserValues(look);
}

void MainDialog::ApplyAndRender() {
  TransferControls(TransferDirection::ControlsToSettings);
  if (!settings_.previewEnabled) return;
  RenderPreview();
  view_.drawPreview(true);
}

int MainDialog::UndoKindFor(int id) const {
  switch (id) {
    case kCancelButton:
    case kOkButton:
    case kSaveButton:
    case kUndoButton:
    case kCatalogueButton: return 0;
    case kLoadButton: return 2;
    case kTypedValue: return 1;
    case kMemoryDial: return dots_ && dots_->currentSlot() != kNoDot ? 2 : 0;
    default: break;
  }
  if (isMemoryDot(id)) {
    if (!dots_ || ctrlHeld_) return 0;
    const DotState state = dots_->state(id - kFirstMemoryDot);
    return state == kDotStored || state == kDotCurrent ? 2 : 0;
  }
  switch (kindOf(id)) {
    case kKindSliderTrack:
    case kKindCheckBox:
    case kKindButton:
    case kKindIconButton:
    case kKindList:
    case kKindAngleDial: return 1;
    default: return 0;
  }
}

void MainDialog::CommitControl(int id) {
  TransferControls(TransferDirection::ControlsToSettings);
  const int kind = UndoKindFor(id);
  if (kind != 0) PushUndo(undo_, settings_, kind == 2);
}

void MainDialog::stopCommitTimer() { view_.stopTimer(kCommitTimer); }

void MainDialog::RenderPreview() {
  view_.setCursor(CursorShape::Wait);
  const Rect pane = view_.previewPane();
  ComputePreviewRegion(preview_, settings_, document_.width(), document_.height(), pane.width(), pane.height(),
                       document_.errorPending());
  ClampViewOffsets(settings_, preview_, document_.width(), document_.height(), settings_.previewZoom);
  preview_.planeCount = document_.planeCount();
  if (allocatePreviewBuffer(preview_)) {
    const DocumentLayout layout = document_.layout();
    const std::int32_t planes = std::min(preview_.planeCount, previewPlaneCount(layout));
    const PreviewPixels pixels{preview_.width, preview_.height, planes, preview_.buffer};
    // The same random numbers for every render of the run: what the preview shows is what
    // the document gets. The generator's own sequence (the Random button's) carries on.
    const std::uint32_t outside = randomState();
    seedRandom(renderSeed_);
    settings_.renderTarget = kTargetPreview;
    (void)renderPreviewRegion(
        settings_, working_, layout, settings_.viewOffsetX, settings_.viewOffsetY, pixels,
        [](void* context) { return static_cast<DocumentAccess*>(context)->shouldAbort(); }, &document_);
    seedRandom(outside);
  }
  view_.setCursor(CursorShape::Arrow);
}

void MainDialog::ShowSourceInPreview() {
  ClampViewOffsets(settings_, preview_, document_.width(), document_.height(), settings_.previewZoom);
  const Rect pane = view_.previewPane();
  ComputePreviewRegion(preview_, settings_, document_.width(), document_.height(), pane.width(), pane.height(),
                       document_.errorPending());
  preview_.planeCount = document_.planeCount();
  if (!allocatePreviewBuffer(preview_) || document_.errorPending()) return;
  const std::int32_t zoom = std::max(settings_.previewZoom, 1);
  const Rect area{settings_.viewOffsetX / zoom, settings_.viewOffsetY / zoom,
                  settings_.viewOffsetX / zoom + preview_.width, settings_.viewOffsetY / zoom + preview_.height};
  for (int plane = 0; plane < preview_.planeCount; ++plane) {
    std::uint8_t* out = preview_.buffer + std::size_t(plane) * std::size_t(preview_.planeSize);
    if (!document_.fetchPlane(plane, area, out, preview_.width)) break;
  }
  view_.drawPreview(false);
}

// MemoryDotsView: the dots draw through the view and take their pictures from the preview.

void MainDialog::redrawDot(int slot) { view_.redrawControl(kFirstMemoryDot + slot); }
void MainDialog::redrawDial() { view_.redrawControl(kMemoryDial); }

void MainDialog::settingsRecalled() {
  showSettings();
  view_.redrawControl(kStatusLine);
}

bool MainDialog::makePicture(ImageBuffer& picture) {
  if (!preview_.buffer || preview_.width <= 0 || preview_.height <= 0) return false;
  // The middle of the preview, one pixel for one: the look's grain as the pane shows it.
  const std::int32_t width = std::min(preview_.width, kThumbnailSide);
  const std::int32_t height = std::min(preview_.height, kThumbnailSide);
  if (width < 16 || height < 16) return false;
  if (!configureImageBuffer(&picture, width, height, kRgba8, 0, false)) return false;
  const std::int32_t left = (preview_.width - width) / 2;
  const std::int32_t top = (preview_.height - height) / 2;
  const bool colour = document_.colourImage() && preview_.planeCount >= 3;
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) {
      const std::size_t at = std::size_t(top + y) * std::size_t(preview_.width) + std::size_t(left + x);
      const std::size_t plane = std::size_t(preview_.planeSize);
      const std::uint8_t red = preview_.buffer[at];
      const std::uint8_t rgba[4] = {red, colour ? preview_.buffer[plane + at] : red,
                                    colour ? preview_.buffer[2 * plane + at] : red, 255};
      setColour(picture, x, y, 0, rgba);
    }
  return true;
}

}  // namespace qm::ui
