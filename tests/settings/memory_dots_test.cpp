// SPDX-License-Identifier: LicenseRef-Quillmark
// Memory dots over several runs: which dots come back, what the gestures do, the map file
// and the dial's picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "settings/memory_dots.h"
#include "tests/settings/preset_test_files.h"

namespace qm {
namespace {

using test::pixelAt;
constexpr test::Pixel kRed{200, 40, 40, 255};

// The dots in a dialog of their own, which records what they ask of it.
class MemoryDotsTest : public ::testing::Test, public MemoryDotsView {
 protected:
  void SetUp() override {
    resetForRun(settings);
    clearKeptMap();
  }
  void redrawDot(int slot) override { redrawnDots.push_back(slot); }
  void redrawDial() override {}  // what the dial shows is checked in its image
  void settingsRecalled() override { ++recalls; }
  bool makePicture(ImageBuffer& picture) override {
    test::fillLevel0(picture, [](std::int32_t, std::int32_t) { return kRed; });
    return picturesWork;
  }
  // A new run: the map written as the last run ends and read as this one starts, and the
  // dots set up as the dialog opens.
  MemoryDots& nextRun() {
    EXPECT_EQ(writeMap(), 0);
    redrawnDots.clear();
    recalls = 0;
    dots = std::make_unique<MemoryDots>(settings, *this, MemoryDotImages{dial.get(), &thumbnail.record});
    readMap();
    dots->restoreDots();
    return *dots;
  }
  const test::OwnStateFolder state;
  InkSettings settings{};
  const test::Buffer dial = test::makeBuffer(kDialSide, kDialSide, kRgba8);
  test::Thumbnail thumbnail;
  std::unique_ptr<MemoryDots> dots;
  std::vector<int> redrawnDots;
  int recalls = 0;
  bool picturesWork = true;
};

TEST_F(MemoryDotsTest, KeptDotsComeBackAndTheOpeningLookTakesTheFirstFreeSlot) {
  for (const int slot : {0, 1}) setKept(slot, true);
  MemoryDots& first = nextRun();
  EXPECT_EQ(first.currentSlot(), 2);
  EXPECT_EQ(redrawnDots, (std::vector<int>{0, 1, 2}));
  settings.look.style = 17;
  // The second with Ctrl: for this dialog only.
  EXPECT_EQ((std::vector{first.clickDot(4, false), first.clickDot(5, true)}), std::vector(2, DotAction::Stored));
  EXPECT_EQ(first.state(2), kDotStored);

  settings.look.style = 1;
  MemoryDots& second = nextRun();
  EXPECT_EQ(second.currentSlot(), 2) << "the opening look's slot was not kept";
  EXPECT_EQ((std::vector{second.state(4), second.state(5)}), (std::vector{kDotStored, kDotEmpty}));
  EXPECT_EQ(second.clickDot(4, false), DotAction::Recalled);
  EXPECT_EQ(std::pair(settings.look.style, recalls), std::pair(17, 1));
  EXPECT_STREQ(settings.settingsName, "dot 5");

  for (int slot = 0; slot < kMemoryDotCount; ++slot) setKept(slot, true);
  EXPECT_EQ(nextRun().currentSlot(), kNoDot) << "every slot kept: the opening look is stored nowhere";
}

TEST_F(MemoryDotsTest, TheMapFileIsReadWordByWordWhateverItsVersion) {
  const std::string header("\0\0\0\xBF", 4);
  std::string words;
  for (int slot = 0; slot < kMemoryDotCount; ++slot) words += std::string("\0\0\0", 3) + char(slot % 12 == 0);
  const std::pair<std::string, std::vector<int>> cases[] = {
      {header + words, {0, 12, 24}},
      {std::string("\0\0\0\x07", 4) + words, {0, 12, 24}},        // another version
      {header + words.substr(0, 50), {0}},                         // cut inside slot 12
      {header + std::string("\0\0\0\x00\x7F\0\0\x05", 8), {1}},    // any word but 0 keeps
      {"", {}},                                                    // no map at all
  };
  for (const auto& [bytes, expected] : cases) {
    test::writeBytes(memoryDotMapPath(), bytes);
    if (bytes.empty()) std::filesystem::remove(memoryDotMapPath());
    setKept(1, true);  // reading starts from a clear map
    EXPECT_EQ(readMap() == 0, bytes.size() == 104);
    std::vector<int> kept;
    for (int slot = 0; slot < kMemoryDotCount; ++slot)
      if (isKept(slot)) kept.push_back(slot);
    EXPECT_EQ(kept, expected) << bytes.size() << " bytes";
  }
  setKept(1, true);
  ASSERT_EQ(writeMap(), 0);
  EXPECT_EQ(test::readBytes(memoryDotMapPath()), header + std::string(7, '\0') + '\1' + std::string(92, '\0'));
}

// The dial shows the picture of the dot under the pointer, or the grey ramp for a look
// without one.
TEST_F(MemoryDotsTest, GesturesOnTheDotsAndTheDialAndWhatTheDialShows) {
  setKept(6, true);  // kept, but its file has gone
  MemoryDots& run = nextRun();  // the opening look is in slot 0
  EXPECT_NEAR(pixelAt(*dial, 50, 50)[1], kRed[1], 12) << "the opening look's picture in the middle";
  EXPECT_EQ(pixelAt(*dial, 2, 2)[1], 255) << "white around it";
  EXPECT_EQ((std::vector{run.clickDot(3, false), run.clickDot(3, true)}), (std::vector{DotAction::Stored, DotAction::Unkept}));
  EXPECT_EQ(std::pair(run.state(3), isKept(3)), std::pair(kDotCurrent, false)) << "unkept, but here for this dialog";
  run.hover(7);
  EXPECT_EQ(run.shownSlot(), kNoDot) << "an empty dot shows nothing";
  run.hover(3);
  EXPECT_EQ(run.clickDial(), DotAction::Recalled);
  EXPECT_STREQ(settings.settingsName, "dot 4");
  EXPECT_EQ(run.rightClickDot(3), DotAction::Forgotten);
  EXPECT_EQ(run.state(3), kDotEmpty);
  EXPECT_EQ(run.clickDial(), DotAction::None) << "nothing shown and no current dot";

  picturesWork = false;
  ASSERT_EQ(run.clickDot(1, false), DotAction::Stored);
  EXPECT_EQ(pixelAt(*dial, 50, kDialPictureOffset + 44)[1], 255 - 64) << "the ramp, scaled to 88 rows";
  settings.look.style = 11;
  EXPECT_FALSE(run.recall(6));
  EXPECT_EQ(settings.look.style, 11);
  EXPECT_STREQ(settings.settingsName, "dot 7");
  run.hover(0);
  run.hover(6);
  EXPECT_EQ(pixelAt(*dial, 50, kDialPictureOffset + 44)[1], 255 - 64);

  const std::vector<int> before = redrawnDots;
  for (const int slot : {-2, 25, 99}) {
    EXPECT_EQ((std::vector{run.clickDot(slot, false), run.rightClickDot(slot)}), std::vector(2, DotAction::None));
    run.hover(slot);
    run.forget(slot);
  }
  EXPECT_EQ(redrawnDots, before) << "numbers outside the ring change nothing";
}

}  // namespace
}  // namespace qm
