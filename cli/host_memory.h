// SPDX-License-Identifier: LicenseRef-Quillmark
// The substitute host's handle and buffer services, as the filter record offers them.
// Handles keep the layout real hosts use: a handle points at a block whose first field is
// the data pointer, so a filter that dereferences *handle finds its data.
#pragma once

#include <cstdint>

#include "host/plugin_interface.h"

namespace qm::cli {

// Fault injection for tests and for imitating hosts that offer less. Faults act on the
// procedure tables the filter calls; the host-side helpers below always see the truth.
struct HostMemoryFaults {
  int failNewHandleAfter = -1;  // the n-th newProc call (0-based) and later return null; -1 never
  bool failLock = false;        // lockProc returns null
  bool reportZeroSizes = false; // getSizeProc returns 0, as some hosts do
  bool failBufferAllocate = false;
  bool failSetSize = false;     // setSizeProc answers memFullErr, as when memory runs out
};

// setSizeProc answers nilHandleErr for a null or foreign handle; failLock affects handles only.
pi::HandleProcs* hostHandleProcs();
pi::BufferProcs* hostBufferProcs();
// Replaces the faults in force and restarts the count of newProc calls.
void setHostMemoryFaults(const HostMemoryFaults& faults);

// Host-side helpers (the host itself makes and reads handles, e.g. for descriptors).
pi::Handle newHostHandle(std::int32_t size);
void disposeHostHandle(pi::Handle handle);
std::int32_t hostHandleSize(pi::Handle handle);
bool isHostHandle(pi::Handle handle);

// Counts for leak checks in tests: handles and buffers currently alive.
int liveHostHandles();
int liveHostBuffers();

}  // namespace qm::cli
