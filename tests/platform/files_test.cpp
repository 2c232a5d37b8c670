// SPDX-License-Identifier: LicenseRef-Quillmark
// The settings files' layer: files by path with fixed result codes, big-endian words, and
// the system's temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/file_system.h"
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

// The environment of the own-files folder is put back as it was after the test.
class OwnFilesFolder : public ::testing::Test {
 protected:
  void TearDown() override {
    restore("XDG_STATE_HOME", savedState_);
    restore("HOME", savedHome_);
  }

 private:
  static std::optional<std::string> saved(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  }
  static void restore(const char* name, const std::optional<std::string>& value) {
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
  }
  const std::optional<std::string> savedState_ = saved("XDG_STATE_HOME");
  const std::optional<std::string> savedHome_ = saved("HOME");
};

std::filesystem::perms permissionsOf(const std::string& path) {
  return std::filesystem::symlink_status(path).permissions() & std::filesystem::perms::mask;
}

TEST_F(OwnFilesFolder, IsMadeForTheUserAloneUnderStateHomeOrHome) {
  const std::string root = tempPath("own");
  ::setenv("HOME", (root + "/home").c_str(), 1);
  const std::string underHome = root + "/home/.local/state/quillmark/";
  // XDG_STATE_HOME counts only when absolute; missing folders are made with their parents.
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {root + "/deep/state/", root + "/deep/state/quillmark/"},
      {std::nullopt, underHome},
      {"relative/state", underHome},
      {"", underHome}};
  for (const auto& [state, expected] : cases) {
    state ? ::setenv("XDG_STATE_HOME", state->c_str(), 1) : ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(temporaryFolder(), expected) << state.value_or("unset");
    EXPECT_EQ(permissionsOf(expected), std::filesystem::perms::owner_all) << expected;
    EXPECT_EQ(temporaryPath("Quillmark memdot map 3"), expected + "Quillmark memdot map 3");
  }
  // A folder left open to others is closed again.
  std::filesystem::permissions(root + "/home/.local/state/quillmark", std::filesystem::perms(0755));
  ::unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(temporaryFolder(), root + "/home/.local/state/quillmark/");
  EXPECT_EQ(permissionsOf(root + "/home/.local/state/quillmark"), std::filesystem::perms::owner_all);
}

TEST_F(OwnFilesFolder, APlantedLinkOrAFileGivesAFolderWhereNothingOpens) {
  const std::string state = tempPath("planted");
  std::filesystem::create_directories(state + "/elsewhere");
  ::setenv("XDG_STATE_HOME", state.c_str(), 1);
  for (const bool link : {true, false}) {
    std::filesystem::remove_all(state + "/quillmark");
    if (link)
      std::filesystem::create_directory_symlink(state + "/elsewhere", state + "/quillmark");
    else
      writeBytes(state + "/quillmark", "not a folder");
    EXPECT_EQ(temporaryFolder(), kNoFolder) << link;
    File file;
    const std::string path = temporaryPath("Quillmark cached settings D");
    EXPECT_EQ(file.openForWriting(path), kOpenRefused) << link;
    EXPECT_EQ(file.openForReplacing(path), kOpenRefused) << link;
    EXPECT_EQ(file.openForReading(path), kOpenRefused) << link;
  }
  EXPECT_TRUE(std::filesystem::is_empty(state + "/elsewhere")) << "nothing was made through the link";
}

TEST(SettingsFiles, ALinkAtThePathIsNeverFollowed) {
  const std::string target = tempPath("link-target");
  const std::string link = tempPath("link");
  writeBytes(target, "kept");
  std::filesystem::create_symlink(target, link);
  File file;
  EXPECT_EQ(file.openForReading(link), kOpenRefused);
  EXPECT_EQ(file.openForWriting(link), kOpenRefused);
  // Replacing puts a file where the link was and leaves what it pointed at alone.
  ASSERT_EQ(file.openForReplacing(link), 0);
  EXPECT_EQ(file.write("new", 3), 0);
  EXPECT_EQ(file.commitReplacement(), 0);
  EXPECT_EQ(readBytes(target), "kept");
  EXPECT_FALSE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readBytes(link), "new");
}

// Names in a folder, to see that no fresh file is left behind.
std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(SettingsFiles, AReplacementTakesEffectOnlyWhenCommitted) {
  const std::string folder = tempPath("replace");
  std::filesystem::create_directory(folder);
  const std::string path = folder + "/preset";
  const std::string old("\0\0\0\xBF old look", 13);
  writeBytes(path, old);
  std::filesystem::permissions(path, std::filesystem::perms(0640));
  File file;
  ASSERT_EQ(file.openForReplacing(path), 0);
  EXPECT_EQ(file.write("half", 4), 0);
  EXPECT_EQ(readBytes(path), old) << "the old file stays while the new one is written";
  file.close();
  EXPECT_EQ(readBytes(path), old);
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"preset"});
  ASSERT_EQ(file.openForReplacing(path), 0);
  EXPECT_EQ(file.write("whole", 5), 0);
  EXPECT_EQ(file.commitReplacement(), 0);
  EXPECT_FALSE(file.isOpen());
  EXPECT_EQ(readBytes(path), "whole");
  EXPECT_EQ(permissionsOf(path), std::filesystem::perms(0640)) << "the owner's permissions pass on";
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"preset"});
  // A new file is its owner's alone.
  ASSERT_EQ(file.openForReplacing(folder + "/fresh"), 0);
  EXPECT_EQ(file.commitReplacement(), 0);
  EXPECT_EQ(permissionsOf(folder + "/fresh"), std::filesystem::perms(0600));
}

TEST(SettingsFiles, AReplacementThatCannotBeCommittedLeavesNothing) {
  const std::string folder = tempPath("unreplaceable");
  std::filesystem::create_directories(folder + "/a folder/inside");
  File file;
  // Over a folder that is not empty, the move fails: the fresh file goes.
  ASSERT_EQ(file.openForReplacing(folder + "/a folder"), 0);
  EXPECT_EQ(file.write("x", 1), 0);
  EXPECT_EQ(file.commitReplacement(), kWriteFailed);
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"a folder"});
  // Only a file opened for replacing commits.
  ASSERT_EQ(file.openForWriting(folder + "/plain"), 0);
  EXPECT_EQ(file.commitReplacement(), kWriteFailed);
  file.close();
  EXPECT_EQ(file.commitReplacement(), kWriteFailed);
  EXPECT_EQ(file.openForReplacing(folder + "/no such folder/file"), kOpenRefused);
}

TEST(SettingsFiles, AFolderListsItsEntriesWithTheirKinds) {
  const std::string folder = tempPath("listed");
  std::filesystem::create_directories(folder + "/sub");
  writeBytes(folder + "/a.q5q", "1");
  writeBytes(folder + "/locked.q9q", "2");
  std::filesystem::permissions(folder + "/locked.q9q", std::filesystem::perms(0444));
  std::filesystem::create_symlink(folder + "/a.q5q", folder + "/link.q5q");
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(listFolder(folder, entries));
  std::sort(entries.begin(), entries.end(), [](const auto& x, const auto& y) { return x.name < y.name; });
  ASSERT_EQ(entries.size(), 4u);
  const std::tuple<std::string, PathKind, bool> expected[] = {{"a.q5q", PathKind::RegularFile, false},
                                                              {"link.q5q", PathKind::Other, false},
                                                              {"locked.q9q", PathKind::RegularFile, true},
                                                              {"sub", PathKind::Directory, false}};
  for (std::size_t i = 0; i < entries.size(); ++i)
    EXPECT_EQ(std::tie(entries[i].name, entries[i].kind, entries[i].readOnly), expected[i]) << i;
  EXPECT_FALSE(listFolder(folder + "/missing", entries));
  EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace qm::platform
