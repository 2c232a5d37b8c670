// SPDX-License-Identifier: LicenseRef-Quillmark
#include "platform/files.h"

namespace qm::platform {

int readWord32(File& file, std::uint32_t& value) {
  std::uint8_t bytes[4];
  if (const int result = file.read(bytes, 4)) return result;
  value = (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) | (std::uint32_t(bytes[2]) << 8) | bytes[3];
  return 0;
}

int writeWord32(File& file, std::uint32_t value) {
  const std::uint8_t bytes[4] = {std::uint8_t(value >> 24), std::uint8_t(value >> 16), std::uint8_t(value >> 8),
                                 std::uint8_t(value)};
  return file.write(bytes, 4);
}

int readWord16(File& file, std::uint16_t& value) {
  std::uint8_t bytes[2];
  if (const int result = file.read(bytes, 2)) return result;
  value = std::uint16_t((bytes[0] << 8) | bytes[1]);
  return 0;
}

int writeWord16(File& file, std::uint16_t value) {
  const std::uint8_t bytes[2] = {std::uint8_t(value >> 8), std::uint8_t(value)};
  return file.write(bytes, 2);
}

int skipBytes(File& file, std::size_t count) {
  std::uint8_t piece[256];
  for (; count >= sizeof piece; count -= sizeof piece)
    if (const int result = file.read(piece, sizeof piece)) return result;
  for (; count > 0; --count)
    if (const int result = file.read(piece, 1)) return result;
  return 0;
}

std::string temporaryPath(const std::string& name) { return temporaryFolder() + name; }

}  // namespace qm::platform
