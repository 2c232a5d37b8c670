// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/property_list.h"

#include <array>
#include <functional>

#include "quillmark_version.h"
#include "resources/little_endian_writer.h"

namespace qm::resources {

const char* const kEnableExpression = "in (PSHOP_ImageMode, RGBMode, GrayScaleMode, RGB48Mode, Gray16Mode)";
const char* const kEnableExpressionWithFloat =
    "in (PSHOP_ImageMode, RGBMode, GrayScaleMode, RGB48Mode, Gray16Mode, Gray32Mode, RGB96Mode) && "
    "PSHOP_ImageMode != MultichannelMode";

namespace {

constexpr std::uint32_t kVendor = fourCharCode("8BIM");
constexpr const char* kMenuName = "Quillmark...";
constexpr const char* kCategory = "Tallowbridge";
constexpr const char* kEntryPoint = "PluginMain";
constexpr std::uint32_t kInterfaceVersion = 0x00040000;  // major 4 in the high half, minor 0
static_assert(QUILLMARK_VERSION_MINOR < 256 && QUILLMARK_VERSION_PATCH < 256, "'cmpt' holds them in a byte each");
constexpr std::uint32_t kComponentVersion =
    (std::uint32_t(QUILLMARK_VERSION_MAJOR) << 16) | (QUILLMARK_VERSION_MINOR << 8) | QUILLMARK_VERSION_PATCH;

// Mode flags: one bit per image mode, mode 0 in the top bit of the first byte.
constexpr std::array<std::uint8_t, 2> kModeFlags = {0x50, 0x00};  // grayscale (1) and RGB (3)

// Per filter case: straight data in, straight data out, and the host need not copy the
// source to the destination first (the filter writes every pixel itself).
constexpr std::uint8_t kStraightData = 1;
constexpr std::uint8_t kDontCopyToDestination = 0x01;
constexpr int kFilterCaseCount = 7;

class PropertyListBuilder {
 public:
  // Writes one property; its length is patched in afterwards, rounded to 4.
  void add(const char (&key)[5], std::uint32_t index, const std::function<void(LittleEndianWriter&)>& data) {
    out_.code(kVendor);
    out_.code(fourCharCode(key));
    out_.u32(index);
    const std::size_t lengthAt = out_.size();
    out_.u32(0);
    data(out_);
    out_.padTo4();
    out_.patch32(lengthAt, std::uint32_t(out_.size() - lengthAt - 4));
    ++count_;
  }

  std::vector<std::uint8_t> finish() {
    LittleEndianWriter header;
    header.u16(1);
    header.u32(0);
    header.u32(count_);
    std::vector<std::uint8_t> bytes = header.take();
    const std::vector<std::uint8_t> body = out_.take();
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
  }

 private:
  LittleEndianWriter out_;
  std::uint32_t count_ = 0;
};

}  // namespace

std::vector<std::uint8_t> propertyListBytes() {
  PropertyListBuilder list;
  list.add("kind", 0, [](LittleEndianWriter& w) { w.code(fourCharCode("8BFM")); });
  list.add("name", 0, [](LittleEndianWriter& w) { w.pascal(kMenuName); });
  list.add("catg", 0, [](LittleEndianWriter& w) { w.pascal(kCategory); });
  list.add("vers", 0, [](LittleEndianWriter& w) { w.u32(kInterfaceVersion); });
  list.add("cmpt", 0, [](LittleEndianWriter& w) {
    w.u32(kComponentVersion);
    w.cString(QUILLMARK_VERSION);
  });
  // Both entries in every build: a host looks only at the one of its own architecture.
  list.add("wx86", 0, [](LittleEndianWriter& w) { w.cString(kEntryPoint); });
  list.add("8664", 0, [](LittleEndianWriter& w) { w.cString(kEntryPoint); });
  list.add("hstm", 0, [](LittleEndianWriter& w) {
    w.u32(0);
    w.code(kScriptingEventCode);
    w.code(kScriptingEventCode);
    w.u16(std::uint16_t(kTerminologyId));
    w.cString(kScriptingScope);
  });
  list.add("mode", 0, [](LittleEndianWriter& w) {
    for (std::uint8_t flags : kModeFlags) w.u8(flags);
  });
  list.add("enbl", 0, [](LittleEndianWriter& w) { w.cString(kEnableExpression); });
  list.add("enbl", 1, [](LittleEndianWriter& w) { w.cString(kEnableExpressionWithFloat); });
  list.add("fici", 0, [](LittleEndianWriter& w) {
    for (int filterCase = 0; filterCase < kFilterCaseCount; ++filterCase) {
      w.u8(kStraightData);
      w.u8(kStraightData);
      w.u8(kDontCopyToDestination);
      w.u8(0);
    }
  });
  return list.finish();
}

}  // namespace qm::resources
