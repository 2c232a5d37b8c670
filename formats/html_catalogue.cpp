// SPDX-License-Identifier: LicenseRef-Quillmark
#include "formats/html_catalogue.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "formats/psd_metadata.h"
#include "platform/file_system.h"

namespace qm {
namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kProgram = "Quillmark";
constexpr const char* kCellStart = "<td align=\"center\" valign=\"top\" width=\"20%\">";

// The name without its extension: up to its last dot, unless that dot starts the name.
std::string_view stemOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string quoted(std::int32_t value) { return "\"" + std::to_string(value) + "\""; }

// The platform layer makes no folders; the standard library does.
bool makeFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::create_directory(folder, ignored);
  return platform::pathInfo(folder).kind == platform::PathKind::Directory;
}

// The program's IPTC and EXIF blocks, without keywords: the pictures show presets and
// dots, whose looks the page itself names.
JpegMetadata pictureMetadata() {
  JpegMetadata metadata;
  metadata.iptc = iptcBlock({}, utcDateStamp());
  metadata.exif = exifBlock();
  return metadata;
}

}  // namespace

std::string dotCatalogueName(int dotNumber) { return "dot " + std::to_string(dotNumber); }

PictureSize fitInSquare(std::int32_t width, std::int32_t height, std::int32_t side) {
  if (width < 1 || height < 1 || side < 1) return {1, 1};
  const auto scaled = [side](std::int32_t shorter, std::int32_t longer) {
    return std::max<std::int32_t>(1, std::int32_t((std::int64_t(shorter) * side * 2 + longer) / (std::int64_t(longer) * 2)));
  };
  return width >= height ? PictureSize{side, scaled(height, width)} : PictureSize{scaled(width, height), side};
}

int CatalogueWriter::begin(const std::string& pagePath, CatalogueKind kind, std::string_view sourceName,
                           std::string& error) {
  page_.close();
  pagePath_ = pagePath;
  imageFolder_ = platform::folderOf(pagePath) + kCatalogueImageFolder;
  kind_ = kind;
  columns_ = kind == CatalogueKind::MemoryDots ? 4 : 5;
  column_ = 1;
  text_.clear();
  utf8_ = false;
  if (page_.openForReplacing(pagePath) != 0) {
    error = "The page " + pagePath + " cannot be written there.";
    return platform::kOpenRefused;
  }
  if (!makeFolder(imageFolder_)) {
    page_.close();
    error = "The picture folder " + imageFolder_ + " cannot be made.";
    return platform::kOpenRefused;
  }
  metadata_ = pictureMetadata();
  writeHead(sourceName);
  return 0;
}

std::string CatalogueWriter::pageText(std::string_view text) {
  if (!isUtf8Name(text)) return htmlEscape(text);
  utf8_ = true;
  return htmlEscapeMarkup(text);
}

void CatalogueWriter::writeHead(std::string_view sourceName) {
  const bool presets = kind_ == CatalogueKind::Presets;
  text_ += std::string("<meta name=\"generator\" content=\"Tallowbridge ") + kProgram + "\">";
  text_ += std::string("<title>") + kProgram + (presets ? " presets" : " memory dots") + "</title>" + kLineEnd;
  text_ += std::string("</head>") + kLineEnd + kLineEnd + "<body bgcolor=\"#ffffff\">" + kLineEnd + "<p>" + "<br>" +
           kLineEnd + kLineEnd;
  text_ += "<font size=\"4\" color=\"000000\" face=\"Gill Sans,Verdana,Helvetica,Arial,Geneva\">";
  text_ += std::string("<b>") + kProgram;
  text_ += presets ? " presets from " + pageText(sourceName) : " images from " + pageText(sourceName) + " memory dots ";
  text_ += std::string("<br>") + kLineEnd + "</b>" + "</font>" + "</p>";
  text_ += "<table width=\"100%\" border=\"0\" cellspacing=\"12\" cellpadding=\"0\" align=\"center\">";
}

void CatalogueWriter::addCell(std::string_view name, std::int32_t width, std::int32_t height,
                              std::string_view extension) {
  const std::string_view stem = stemOf(name);
  const std::string safe = safeName(stem);
  const std::string ext(extension);
  if (column_ == 1) text_ += "<tr>";
  text_ += std::string(kCellStart) + kLineEnd;
  text_ += "<table id=\"Table_01\" width=" + quoted(width + 6) +
           " border=\"0\" cellspacing=\"0\" cellpadding=\"0\" height=" + quoted(height + 7);
  text_ += std::string(">") + kLineEnd + "<tr>" + kLineEnd + "<td colspan=\"3\">" + "</td>" + kLineEnd + "</tr>" +
           kLineEnd + "<tr>" + kLineEnd + "<td>" + "</td>" + kLineEnd + "<td>";
  // The link's value is closed before the next attribute, so that the picture shows.
  text_ += std::string("<img src=\"") + kCatalogueImageFolder + "/" + urlEscape(safe) + ext + "\"";
  text_ += " alt=\"" + pageText(safe) + ext + "\"";
  text_ += " width=" + quoted(width) + " height=" + quoted(height) + " border=\"0\">";
  text_ += std::string("</td>") + kLineEnd + "<td>" + "</td>" + kLineEnd + "</tr>" + kLineEnd + "<tr>" + kLineEnd +
           "<td colspan=\"3\">" + "</td>" + kLineEnd + "</tr>" + kLineEnd + "</table>" + kLineEnd;
  text_ += std::string("<div align=\"center\">") + kLineEnd;
  text_ += "<br><font size=" + quoted(kCatalogueCellFontSize) + " color=\"000000\" face=\"Gill Sans,Verdana,Helvetica,Arial\">";
  text_ += pageText(stem);
  text_ += std::string("</font>") + "</div>" + "</td>" + kLineEnd + kLineEnd;
  if (++column_ > columns_) endRow();
}

// Closes a full row and adds the spacer row below it.
void CatalogueWriter::endRow() {
  text_ += std::string("</tr>") + kLineEnd + "<tr>";
  for (int i = 0; i < columns_; ++i) text_ += std::string(kCellStart) + "<p>&nbsp;</p></td>";
  text_ += "</tr>";
  column_ = 1;
}

void CatalogueWriter::writeFillerCell() {
  text_ += std::string(kCellStart) + "<p>" + "</p>" + kLineEnd + "<div align=\"center\">" + kLineEnd;
  text_ += "<p><font face=\"Hoefler Text,Times New Roman,Georgia,Times\"><b>";
  text_ += std::string("</b></font></p>") + kLineEnd + "</div>" + kLineEnd + "</td>" + kLineEnd + kLineEnd;
}

std::string CatalogueWriter::picturePath(std::string_view name, std::string_view extension) const {
  return imageFolder_ + "/" + safeName(stemOf(name)) + std::string(extension);
}

int CatalogueWriter::addPicture(std::string_view name, const ImageBuffer& picture) {
  const std::vector<std::uint8_t> stream = encodeJpeg(picture, kCataloguePictureQuality, &metadata_);
  platform::File file;
  int result = stream.empty() ? platform::kWriteFailed : file.openForReplacing(picturePath(name));
  if (result == 0) result = file.write(stream.data(), stream.size());
  if (result == 0) result = file.commitReplacement();
  addCell(name, picture.width[0], picture.height[0]);
  return result;
}

int CatalogueWriter::finish(std::string& error) {
  if (column_ > 1) {
    for (; column_ <= columns_; ++column_) writeFillerCell();
    endRow();
  }
  text_ += std::string("</table>") + "<br>" + kLineEnd + "</body>" + "</html>";
  const std::string page = std::string("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">") +
                           kLineEnd + kLineEnd + "<html>" + kLineEnd + "<head>" + kLineEnd +
                           "<meta http-equiv=\"content-type\" content=\"text/html;charset=" +
                           (utf8_ ? "UTF-8" : "ISO-8859-1") + "\">" + kLineEnd + text_;
  int result = page_.write(page.data(), page.size());
  if (result == 0) result = page_.commitReplacement();
  page_.close();
  text_.clear();
  if (result != 0) error = "The page " + pagePath_ + " could not be written whole; it was left out.";
  return result == 0 ? 0 : platform::kWriteFailed;
}

}  // namespace qm
