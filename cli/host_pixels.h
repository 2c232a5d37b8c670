// SPDX-License-Identifier: LicenseRef-Quillmark
// The substitute host's pixel service: fills the filter's input, output and mask buffers
// from the document for any area, plane range and sampling rate, and takes the output back.
// Areas reaching past the image are padded as the filter asks: edge pixels repeated, a
// fill value, or an error.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "cli/host_document.h"
#include "cli/pixel_allocator.h"
#include "host/plugin_interface.h"

namespace qm::cli {

struct PixelRequest {
  pi::VRect rect{};      // sampled coordinates: document coordinates divided by the rate
  int loPlane = 0;
  int hiPlane = 0;
  pi::Fixed rate = pi::kFixedOne;
  pi::int16 padding = pi::plugInWantsEdgeReplication;
};

// Growing a vector through it leaves the new bytes as they come: a pixel buffer is written
// whole right after it is sized, so clearing it first would only cost a pass over memory.
template <class T>
struct UnclearedAllocator : std::allocator<T>, ConstructsWithoutValue {
  template <class U>
  struct rebind {
    using other = UnclearedAllocator<U>;
  };
  UnclearedAllocator() = default;
  template <class U>
  UnclearedAllocator(const UnclearedAllocator<U>&) noexcept {}
};

struct PixelBuffer {
  std::vector<std::uint8_t, UnclearedAllocator<std::uint8_t>> bytes;
  pi::int32 rowBytes = 0;
  pi::int32 columnBytes = 0;
  bool empty() const { return bytes.empty(); }
};

// Rows are padded to 16 bytes with zeros unless packedRows is set (as the leanest hosts
// deliver them).
pi::OSErr readPixels(const HostDocument& document, const PixelRequest& request, bool packedRows, PixelBuffer& buffer);
pi::OSErr readMask(const HostDocument& document, const PixelRequest& request, bool packedRows, PixelBuffer& buffer);
// Takes back an output buffer of the request's area (full resolution). Only pixels inside
// the filter rectangle change; with autoMask the selection blends them in.
void writePixels(HostDocument& document, const PixelRequest& request, const PixelBuffer& buffer, bool autoMask);

}  // namespace qm::cli
