// SPDX-License-Identifier: LicenseRef-Quillmark
// The words a look puts into our files' metadata.
#include <gtest/gtest.h>

#include <algorithm>

#include "formats/psd_metadata.h"
#include "settings/look_keywords.h"

namespace qm {
namespace {

UserValues look(int style, int lineWeight, int scale, int blendMode) {
  UserValues values{};
  values.style = style;
  values.lineWeight = lineWeight;
  values.scale = scale;
  values.blendMode = blendMode;
  return values;
}

using Words = std::vector<std::string>;

TEST(LookKeywords, NameTheLookLeaveOutNormalBlendAndMarkHighDynamicRange) {
  EXPECT_EQ(lookKeywords(look(21, 4, 3, 1), 1), (Words{"spots", "thick", "4x"}));
  EXPECT_EQ(lookKeywords(look(21, 4, 3, 1), 2), (Words{"spots", "thick", "4x"}));
  EXPECT_EQ(lookKeywords(look(1, 1, 1, 10), 4), (Words{"diffusion", "thinner", "1x", "screen", "HDR", "high dynamic range"}));
  // Numbers outside the tables name nothing rather than adding an empty keyword.
  EXPECT_EQ(lookKeywords(look(0, 6, 3, 70), 1), (Words{"4x"}));
}

TEST(LookKeywords, AStyleAndBlendOfOneNameAppearOnceInTheMetadata) {
  const Words words = lookKeywords(look(11, 2, 2, 38), 1);  // the "xor" style and the "xor" blend
  EXPECT_EQ(std::count(words.begin(), words.end(), "xor"), 2);
  const std::vector<std::uint8_t> block = iptcBlock(words, "20240101");
  const std::string text(block.begin(), block.end());
  EXPECT_EQ(text.find("xor"), text.rfind("xor"));
  EXPECT_NE(text.find("xor"), std::string::npos);
}

}  // namespace
}  // namespace qm
