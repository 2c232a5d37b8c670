// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/host_image.h"

namespace qm {

bool isEightBit(const pi::FilterRecord& record) {
  return (record.imageMode == pi::plugInModeGrayScale || record.imageMode == pi::plugInModeRGBColor) &&
         record.depth <= 8;
}

bool isSixteenBit(const pi::FilterRecord& record) {
  return (record.imageMode == pi::plugInModeGray16 || record.imageMode == pi::plugInModeRGB48) &&
         record.depth == 16;
}

bool isFloat(const pi::FilterRecord& record) {
  return record.imageMode == pi::plugInModeRGB96 || record.imageMode == pi::plugInModeGray32 ||
         record.depth == 32;
}

bool isGray(const pi::FilterRecord& record) {
  return record.imageMode == pi::plugInModeGrayScale || record.imageMode == pi::plugInModeGray16 ||
         record.imageMode == pi::plugInModeGray32;
}

bool isColour(const pi::FilterRecord& record) {
  return record.imageMode == pi::plugInModeRGBColor || record.imageMode == pi::plugInModeRGB48 ||
         record.imageMode == pi::plugInModeRGB96;
}

bool hasFewPlanes(const pi::FilterRecord& record) { return record.planes < 3; }

bool isMultichannel(const pi::FilterRecord& record) { return record.imageMode == pi::plugInModeMultichannel; }

bool hasEditableTransparency(const pi::FilterRecord& record) {
  return record.filterCase == pi::filterCaseEditableTransparencyNoSelection ||
         record.filterCase == pi::filterCaseEditableTransparencyWithSelection;
}

int sampleBytes(const pi::FilterRecord& record) {
  if (record.depth == 32 || (record.depth == 0 && (record.imageMode == pi::plugInModeRGB96 ||
                                                   record.imageMode == pi::plugInModeGray32)))
    return 4;
  if (record.depth == 16 || (record.depth == 0 && (record.imageMode == pi::plugInModeGray16 ||
                                                   record.imageMode == pi::plugInModeRGB48)))
    return 2;
  return 1;
}

HostColours hostColours(const pi::FilterRecord& record) { return {record.foreground, record.background}; }

void* hostWindow(const pi::FilterRecord& record) {
  return record.platformData ? record.platformData->hwnd : nullptr;
}

}  // namespace qm
