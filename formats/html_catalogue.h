// SPDX-License-Identifier: LicenseRef-Quillmark
// A catalogue page: a web page of looks, one table cell per look with its picture and its
// name, the pictures as JPEG files in the folder "web_images" beside the page. The page is
// HTML 4.01 Transitional with "\r\n" line ends, declared ISO-8859-1 (every Latin-1 name is
// written as entities, so the page is plain ASCII), or UTF-8 when a name is UTF-8 and kept
// readable as it is (see html_escapes.h).
//
// The page is gathered in memory and written beside its final name at finish, where it
// replaces that name in one step: a catalogue that fails leaves no partial page, and an
// older page of that name as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/image_buffer.h"
#include "formats/html_escapes.h"
#include "formats/jpeg_codec.h"
#include "platform/files.h"  // the results: kOpenRefused, kWriteFailed

namespace qm {

// The two catalogues; the kind chooses the title, the heading and the columns.
enum class CatalogueKind : std::int32_t { Presets = 0, MemoryDots = 3 };

constexpr const char* kCatalogueImageFolder = "web_images";
constexpr const char* kCataloguePictureExtension = ".jpg";
constexpr int kCataloguePictureQuality = 50;
constexpr int kCatalogueCellFontSize = 3;
// The side a preset's picture is shown and written at (its stored 128 x 128 made smaller),
// and the square the memory-dots page fits each render into.
constexpr std::int32_t kCataloguePictureSide = 88;

// The memory-dots page names its pictures "dot 1" to "dot 25", and shows each render at a
// size that keeps the image's proportions within a square of `side` (each side at least 1).
std::string dotCatalogueName(int dotNumber);
struct PictureSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};
PictureSize fitInSquare(std::int32_t width, std::int32_t height, std::int32_t side);

class CatalogueWriter {
 public:
  CatalogueWriter() = default;
  CatalogueWriter(const CatalogueWriter&) = delete;
  CatalogueWriter& operator=(const CatalogueWriter&) = delete;

  // Starts the page that finish puts at `pagePath`, and makes the picture folder beside it
  // when missing. `sourceName` is what the heading says the looks come from (a folder's
  // name). 0, or platform::kOpenRefused with a message in `error` when the page or the
  // picture folder cannot be made; nothing is left behind then.
  int begin(const std::string& pagePath, CatalogueKind kind, std::string_view sourceName, std::string& error);

  // The cell of the look `name` (its extension, from the last dot, is left out): the picture
  // web_images/<safeName of the name><extension> shown at width x height, the name below.
  // A new row starts at the first column; a full row is closed with a spacer row.
  void addCell(std::string_view name, std::int32_t width, std::int32_t height,
               std::string_view extension = kCataloguePictureExtension);
  // The picture of `name` written as a JPEG file of quality 50, with the program's IPTC and
  // EXIF blocks, where its cell links to; then the cell at the picture's size. The result
  // is the picture's (0 or the file layer's code): the cell is written even when the
  // picture is not, as the page should still list every look.
  int addPicture(std::string_view name, const ImageBuffer& picture);

  // Where the picture of `name` goes.
  std::string picturePath(std::string_view name, std::string_view extension = kCataloguePictureExtension) const;
  const std::string& imageFolder() const { return imageFolder_; }
  int columns() const { return columns_; }

  // Fills the last row with empty cells, ends the page and puts it in place. 0, or
  // platform::kWriteFailed with a message in `error` (no page is left then).
  int finish(std::string& error);

 private:
  void writeHead(std::string_view sourceName);
  std::string pageText(std::string_view text);  // an escaped name; notes a kept UTF-8 one
  void endRow();
  void writeFillerCell();

  platform::File page_;
  std::string pagePath_;
  std::string imageFolder_;
  CatalogueKind kind_ = CatalogueKind::Presets;
  int columns_ = 5;
  int column_ = 1;  // 1-based, of the row being written
  std::string text_;  // everything after the character-set line
  bool utf8_ = false;  // a name was kept as UTF-8: the page is declared UTF-8
  JpegMetadata metadata_;  // the same date for every picture of the page
};

}  // namespace qm
