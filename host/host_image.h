// SPDX-License-Identifier: LicenseRef-Quillmark
// What kind of document the host hands us, read from its mode and depth.
#pragma once

#include <cstdint>

#include "host/plugin_interface.h"

namespace qm {

bool isEightBit(const pi::FilterRecord& record);
bool isSixteenBit(const pi::FilterRecord& record);
bool isFloat(const pi::FilterRecord& record);
bool isGray(const pi::FilterRecord& record);
bool isColour(const pi::FilterRecord& record);
bool hasFewPlanes(const pi::FilterRecord& record);
bool isMultichannel(const pi::FilterRecord& record);
bool hasEditableTransparency(const pi::FilterRecord& record);

// Bytes of one sample: from `depth`, or from the mode for hosts that leave depth 0.
int sampleBytes(const pi::FilterRecord& record);

// The host's colours and window, for the dialog and the exports.
struct HostColours {
  pi::RGBColor foreground;
  pi::RGBColor background;
};
HostColours hostColours(const pi::FilterRecord& record);
void* hostWindow(const pi::FilterRecord& record);

}  // namespace qm
