// SPDX-License-Identifier: LicenseRef-Quillmark
// The settings files' layer: files by path with fixed result codes, big-endian words, and
// the system's temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "tests/test_images.h"

namespace qm::platform {
namespace {

using test::readBytes;
using test::tempPath;
using test::writeBytes;

TEST(SettingsFiles, WordsAreBigEndianOnDiskAndReadBack) {
  const std::string path = tempPath("words");
  File file;
  ASSERT_EQ(file.openForWriting(path), 0);
  EXPECT_EQ(writeWord32(file, 191), 0);
  EXPECT_EQ(writeWord32(file, 0xA1B2C3D4u), 0);
  EXPECT_EQ(writeWord16(file, 0x1234), 0);
  file.close();
  EXPECT_EQ(readBytes(path), std::string("\0\0\0\xBF\xA1\xB2\xC3\xD4\x12\x34", 10));
  ASSERT_EQ(file.openForReading(path), 0);
  std::uint32_t a = 0, b = 0;
  std::uint16_t c = 0;
  EXPECT_EQ(readWord32(file, a), 0);
  EXPECT_EQ(readWord32(file, b), 0);
  EXPECT_EQ(readWord16(file, c), 0);
  EXPECT_EQ(std::vector<std::uint32_t>({a, b, c}), std::vector<std::uint32_t>({191, 0xA1B2C3D4u, 0x1234}));
  EXPECT_EQ(readWord16(file, c), kReadFailed) << "past the end";
  // A read wants all its bytes: one that would pass the end fails, also with some left.
  ASSERT_EQ(file.openForReading(path), 0);
  EXPECT_EQ(skipBytes(file, 7), 0);
  EXPECT_EQ(readWord32(file, a), kReadFailed);
}

TEST(SettingsFiles, OpeningIsRefusedForWhatIsNoFile) {
  std::filesystem::create_directory(tempPath("folder"));
  File file;
  for (const std::string& path : {tempPath("missing"), tempPath("folder"), tempPath("no-such-folder/file")}) {
    EXPECT_EQ(file.openForReading(path), kOpenRefused) << path;
    EXPECT_FALSE(file.isOpen());
  }
  for (const std::string& path : {tempPath("folder"), tempPath("no-such-folder/file")})
    EXPECT_EQ(file.openForWriting(path), kOpenRefused) << path;
  std::uint32_t word = 0;
  EXPECT_EQ(readWord32(file, word), kReadFailed) << "a file that is not open reads nothing";
  EXPECT_EQ(writeWord32(file, 1), kWriteFailed);
  EXPECT_EQ(file.truncateHere(), kWriteFailed);
}

TEST(SettingsFiles, RewritingShorterLeavesNoOldTailAndLongerGrows) {
  const std::string path = tempPath("rewrite");
  writeBytes(path, std::string(100, 'x'));
  File file;
  ASSERT_EQ(file.openForWriting(path), 0);
  EXPECT_EQ(writeWord32(file, 7), 0);
  EXPECT_EQ(file.truncateHere(), 0);
  file.close();
  EXPECT_EQ(readBytes(path), std::string("\0\0\0\x07", 4));
  // Without the truncation, a rewrite starts at the beginning and keeps what follows.
  ASSERT_EQ(file.openForWriting(path), 0);
  EXPECT_EQ(writeWord16(file, 0x4142), 0);
  file.close();
  EXPECT_EQ(readBytes(path), std::string("AB\0\x07", 4));
}

TEST(SettingsFiles, SkippingPassesOverExactlyTheCount) {
  const std::string path = tempPath("skip");
  std::string bytes(700, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i % 251);
  writeBytes(path, bytes);
  File file;
  // Whole pieces, pieces and single bytes, none at all, and up to the last byte.
  for (std::size_t count : {std::size_t(0), std::size_t(1), std::size_t(256), std::size_t(517), std::size_t(698)}) {
    ASSERT_EQ(file.openForReading(path), 0);
    EXPECT_EQ(skipBytes(file, count), 0) << count;
    std::uint16_t next = 0;
    EXPECT_EQ(readWord16(file, next), 0) << count;
    EXPECT_EQ(next, ((count % 251) << 8) | ((count + 1) % 251)) << count;
  }
  ASSERT_EQ(file.openForReading(path), 0);
  EXPECT_EQ(skipBytes(file, 701), kReadFailed);
}

// The folder's variables are put back as they were after the test.
class OwnFilesFolder : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& [name, value] : saved_) value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
  }
  static std::optional<std::string> get(const char* name) {
    return std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt;
  }
  const std::pair<const char*, std::optional<std::string>> saved_[2] = {{"XDG_STATE_HOME", get("XDG_STATE_HOME")},
                                                                        {"HOME", get("HOME")}};
};

std::filesystem::perms permissionsOf(const std::string& path) {
  return std::filesystem::symlink_status(path).permissions() & std::filesystem::perms::mask;
}

// XDG_STATE_HOME counts only when absolute; missing folders are made with their parents.
// Each case opens the folder to others afterwards: the next use closes it again.
TEST_F(OwnFilesFolder, IsMadeForTheUserAloneUnderStateHomeOrHome) {
  const std::string root = tempPath("own"), underHome = root + "/home/.local/state/quillmark/";
  ::setenv("HOME", (root + "/home").c_str(), 1);
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {root + "/deep/state/", root + "/deep/state/quillmark/"}, {std::nullopt, underHome}, {"relative", underHome}};
  for (const auto& [state, expected] : cases) {
    state ? ::setenv("XDG_STATE_HOME", state->c_str(), 1) : ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(temporaryPath("Quillmark memdot map 3"), expected + "Quillmark memdot map 3");
    EXPECT_EQ(permissionsOf(expected), std::filesystem::perms::owner_all) << expected;
    std::filesystem::permissions(expected, std::filesystem::perms(0755));
  }
}

TEST_F(OwnFilesFolder, APlantedLinkOrFileGivesAFolderWhereNothingOpens) {
  const std::string state = tempPath("planted");
  std::filesystem::create_directories(state + "/elsewhere");
  ::setenv("XDG_STATE_HOME", state.c_str(), 1);
  for (const bool link : {true, false}) {
    std::filesystem::remove_all(state + "/quillmark");
    link ? std::filesystem::create_directory_symlink(state + "/elsewhere", state + "/quillmark")
         : writeBytes(state + "/quillmark", "not a folder");
    File file;
    const std::string path = temporaryPath("Quillmark cached settings D");
    EXPECT_EQ(path, std::string(kNoFolder) + "Quillmark cached settings D");
    EXPECT_EQ(file.openForWriting(path) + file.openForReplacing(path) + file.openForReading(path), 3 * kOpenRefused);
  }
  EXPECT_TRUE(std::filesystem::is_empty(state + "/elsewhere")) << "nothing was made through the link";
}

// The old file stays byte for byte until the commit, and no fresh file is left behind. A
// link at the path is refused for reading and writing; a replacement puts a file of its
// own where the link was.
TEST(SettingsFiles, AReplacementTakesEffectOnlyWhenCommittedAndNoLinkIsFollowed) {
  const std::string folder = tempPath("replace"), path = folder + "/preset", old("\0\0\0\xBF old look", 13);
  std::filesystem::create_directories(folder + "/full folder/inside");
  writeBytes(path, old);
  std::filesystem::permissions(path, std::filesystem::perms(0640));
  File file;
  ASSERT_EQ(file.openForReplacing(path), 0);
  EXPECT_EQ(file.write("half", 4), 0);
  file.close();
  ASSERT_EQ(file.openForReplacing(path), 0);
  EXPECT_EQ(file.write("whole", 5), 0);
  EXPECT_EQ(readBytes(path), old);
  EXPECT_EQ(file.commitReplacement(), 0);
  EXPECT_EQ(readBytes(path), "whole");
  EXPECT_EQ(permissionsOf(path), std::filesystem::perms(0640)) << "the owner's permissions pass on";
  ASSERT_EQ(file.openForReplacing(folder + "/full folder"), 0);
  EXPECT_EQ(file.commitReplacement(), kWriteFailed) << "a folder is not replaced";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
  ASSERT_EQ(file.openForWriting(folder + "/plain"), 0);
  EXPECT_EQ(file.commitReplacement(), kWriteFailed) << "only a replacement commits";

  std::filesystem::create_symlink(path, folder + "/link");
  EXPECT_EQ(file.openForReading(folder + "/link") + file.openForWriting(folder + "/link"), 2 * kOpenRefused);
  ASSERT_EQ(file.openForReplacing(folder + "/link"), 0);
  EXPECT_EQ(file.commitReplacement(), 0);
  EXPECT_EQ(readBytes(path), "whole");
  // A new file, not the link's target: what the umask gives any new file, not the private
  // mode it was written under.
  const mode_t umask = ::umask(022);
  ::umask(umask);
  EXPECT_EQ(permissionsOf(folder + "/link"), std::filesystem::perms(0666 & ~umask));
}

}  // namespace
}  // namespace qm::platform
