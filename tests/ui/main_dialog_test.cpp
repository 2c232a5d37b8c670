// SPDX-License-Identifier: LicenseRef-Quillmark
// The main dialog driven without a window: lists and fields from the settings, commits and
// their undo steps, the typed-number timer, the slider, the dial, the preview's region and
// pan, the memory dots and the preset buttons, OK and Cancel.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "settings/memory_dot_map.h"
#include "settings/name_tables.h"
#include "settings/preset_file.h"
#include "tests/settings/preset_test_files.h"
#include "tests/ui/dialog_fakes.h"
#include "ui/control_geometry.h"
#include "ui/main_dialog.h"

namespace qm::ui {
namespace {

class MainDialogTest : public ::testing::Test {
 protected:
  void open(std::int32_t width = 120, std::int32_t height = 90) {
    TearDown();  // a test may open the dialog again
    document = std::make_unique<test::FakeDocument>(width, height);
    resetForRun(settings);
    settings.previewEnabled = 1;
    settings.look.style = 7;
    settings.look.diameter = 40;
    setText(settings.settingsName, "opening look");
    resetUndo(undo);
    resetPreviewState(preview);
    working = createWorkingSet();
    PushUndo(undo, settings, true);  // as the start phase does before the dialog
    dialog = std::make_unique<MainDialog>(DialogSession{&settings, &undo, &preview, working, document.get(), 7}, view);
    dialog->open();
  }
  void TearDown() override {
    dialog.reset();
    freePreviewBuffer(preview);
    releaseWorkingSet(working);
  }
  Point centreOf(int id) const {
    Rect r{};
    EXPECT_TRUE(view.controlRect(id, r));
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // A press, the synthetic first move the view delivers, and the release.
  void click(Point at, bool right = false, bool ctrl = false) {
    dialog->buttonDown(at, right, ctrl);
    if (!view.postedMoves.empty()) dialog->mouseMove(view.postedMoves.back());
    view.postedMoves.clear();
    dialog->buttonUp();
    const std::vector<int> posted = std::move(view.postedCommands);
    view.postedCommands.clear();
    for (int id : posted) dialog->command(id);
  }
  bool previewHasInkAndPaper() const {
    bool ink = false, paper = false;
    for (std::size_t i = 0; i < std::size_t(preview.planeSize); ++i) {
      ink = ink || preview.buffer[i] < 64;
      paper = paper || preview.buffer[i] > 192;
    }
    return ink && paper;
  }

  const test::OwnStateFolder state;
  InkSettings settings{};
  UndoStore undo{};
  PreviewState preview{};
  RenderWorkingSet* working = nullptr;
  std::unique_ptr<test::FakeDocument> document;
  test::FakeView view;
  std::unique_ptr<MainDialog> dialog;
};

TEST(DialogTables, ListsComeFromTheNameTablesAndItemCommandsFindTheirList) {
  ComboRegistry registry;
  clearComboRegistry(registry);
  fillComboRegistry(registry);
  EXPECT_EQ(registry.count, kStyleCount + kScaleCount + kLineWeightCount + kInvertModeCount + kBlendModeCount);
  const int lastBlend = findComboItem(registry, kFirstItemCommand + registry.count - 1);
  EXPECT_EQ(registry.listIds[lastBlend], kBlendList);
  EXPECT_EQ(registry.values[lastBlend], kBlendModeCount);
  const int firstScale = findComboItem(registry, kFirstItemCommand + kStyleCount);
  EXPECT_EQ(registry.listIds[firstScale], kScaleList);
  EXPECT_EQ(registry.values[firstScale], 1);
  EXPECT_EQ(findComboItem(registry, kFirstItemCommand + registry.count), -1);
  EXPECT_EQ(findComboItem(registry, 1999), -1);
  EXPECT_EQ(listItemNames(kStyleList).back(), styleName(kStyleCount));

  EXPECT_EQ(kindOf(kDiameterTrack), kKindSliderTrack);
  EXPECT_EQ(kindOf(kDiameterField), kKindNumericField);
  EXPECT_EQ(controlDescriptor(kDiameterTrack).maximum, 250);
  EXPECT_EQ(controlDescriptor(kDiameterTrack).partner, kDiameterField);
  EXPECT_STREQ(labelText(controlDescriptor(kAngleLabel).label), "Angle");
  for (int id : {-1, 0, 1, 199, 200, 5000}) {
    const ControlDescriptor none = controlDescriptor(id);
    EXPECT_EQ(none.kind, kKindNone) << id;
    EXPECT_EQ(none.partner, kNoControl);
    EXPECT_EQ(none.maximum, 100);
  }
}

TEST(DialogGeometry, DialPointsUpAtZeroAndTurnsClockwise) {
  const Rect dial{100, 100, 154, 154};
  EXPECT_EQ(angleAt(dial, {140, 127}), 90);
  EXPECT_EQ(angleAt(dial, {127, 140}), 180);
  EXPECT_EQ(angleAt(dial, {110, 127}), 270);
  EXPECT_EQ(angleAt(dial, {127, 110}), 0);
  EXPECT_EQ(angleAt(dial, {140, 114}), 45);
  EXPECT_EQ(angleAt(dial, {114, 114}), 315);
  for (int degrees : {0, 90, 180, 270}) {
    const Needle n = needleFor(dial, degrees);
    EXPECT_EQ(angleAt(dial, {std::int32_t(n.tipX + 1), std::int32_t(n.tipY)}), degrees);
  }
}

TEST(DialogGeometry, SliderValuesStayInRangeAndTheKnobInsideItsTrack) {
  const Rect track{102, 296, 282, 312};
  EXPECT_EQ(sliderValueAt(track, {0, 300}, 0, 250), 0);
  EXPECT_EQ(sliderValueAt(track, {900, 300}, 0, 250), 250);
  EXPECT_EQ(sliderValueAt(track, {107, 300}, 0, 250), 0);
  EXPECT_EQ(sliderValueAt(track, {107 + 166, 300}, 0, 250), 250);
  EXPECT_LT(sliderValueAt(track, {190, 300}, 0, 250), sliderValueAt(track, {200, 300}, 0, 250));
  for (int value : {0, 125, 250}) {
    const Rect knob = knobRect(track, value, 0, 250);
    EXPECT_GE(knob.left, track.left);
    EXPECT_LE(knob.right, track.right);
    // The pointer on the knob's middle gives back about its value.
    EXPECT_NEAR(sliderValueAt(track, {(knob.left + knob.right) / 2 + 4 - 5, 300}, 0, 250), value, 3) << value;
  }
}

TEST_F(MainDialogTest, OpeningShowsTheSettingsAndRendersTheFirstPreview) {
  open();
  EXPECT_EQ(view.lists[kStyleList].size(), std::size_t(kStyleCount));
  EXPECT_EQ(view.lists[kBlendList].size(), std::size_t(kBlendModeCount));
  EXPECT_EQ(view.selections[kStyleList], 6);
  EXPECT_EQ(view.fields[kDiameterField], "40");
  EXPECT_EQ(view.fields[kSharpenField], "75");
  ASSERT_NE(preview.buffer, nullptr);
  EXPECT_EQ(preview.width, 120);
  EXPECT_EQ(preview.height, 90);
  EXPECT_TRUE(previewHasInkAndPaper());
  // The whole picture fits: white margins, and a press on the pane does not pan.
  EXPECT_EQ(preview.fitFactor, 1);
  EXPECT_TRUE(view.previewDraws.back());
  dialog->buttonDown(centreOf(kPreviewPane), false, false);
  EXPECT_FALSE(view.captured);
  EXPECT_EQ(dialog->capturedControl(), -1);
  // Undo before any change changes nothing.
  const Preset before = takeSnapshot(settings);
  dialog->command(kUndoButton);
  EXPECT_EQ(std::memcmp(&before.look, &settings.look, sizeof before.look), 0);
}

TEST_F(MainDialogTest, NextBlendWrapsAndEveryCommitIsOneUndoStep) {
  open();
  dialog->command(kFirstItemCommand + kStyleCount + kScaleCount + kLineWeightCount + kInvertModeCount +
                  kBlendModeCount - 1);
  EXPECT_EQ(settings.look.blendMode, kBlendModeCount);
  EXPECT_EQ(view.selections[kBlendList], kBlendModeCount - 1);
  dialog->command(kNextBlendButton);
  EXPECT_EQ(settings.look.blendMode, 1);
  EXPECT_EQ(view.selections[kBlendList], 0);
  dialog->command(kUndoButton);
  EXPECT_EQ(settings.look.blendMode, kBlendModeCount);
  dialog->command(kUndoButton);
  EXPECT_EQ(settings.look.blendMode, 1) << "Undo twice returns to the state before the first Undo";
}

TEST_F(MainDialogTest, ATypedNumberMovesTheTrackAtOnceAndCommitsAfterItsWait) {
  open();
  dialog->fieldTextChanged(kDiameterField, "30");
  dialog->fieldTextChanged(kDiameterField, "300");
  EXPECT_EQ(dialog->value(kDiameterTrack), 250);
  EXPECT_EQ(settings.look.diameter, 40) << "nothing is committed while the user types";
  EXPECT_EQ(view.timers[kCommitTimer], 1000);
  EXPECT_EQ(view.timerStarts, 2) << "each keystroke restarts the wait";
  dialog->timerFired(kCommitTimer);
  EXPECT_EQ(settings.look.diameter, 250);
  EXPECT_EQ(view.fields[kDiameterField], "250");
  EXPECT_EQ(view.timers.count(kCommitTimer), 0u);
  dialog->command(kUndoButton);
  EXPECT_EQ(settings.look.diameter, 40) << "one undo step for the typed number";
  dialog->fieldTextChanged(kSharpenField, "soft");
  dialog->timerFired(kCommitTimer);
  EXPECT_EQ(settings.look.sharpen, 0) << "text that is no number reads as 0";
}

TEST_F(MainDialogTest, ATrackClickSetsTheValueAtOnceAndCommitsOneStep) {
  open();
  const std::int32_t opening = settings.look.warping;
  Rect track{};
  ASSERT_TRUE(view.controlRect(kWarpingTrack, track));
  const Point at{track.left + track.width() * 3 / 4, (track.top + track.bottom) / 2};
  click(at);
  const std::int32_t expected = sliderValueAt(track, at, 0, 100);
  ASSERT_NE(expected, opening);
  EXPECT_EQ(settings.look.warping, expected);
  EXPECT_EQ(view.fields[kWarpingField], std::to_string(expected));
  dialog->command(kUndoButton);
  EXPECT_EQ(settings.look.warping, opening);
}

TEST_F(MainDialogTest, DraggingTheDialSetsTheAngleFromItsCentre) {
  open();
  Rect dial{};
  ASSERT_TRUE(view.controlRect(kAngleDial, dial));
  const Point centre{(dial.left + dial.right) / 2, (dial.top + dial.bottom) / 2};
  const std::pair<Point, int> compass[] = {{{centre.x + 20, centre.y}, 90},
                                           {{centre.x, centre.y + 20}, 180},
                                           {{centre.x - 20, centre.y}, 270},
                                           {{centre.x, centre.y - 20}, 0}};
  dialog->buttonDown(centre, false, false);
  for (const auto& [at, degrees] : compass) {
    dialog->mouseMove(at);
    EXPECT_EQ(dialog->value(kAngleDial), degrees);
  }
  dialog->buttonUp();
  EXPECT_EQ(settings.look.angle, 0);
  dialog->command(kUndoButton);
  EXPECT_EQ(settings.look.angle, 45) << "the default angle before the drag";
}

TEST_F(MainDialogTest, CancelRestoresTheOpeningSettingsAndOkKeepsTheChanges) {
  open();
  const Preset opening = takeSnapshot(settings);
  dialog->command(kRandomButton);
  EXPECT_STREQ(settings.settingsName, "random settings");
  dialog->listSelectionChanged(kStyleList, 19);
  dialog->command(kResetButton);
  EXPECT_STREQ(settings.settingsName, "plain settings");
  dialog->command(kGrayCheck);
  EXPECT_EQ(settings.look.gray, 1);
  dialog->command(kCancelButton);
  EXPECT_EQ(view.endCode, kCancelButton);
  EXPECT_EQ(dialog->end(), kDialogCancel);
  EXPECT_EQ(std::memcmp(&opening.look, &settings.look, sizeof opening.look), 0);
  EXPECT_STREQ(settings.settingsName, "opening look");

  open();
  dialog->listSelectionChanged(kStyleList, 19);
  dialog->command(kOkButton);
  EXPECT_EQ(dialog->end(), kDialogOk);
  EXPECT_EQ(settings.look.style, 20);
}

TEST_F(MainDialogTest, PanningShowsTheSourceAndStopsAtBothEdges) {
  open(900, 700);
  ASSERT_GT(preview.fitFactor, 1);
  const Point start = centreOf(kPreviewPane);
  dialog->buttonDown(start, false, false);
  ASSERT_TRUE(view.captured);
  dialog->mouseMove(view.postedMoves.back());
  EXPECT_EQ(settings.viewOffsetX, 0) << "a press alone does not move the view";
  dialog->mouseMove({start.x - 5000, start.y - 5000});
  EXPECT_EQ(settings.viewOffsetX, 900 - preview.width);
  EXPECT_EQ(settings.viewOffsetY, 700 - preview.height);
  EXPECT_EQ(view.cursor, CursorShape::Panning);
  // While dragging the pane shows the untreated picture at the new place.
  EXPECT_EQ(preview.buffer[0], document->sample(settings.viewOffsetX, settings.viewOffsetY, 0));
  EXPECT_EQ(preview.buffer[std::size_t(preview.planeSize) * 2 + 5],
            document->sample(settings.viewOffsetX + 5, settings.viewOffsetY, 2));
  dialog->mouseMove({start.x + 5000, start.y + 5000});
  EXPECT_EQ(settings.viewOffsetX, 0);
  EXPECT_EQ(settings.viewOffsetY, 0);
  dialog->mouseMove({start.x + 5000 - 40, start.y + 5000 - 30});
  dialog->buttonUp();
  EXPECT_EQ(settings.viewOffsetX, 40);
  EXPECT_EQ(settings.viewOffsetY, 30);
  EXPECT_TRUE(previewHasInkAndPaper()) << "the ink comes back on release";
  EXPECT_EQ(document->loads, 1) << "the document is loaded once, not per change";
}

TEST_F(MainDialogTest, MemoryDotsStoreAndRecallThroughTheDialog) {
  open();
  // The opening look went into the first free dot as the current one.
  ASSERT_EQ(dialog->dots().currentSlot(), 0);
  const Point second = centreOf(kFirstMemoryDot + 1);
  click(second);  // an empty dot: the look is stored and kept
  EXPECT_EQ(dialog->dots().state(1), kDotCurrent);
  EXPECT_TRUE(isKept(1));
  dialog->listSelectionChanged(kStyleList, 2);
  EXPECT_EQ(settings.look.style, 3);
  click(second);  // recall
  EXPECT_EQ(settings.look.style, 7);
  EXPECT_EQ(view.selections[kStyleList], 6);
  EXPECT_STREQ(settings.settingsName, "dot 2");
  dialog->command(kUndoButton);
  EXPECT_EQ(settings.look.style, 3) << "a recall is one undo step";
  click(second, false, true);  // Ctrl: no longer kept, still stored
  EXPECT_FALSE(isKept(1));
  EXPECT_NE(dialog->dots().state(1), kDotEmpty);
  click(second, true);  // right button: forgotten
  EXPECT_EQ(dialog->dots().state(1), kDotEmpty);
}

TEST_F(MainDialogTest, SaveAndLoadGoThroughThePresetFiles) {
  open();
  const std::string path = (std::filesystem::path(test::tempPath("dialog")) / "ink look.q7q").string();
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  view.nextFile = path;
  dialog->command(kSaveButton);
  EXPECT_EQ(view.offeredName, "opening look.q7q");
  EXPECT_STREQ(settings.settingsName, "ink look.q7q");
  InkSettings saved{};
  resetForRun(saved);
  EXPECT_EQ(readPreset(path, saved, PresetReadMode::Load, nullptr).result, 0);
  EXPECT_EQ(saved.look.style, 7);
  ImageBuffer thumbnailImage, picture;
  initImageBuffer(thumbnailImage, nullptr);
  initImageBuffer(picture, nullptr);
  ASSERT_TRUE(configureImageBuffer(&thumbnailImage, 128, 128, kRgba8, 0, false));
  PresetThumbnail thumbnail{&thumbnailImage};
  EXPECT_TRUE(readPicture(path, thumbnail, picture, 64)) << "the preset carries a picture of the preview";
  releasePixels(thumbnailImage);
  releasePixels(picture);

  dialog->listSelectionChanged(kStyleList, 11);
  dialog->command(kLoadButton);
  EXPECT_EQ(settings.look.style, 7);
  EXPECT_EQ(view.selections[kStyleList], 6);
  dialog->command(kUndoButton);
  EXPECT_EQ(settings.look.style, 12) << "Load is one undo step";

  view.nextFile.reset();  // the user cancels the chooser
  dialog->command(kLoadButton);
  EXPECT_EQ(settings.look.style, 12);
  EXPECT_TRUE(view.problems.empty());
  view.nextFile = path + ".missing";
  dialog->command(kLoadButton);
  EXPECT_EQ(view.problems.size(), 1u) << "a file that cannot be read is reported";
}

}  // namespace
}  // namespace qm::ui

namespace qm::ui {
namespace {

std::string fileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::uint32_t bigEndianAt(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 8 | std::uint8_t(bytes[at + i]);
  return value;
}

TEST_F(MainDialogTest, PsdButtonWritesTheWholeDocumentOrTellsWhyNot) {
  open(300, 200);
  const Preset before = takeSnapshot(settings);
  const std::string folder = test::tempPath("psd export");
  std::filesystem::create_directories(folder);
  view.nextFile = folder + "/result.psd";
  dialog->command(kPsdButton);
  const std::string psd = fileText(folder + "/result.psd");
  ASSERT_GE(psd.size(), 26u);
  EXPECT_EQ(psd.substr(0, 4), "8BPS");
  EXPECT_EQ(bigEndianAt(psd, 14), 200u) << "height";
  EXPECT_EQ(bigEndianAt(psd, 18), 300u) << "width";
  EXPECT_NE(psd.find("layer 1"), std::string::npos);
  ASSERT_GE(view.progress.size(), 3u);
  EXPECT_EQ(view.progress.front(), -1);
  EXPECT_EQ(view.progress.back(), -2) << "the progress window closes";
  EXPECT_TRUE(view.problems.empty());
  EXPECT_EQ(std::memcmp(&before.look, &settings.look, sizeof before.look), 0) << "the export changes no setting";
  EXPECT_EQ(std::string(settings.saveFolder), folder + "/");

  view.nextFile = folder + "/no such folder/result.psd";
  dialog->command(kPsdButton);
  EXPECT_EQ(view.problems.size(), 1u) << "a file that cannot be written is reported";
  EXPECT_FALSE(std::filesystem::exists(folder + "/no such folder"));
}

TEST_F(MainDialogTest, CatalogueButtonsWriteAndOpenTheirPages) {
  open();
  const std::string folder = test::tempPath("catalogues");
  std::filesystem::create_directories(folder + "/presets");
  for (const char* name : {"ink.q7q", "wash.Q7Q"}) ASSERT_EQ(writePreset(folder + "/presets/" + name, settings, nullptr), 0);
  view.queuedFiles = {folder + "/presets/ink.q7q", folder + "/presets.html"};
  dialog->command(kCatalogueButton);
  ASSERT_EQ(view.openedDocuments, std::vector<std::string>{folder + "/presets.html"});
  const std::string presetsPage = fileText(folder + "/presets.html");
  EXPECT_NE(presetsPage.find("web_images/ink.jpg"), std::string::npos);
  EXPECT_NE(presetsPage.find("web_images/wash.jpg"), std::string::npos);

  // The opening look is in dot 1; store another look in dot 2, then the dial's right button.
  dialog->listSelectionChanged(kStyleList, 13);
  click(centreOf(kFirstMemoryDot + 1));
  const Preset before = takeSnapshot(settings);
  view.nextFile = folder + "/dots.html";
  click(centreOf(kMemoryDial), true);
  ASSERT_EQ(view.openedDocuments.size(), 2u);
  const std::string dotsPage = fileText(folder + "/dots.html");
  for (int dot : {1, 2}) {
    const std::string name = "dot " + std::to_string(dot) + ".jpg";
    EXPECT_NE(dotsPage.find("web_images/dot%20" + std::to_string(dot) + ".jpg"), std::string::npos) << name;
    EXPECT_GT(std::filesystem::file_size(folder + "/web_images/" + name), 100u) << name;
  }
  EXPECT_EQ(dotsPage.find("dot%203"), std::string::npos) << "empty dots have no cell";
  EXPECT_EQ(std::memcmp(&before.look, &settings.look, sizeof before.look), 0);
  EXPECT_STREQ(settings.settingsName, before.name);
}

}  // namespace
}  // namespace qm::ui
