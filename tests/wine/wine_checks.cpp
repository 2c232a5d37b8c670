// SPDX-License-Identifier: LicenseRef-Quillmark
// The Windows command and plug-in, run under wine64: they read the plug-in's property list
// as a host does, render what the Linux build renders, replay a recorded look, and show
// their message boxes (the main dialog has dialog_checks.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "cli/raster_image.h"
#include "quillmark_version.h"
#include "tests/test_images.h"
#include "tests/wine/wine_session.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

ChildResult linuxCommand(const std::vector<std::string>& arguments) { return runChild(QUILLMARK_CLI_PATH, arguments); }

RasterImage loaded(const std::string& path) {
  RasterImage image;
  std::string error;
  EXPECT_TRUE(loadImage(path, image, error)) << error;
  return image;
}

TEST(WineBuild, ReadsThePluginsPropertyListAsAHostDoes) {
  const ChildResult info = runWindowsCommand({"plugin-info", "--plugin", windowsPluginPath()});
  ASSERT_EQ(info.exitStatus, 0) << info.err;
  for (const char* expected : {"name        Quillmark...", "category    Tallowbridge", "kind        8BFM",
                               "version     4.0", "entry x86   PluginMain", "entry x64   PluginMain",
                               "modes       grayscale, RGB", "scope \"Tallowbridge Quillmark\""})
    EXPECT_NE(info.out.find(expected), std::string::npos) << expected << " missing from:\n" << info.out;
}

// quillmark.exe --version: its own version, the .8bf beside it with the version its property
// list names (the build's, as tools/version printed it for this tree), and the libraries linked
// into it with their versions built and running; a plug-in that is not there is named as such,
// the rest printed all the same, and the status is 1.
TEST(WineBuild, VersionNamesTheCommandThePluginBesideItAndTheLibraries) {
  const ChildResult result = runWindowsCommand({"--version"});
  ASSERT_EQ(result.exitStatus, 0) << result.err << result.out;
  EXPECT_EQ(result.err, "");
  for (const std::string& expected :
       {std::string("quillmark   ") + QUILLMARK_VERSION, std::string("\\bin\\Quillmark.8bf"),
        std::string("            version ") + QUILLMARK_VERSION, std::string("  libpng         1."),
        std::string("  zlib           1."), std::string("  libtiff        4."), std::string("  libjpeg-turbo  "),
        std::string("  libdeflate     1.")})
    EXPECT_NE(result.out.find(expected), std::string::npos) << expected << " missing from:\n" << result.out;
  for (const char* library : {"  libpng ", "  zlib ", "  libtiff "}) {
    const std::size_t at = result.out.find(library);
    const std::string line = result.out.substr(at, result.out.find('\n', at) - at);
    EXPECT_EQ(line.find("(no run-time version call)"), std::string::npos) << line;
  }

  const ChildResult missing = runWindowsCommand({"--version", "--plugin", "C:\\nowhere\\Quillmark.8bf"});
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_EQ(missing.err.rfind("quillmark: ", 0), 0u) << missing.err;
  EXPECT_NE(missing.err.find("C:\\nowhere\\Quillmark.8bf"), std::string::npos) << missing.err;
  for (const std::string& expected : {std::string("quillmark   ") + QUILLMARK_VERSION,
                                     std::string("plug-in     C:\\nowhere\\Quillmark.8bf"),
                                     std::string("cannot be loaded: "), std::string("  libpng ")})
    EXPECT_NE(missing.out.find(expected), std::string::npos) << expected << " missing from:\n" << missing.out;
}

TEST(WineBuild, RendersTheSameImagesAsTheLinuxBuild) {
  // Each picture with another style and blend, so that the tables made with the
  // platform's sine and square root, the float blends, the opponent-colour tables and the
  // dot textures all have to agree to the last bit.
  struct Case {
    const char* name;
    RasterImage image;
    std::vector<std::string> look;
  } cases[] = {
      {"rgb8.png", makeTestImage(97, 61, cli::SampleType::UInt8, 3, false),
       {"--style", "diffusion", "--blend", "frontal"}},
      {"rgb8-ripple.png", makeTestImage(97, 61, cli::SampleType::UInt8, 3, false),
       {"--style", "ripple", "--scale", "2x", "--blend", "parietal"}},
      {"greyalpha16.png", makeTestImage(64, 65, cli::SampleType::UInt16, 1, true),
       {"--style", "Ostromoukhov", "--blend", "multiply"}},
      {"rgb16-splatter.png", makeTestImage(64, 65, cli::SampleType::UInt16, 3, false),
       {"--style", "splatter", "--blend", "color", "--gray"}},
      {"rgbafloat.tif", makeTestImage(40, 130, cli::SampleType::Float32, 3, true), {"--style", "Hyper-B"}},
      {"rgb8-spots.png", makeTestImage(97, 61, cli::SampleType::UInt8, 3, false),
       {"--style", "spots", "--line", "thicker", "--blend", "screen"}},
      {"rgb8-bubbles.png", makeTestImage(97, 61, cli::SampleType::UInt8, 3, false),
       {"--style", "bubbles", "--angle", "200", "--warping", "70"}},
      {"photo.jpg", makeTestImage(97, 61, cli::SampleType::UInt8, 3, false), {"--style", "wave", "--blend", "hue"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = writeTemp(c.image, c.name);
    const std::string extension = fs::path(c.name).extension().string();
    const std::string linuxOut = tempPath(std::string("linux-") + c.name);
    const std::string windowsOut = tempPath(std::string("windows-") + c.name);
    std::vector<std::string> look = c.look;
    look.insert(look.end(), {"--seed", "7", "--no-progress"});
    std::vector<std::string> linuxArgs = {"render", in, linuxOut};
    linuxArgs.insert(linuxArgs.end(), look.begin(), look.end());
    std::vector<std::string> windowsArgs = {"render", windowsPath(in), windowsPath(windowsOut)};
    windowsArgs.insert(windowsArgs.end(), look.begin(), look.end());
    const ChildResult onLinux = linuxCommand(linuxArgs);
    const ChildResult onWindows = runWindowsCommand(windowsArgs);
    ASSERT_EQ(onLinux.exitStatus, 0) << onLinux.err;
    ASSERT_EQ(onWindows.exitStatus, 0) << onWindows.err;
    EXPECT_TRUE(sameImage(loaded(linuxOut), loaded(windowsOut)));
  }
}

TEST(WineBuild, ReplaysALookRecordedOnLinux) {
  const std::string in = writeTemp(makeTestImage(50, 70, cli::SampleType::UInt8, 3, false), "in.png");
  const ChildResult recorded =
      linuxCommand({"render", in, tempPath("recorded.png"), "--style", "maze", "--angle", "30", "--gray",
                    "--seed", "3", "--print-settings", "--no-progress"});
  ASSERT_EQ(recorded.exitStatus, 0) << recorded.err;
  const std::string settings = tempPath("look.txt");
  std::ofstream(settings) << recorded.out;
  const ChildResult replayed = runWindowsCommand({"render", windowsPath(in), windowsPath(tempPath("replayed.png")),
                                                  "--settings", windowsPath(settings), "--seed", "3",
                                                  "--print-settings", "--no-progress"});
  ASSERT_EQ(replayed.exitStatus, 0) << replayed.err;
  std::string printed = replayed.out;
  std::erase(printed, '\r');  // the Windows command ends its lines the Windows way
  EXPECT_EQ(printed, recorded.out) << "the plug-in records the look it was given";
  EXPECT_TRUE(sameImage(loaded(tempPath("recorded.png")), loaded(tempPath("replayed.png"))));
}

// A preset written on one system is the same file as on the other, picture and all, and
// each shows the other's look.
TEST(WineBuild, PresetsAreTheSameFileOnBothSystems) {
  const std::string in = writeTemp(makeTestImage(150, 130, cli::SampleType::UInt8, 3, false), "preset-in.png");
  const std::vector<std::string> look = {"--style", "crosscut", "--angle", "120", "--blend", "darken", "--seed", "9"};
  const std::string linuxPreset = tempPath("linux.q7q"), windowsPreset = tempPath("windows.q7q");
  std::vector<std::string> linuxArgs = {"preset", "save", linuxPreset, "--picture-from", in};
  std::vector<std::string> windowsArgs = {"preset", "save", windowsPath(windowsPreset), "--picture-from",
                                          windowsPath(in), "--plugin", windowsPluginPath()};
  linuxArgs.insert(linuxArgs.end(), look.begin(), look.end());
  windowsArgs.insert(windowsArgs.end(), look.begin(), look.end());
  const ChildResult linuxSave = linuxCommand(linuxArgs);
  ASSERT_EQ(linuxSave.exitStatus, 0) << linuxSave.err;
  const ChildResult windowsSave = runWindowsCommand(windowsArgs);
  ASSERT_EQ(windowsSave.exitStatus, 0) << windowsSave.err;
  EXPECT_EQ(readBytes(linuxPreset), readBytes(windowsPreset));

  const ChildResult shownOnWindows = runWindowsCommand({"preset", "show", windowsPath(linuxPreset)});
  const ChildResult shownOnLinux = linuxCommand({"preset", "show", windowsPreset});
  ASSERT_EQ(shownOnWindows.exitStatus, 0) << shownOnWindows.err;
  ASSERT_EQ(shownOnLinux.exitStatus, 0) << shownOnLinux.err;
  std::string windowsText = shownOnWindows.out;
  windowsText.erase(std::remove(windowsText.begin(), windowsText.end(), '\r'), windowsText.end());
  const auto settingsOf = [](const std::string& text) { return text.substr(text.find('\n') + 1); };
  EXPECT_EQ(settingsOf(windowsText), settingsOf(shownOnLinux.out));
  EXPECT_NE(shownOnLinux.out.find("QNky style    = QN09  crosscut"), std::string::npos) << shownOnLinux.out;
}

// A screenshot shows a dialog when much of it differs from the empty screen and it holds
// more than a couple of colours (face, text, frame).
void expectDialogOnScreen(const std::string& name) {
  fs::create_directories(QUILLMARK_SCREENSHOT_DIR);
  const std::string shot = std::string(QUILLMARK_SCREENSHOT_DIR) + "/" + name + ".png";
  ASSERT_TRUE(takeScreenshot(shot));
  const RasterImage screen = loaded(shot);
  ASSERT_GE(screen.colorChannels, 3);
  std::set<std::uint32_t> colours;
  int drawn = 0;
  const double background[3] = {sampleAt(screen, 0, 0, 0), sampleAt(screen, 0, 0, 1), sampleAt(screen, 0, 0, 2)};
  for (int y = 0; y < screen.height; y += 2)
    for (int x = 0; x < screen.width; x += 2) {
      std::uint32_t colour = 0;
      bool differs = false;
      for (int c = 0; c < 3; ++c) {
        const double value = sampleAt(screen, x, y, c);
        colour = (colour << 8) | std::uint32_t(value) >> (screen.type == cli::SampleType::UInt16 ? 8 : 0);
        differs = differs || value != background[c];
      }
      colours.insert(colour);
      drawn += differs;
    }
  EXPECT_GT(drawn, 2000) << "the screenshot " << shot << " looks empty";
  EXPECT_GE(colours.size(), 3u) << shot;
}

TEST(WineDialogs, MultichannelRefusalIsShownAndClosed) {
  const std::string in = writeTemp(makeTestImage(30, 20, cli::SampleType::UInt8, 2, false), "two-channels.tif");
  const std::string out = tempPath("refused.tif");  // a TIFF can hold the two channels
  ChildResult run;
  std::thread command([&] { run = runWindowsCommand({"render", windowsPath(in), windowsPath(out), "--no-progress"}); });
  const unsigned long window = waitForWindow("Plug-in error", 150);
  if (window) {
    expectDialogOnScreen("refusal");
    pressKey("Escape");
  }
  command.join();
  ASSERT_NE(window, 0u) << "no refusal dialog appeared; the command said: " << run.err;
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_FALSE(fs::exists(out));
}

TEST(WineDialogs, AboutBoxIsShownAndClosed) {
  ChildResult run;
  std::thread command([&] { run = runWindowsCommand({"about", "--plugin", windowsPluginPath()}); });
  const unsigned long window = waitForWindow("About", 150);
  if (window) {
    expectDialogOnScreen("about");
    pressKey("Escape");
  }
  command.join();
  ASSERT_NE(window, 0u) << "no about box appeared; the command said: " << run.err;
  EXPECT_EQ(run.exitStatus, 0) << run.err;
}

}  // namespace
}  // namespace qm::test
