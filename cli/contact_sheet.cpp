// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/contact_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "cli/bitmap_font.h"
#include "settings/name_tables.h"

namespace qm::cli {
namespace {

constexpr std::int32_t kMargin = 8;       // card around the grid
constexpr std::int32_t kGap = 8;          // between columns and between rows
constexpr std::int32_t kLabelPadding = 4;  // above and below a label

int sheetRows() { return (kStyleCount + kSheetColumns - 1) / kSheetColumns; }

int widestLabel(int scale) {
  int widest = 0;
  for (int style = 1; style <= kStyleCount; ++style) widest = std::max(widest, textWidth(cellLabel(style), scale));
  return widest;
}

SheetPoint columnAndRowOrigin(const SheetLayout& layout, int style) {
  const int index = style - 1;
  return {kMargin + (index % kSheetColumns) * (layout.columnWidth + kGap),
          kMargin + (index / kSheetColumns) * (layout.rowHeight + kGap)};
}

std::uint8_t byteOf(const RasterImage& image, std::size_t sampleIndex) {
  const std::uint8_t* bytes = image.pixels.data();
  switch (image.type) {
    case SampleType::UInt8:
      return bytes[sampleIndex];
    case SampleType::UInt16: {
      std::uint16_t word;
      std::memcpy(&word, bytes + sampleIndex * 2, 2);
      return std::uint8_t((std::uint32_t(word) * 255u + 32767u) / 65535u);
    }
    case SampleType::Float32: {
      float value;
      std::memcpy(&value, bytes + sampleIndex * 4, 4);
      if (!(value > 0.0f)) return 0;  // also NaN
      return value >= 1.0f ? 255 : std::uint8_t(std::lround(value * 255.0f));
    }
  }
  return 0;
}

// Over white paper: what a viewer shows for a transparent picture.
std::uint8_t overPaper(std::uint8_t colour, std::uint8_t alpha) {
  return std::uint8_t((unsigned(colour) * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

}  // namespace

CropRect centreCrop(std::int32_t width, std::int32_t height, std::int32_t cropWidth, std::int32_t cropHeight) {
  CropRect crop;
  crop.width = std::min(width, cropWidth);
  crop.height = std::min(height, cropHeight);
  crop.left = (width - crop.width) / 2;
  crop.top = (height - crop.height) / 2;
  return crop;
}

RasterImage cropImage(const RasterImage& image, const CropRect& crop) {
  RasterImage result;
  result.width = crop.width;
  result.height = crop.height;
  result.colorChannels = image.colorChannels;
  result.hasAlpha = image.hasAlpha;
  result.type = image.type;
  result.pixels.resize(result.rowBytes() * std::size_t(crop.height));
  const std::size_t pixelBytes = std::size_t(image.channels()) * std::size_t(bytesPerSample(image.type));
  for (std::int32_t y = 0; y < crop.height; ++y) {
    const std::uint8_t* from = image.pixels.data() + std::size_t(crop.top + y) * image.rowBytes() +
                               std::size_t(crop.left) * pixelBytes;
    std::memcpy(result.pixels.data() + std::size_t(y) * result.rowBytes(), from, result.rowBytes());
  }
  return result;
}

std::string cellLabel(int style) { return std::to_string(style) + " " + styleName(style); }

SheetLayout layoutSheet(std::int32_t cellWidth, std::int32_t cellHeight) {
  SheetLayout layout;
  layout.cellWidth = cellWidth;
  layout.cellHeight = cellHeight;
  layout.labelScale = std::clamp(cellWidth / 160, 1, 4);
  layout.columnWidth = std::max(cellWidth, widestLabel(layout.labelScale));
  layout.rowHeight = cellHeight + kLabelPadding + kGlyphHeight * layout.labelScale + kLabelPadding;
  layout.width = 2 * kMargin + kSheetColumns * layout.columnWidth + (kSheetColumns - 1) * kGap;
  layout.height = 2 * kMargin + sheetRows() * layout.rowHeight + (sheetRows() - 1) * kGap;
  return layout;
}

SheetPoint cellOrigin(const SheetLayout& layout, int style) {
  const SheetPoint column = columnAndRowOrigin(layout, style);
  return {column.x + (layout.columnWidth - layout.cellWidth) / 2, column.y};
}

SheetPoint labelOrigin(const SheetLayout& layout, int style) {
  const SheetPoint column = columnAndRowOrigin(layout, style);
  const int width = textWidth(cellLabel(style), layout.labelScale);
  return {column.x + (layout.columnWidth - width) / 2, column.y + layout.cellHeight + kLabelPadding};
}

RasterImage blankSheet(const SheetLayout& layout) {
  RasterImage sheet;
  sheet.width = layout.width;
  sheet.height = layout.height;
  sheet.colorChannels = 3;
  sheet.type = SampleType::UInt8;
  sheet.pixels.assign(sheet.rowBytes() * std::size_t(sheet.height), kSheetCard);
  for (int style = 1; style <= kStyleCount; ++style) {
    const SheetPoint at = labelOrigin(layout, style);
    drawText(sheet, at.x, at.y, cellLabel(style), layout.labelScale, kSheetInk);
  }
  return sheet;
}

void pixelOverPaper(const RasterImage& image, std::int32_t x, std::int32_t y, std::uint8_t rgb[3]) {
  const std::size_t channels = std::size_t(image.channels());
  const bool grey = image.colorChannels < 3;
  const std::size_t first = (std::size_t(y) * std::size_t(image.width) + std::size_t(x)) * channels;
  const std::uint8_t alpha = image.hasAlpha ? byteOf(image, first + channels - 1) : 255;
  for (std::size_t c = 0; c < 3; ++c) rgb[c] = overPaper(byteOf(image, first + (grey ? 0 : c)), alpha);
}

void placeCell(RasterImage& sheet, const SheetLayout& layout, int style, const RasterImage& rendered) {
  const SheetPoint at = cellOrigin(layout, style);
  const std::int32_t width = std::min(rendered.width, layout.cellWidth);
  const std::int32_t height = std::min(rendered.height, layout.cellHeight);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* out = sheet.pixels.data() + std::size_t(at.y + y) * sheet.rowBytes() + std::size_t(at.x) * 3;
    for (std::int32_t x = 0; x < width; ++x, out += 3) pixelOverPaper(rendered, x, y, out);
  }
}

}  // namespace qm::cli
