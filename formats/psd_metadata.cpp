// SPDX-License-Identifier: LicenseRef-Quillmark
// IPTC datasets: byte 0x1C, record 2, the dataset number, a 16-bit length and the data.
#include "formats/psd_metadata.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "formats/jpeg_codec.h"
#include "formats/psd_bytes.h"

namespace qm {
namespace {

constexpr const char* kProgramName = "Quillmark";
constexpr const char* kCaption = "Made with Quillmark";

enum IptcDataset : std::uint8_t {
  kRecordVersionSet = 0,
  kKeywordSet = 25,
  kDateCreatedSet = 55,
  kSourceSet = 115,
  kCaptionSet = 120,
};

void dataset(psd::Bytes& bytes, IptcDataset number, std::string_view data) {
  bytes.u8(0x1C);
  bytes.u8(2);
  bytes.u8(number);
  bytes.u16(std::uint32_t(data.size()));
  bytes.text(data);
}

}  // namespace

bool IptcKeywords::add(const std::string& text) {
  if (text.empty() || text.size() > kMaximumLength || texts_.size() >= kMaximumCount) return false;
  for (const std::string& entry : texts_)
    if (entry.compare(0, text.size(), text) == 0) return false;
  texts_.push_back(text);
  return true;
}

std::vector<std::uint8_t> iptcBlock(const std::vector<std::string>& keywords, const std::string& dateUtc) {
  IptcKeywords kept;
  for (const std::string& keyword : keywords) kept.add(keyword);

  psd::Bytes data;
  dataset(data, kRecordVersionSet, std::string_view("\0\2", 2));
  dataset(data, kSourceSet, kJpegComment);  // its own length: without the terminating zero
  dataset(data, kDateCreatedSet, dateUtc);
  dataset(data, kCaptionSet, kCaption);
  dataset(data, kKeywordSet, kProgramName);
  for (const std::string& keyword : kept.texts()) dataset(data, kKeywordSet, keyword);
  if (data.size() % 2 != 0) data.u8(0);

  psd::Bytes block;
  block.text("8BIM");
  block.u16(0x0404);
  block.u16(0);  // empty name, padded to even
  block.u32(std::uint32_t(data.size()));
  block.append(data.vector());
  return std::move(block.vector());
}

std::vector<std::uint8_t> exifBlock() {
  constexpr std::uint32_t kTextAt = 26;  // header 8, entry count 2, one entry 12, next directory 4
  psd::Bytes tiff;
  tiff.text("MM");
  tiff.u16(42);
  tiff.u32(8);
  tiff.u16(1);
  tiff.u16(305);  // software
  tiff.u16(2);    // text
  tiff.u32(std::uint32_t(std::strlen(kProgramName) + 1));
  tiff.u32(kTextAt);
  tiff.u32(0);
  tiff.text(kProgramName);
  tiff.u8(0);
  return std::move(tiff.vector());
}

// Calendar arithmetic rather than gmtime: the same on every system, free of its shared
// buffer, and in whole seconds so that no distant date overflows a finer clock.
std::string utcDateStamp(std::time_t when) {
  using namespace std::chrono;
  const year_month_day date{floor<days>(sys_seconds{seconds{when}})};
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%04d%02u%02u", int(date.year()), unsigned(date.month()), unsigned(date.day()));
  return stamp;
}

std::string utcDateStamp() { return utcDateStamp(std::time(nullptr)); }

}  // namespace qm
