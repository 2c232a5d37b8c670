// SPDX-License-Identifier: LicenseRef-Quillmark
// The metadata that names the program, the date and the look, carried by our PSD files (as
// image resources) and by our JPEG pictures (through JpegMetadata): an IPTC block and a
// small EXIF block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace qm {

// The keyword list: at most kMaximumCount texts of at most kMaximumLength characters. A text
// that is empty, too long, or comes after the list is full is ignored; so is one that an
// entry already begins with (the comparison runs over the new text's own length, so "thin"
// after "thinner" is left out too).
class IptcKeywords {
 public:
  static constexpr std::size_t kMaximumCount = 19;
  static constexpr std::size_t kMaximumLength = 49;

  // True when the text joined the list.
  bool add(const std::string& text);
  const std::vector<std::string>& texts() const { return texts_; }

 private:
  std::vector<std::string> texts_;
};

// The whole IPTC resource block: "8BIM", id 0x0404, an empty name, the data's length, then
// the datasets record version, source (the program's address), date created (dateUtc,
// "YYYYMMDD"), caption, the keyword "Quillmark" and one keyword dataset per entry that the
// rules of IptcKeywords keep from `keywords`, and a zero byte when the data's length is odd.
std::vector<std::uint8_t> iptcBlock(const std::vector<std::string>& keywords, const std::string& dateUtc);

// A 36-byte big-endian TIFF structure whose one directory entry is the software tag,
// "Quillmark".
std::vector<std::uint8_t> exifBlock();

// The UTC calendar date as "YYYYMMDD": of `when`, or of now.
std::string utcDateStamp(std::time_t when);
std::string utcDateStamp();

}  // namespace qm
