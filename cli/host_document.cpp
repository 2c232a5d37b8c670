// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/host_document.h"

#include <algorithm>

namespace qm::cli {
namespace {

pi::VRect selectionBounds(const std::vector<std::uint8_t>& mask, std::int32_t width, std::int32_t height) {
  pi::VRect bounds{height, width, 0, 0};
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = mask.data() + std::size_t(y) * std::size_t(width);
    for (std::int32_t x = 0; x < width; ++x) {
      if (!row[x]) continue;
      bounds.top = std::min(bounds.top, y);
      bounds.bottom = std::max(bounds.bottom, y + 1);
      bounds.left = std::min(bounds.left, x);
      bounds.right = std::max(bounds.right, x + 1);
    }
  }
  return bounds;
}

}  // namespace

bool makeDocument(RasterImage image, std::vector<std::uint8_t> mask, HostDocument& document, std::string& error) {
  document.image = std::move(image);
  document.mask = std::move(mask);
  const std::int32_t width = document.image.width;
  const std::int32_t height = document.image.height;
  document.filterRect = {0, 0, height, width};
  if (document.mask.empty()) return true;
  document.filterRect = selectionBounds(document.mask, width, height);
  if (document.filterRect.bottom <= document.filterRect.top) {
    error = "the mask selects nothing: every pixel of it is black";
    return false;
  }
  return true;
}

pi::int16 imageModeOf(const RasterImage& image) {
  if (image.colorChannels != 1 && image.colorChannels != 3) return pi::plugInModeMultichannel;
  const bool grey = image.colorChannels == 1;
  switch (image.type) {
    case SampleType::UInt8:
      return grey ? pi::plugInModeGrayScale : pi::plugInModeRGBColor;
    case SampleType::UInt16:
      return grey ? pi::plugInModeGray16 : pi::plugInModeRGB48;
    case SampleType::Float32:
      return grey ? pi::plugInModeGray32 : pi::plugInModeRGB96;
  }
  return pi::plugInModeMultichannel;
}

pi::int32 depthOf(const RasterImage& image) { return bytesPerSample(image.type) * 8; }

pi::int16 filterCaseOf(const HostDocument& document) {
  const bool selection = !document.mask.empty();
  if (document.image.hasAlpha)
    return selection ? pi::filterCaseEditableTransparencyWithSelection : pi::filterCaseEditableTransparencyNoSelection;
  return selection ? pi::filterCaseFlatImageWithSelection : pi::filterCaseFlatImageNoSelection;
}

std::uint16_t fileToHost16(std::uint16_t value) { return std::uint16_t((std::uint32_t(value) * 32768u + 32767u) / 65535u); }

std::uint16_t hostToFile16(std::uint16_t value) {
  const std::uint32_t host = std::min<std::uint32_t>(value, 32768u);
  return std::uint16_t((host * 65535u + 16384u) / 32768u);
}

}  // namespace qm::cli
