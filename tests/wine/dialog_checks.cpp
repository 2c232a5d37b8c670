// SPDX-License-Identifier: LicenseRef-Quillmark
// The plug-in's main dialog under wine64, worked from the keyboard and the mouse as a user
// works it: its preview shows ink, follows a change of style and a drag, OK renders the look
// chosen there and Cancel writes nothing.
//
// QUILLMARK_DIALOG_SCREENSHOTS=FOLDER keeps the dialog as it opens and after the change of
// style there, for the docs (tools/dialog-screenshots); QUILLMARK_DIALOG_PICTURE=FILE.png
// shows that picture instead of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <thread>
#include <vector>

#include "cli/raster_image.h"
#include "tests/test_images.h"
#include "tests/wine/wine_session.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The dialog and its preview pane, in the dialog units of the resource script.
constexpr double kDialogWidth = 487, kDialogHeight = 372;
constexpr double kPaneLeft = 182, kPaneTop = 5, kPaneWidth = 295, kPaneHeight = 260;

// The pane on the screen, from the dialog's client area (its X window) scaled from dialog
// units, less a few pixels at each edge for its frame and the rounding.
ScreenRect paneOf(const ScreenRect& dialog) {
  const double across = dialog.width / kDialogWidth, down = dialog.height / kDialogHeight;
  constexpr int kInset = 4;
  return {dialog.x + int(kPaneLeft * across) + kInset, dialog.y + int(kPaneTop * down) + kInset,
          int(kPaneWidth * across) - 2 * kInset, int(kPaneHeight * down) - 2 * kInset};
}

// The 8-bit RGB of a screen area, row by row.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  bool operator==(const Pixels&) const = default;
};

std::string screenshotPath(const std::string& name) {
  fs::create_directories(QUILLMARK_SCREENSHOT_DIR);
  return std::string(QUILLMARK_SCREENSHOT_DIR) + "/" + name + ".png";
}

// The area as the screen shows it now; the whole screen stays in the file named.
bool capture(const ScreenRect& area, const std::string& name, Pixels& pixels) {
  RasterImage screen;
  std::string error;
  if (!takeScreenshot(screenshotPath(name)) || !cli::loadImage(screenshotPath(name), screen, error) ||
      screen.colorChannels < 3 || area.x < 0 || area.y < 0 || area.x + area.width > screen.width ||
      area.y + area.height > screen.height)
    return false;
  pixels.width = area.width;
  pixels.height = area.height;
  pixels.rgb.clear();
  for (int y = area.y; y < area.y + area.height; ++y)
    for (int x = area.x; x < area.x + area.width; ++x)
      for (int c = 0; c < 3; ++c) pixels.rgb.push_back(std::uint8_t(sampleAt(screen, x, y, c)));
  return true;
}

// Ink is paper and ink, not a picture's middle tones (which the pane shows while it is
// dragged): nearly every sample at either end, and a good share of the pane near black
// and a good share near white.
bool showsInk(const Pixels& pixels) {
  std::size_t black = 0, white = 0, atAnEnd = 0;
  for (std::size_t at = 0; at + 2 < pixels.rgb.size(); at += 3) {
    const auto [low, high] = std::minmax({pixels.rgb[at], pixels.rgb[at + 1], pixels.rgb[at + 2]});
    black += high <= 48;
    white += low >= 208;
    for (std::size_t c = at; c < at + 3; ++c) atAnEnd += pixels.rgb[c] <= 48 || pixels.rgb[c] >= 208;
  }
  const std::size_t count = pixels.rgb.size() / 3;
  return black * 20 > count && white * 20 > count && atAnEnd * 20 > pixels.rgb.size() * 19;
}

// Polls the pane until it shows what `wanted` asks and has stopped changing (the preview
// may come in parts); false after timeoutSeconds, with the last look in `pixels`.
bool waitForPane(const ScreenRect& pane, const std::string& name, const std::function<bool(const Pixels&)>& wanted,
                 Pixels& pixels, int timeoutSeconds = 20) {
  const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  Pixels before;
  while (Clock::now() < deadline) {
    if (capture(pane, name, pixels) && wanted(pixels) && pixels == before) return true;
    before = pixels;
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
  }
  return false;
}

// Where in the picture the pane shows, as its top left corner; nullopt when it shows no
// part of the picture pixel for pixel.
std::optional<std::pair<int, int>> placeIn(const RasterImage& picture, const Pixels& pane) {
  const auto matchesAt = [&](int left, int top) {
    for (int y = 0; y < pane.height; ++y)
      for (int x = 0; x < pane.width; ++x)
        for (int c = 0; c < 3; ++c)
          if (sampleAt(picture, left + x, top + y, c) != pane.rgb[std::size_t((y * pane.width + x) * 3 + c)])
            return false;
    return true;
  };
  for (int top = 0; top + pane.height <= picture.height; ++top)
    for (int left = 0; left + pane.width <= picture.width; ++left)
      if (matchesAt(left, top)) return std::pair{left, top};
  return std::nullopt;
}

// Keeps the dialog window of the last screenshot taken under `name` for the docs, when asked.
void keepForDocs(const std::string& name, const ScreenRect& dialog, const std::string& docsName) {
  const char* folder = std::getenv("QUILLMARK_DIALOG_SCREENSHOTS");
  if (!folder) return;
  const std::string crop = std::to_string(dialog.width) + "x" + std::to_string(dialog.height) + "+" +
                           std::to_string(dialog.x) + "+" + std::to_string(dialog.y);
  const ChildResult kept = runChild("/usr/bin/convert", {screenshotPath(name), "-crop", crop, "+repage", "-strip",
                                                         std::string(folder) + "/" + docsName + ".png"});
  EXPECT_EQ(kept.exitStatus, 0) << kept.err;
}

std::string dialogPicture() {
  const char* given = std::getenv("QUILLMARK_DIALOG_PICTURE");
  if (given) return given;
  // Larger than the pane, so that there is room to drag it.
  return writeTemp(makeTestImage(640, 480, cli::SampleType::UInt8, 3, false), "dialog-in.png");
}

std::vector<std::string> renderWithDialog(const std::string& in, const std::string& out) {
  return {"render", windowsPath(in), windowsPath(out), "--dialog", "--seed", "5", "--style", "diffusion",
          "--print-settings", "--no-progress"};
}

RasterImage loaded(const std::string& path) {
  RasterImage image;
  std::string error;
  EXPECT_TRUE(cli::loadImage(path, image, error)) << error;
  return image;
}

// A command that shows the dialog, running until the test presses Enter or Escape; ready
// once the dialog's first preview shows ink, as a user waits for it before working it.
struct DialogRun {
  explicit DialogRun(const std::vector<std::string>& arguments) : command(arguments) {}

  ::testing::AssertionResult ready() {
    // A command that fails before its dialog shows is not waited for.
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    unsigned long window = 0;
    while (!window && !command.ended() && Clock::now() < deadline) window = waitForWindow("Quillmark", 1);
    if (!window) {
      const ChildResult& run = command.finish(0);
      return ::testing::AssertionFailure() << "no dialog appeared; the command "
                                           << (run.signal ? "was still running" : "said: " + run.err);
    }
    // Wine may still move the window into place as it shows it: its place counts once the
    // preview in it shows ink and it has not moved meanwhile.
    ScreenRect before;
    for (int look = 0; look < 5; ++look) {
      if (!windowRect(window, dialog)) return ::testing::AssertionFailure() << "the dialog's window has no place";
      if (look > 0 && dialog == before) return ::testing::AssertionSuccess();
      before = dialog;
      pane = paneOf(dialog);
      if (!waitForPane(pane, "dialog-opening", showsInk, opening))
        return ::testing::AssertionFailure() << "the preview shows no ink";
    }
    return ::testing::AssertionFailure() << "the dialog's window has no steady place";
  }

  BackgroundWindowsCommand command;
  ScreenRect dialog, pane;
  Pixels opening;
};

// Where the pane shows in `render`, polled until it does; nullopt when it never does.
std::optional<std::pair<int, int>> waitForPartOf(const RasterImage& render, const DialogRun& run,
                                                 const std::string& name, const Pixels& unlike) {
  std::optional<std::pair<int, int>> place;
  Pixels pane;
  const auto partOfRender = [&](const Pixels& now) { return now != unlike && (place = placeIn(render, now)); };
  return waitForPane(run.pane, name, partOfRender, pane) ? place : std::nullopt;
}

TEST(WineDialogs, MainDialogPreviewsTheLookAndOkRendersIt) {
  // The look the test chooses, as the Linux build renders it: the preview must show parts
  // of it, and OK write it. Wave is drawn band by band, so that any part of the picture the
  // pane shows is inked exactly as the whole render inks it (a style that carries its error
  // along the rows differs when the pane starts past the picture's left edge).
  const std::string in = dialogPicture();
  const std::string out = tempPath("dialog-out.png"), linuxOut = tempPath("dialog-linux.png");
  const ChildResult onLinux =
      runChild(QUILLMARK_CLI_PATH, {"render", in, linuxOut, "--seed", "5", "--style", "wave", "--no-progress"});
  ASSERT_EQ(onLinux.exitStatus, 0) << onLinux.err;
  const RasterImage expected = loaded(linuxOut);

  DialogRun run(renderWithDialog(in, out));
  ASSERT_TRUE(run.ready());
  keepForDocs("dialog-opening", run.dialog, "dialog-opening");
  // The style list has the focus first: four steps down from diffusion is wave.
  ASSERT_TRUE(pressKey("Down") && pressKey("Down") && pressKey("Down") && pressKey("Down"));
  const auto restyled = waitForPartOf(expected, run, "dialog-restyled", run.opening);
  ASSERT_TRUE(restyled) << "the preview did not follow the change of style to wave";
  keepForDocs("dialog-restyled", run.dialog, "dialog-after-change");

  // Dragging moves the picture with the pointer, one picture pixel per screen pixel; the
  // ink comes back once the button is let go.
  constexpr int kDragX = -40, kDragY = -20;
  Pixels beforeDrag;
  ASSERT_TRUE(capture(run.pane, "dialog-restyled", beforeDrag));
  const int centreX = run.pane.x + run.pane.width / 2, centreY = run.pane.y + run.pane.height / 2;
  ASSERT_TRUE(dragPointer(centreX, centreY, centreX + kDragX, centreY + kDragY));
  const auto panned = waitForPartOf(expected, run, "dialog-panned", beforeDrag);
  ASSERT_TRUE(panned) << "the preview did not follow the drag";
  EXPECT_EQ(panned->first - restyled->first, -kDragX);
  EXPECT_EQ(panned->second - restyled->second, -kDragY);

  // OK renders the document with the seed the preview used: the Linux build's pixels.
  ASSERT_TRUE(pressKey("Return"));
  const ChildResult& ended = run.command.finish(60);
  ASSERT_EQ(ended.exitStatus, 0) << ended.err;
  EXPECT_NE(ended.out.find("style    = QN05  wave"), std::string::npos) << ended.out;
  EXPECT_TRUE(sameImage(expected, loaded(out)));
}

TEST(WineDialogs, MainDialogCancelledWritesNothing) {
  const std::string in = dialogPicture();
  const std::string out = tempPath("cancel-out.png");
  DialogRun run(renderWithDialog(in, out));
  ASSERT_TRUE(run.ready());
  ASSERT_TRUE(pressKey("Escape"));
  const ChildResult& ended = run.command.finish(60);
  EXPECT_EQ(ended.exitStatus, 130) << ended.err;
  EXPECT_NE(ended.err.find("stopped; " + windowsPath(out) + " was not written"), std::string::npos) << ended.err;
  EXPECT_FALSE(fs::exists(out));
}

// The leanest hosts pass no settings and answer no property, so they cannot ask for the
// filter without its dialog: it shows, with the look the last finished render left behind,
// and OK renders that. Bayer's screen needs no random phase, so the clock that seeds such a
// run cannot change the picture.
TEST(WineDialogs, LeanestHostGetsTheDialogWithTheLookOfTheLastFinishedRun) {
  const std::string in = writeTemp(makeTestImage(600, 450, cli::SampleType::UInt8, 3, true), "lean.png");
  const std::string full = tempPath("full-out.png"), lean = tempPath("lean-out.png");
  const ChildResult fullRun = runWindowsCommand({"render", windowsPath(in), windowsPath(full), "--style", "Bayer",
                                                 "--scale", "2x", "--no-progress"});
  ASSERT_EQ(fullRun.exitStatus, 0) << fullRun.err;
  const RasterImage expected = loaded(full);
  DialogRun run({"render", windowsPath(in), windowsPath(lean), "--lean-host", "--no-progress"});
  ASSERT_TRUE(run.ready());
  EXPECT_TRUE(waitForPartOf(expected, run, "dialog-lean", Pixels{})) << "the dialog opened with another look";
  ASSERT_TRUE(pressKey("Return"));
  const ChildResult& ended = run.command.finish(60);
  ASSERT_EQ(ended.exitStatus, 0) << ended.err;
  EXPECT_TRUE(sameImage(expected, loaded(lean)));
}

}  // namespace
}  // namespace qm::test
