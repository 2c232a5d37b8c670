// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/control_table.h"

#include <array>

#include "ui/dialog_resource_ids.h"

namespace qm::ui {
namespace {

constexpr std::array<const char*, 13> kLabelTexts = {"",      "",         "",        "Style", "Scale",
                                                     "Line",  "Gamma",    "Diameter", "Sharpen", "Warping",
                                                     "Angle", "",         "Gray"};

ControlDescriptor plain(std::int32_t kind) {
  return {kNoControl, kNoControl, kind, {-1, -1, -1, -1}, -1, 0, 100};
}

ControlDescriptor track(int field, std::int32_t label, std::int32_t maximum) {
  ControlDescriptor d = plain(kKindSliderTrack);
  d.partner = std::uint16_t(field);
  d.images[0] = QM_BMP_SLIDER_TRACK;
  d.images[1] = QM_BMP_SLIDER_KNOB;
  d.images[2] = QM_BMP_SLIDER_KNOB_LARGE;
  d.label = label;
  d.maximum = maximum;
  return d;
}

ControlDescriptor field(int trackId, std::int32_t maximum) {
  ControlDescriptor d = plain(kKindNumericField);
  d.main = std::uint16_t(trackId);
  d.maximum = maximum;
  return d;
}

ControlDescriptor labelled(std::int32_t kind, std::int32_t label, int boundTo = kNoControl) {
  ControlDescriptor d = plain(kind);
  d.label = label;
  d.main = std::uint16_t(boundTo);
  return d;
}

ControlDescriptor iconButton(std::int32_t icon) {
  ControlDescriptor d = plain(kKindIconButton);
  d.images[0] = icon;
  return d;
}

ControlDescriptor withImages(ControlDescriptor d, std::int32_t a, std::int32_t b, std::int32_t c = -1,
                             std::int32_t e = -1) {
  d.images[0] = a;
  d.images[1] = b;
  d.images[2] = c;
  d.images[3] = e;
  return d;
}

ControlDescriptor describe(int id) {
  switch (id) {
    case kWarpingTrack: return track(kWarpingField, 9, 100);
    case kSharpenTrack: return track(kSharpenField, 8, 100);
    case kDiameterTrack: return track(kDiameterField, 7, 250);
    case kWarpingField: return field(kWarpingTrack, 100);
    case kSharpenField: return field(kSharpenTrack, 100);
    case kDiameterField: return field(kDiameterTrack, 250);
    case kStyleLabel: return labelled(kKindLabel, 3);
    case kDiameterLabel: return labelled(kKindLabel, 7);
    case kSharpenLabel: return labelled(kKindLabel, 8);
    case kGrayLabel: return labelled(kKindLabel, 12);
    case kStatusLine: return plain(kKindLabel);
    case kGrayCheck:
      return withImages(labelled(kKindCheckBox, 12), QM_BMP_CHECK_OFF, QM_BMP_CHECK_ON, QM_BMP_CHECK_OFF_PRESSED,
                        QM_BMP_CHECK_ON_PRESSED);
    case kOkButton:
    case kCancelButton: return plain(kKindButton);
    case kLoadButton: return iconButton(QM_ICON_LOAD);
    case kSaveButton: return iconButton(QM_ICON_SAVE);
    case kRandomButton: return iconButton(QM_ICON_RANDOM);
    case kUndoButton: return iconButton(QM_ICON_UNDO);
    case kNextBlendButton: return iconButton(QM_ICON_NEXT_BLEND);
    case kCatalogueButton: return iconButton(QM_ICON_CATALOGUE);
    case kResetButton: return iconButton(QM_ICON_RESET);
    case kPsdButton: return iconButton(QM_ICON_PSD);
    case kInformationButton: return iconButton(QM_ICON_INFORMATION);
    case kStyleList:
    case kLineWeightList:
    case kScaleList:
    case kInvertList:
    case kBlendList: return plain(kKindList);
    case kScaleLabel: return labelled(kKindBoundLabel, 4, kScaleList);
    case kLineLabel: return labelled(kKindBoundLabel, 5, kLineWeightList);
    case kGammaLabel: return labelled(kKindBoundLabel, 6, kInvertList);
    case kWarpingLabel: return labelled(kKindBoundLabel, 9, kWarpingTrack);
    case kAngleLabel: return labelled(kKindBoundLabel, 10, kAngleDial);
    case kAngleDial: return withImages(labelled(kKindAngleDial, 10), QM_JPEG_DIAL_FACE, QM_JPEG_DIAL_FACE_HIDDEN);
    case kProgramIcon: return withImages(plain(kKindIconStatic), QM_ICON_PROGRAM, -1);
    case kMemoryDial: return withImages(plain(kKindMemoryDial), QM_BMP_MEMORY_DIAL, -1);
    default: break;
  }
  if (isMemoryDot(id)) return plain(kKindMemoryDot);
  ControlDescriptor none = plain(kKindNone);
  none.label = 0;
  return none;
}

}  // namespace

ControlDescriptor controlDescriptor(int id) { return describe(id); }

std::int32_t kindOf(int id) { return describe(id).kind; }

const char* controlHint(int id) {
  switch (id) {
    case kLoadButton: return "Load a settings file";
    case kSaveButton: return "Save the look as a settings file";
    case kPsdButton: return "Export the result as a layered PSD file";
    case kUndoButton: return "Undo: back to the look before the last change (again: forward)";
    case kRandomButton: return "A random look";
    case kResetButton: return "The plain look";
    case kNextBlendButton: return "Next blend mode";
    case kInformationButton: return "Hints on this dialog";
    case kCatalogueButton: return "A web page of the presets in a folder";
    case kMemoryDial: return "Click: the dot shown; right-click: a web page of the dots; Ctrl-click: convert old presets";
    default: return nullptr;
  }
}

const char* labelText(int index) {
  return index < 0 || index >= int(kLabelTexts.size()) ? "" : kLabelTexts[std::size_t(index)];
}

}  // namespace qm::ui
