// SPDX-License-Identifier: LicenseRef-Quillmark
// The style and blend-mode registries: numbers outside the lists follow the one rule of
// every look value (brought into range), and the flags a style declares are the ones its
// rendering needs: a style that leaves the error row to its predecessor would show the
// last render's strokes.
#include <gtest/gtest.h>

#include <cstring>

#include "render/blend_mode_registry.h"
#include "render/style_registry.h"
#include "settings/name_tables.h"
#include "tests/render/render_fixture.h"

namespace qm::test {
namespace {

TEST(Registries, NumbersOutsideTheListsAreBroughtIntoRange) {
  const auto styles = styleEntries();
  const auto modes = blendModeEntries();
  ASSERT_EQ(styles.size(), std::size_t(kStyleCount));
  ASSERT_EQ(modes.size(), std::size_t(kBlendModeCount));
  for (std::int32_t low : {0, -1, -2147483647 - 1}) {
    EXPECT_EQ(&styleEntry(low), &styles.front()) << low;
    EXPECT_EQ(&blendModeEntry(low), &modes.front()) << low;
  }
  for (std::int32_t high : {kStyleCount + 1, 2147483647}) EXPECT_EQ(&styleEntry(high), &styles.back()) << high;
  for (std::int32_t high : {kBlendModeCount + 1, 2147483647}) EXPECT_EQ(&blendModeEntry(high), &modes.back()) << high;
  // The pixel blend follows the same rule: a number past the list blends as its last mode.
  const Colour ink{0.3f, 0.3f, 0.3f, 1.0f}, source{0.9f, 0.2f, 0.6f, 1.0f};
  Colour past{}, last{}, normal{};
  blendPixel(ink, source, past, kBlendModeCount + 1);
  blendPixel(ink, source, last, kBlendModeCount);
  blendPixel(ink, source, normal, kNormalBlend);
  EXPECT_EQ(past.red, last.red);
  EXPECT_EQ(past.green, last.green);
  EXPECT_NE(last.green, normal.green) << "the inputs must tell the last mode from normal";
}

float pictureGrey(std::int32_t x, std::int32_t y) { return float((x * 7 + y * 5) % 97) / 96.0f; }

bool sameColours(const std::vector<Colour>& a, const std::vector<Colour>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Colour)) == 0;
}

// Every other style first leaves its own state behind (error row, carry, tables, spot tile);
// the style's render must not see any of it.
TEST(Registries, NoStyleSeesWhatTheRenderBeforeLeft) {
  for (const StyleEntry& entry : styleEntries()) {
    MemoryRender fresh(45, 70, kRgba8, pictureGrey);
    fresh.settings().look.style = entry.number;
    const std::vector<Colour> reference = fresh.renderWhole(5);
    MemoryRender used(45, 70, kRgba8, pictureGrey);
    // Arabesque last: its phases fill the error row with large values.
    for (const StyleEntry& other : styleEntries()) {
      used.settings().look.style = other.number;
      if (other.has(kCarriesPhase)) continue;
      used.renderWhole(9);
    }
    for (const StyleEntry& other : styleEntries()) {
      used.settings().look.style = other.number;
      if (other.has(kCarriesPhase)) used.renderWhole(9);
    }
    used.settings().look.style = entry.number;
    EXPECT_TRUE(sameColours(used.renderWhole(5), reference)) << entry.name;
  }
}

// Paper with nothing on it stays paper, in every style at every scale and line weight.
TEST(Registries, WhitePaperStaysWhite) {
  MemoryRender render(70, 40, kRgba8, [](std::int32_t, std::int32_t) { return 1.0f; });
  UserValues& look = render.settings().look;
  for (const StyleEntry& entry : styleEntries())
    for (std::int32_t scale = 1; scale <= kScaleCount; ++scale)
      for (std::int32_t weight = 1; weight <= kLineWeightCount; ++weight) {
        look.style = entry.number;
        look.scale = scale;
        look.lineWeight = weight;
        EXPECT_EQ(inkFraction(render.renderWhole(3)), 0.0) << entry.name << " scale " << scale << " weight " << weight;
      }
}

}  // namespace
}  // namespace qm::test
