// SPDX-License-Identifier: LicenseRef-Quillmark
// The platform layer. For the settings files: files by path with fixed result codes,
// big-endian words, the filter's own folder and replacements that take effect only when
// committed. For the command: what a path is, files made only when new, one file replacing
// another, the temporary file a signal must not leave, and loading a library.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "platform/dynamic_library.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/signals.h"
#include "tests/test_images.h"

namespace qm::platform {
namespace {

using test::readBytes;
using test::tempPath;
using test::writeBytes;

std::filesystem::perms permissionsOf(const std::string& path) {
  return std::filesystem::symlink_status(path).permissions() & std::filesystem::perms::mask;
}

// Written big-endian and read back; a rewrite starts at the beginning and keeps what
// follows unless cut there.
TEST(SettingsFiles, WordsAreBigEndianOnDiskAndRewritingKeepsOnlyWhatIsNotCut) {
  const std::string path = tempPath("words");
  File file;
  ASSERT_EQ(file.openForWriting(path), 0);
  EXPECT_EQ((std::vector{writeWord32(file, 191), writeWord32(file, 0xA1B2C3D4u), writeWord16(file, 0x1234)}), std::vector(3, 0));
  file.close();
  EXPECT_EQ(readBytes(path), std::string("\0\0\0\xBF\xA1\xB2\xC3\xD4\x12\x34", 10));
  ASSERT_EQ(file.openForReading(path), 0);
  std::uint32_t a = 0, b = 0;
  std::uint16_t c = 0;
  EXPECT_EQ((std::vector{readWord32(file, a), readWord32(file, b), readWord16(file, c)}), std::vector(3, 0));
  EXPECT_EQ(std::vector<std::uint32_t>({a, b, c}), std::vector<std::uint32_t>({191, 0xA1B2C3D4u, 0x1234}));
  ASSERT_EQ(file.openForWriting(path), 0);
  EXPECT_EQ((std::vector{writeWord32(file, 7), file.truncateHere()}), std::vector(2, 0));
  file.close();
  EXPECT_EQ(readBytes(path), std::string("\0\0\0\x07", 4));
  ASSERT_EQ(file.openForWriting(path), 0);
  EXPECT_EQ(writeWord16(file, 0x4142), 0);
  file.close();
  EXPECT_EQ(readBytes(path), std::string("AB\0\x07", 4));
}

TEST(SettingsFiles, OpeningIsRefusedForWhatIsNoFile) {
  std::filesystem::create_directory(tempPath("folder"));
  File file;
  for (const std::string& path : {tempPath("missing"), tempPath("folder"), tempPath("no-such-folder/file")}) {
    EXPECT_EQ(file.openForReading(path), kOpenRefused) << path;
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.openForWriting(path), path == tempPath("missing") ? 0 : kOpenRefused) << path;
    file.close();
  }
  std::uint32_t word = 0;
  EXPECT_EQ((std::vector{readWord32(file, word), writeWord32(file, 1), file.truncateHere()}),
            (std::vector{kReadFailed, kWriteFailed, kWriteFailed})) << "a file that is not open reads and writes nothing";
}

// Whole pieces, pieces and single bytes, none at all, and up to the end: a read wants all
// its bytes, so one that would pass the end fails, also with a byte left.
TEST(SettingsFiles, SkippingPassesOverExactlyTheCount) {
  const std::string path = tempPath("skip");
  std::string bytes(700, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i % 251);
  writeBytes(path, bytes);
  File file;
  for (const std::size_t count : {0u, 1u, 256u, 517u, 698u, 699u, 700u}) {
    ASSERT_EQ(file.openForReading(path), 0);
    EXPECT_EQ(skipBytes(file, count), 0) << count;
    std::uint16_t next = 0;
    EXPECT_EQ(readWord16(file, next), count < 699 ? 0 : kReadFailed) << count;
    EXPECT_TRUE(count >= 699 || next == (((count % 251) << 8) | ((count + 1) % 251))) << count;
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

// XDG_STATE_HOME counts only when absolute; missing folders are made with their parents.
// Each case opens the folder to others afterwards: the next use closes it again. A link or
// a file planted where the folder goes gives a folder where nothing opens.
TEST_F(OwnFilesFolder, IsMadeForTheUserAloneUnderStateHomeOrHomeAndNeverThroughALink) {
  const std::string root = tempPath("own"), folder = root + "/home/.local/state/quillmark", underHome = folder + "/";
  ::setenv("HOME", (root + "/home").c_str(), 1);
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {root + "/deep/state/", root + "/deep/state/quillmark/"}, {std::nullopt, underHome}, {"relative", underHome}};
  for (const auto& [state, expected] : cases) {
    state ? ::setenv("XDG_STATE_HOME", state->c_str(), 1) : ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(temporaryPath("Quillmark memdot map 3"), expected + "Quillmark memdot map 3");
    EXPECT_EQ(permissionsOf(expected), std::filesystem::perms::owner_all) << expected;
    std::filesystem::permissions(expected, std::filesystem::perms(0755));
  }
  std::filesystem::create_directories(root + "/elsewhere");
  for (const bool link : {true, false}) {
    std::filesystem::remove_all(folder);
    link ? std::filesystem::create_directory_symlink(root + "/elsewhere", folder) : writeBytes(folder, "not a folder");
    File file;
    const std::string path = temporaryPath("Quillmark cached settings D");
    EXPECT_EQ(path, std::string(kNoFolder) + "Quillmark cached settings D");
    EXPECT_EQ(file.openForWriting(path) + file.openForReplacing(path) + file.openForReading(path), 3 * kOpenRefused);
  }
  EXPECT_TRUE(std::filesystem::is_empty(root + "/elsewhere")) << "nothing was made through the link";
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

TEST(FileSystem, PathInfoTellsMissingFilesFoldersAndOthers) {
  writeBytes(tempPath("file"), "12345");
  ASSERT_EQ(::mkfifo(tempPath("fifo").c_str(), 0600), 0);
  // The path, what it is, its size when a regular file, and the error.
  for (const auto& [path, kind, size, error] :
       {std::tuple{tempPath("missing"), PathKind::Missing, 0u, ENOENT}, {tempPath("file/below"), PathKind::Missing, 0u, ENOTDIR},
        {tempPath("file"), PathKind::RegularFile, 5u, 0}, {test::testDir(), PathKind::Directory, 0u, 0},
        {tempPath("fifo"), PathKind::Other, 0u, 0}}) {
    const PathInfo info = pathInfo(path);
    EXPECT_EQ(std::pair(info.kind, info.error), std::pair(kind, error)) << path;
    EXPECT_TRUE(kind != PathKind::RegularFile || info.size == size) << path;
  }
}

TEST(FileSystem, NewFilesAreMadeOnlyOnceWithTheModelsPermissions) {
  const std::string model = tempPath("model");
  writeBytes(model, "model");
  ASSERT_EQ(::chmod(model.c_str(), 0640), 0);
  EXPECT_EQ(createNewFile(tempPath("copy"), model), CreateResult::Created);
  EXPECT_EQ(permissionsOf(tempPath("copy")), std::filesystem::perms(0640));
  EXPECT_EQ(readBytes(tempPath("copy")), "");
  EXPECT_EQ((std::vector{createNewFile(tempPath("copy"), ""), createNewFile(model, "")}), std::vector(2, CreateResult::Exists));
  EXPECT_EQ(readBytes(model), "model") << "an existing file is never touched";
  EXPECT_EQ(createNewFile(tempPath("no-such-folder/new"), ""), CreateResult::Failed);
  // A model that is no file, or none at all, leaves the system's default.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  int made = 0;
  for (const std::string& other : {test::testDir(), tempPath("missing"), std::string()}) {
    const std::string path = tempPath("plain-" + std::to_string(made++));
    EXPECT_EQ(createNewFile(path, other), CreateResult::Created);
    EXPECT_EQ(permissionsOf(path), std::filesystem::perms(0666 & ~mask)) << other;
  }
}

TEST(FileSystem, ReplaceMovesAFileOverAnotherInOneStep) {
  writeBytes(tempPath("new"), "new");
  writeBytes(tempPath("old"), "old");
  ASSERT_TRUE(replaceFile(tempPath("new"), tempPath("old")));
  EXPECT_EQ(readBytes(tempPath("old")), "new");
  EXPECT_FALSE(std::filesystem::exists(tempPath("new")));
  EXPECT_FALSE(replaceFile(tempPath("new"), tempPath("old")));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_TRUE(flushToDisk(tempPath("old")));
  EXPECT_FALSE(flushToDisk(tempPath("new")));
}

// exitAtOnce ends the process (here a child of the test) and takes the remembered
// temporary file with it; a forgotten one stays.
TEST(FileSystem, LeavingAtOnceRemovesTheRememberedTemporaryFile) {
  for (const bool forget : {false, true}) {
    const std::string path = tempPath(forget ? "kept.tmp" : "removed.tmp");
    writeBytes(path, "partial");
    EXPECT_EXIT(
        {
          rememberTemporaryFile(path);
          if (forget) forgetTemporaryFile();
          exitAtOnce(7);
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(std::filesystem::exists(path), forget);
  }
  EXPECT_FALSE(rememberTemporaryFile(std::string(5000, 'x'))) << "too long to keep";
}

void leaveWithTheSignal(int signal) { exitAtOnce(100 + signal); }

// A signal that was ignored when the process started stays ignored (nohup); others reach
// the handler.
TEST(FileSystem, TerminationSignalsReachTheHandlerUnlessIgnored) {
  for (const bool ignored : {false, true})
    EXPECT_EXIT(
        {
          std::signal(SIGHUP, ignored ? SIG_IGN : SIG_DFL);
          catchTermination(leaveWithTheSignal);
          std::raise(SIGHUP);
          ::_exit(0);
        },
        ::testing::ExitedWithCode(ignored ? 0 : 100 + SIGHUP), "");
}

TEST(DynamicLibrary, AMissingOrBrokenLibraryIsRefusedByName) {
  writeBytes(tempPath("not-a-library.so"), "plain text");
  for (const std::string& path : {tempPath("missing.so"), tempPath("not-a-library.so")}) {
    DynamicLibrary library;
    std::string error;
    EXPECT_FALSE(library.open(path, error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_EQ(library.symbol("PluginMain"), nullptr);
  }
}

}  // namespace
}  // namespace qm::platform
