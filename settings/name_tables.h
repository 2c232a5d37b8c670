// SPDX-License-Identifier: LicenseRef-Quillmark
// The names the user sees for each value, 1-based, and how many there are: the one place
// that counts the styles and the blend modes. The renderer's registries, the command's
// lists, the scripting enumerations and the dialog's lists all read these. A number outside
// a table gives the empty string, never a read outside it.
#pragma once

#include <array>

namespace qm {

inline constexpr std::array kStyleNames = {
    "diffusion",   "noise",    "ripple",     "arabesque",     "wave",         "square chaos", "round chaos",
    "basketweave", "crosscut", "maze",       "xor",           "splatter",     "flow",         "hatching",
    "shards",      "bubbles",  "poster tone 1", "poster tone 2", "Bayer",     "Ostromoukhov", "spots",
    "netting",     "spiders",  "Hyper A",    "Hyper B"};

inline constexpr std::array kScaleNames = {"1x", "2x", "4x"};
inline constexpr std::array kLineWeightNames = {"thinner", "thin", "medium", "thick", "thicker"};
inline constexpr std::array kInvertNames = {"normal", "invert light", "invert dark", "invert all"};

inline constexpr std::array kBlendNames = {
    "normal",     "procedural +", "procedural -", "difference", "lighten",    "darken",      "add",
    "subtract",   "multiply",     "screen",       "hard light", "overlay",    "superlay",    "exclusion",
    "color",      "luminance",    "linear light", "pin light",  "spin light", "vivid a",     "vivid b",
    "saturation", "hue",          "similarity",   "cross",      "hard diff",  "soft light",  "bright",
    "dim",        "dodge",        "burn",         "ace",        "king",       "queen",       "jack",
    "and",        "or",           "xor",          "multibright", "hot",       "cold",        "wet",
    "dry",        "up",           "down",         "wax",        "wane",       "north",       "south",
    "east",       "west",         "hard mix",     "frontal",    "parietal",   "temporal",    "occipital",
    "limbic",     "dextrous",     "sinister",     "anterior",   "posterior",  "screendim",   "starbright",
    "glow",       "reflect",      "shimmer",      "lustre",     "negation",   "contrast negate"};

constexpr int kStyleCount = int(kStyleNames.size());
constexpr int kScaleCount = int(kScaleNames.size());
constexpr int kLineWeightCount = int(kLineWeightNames.size());
constexpr int kInvertModeCount = int(kInvertNames.size());
constexpr int kBlendModeCount = int(kBlendNames.size());

template <std::size_t N>
constexpr const char* nameIn(const std::array<const char*, N>& names, int number) {
  return number < 1 || number > int(N) ? "" : names[std::size_t(number - 1)];
}

constexpr const char* styleName(int style) { return nameIn(kStyleNames, style); }
constexpr const char* scaleName(int scale) { return nameIn(kScaleNames, scale); }
constexpr const char* lineWeightName(int lineWeight) { return nameIn(kLineWeightNames, lineWeight); }
constexpr const char* invertName(int invertMode) { return nameIn(kInvertNames, invertMode); }
constexpr const char* blendName(int blendMode) { return nameIn(kBlendNames, blendMode); }

}  // namespace qm
