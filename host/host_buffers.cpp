// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/host_buffers.h"

#include <cstring>

#include "host/module_state.h"

namespace qm {
namespace {

const pi::BufferProcs* usableBufferProcs() {
  const pi::FilterRecord* record = moduleState().record;
  const pi::BufferProcs* procs = record ? record->bufferProcs : nullptr;
  if (!procs || procs->bufferProcsVersion < pi::kBufferProcsVersion || procs->numBufferProcs < pi::kBufferProcsCount)
    return nullptr;
  if (!procs->allocateProc || !procs->lockProc || !procs->unlockProc || !procs->freeProc || !procs->spaceProc)
    return nullptr;
  return procs;
}

bool allocateFromHost(HostBuffer& buffer, std::int32_t size) {
  const pi::BufferProcs* procs = usableBufferProcs();
  if (!procs) return false;
  pi::BufferID id = nullptr;
  if (procs->allocateProc(size, &id) != pi::noErr || !id) return false;
  void* data = procs->lockProc(id, true);
  if (!data) {
    procs->freeProc(id);
    return false;
  }
  std::memset(data, 0, std::size_t(size));
  buffer.hostId = id;
  buffer.data = data;
  return true;
}

}  // namespace

HostBuffer hostBufferAllocate(std::int32_t size) {
  HostBuffer buffer;
  if (size < 0) return buffer;
  if (allocateFromHost(buffer, size)) return buffer;
  buffer.system = platform::allocateSystemMemory(std::size_t(size));
  buffer.data = buffer.system.data;
  return buffer;
}

void hostBufferFree(HostBuffer& buffer) {
  if (buffer.hostId) {
    // The procedures were usable when the buffer was made; a host does not withdraw them mid-run.
    if (const pi::BufferProcs* procs = usableBufferProcs()) {
      procs->unlockProc(buffer.hostId);
      procs->freeProc(buffer.hostId);
    }
  } else {
    platform::freeSystemMemory(buffer.system);
  }
  buffer = HostBuffer{};
}

}  // namespace qm
