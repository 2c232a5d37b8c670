// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/name_tables.h"

#include <array>

namespace qm {
namespace {

constexpr std::array<const char*, kStyleCount> kStyleNames = {
    "diffusion",   "noise",    "ripple",     "arabesque",     "wave",         "square chaos", "round chaos",
    "basketweave", "crosscut", "maze",       "xor",           "splatter",     "flow",         "hatching",
    "shards",      "bubbles",  "poster tone 1", "poster tone 2", "Bayer",     "Ostromoukhov", "spots",
    "netting",     "spiders",  "Hyper A",    "Hyper B"};

constexpr std::array<const char*, kScaleCount> kScaleNames = {"1x", "2x", "4x"};
constexpr std::array<const char*, kLineWeightCount> kLineWeightNames = {"thinner", "thin", "medium", "thick",
                                                                        "thicker"};
constexpr std::array<const char*, kInvertModeCount> kInvertNames = {"normal", "invert light", "invert dark",
                                                                    "invert all"};

constexpr std::array<const char*, kBlendModeCount> kBlendNames = {
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

template <std::size_t N>
const char* lookUp(const std::array<const char*, N>& names, int number) {
  if (number < 1 || number > int(N)) return "";
  return names[std::size_t(number - 1)];
}

}  // namespace

const char* styleName(int style) { return lookUp(kStyleNames, style); }
const char* scaleName(int scale) { return lookUp(kScaleNames, scale); }
const char* lineWeightName(int lineWeight) { return lookUp(kLineWeightNames, lineWeight); }
const char* invertName(int invertMode) { return lookUp(kInvertNames, invertMode); }
const char* blendName(int blendMode) { return lookUp(kBlendNames, blendMode); }

}  // namespace qm
