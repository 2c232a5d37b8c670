// SPDX-License-Identifier: LicenseRef-Quillmark
// What the command needs of the file system and the process: what a path is, files made
// only when new, one file replacing another, the temporary file a signal must not leave,
// and loading a library.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

#include "platform/dynamic_library.h"
#include "platform/file_system.h"
#include "platform/signals.h"
#include "tests/test_images.h"

namespace qm::platform {
namespace {

using test::readBytes;
using test::tempPath;
using test::writeBytes;

mode_t permissionsOf(const std::string& path) {
  struct stat status {};
  ::stat(path.c_str(), &status);
  return status.st_mode & 07777;
}

TEST(FileSystem, PathInfoTellsMissingFilesFoldersAndOthers) {
  writeBytes(tempPath("file"), "12345");
  ASSERT_EQ(::mkfifo(tempPath("fifo").c_str(), 0600), 0);
  struct Case {
    std::string path;
    PathKind kind;
    std::uint64_t size;  // of a regular file
    int error;
  };
  const Case cases[] = {{tempPath("missing"), PathKind::Missing, 0, ENOENT},
                        {tempPath("file/below"), PathKind::Missing, 0, ENOTDIR},
                        {tempPath("file"), PathKind::RegularFile, 5, 0},
                        {test::testDir(), PathKind::Directory, 0, 0},
                        {tempPath("fifo"), PathKind::Other, 0, 0}};
  for (const Case& c : cases) {
    const PathInfo info = pathInfo(c.path);
    EXPECT_EQ(info.kind, c.kind) << c.path;
    EXPECT_EQ(info.error, c.error) << c.path;
    if (c.kind == PathKind::RegularFile) {
      EXPECT_EQ(info.size, c.size);
    }
  }
}

TEST(FileSystem, NewFilesAreMadeOnlyOnceWithTheModelsPermissions) {
  const std::string model = tempPath("model");
  writeBytes(model, "model");
  ASSERT_EQ(::chmod(model.c_str(), 0640), 0);
  EXPECT_EQ(createNewFile(tempPath("copy"), model), CreateResult::Created);
  EXPECT_EQ(permissionsOf(tempPath("copy")), 0640u);
  EXPECT_EQ(readBytes(tempPath("copy")), "");
  EXPECT_EQ(createNewFile(tempPath("copy"), ""), CreateResult::Exists);
  EXPECT_EQ(createNewFile(model, ""), CreateResult::Exists);
  EXPECT_EQ(readBytes(model), "model") << "an existing file is never touched";
  EXPECT_EQ(createNewFile(tempPath("no-such-folder/new"), ""), CreateResult::Failed);
  // A model that is no file, or none at all, leaves the system's default.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  int made = 0;
  for (const std::string& other : {test::testDir(), tempPath("missing"), std::string()}) {
    const std::string path = tempPath("plain-" + std::to_string(made++));
    EXPECT_EQ(createNewFile(path, other), CreateResult::Created);
    EXPECT_EQ(permissionsOf(path), 0666u & ~mask) << other;
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
  EXPECT_EXIT(
      {
        catchTermination(leaveWithTheSignal);
        std::raise(SIGTERM);
      },
      ::testing::ExitedWithCode(100 + SIGTERM), "");
  EXPECT_EXIT(
      {
        std::signal(SIGHUP, SIG_IGN);
        catchTermination(leaveWithTheSignal);
        std::raise(SIGHUP);
        ::_exit(0);
      },
      ::testing::ExitedWithCode(0), "");
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
