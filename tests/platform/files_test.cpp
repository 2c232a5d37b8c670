// SPDX-License-Identifier: LicenseRef-Quillmark
// The settings files' layer: files by path with fixed result codes, big-endian words, and
// the system's temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
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

// TMPDIR is put back as it was after the test.
class TemporaryFolder : public ::testing::Test {
 protected:
  void TearDown() override { saved_ ? ::setenv("TMPDIR", saved_->c_str(), 1) : ::unsetenv("TMPDIR"); }
  const std::optional<std::string> saved_ =
      std::getenv("TMPDIR") ? std::optional<std::string>(std::getenv("TMPDIR")) : std::nullopt;
};

TEST_F(TemporaryFolder, FollowsTmpdirEndsInASeparatorAndFallsBackToTmp) {
  struct Case {
    const char* tmpdir;  // null: unset
    std::string folder;
  };
  const Case cases[] = {{"/var/spool/x", "/var/spool/x/"}, {"/var/spool/x/", "/var/spool/x/"},
                        {"", "/tmp/"},                     {nullptr, "/tmp/"}};
  for (const Case& c : cases) {
    c.tmpdir ? ::setenv("TMPDIR", c.tmpdir, 1) : ::unsetenv("TMPDIR");
    EXPECT_EQ(temporaryFolder(), c.folder) << (c.tmpdir ? c.tmpdir : "unset");
    EXPECT_EQ(temporaryPath("Quillmark memdot map 3"), c.folder + "Quillmark memdot map 3");
  }
}

}  // namespace
}  // namespace qm::platform
