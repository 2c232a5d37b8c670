// SPDX-License-Identifier: LicenseRef-Quillmark
// The names the user sees for each value, 1-based. A number outside a table gives the
// empty string, never a read outside it.
#pragma once

namespace qm {

constexpr int kStyleCount = 25;
constexpr int kScaleCount = 3;
constexpr int kLineWeightCount = 5;
constexpr int kInvertModeCount = 4;
constexpr int kBlendModeCount = 69;

const char* styleName(int style);
const char* scaleName(int scale);
const char* lineWeightName(int lineWeight);
const char* invertName(int invertMode);
const char* blendName(int blendMode);

}  // namespace qm
