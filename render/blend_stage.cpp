// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/blend_stage.h"

#include <algorithm>

#include "render/blend_mode_registry.h"
#include "render/ink_levels.h"
#include "settings/ink_settings.h"

namespace qm {
namespace {

constexpr float kOpacityBoost = 1.007f;
constexpr float kLargestFloatLight = 65535.0f;

float& channel(Colour& c, int i) { return i == 0 ? c.red : (i == 1 ? c.green : c.blue); }

Colour overSource(const Colour& top, const Colour& under) {
  const float a = top.alpha;
  Colour out;
  out.red = top.red * a + under.red * (1.0f - a);
  out.green = top.green * a + under.green * (1.0f - a);
  out.blue = top.blue * a + under.blue * (1.0f - a);
  out.alpha = a + under.alpha * (1.0f - a);
  return out;
}

Colour mixed(const Colour& from, const Colour& to, float m) {
  return {from.red + (to.red - from.red) * m, from.green + (to.green - from.green) * m,
          from.blue + (to.blue - from.blue) * m, from.alpha + (to.alpha - from.alpha) * m};
}

Colour greyColour(float grey) { return {grey, grey, grey, 1.0f}; }

// Ink as the blend modes expect it: opacity within 0..1, no negative light, no light over 1.
Colour preparedInk(const BlendStage& stage, Colour ink) {
  if (!stage.floatDocument) ink.alpha *= kOpacityBoost;
  ink.alpha = std::clamp(ink.alpha, 0.0f, 1.0f);
  ink.red = std::max(ink.red, 0.0f);
  ink.green = std::max(ink.green, 0.0f);
  ink.blue = std::max(ink.blue, 0.0f);
  if (!stage.floatDocument) spillHighlights(ink);
  if (stage.greyDocument) ink.red = ink.green = ink.blue = 0.3f * ink.red + 0.59f * ink.green + 0.11f * ink.blue;
  return ink;
}

Colour blended(const BlendStage& stage, const Colour& ink, const Colour& source) {
  if (stage.floatDocument)
    return {std::min(ink.red, kLargestFloatLight), std::min(ink.green, kLargestFloatLight),
            std::min(ink.blue, kLargestFloatLight), ink.alpha};
  Colour out;
  blendPixel(ink, source, out, stage.mode);
  if (out.alpha < 1.0f && stage.target == kTargetHostImage && !stage.hasTransparency) out = overSource(out, source);
  out.red = std::min(out.red, 1.0f);
  out.green = std::min(out.green, 1.0f);
  out.blue = std::min(out.blue, 1.0f);
  return out;
}

}  // namespace

void spillHighlights(Colour& colour) {
  int over[3];
  int overCount = 0;
  float excess = 0.0f;
  for (int i = 0; i < 3; ++i) {
    if (channel(colour, i) > 1.0f) {
      over[overCount++] = i;
      excess += channel(colour, i) - 1.0f;
    }
  }
  if (overCount == 0 || overCount == 3) return;
  const float share = excess * 60.0f / 256.0f;
  if (overCount == 2) {
    channel(colour, 3 - over[0] - over[1]) += share;
    return;
  }
  const int first = over[0] == 0 ? 1 : 0;
  const int second = over[0] == 2 ? 1 : 2;
  channel(colour, first) += share / 2.0f;
  channel(colour, second) += share / 2.0f;
  if (channel(colour, first) > 1.0f) channel(colour, second) += channel(colour, first) - 1.0f;
  if (channel(colour, second) > 1.0f) channel(colour, first) += channel(colour, second) - 1.0f;
}

float checkerboardGrey(std::int32_t x, std::int32_t y) { return ((x ^ y) & 8) == 0 ? 1.0f : 0.8f; }

Colour blendUnselected(const BlendStage& stage, const Colour& ink, const Colour& source, std::int32_t x,
                       std::int32_t y) {
  Colour out = blended(stage, preparedInk(stage, ink), source);
  if (stage.target == kTargetPreview) {
    out = overSource(out, greyColour(checkerboardGrey(x, y)));
    out.alpha = 1.0f;
  }
  return out;
}

Colour applySelection(const BlendStage& stage, const Colour& out, const Colour& source, float selection,
                      std::int32_t x, std::int32_t y) {
  if (selection >= 1.0f) return out;
  const Colour under = stage.target == kTargetPreview ? greyColour(checkerboardGrey(x, y)) : source;
  return mixed(under, out, std::max(selection, 0.0f));
}

Colour blendInk(const BlendStage& stage, const Colour& ink, const Colour& source, float selection, std::int32_t x,
                std::int32_t y) {
  return applySelection(stage, blendUnselected(stage, ink, source, x, y), source, selection, x, y);
}

namespace {

// "normal" on an opaque ink sample within 0..1 is the sample itself, held to the blend's
// fixed point: nothing of the source shows, so it need not be read.
bool plainInk(const BlendStage& stage) {
  return !stage.floatDocument && blendModeEntry(stage.mode).number == kNormalBlend && stage.target != kTargetPreview;
}

float fixedPoint(float value) { return float(std::int32_t(value * 32768.0f)) * (1.0f / 32768.0f); }

// Float documents take the ink as it is, whatever the mode: outside the preview (which lays
// the result over its checkerboard) their result depends on the ink alone, as "normal"'s does.
bool sourceFree(const BlendStage& stage) {
  return plainInk(stage) || (stage.floatDocument && stage.target != kTargetPreview);
}

float levelOf(const BlendStage& stage, const BandCell& cell) {
  return (stage.inkLevels ? stage.inkLevels : inkLevels(kInk8))[std::min<std::uint16_t>(cell.ink, kNoInk)];
}

}  // namespace

Colour inkColour(const BlendStage& stage, const BandCell& cell) {
  const float level = levelOf(stage, cell);
  return {level, level, level, 1.0f};
}

bool inkAloneDecides(const BlendStage& stage) { return sourceFree(stage); }

bool rowNeedsSource(const BlendStage& stage, bool partlySelected) { return partlySelected || !sourceFree(stage); }

void blendRow(const BlendStage& stage, const BandCell* ink, const Colour* source, const std::uint8_t* selection,
              std::int32_t count, std::int32_t x, std::int32_t y, Colour* out) {
  if (plainInk(stage) && !selection) {
    const float* levels = stage.inkLevels ? stage.inkLevels : inkLevels(kInk8);
    for (std::int32_t i = 0; i < count; ++i) {
      const float grey = fixedPoint(levels[std::min<std::uint16_t>(ink[i].ink, kNoInk)]);
      out[i] = {grey, grey, grey, 1.0f};
    }
    return;
  }
  if (sourceFree(stage) && !selection) {
    // Ink runs along a row in few values (mostly just ink and paper): each is blended once.
    std::int32_t lastInk = -1;
    Colour last{};
    for (std::int32_t i = 0; i < count; ++i) {
      if (ink[i].ink != lastInk) {
        lastInk = ink[i].ink;
        last = blendUnselected(stage, inkColour(stage, ink[i]), Colour{}, x + i, y);
      }
      out[i] = last;
    }
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    const float m = selection ? float(selection[i]) / 255.0f : 1.0f;
    out[i] = blendInk(stage, inkColour(stage, ink[i]), source[i], m, x + i, y);
  }
}

void selectInPlace(const BlendStage& stage, Colour* colours, const Colour* source, const std::uint8_t* selection,
                   std::int32_t count, std::int32_t x, std::int32_t y) {
  for (std::int32_t i = 0; i < count; ++i)
    colours[i] = applySelection(stage, colours[i], source[i], float(selection[i]) / 255.0f, x + i, y);
}

}  // namespace qm
