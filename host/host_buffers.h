// SPDX-License-Identifier: LicenseRef-Quillmark
// Memory from the host's buffer procedures, so large working memory counts against the
// host's own budget; from the system when the host has none or refuses.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/plugin_interface.h"
#include "platform/platform.h"

namespace qm {

struct HostBuffer {
  void* data = nullptr;
  pi::BufferID hostId = nullptr;     // set when the host gave it
  platform::SystemMemory system;     // set when the system gave it
};

// Zero-filled memory of `size` bytes; data is null when neither source could give it.
HostBuffer hostBufferAllocate(std::int32_t size);
void hostBufferFree(HostBuffer& buffer);

}  // namespace qm
