// SPDX-License-Identifier: LicenseRef-Quillmark
// InkSettings: everything the user chooses for one filter run, kept in the host's
// `parameters` handle. A plain fixed-size record with no constructor: a fresh handle holds
// whatever the host gave, a kept one the previous run's values, so every field a run relies
// on is written by one of the resets below before use. Hosts keep this record with their
// recorded actions, so its layout only ever grows at the end.
//
// User values (ranges are enforced on everything that arrives from outside, see
// clampUserValues): style 1..25, scale 1..3 (1x, 2x, 4x), blend mode 1..69, gray 0/1,
// diameter 0..250, sharpen 0..100, line weight 1..5, invert mode 1..4, warping 0..100,
// angle 0..359 degrees.
#pragma once

#include <cstdint>

namespace qm {

constexpr int kTextLength = 260;  // texts and paths: zero-terminated, system ANSI code page

struct UserValues {
  std::int32_t style;
  std::int32_t scale;
  std::int32_t blendMode;
  std::int32_t gray;
  std::int32_t diameter;
  std::int32_t sharpen;
  std::int32_t lineWeight;
  std::int32_t invertMode;
  std::int32_t warping;
  std::int32_t angle;
};

// What the render targets mean to the renderer: the host document, the dialog's preview,
// or an image held in memory (exports).
enum RenderTarget : std::int32_t { kTargetHostImage = 0, kTargetPreview = 1, kTargetMemoryImage = 2 };

struct DialogPoint {
  std::int16_t v;
  std::int16_t h;
};

struct InkSettings {
  UserValues look;
  // Working fields of the dialog.
  std::int32_t capturedControlId;  // low 16 bits are the id; -1 none
  std::int32_t dialogCounter;
  std::uint8_t dialogFlags[2];
  DialogPoint dialogPoints[2];
  std::uint8_t previewEnabled;    // the host offers what the live preview needs
  std::uint8_t previewSuppressed; // keep the preview off even then
  std::int32_t formatVersion;     // written as the first word of a preset file
  std::int32_t previewZoom;
  std::int32_t renderTarget;      // RenderTarget
  std::int32_t passCount;         // progress bookkeeping of the engine
  std::int32_t currentPass;
  std::int32_t viewOffsetX;
  std::int32_t viewOffsetY;
  std::uint8_t sourceLoaded;      // the working image already holds the host's source
  std::int32_t psdExportSizeMode;
  char loadFolder[kTextLength];
  char saveFolder[kTextLength];
  char htmlExportPath[kTextLength];
  char settingsName[kTextLength];
};

// A look: the ten user values and the settings name. Presets, memory dots, the cached
// settings, undo and the randomiser all store or produce one.
struct Preset {
  UserValues look;
  char name[kTextLength];
};

constexpr const char* kRunSettingsName = "Quillmark settings";
constexpr const char* kPlainSettingsName = "plain settings";

// The defaults of the user values, except the blend mode (a run resets that separately).
void setDefaults(InkSettings& settings);
// Every prepare: the working fields a run needs, blend "normal", the run's name, defaults.
void resetForRun(InkSettings& settings);
// The dialog's Reset button: defaults and the name "plain settings"; blend mode stays.
void resetToPlain(InkSettings& settings);

Preset takeSnapshot(const InkSettings& settings);
void restoreSnapshot(InkSettings& settings, const Preset& snapshot);

// Brings every user value into its range, so no table is ever indexed by a stored value.
// The angle wraps around the circle; every other value is clamped.
void clampUserValues(UserValues& look);

// Copies a zero-terminated text into a fixed field, always terminating it.
void setText(char (&field)[kTextLength], const char* text);

}  // namespace qm
