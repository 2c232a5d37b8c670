// SPDX-License-Identifier: LicenseRef-Quillmark
#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/test_images.h"

namespace qm::platform {
namespace {

TEST(SettingsFiles, WordsAreBigEndianAndReadBack) {
  const std::string path = test::tempPath("words");
  File file;
  ASSERT_EQ(file.openForWriting(path), 0);
  EXPECT_EQ(writeWord32(file, 191), 0);
  EXPECT_EQ(writeWord32(file, 0xA1B2C3D4u), 0);
  EXPECT_EQ(writeWord16(file, 0x1234), 0);
  file.close();
  EXPECT_EQ(test::readBytes(path), std::string("\0\0\0\xBF\xA1\xB2\xC3\xD4\x12\x34", 10));

  ASSERT_EQ(file.openForReading(path), 0);
  std::uint32_t a = 0, b = 0;
  std::uint16_t c = 0;
  EXPECT_EQ(readWord32(file, a), 0);
  EXPECT_EQ(readWord32(file, b), 0);
  EXPECT_EQ(readWord16(file, c), 0);
  EXPECT_EQ(a, 191u);
  EXPECT_EQ(b, 0xA1B2C3D4u);
  EXPECT_EQ(c, 0x1234);
  EXPECT_EQ(readWord32(file, a), kReadFailed) << "past the end";
}

TEST(SettingsFiles, OpeningFailuresAndShortFiles) {
  File file;
  EXPECT_EQ(file.openForReading(test::tempPath("missing")), kOpenRefused);
  EXPECT_FALSE(file.isOpen());
  EXPECT_EQ(file.openForWriting(test::tempPath("no-such-folder/file")), kOpenRefused);
  std::uint32_t word = 0;
  EXPECT_EQ(readWord32(file, word), kReadFailed) << "a file that is not open reads nothing";
  EXPECT_EQ(writeWord32(file, 1), kWriteFailed);
  const std::string path = test::tempPath("short");
  test::writeBytes(path, std::string("\0\0", 2));
  ASSERT_EQ(file.openForReading(path), 0);
  EXPECT_EQ(readWord32(file, word), kReadFailed);
}

TEST(SettingsFiles, RewritingShorterLeavesNoOldTail) {
  const std::string path = test::tempPath("rewrite");
  test::writeBytes(path, std::string(100, 'x'));
  File file;
  ASSERT_EQ(file.openForWriting(path), 0);
  EXPECT_EQ(writeWord32(file, 7), 0);
  EXPECT_EQ(file.truncateHere(), 0);
  file.close();
  EXPECT_EQ(test::readBytes(path), std::string("\0\0\0\x07", 4));
}

TEST(SettingsFiles, SkippingPassesOverExactlyTheCount) {
  const std::string path = test::tempPath("skip");
  std::string bytes(700, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i % 251);
  test::writeBytes(path, bytes);
  File file;
  ASSERT_EQ(file.openForReading(path), 0);
  EXPECT_EQ(skipBytes(file, 517), 0);
  std::uint16_t next = 0;
  EXPECT_EQ(readWord16(file, next), 0);
  EXPECT_EQ(next, ((517 % 251) << 8) | (518 % 251));
  EXPECT_EQ(skipBytes(file, 1000), kReadFailed);
}

TEST(SettingsFiles, TemporaryPathsSitInTheTemporaryFolder) {
  const std::string folder = temporaryFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(folder.back() == '/' || folder.back() == '\\');
  EXPECT_EQ(temporaryPath("Quillmark memdot map 3"), folder + "Quillmark memdot map 3");
}

}  // namespace
}  // namespace qm::platform
