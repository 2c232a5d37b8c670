// SPDX-License-Identifier: LicenseRef-Quillmark
// Memory dots over several runs: which dots come back, what the gestures do, the map file
// and the dial's picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "settings/memory_dots.h"
#include "tests/test_images.h"

namespace qm {
namespace {

constexpr std::uint8_t kRed[4] = {200, 40, 40, 255};

struct RecordingView : MemoryDotsView {
  std::vector<int> redrawnDots;
  int recalls = 0;
  bool picturesWork = true;
  void redrawDot(int slot) override { redrawnDots.push_back(slot); }
  void redrawDial() override {}  // what the dial shows is checked in its image
  void settingsRecalled() override { ++recalls; }
  bool makePicture(ImageBuffer& picture) override {
    for (std::int32_t y = 0; y < 128; ++y)
      for (std::int32_t x = 0; x < 128; ++x) setColour(picture, x, y, 0, kRed);
    return picturesWork;
  }
};

class MemoryDotsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_STATE_HOME", test::tempPath("state").c_str(), 1);
    resetForRun(settings);
    clearKeptMap();
    ASSERT_TRUE(dial && picture);
  }
  // Each test keeps the filter's files in a folder of its own, then hands the process's back.
  void TearDown() override {
    ::setenv("XDG_STATE_HOME", processFolder.c_str(), 1);
    destroyImageBuffer(dial);
    destroyImageBuffer(picture);
  }
  // A new run: the map written as the last run ends and read as this one starts, and the
  // dots set up as the dialog opens.
  MemoryDots& nextRun() {
    EXPECT_EQ(writeMap(), 0);
    view = std::make_unique<RecordingView>();
    dots = std::make_unique<MemoryDots>(settings, *view, MemoryDotImages{dial, &thumbnail});
    readMap();
    dots->restoreDots();
    return *dots;
  }
  int dialGreen(std::int32_t x, std::int32_t y) {
    std::uint8_t colour[4];
    getColour(*dial, x, y, 0, colour);
    return colour[1];
  }
  const std::string processFolder = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
  InkSettings settings{};
  ImageBuffer* dial = createImageBuffer(nullptr, kDialSide, kDialSide, kRgba8, 0, false);
  ImageBuffer* picture = createImageBuffer(nullptr, 128, 128, kRgba8, 0, false);
  PresetThumbnail thumbnail{picture};
  std::unique_ptr<RecordingView> view;
  std::unique_ptr<MemoryDots> dots;
};

TEST_F(MemoryDotsTest, KeptDotsComeBackAndTheOpeningLookTakesTheFirstFreeSlot) {
  setKept(0, true);
  setKept(1, true);
  MemoryDots& first = nextRun();
  EXPECT_EQ(first.currentSlot(), 2);
  EXPECT_EQ(view->redrawnDots, (std::vector<int>{0, 1, 2}));
  settings.look.style = 17;
  EXPECT_EQ(first.clickDot(4, false), DotAction::Stored);
  EXPECT_EQ(first.clickDot(5, true), DotAction::Stored) << "with Ctrl: for this dialog only";
  EXPECT_EQ(first.state(2), kDotStored);

  settings.look.style = 1;
  MemoryDots& second = nextRun();
  EXPECT_EQ(second.currentSlot(), 2) << "the opening look's slot was not kept";
  EXPECT_EQ(second.state(4), kDotStored);
  EXPECT_EQ(second.state(5), kDotEmpty);
  EXPECT_EQ(second.clickDot(4, false), DotAction::Recalled);
  EXPECT_EQ(settings.look.style, 17);
  EXPECT_STREQ(settings.settingsName, "dot 5");
  EXPECT_EQ(view->recalls, 1);

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

TEST_F(MemoryDotsTest, GesturesOnStoredAndEmptyDotsAndTheDial) {
  MemoryDots& run = nextRun();  // the opening look is in slot 0
  ASSERT_EQ(run.clickDot(3, false), DotAction::Stored);
  EXPECT_EQ(run.clickDot(3, true), DotAction::Unkept);
  EXPECT_EQ(run.state(3), kDotCurrent) << "an unkept dot keeps its look for this dialog";
  EXPECT_FALSE(isKept(3));
  run.hover(7);
  EXPECT_EQ(run.shownSlot(), kNoDot) << "an empty dot shows nothing";
  run.hover(3);
  EXPECT_EQ(run.clickDial(), DotAction::Recalled);
  EXPECT_STREQ(settings.settingsName, "dot 4");
  EXPECT_EQ(run.rightClickDot(3), DotAction::Forgotten);
  EXPECT_EQ(run.state(3), kDotEmpty);
  EXPECT_EQ(run.clickDial(), DotAction::None) << "nothing shown and no current dot";

  const std::vector<int> before = view->redrawnDots;
  for (const int slot : {-2, 25, 99}) {
    EXPECT_EQ(run.clickDot(slot, false), DotAction::None);
    EXPECT_EQ(run.rightClickDot(slot), DotAction::None);
    run.hover(slot);
    run.forget(slot);
  }
  EXPECT_EQ(view->redrawnDots, before) << "numbers outside the ring change nothing";
}

TEST_F(MemoryDotsTest, TheDialShowsTheSlotsPictureOrTheGreyRamp) {
  setKept(6, true);  // kept, but its file has gone
  nextRun();
  EXPECT_NEAR(dialGreen(50, 50), kRed[1], 12) << "the opening look's picture in the middle";
  EXPECT_EQ(dialGreen(2, 2), 255) << "white around it";
  view->picturesWork = false;
  ASSERT_EQ(dots->clickDot(1, false), DotAction::Stored);
  EXPECT_EQ(dialGreen(50, kDialPictureOffset + 44), 255 - 64) << "the ramp, scaled to 88 rows";

  settings.look.style = 11;
  EXPECT_FALSE(dots->recall(6));
  EXPECT_EQ(settings.look.style, 11);
  EXPECT_STREQ(settings.settingsName, "dot 7");
  dots->hover(0);
  dots->hover(6);
  EXPECT_EQ(dialGreen(50, kDialPictureOffset + 44), 255 - 64);
}

}  // namespace
}  // namespace qm
