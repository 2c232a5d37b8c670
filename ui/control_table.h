// SPDX-License-Identifier: LicenseRef-Quillmark
// The main dialog's controls: what each id 0..199 is, which pictures it draws with, which
// label it shows and its value range. One code-built table; the dialog copies what it needs
// at opening, so drawing never asks again.
#pragma once

#include <cstdint>

namespace qm::ui {

constexpr int kControlCount = 200;
constexpr std::uint16_t kNoControl = 65535;

// The dialog's controls by role.
enum ControlId : int {
  kCancelButton = 2,
  kOkButton = 3,
  kProgramIcon = 4,
  kWarpingTrack = 6,
  kGrayLabel = 8,
  kGrayCheck = 9,
  kStyleList = 10,
  kLineWeightList = 11,
  kScaleList = 12,
  kInvertList = 13,
  kStyleLabel = 14,
  kScaleLabel = 15,
  kStatusLine = 16,
  kWarpingLabel = 17,
  kPreviewPane = 18,
  kLineLabel = 19,
  kGammaLabel = 20,
  kWarpingField = 21,
  kSaveButton = 22,
  kRandomButton = 23,
  kLoadButton = 24,
  kAngleLabel = 25,
  kBlendList = 26,
  kNextBlendButton = 28,
  kUndoButton = 29,
  kAngleDial = 35,
  kDiameterTrack = 36,
  kDiameterField = 37,
  kDiameterLabel = 38,
  kSharpenLabel = 39,
  kSharpenField = 40,
  kSharpenTrack = 41,
  kResetButton = 115,
  kInformationButton = 116,
  kPsdButton = 117,
  kMemoryDial = 119,
  kFirstMemoryDot = 121,
  kLastMemoryDot = 145,
  kCatalogueButton = 150,
  kTypedValue = 777,  // not a control: the commit of a typed number
};

enum ControlKind : std::int32_t {
  kKindNone = -1,
  kKindSliderTrack = 0,
  kKindLabel = 1,
  kKindNumericField = 2,
  kKindCheckBox = 3,
  kKindButton = 4,
  kKindIconButton = 7,
  kKindList = 13,
  kKindBoundLabel = 16,
  kKindAngleDial = 17,
  kKindIconStatic = 18,
  kKindMemoryDot = 25,
  kKindMemoryDial = 26,
};

struct ControlDescriptor {
  std::uint16_t partner;    // the numeric field of a slider pair, or kNoControl
  std::uint16_t main;       // the control a field or bound label belongs to, or kNoControl
  std::int32_t kind;        // ControlKind
  std::int32_t images[4];   // resource ids, -1 none; an icon button's icon first
  std::int32_t label;       // index into the label texts, -1 none
  std::int32_t minimum;
  std::int32_t maximum;
};

// The entry of `id`; an id without one (or a negative one) gives kind -1.
ControlDescriptor controlDescriptor(int id);
// The kind alone (a slider pair: 0 for its track, 2 for its field).
std::int32_t kindOf(int id);
// The label text at `index`, or "" when there is none.
const char* labelText(int index);
// What a button without words does, for its tip; null for other controls.
const char* controlHint(int id);

inline bool isMemoryDot(int id) { return id >= kFirstMemoryDot && id <= kLastMemoryDot; }

}  // namespace qm::ui
