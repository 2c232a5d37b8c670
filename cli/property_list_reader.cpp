// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/property_list_reader.h"

#include <algorithm>
#include <cstring>

#include "settings/four_char_code.h"

namespace qm::cli {
namespace {

class ByteReader {
 public:
  ByteReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  bool has(std::size_t count) const { return count <= size_ - offset_; }
  std::uint32_t u32() { return std::uint32_t(u16()) | (std::uint32_t(u16()) << 16); }
  std::uint16_t u16() {
    const auto value = std::uint16_t(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
    offset_ += 2;
    return value;
  }
  const std::uint8_t* here() const { return bytes_ + offset_; }
  void skip(std::size_t count) { offset_ += count; }

 private:
  const std::uint8_t* bytes_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

std::string pascalText(const std::uint8_t* data, std::uint32_t length) {
  if (length == 0) return {};
  const std::uint32_t count = std::min<std::uint32_t>(data[0], length - 1);
  return std::string(reinterpret_cast<const char*>(data + 1), count);
}

std::string cText(const std::uint8_t* data, std::uint32_t length) {
  const void* end = std::memchr(data, 0, length);
  const std::size_t count = end ? std::size_t(static_cast<const std::uint8_t*>(end) - data) : length;
  return std::string(reinterpret_cast<const char*>(data), count);
}

std::uint32_t u32At(const std::uint8_t* data) {
  return std::uint32_t(data[0]) | (std::uint32_t(data[1]) << 8) | (std::uint32_t(data[2]) << 16) |
         (std::uint32_t(data[3]) << 24);
}

// The 'mode' flags are a bit string: mode m is bit (0x80 >> m % 8) of byte m / 8.
std::vector<int> modesOf(const std::uint8_t* data, std::uint32_t length) {
  std::vector<int> modes;
  for (std::uint32_t mode = 0; mode < length * 8 && mode < 32; ++mode)
    if (data[mode / 8] & (0x80u >> (mode % 8))) modes.push_back(int(mode));
  return modes;
}

void takeTerminology(const std::uint8_t* data, std::uint32_t length, PluginProperties& properties) {
  if (length < 15) return;
  properties.scriptingClass = u32At(data + 4);
  properties.scriptingEvent = u32At(data + 8);
  properties.terminologyId = int(std::int16_t(data[12] | (data[13] << 8)));
  properties.scope = cText(data + 14, length - 14);
}

// An int32 and a C string: at least five bytes, the text ending inside them.
bool takeComponentVersion(const std::uint8_t* data, std::uint32_t length, PluginProperties& properties) {
  if (length < 5 || !std::memchr(data + 4, 0, length - 4)) return false;
  properties.component = ComponentVersion{u32At(data), cText(data + 4, length - 4)};
  return true;
}

void takeProperty(std::uint32_t key, const std::uint8_t* data, std::uint32_t length, PluginProperties& properties) {
  if (key == fourCharCode("kind") && length >= 4) properties.kind = u32At(data);
  if (key == fourCharCode("vers") && length >= 4) properties.version = u32At(data);
  if (key == fourCharCode("name")) properties.name = pascalText(data, length);
  if (key == fourCharCode("catg")) properties.category = pascalText(data, length);
  if (key == fourCharCode("wx86")) properties.entryX86 = cText(data, length);
  if (key == fourCharCode("8664")) properties.entryX64 = cText(data, length);
  if (key == fourCharCode("mode")) properties.modes = modesOf(data, length);
  if (key == fourCharCode("hstm")) takeTerminology(data, length, properties);
  if (key == fourCharCode("enbl")) properties.enableExpressions.push_back(cText(data, length));
  if (key == fourCharCode("fici")) properties.filterCases.assign(data, data + std::min<std::uint32_t>(length, 28));
}

}  // namespace

bool readPropertyList(const std::uint8_t* bytes, std::size_t size, PluginProperties& properties,
                      std::string& error) {
  properties = PluginProperties{};
  ByteReader reader(bytes, size);
  if (!bytes || !reader.has(10)) return error = "the property list is too short", false;
  const std::uint16_t reserved = reader.u16();
  const std::uint32_t version = reader.u32();
  const std::uint32_t count = reader.u32();
  if (reserved != 1 || version != 0) return error = "the property list is of an unknown version", false;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!reader.has(16)) return error = "the property list ends inside property " + std::to_string(i + 1), false;
    const std::uint32_t vendor = reader.u32();
    const std::uint32_t key = reader.u32();
    reader.skip(4);  // the index among properties of the same key
    const std::uint32_t length = reader.u32();
    const std::size_t padded = (std::size_t(length) + 3) & ~std::size_t(3);
    if (!reader.has(length)) return error = "property " + std::to_string(i + 1) + " runs past the list", false;
    if (vendor == fourCharCode("8BIM") && key == fourCharCode("cmpt") &&
        !takeComponentVersion(reader.here(), length, properties))
      return error = "the plug-in's version (property " + std::to_string(i + 1) + ", 'cmpt') is cut short", false;
    if (vendor == fourCharCode("8BIM")) takeProperty(key, reader.here(), length, properties);
    reader.skip(reader.has(padded) ? padded : length);
  }
  return true;
}

std::string componentVersionNumbers(std::uint32_t number) {
  return std::to_string(number >> 16) + "." + std::to_string((number >> 8) & 0xFF) + "." + std::to_string(number & 0xFF);
}

const std::string& entryPointFor(const PluginProperties& properties) {
  return sizeof(void*) == 8 ? properties.entryX64 : properties.entryX86;
}

}  // namespace qm::cli
