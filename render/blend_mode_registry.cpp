// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/blend_mode_registry.h"

#include <array>

#include "render/blend_channel_formulas.h"
#include "render/registry_rows.h"
#include "settings/name_tables.h"

namespace qm {
namespace {

using namespace blend;

// "exclusion" is "difference" under another name.
constexpr std::array<BlendModeEntry, kBlendModeCount> kBlendModes{{
    {1, blendName(1), perChannel<normal>},
    {2, blendName(2), perChannel<proceduralPlus>},
    {3, blendName(3), perChannel<proceduralMinus>},
    {4, blendName(4), perChannel<difference>},
    {5, blendName(5), perChannel<lighten>},
    {6, blendName(6), perChannel<darken>},
    {7, blendName(7), perChannel<add>},
    {8, blendName(8), perChannel<subtract>},
    {9, blendName(9), perChannel<multiply>},
    {10, blendName(10), perChannel<screen>},
    {11, blendName(11), perChannel<hardLight>},
    {12, blendName(12), perChannel<overlay>},
    {13, blendName(13), perChannel<superlay>},
    {14, blendName(14), perChannel<difference>},
    {15, blendName(15), colour},
    {16, blendName(16), luminance},
    {17, blendName(17), perChannel<linearLight>},
    {18, blendName(18), perChannel<pinLight>},
    {19, blendName(19), perChannel<spinLight>},
    {20, blendName(20), perChannel<vividA>},
    {21, blendName(21), perChannel<vividB>},
    {22, blendName(22), saturation},
    {23, blendName(23), hue},
    {24, blendName(24), perChannel<similarity>},
    {25, blendName(25), perChannel<cross>},
    {26, blendName(26), perChannel<hardDifference>},
    {27, blendName(27), perChannel<softLight>},
    {28, blendName(28), bright},
    {29, blendName(29), dim},
    {30, blendName(30), perChannel<dodge>},
    {31, blendName(31), perChannel<burn>},
    {32, blendName(32), perChannel<ace>},
    {33, blendName(33), perChannel<king>},
    {34, blendName(34), perChannel<queen>},
    {35, blendName(35), perChannel<jack>},
    {36, blendName(36), perChannel<bitAnd>},
    {37, blendName(37), perChannel<bitOr>},
    {38, blendName(38), perChannel<bitXor>},
    {39, blendName(39), perChannel<multibright>},
    {40, blendName(40), perChannel<hot>},
    {41, blendName(41), perChannel<cold>},
    {42, blendName(42), perChannel<wet>},
    {43, blendName(43), perChannel<dry>},
    {44, blendName(44), perChannel<up>},
    {45, blendName(45), perChannel<down>},
    {46, blendName(46), wax},
    {47, blendName(47), wane},
    {48, blendName(48), north},
    {49, blendName(49), south},
    {50, blendName(50), east},
    {51, blendName(51), west},
    {52, blendName(52), perChannel<hardMix>},
    {53, blendName(53), frontal},
    {54, blendName(54), parietal},
    {55, blendName(55), temporal},
    {56, blendName(56), occipital},
    {57, blendName(57), limbic},
    {58, blendName(58), perChannelInFloats<dextrous>},
    {59, blendName(59), sinister},
    {60, blendName(60), anterior},
    {61, blendName(61), posterior},
    {62, blendName(62), perChannelInFloats<screendim>},
    {63, blendName(63), starbright},
    {64, blendName(64), perChannelInFloats<glow>},
    {65, blendName(65), perChannelInFloats<reflect>},
    {66, blendName(66), perChannelInFloats<shimmer>},
    {67, blendName(67), perChannelInFloats<lustre>},
    {68, blendName(68), perChannel<negation>},
    {69, blendName(69), perChannel<contrastNegate>},
}};

static_assert(numberedInOrder(kBlendModes), "one row per mode, in number order");

}  // namespace

std::span<const BlendModeEntry> blendModeEntries() { return kBlendModes; }

const BlendModeEntry& blendModeEntry(std::int32_t mode) { return rowFor(kBlendModes, mode); }

}  // namespace qm
