// SPDX-License-Identifier: LicenseRef-Quillmark
// Asking the host for pixels: which area, which planes, at which sampling rate, and the
// call that makes the host deliver them. Also the abort test and the progress report.
// Host calls only ever happen on the thread the host called PluginMain on.
#pragma once

#include <cstdint>

#include "host/plugin_interface.h"

namespace qm {

// The host's buffers after a delivery, with the strides to walk them. The host may clip
// the area it was asked for, so the rectangles are read back after each delivery.
struct DeliveredArea {
  pi::VRect inRect;
  pi::VRect outRect;
  pi::VRect maskRect;
  const std::uint8_t* inData;
  std::uint8_t* outData;
  const std::uint8_t* maskData;
  std::int32_t inRowBytes;
  std::int32_t outRowBytes;
  std::int32_t maskRowBytes;
  std::int32_t inColumnBytes;   // bytes from one pixel to the next
  std::int32_t outColumnBytes;
  int sampleBytes;
};

// Requests `area` (document coordinates already divided by the sampling rate) of all
// planes, in and out, plus the selection mask when the host has one.
void requestArea(const pi::VRect& area);
// Requests a single plane of the input only (the output stays as it was).
void requestInputPlane(int plane);
// Tells the host that nothing more is wanted.
void emptyRequest();
// Makes the host deliver the current request; false (with the host's code as the result
// of this call) when it fails.
bool advance();
DeliveredArea deliveredArea();
// True when the user asked to stop.
bool testAbort();
// Progress to the host: done + 1 of total, never more than total (hosts draw their bar
// from the two, and one past the end shows as a bar past its end or an error).
void reportProgress(std::int32_t done, std::int32_t total);

}  // namespace qm
