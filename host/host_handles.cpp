// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/host_handles.h"

#include <cstring>
#include <new>

#include "host/module_state.h"
#include "platform/platform.h"

namespace qm {
namespace {

// Our stand-in for hosts without handle procedures: data pointer first, like a host handle.
struct OwnHandle {
  char* data;
  std::int32_t size;
  platform::SystemMemory memory;
};

const pi::HandleProcs* hostHandleProcs() {
  const pi::FilterRecord* record = moduleState().record;
  const pi::HandleProcs* procs = record ? record->handleProcs : nullptr;
  if (!procs || procs->numHandleProcs < 6 || !procs->newProc || !procs->disposeProc || !procs->lockProc ||
      !procs->unlockProc)
    return nullptr;
  return procs;
}

OwnHandle* asOwn(pi::Handle handle) { return reinterpret_cast<OwnHandle*>(handle); }

}  // namespace

pi::Handle newHandle(std::int32_t size) {
  if (size < 0) return nullptr;
  if (const pi::HandleProcs* procs = hostHandleProcs()) return procs->newProc(size);
  auto* own = new (std::nothrow) OwnHandle{};
  if (!own) return nullptr;
  own->memory = platform::allocateSystemMemory(std::size_t(size));
  if (!own->memory.data) {
    delete own;
    return nullptr;
  }
  own->data = static_cast<char*>(own->memory.data);
  own->size = size;
  return &own->data;
}

void disposeHandle(pi::Handle handle) {
  if (!handle) return;
  if (const pi::HandleProcs* procs = hostHandleProcs()) {
    procs->disposeProc(handle);
    return;
  }
  OwnHandle* own = asOwn(handle);
  platform::freeSystemMemory(own->memory);
  delete own;
}

void* lockHandle(pi::Handle handle) {
  if (!handle) return nullptr;
  if (const pi::HandleProcs* procs = hostHandleProcs()) return procs->lockProc(handle, true);
  return *handle;
}

void unlockHandle(pi::Handle handle) {
  if (!handle) return;
  if (const pi::HandleProcs* procs = hostHandleProcs()) procs->unlockProc(handle);
}

std::int32_t handleSize(pi::Handle handle) {
  if (!handle) return 0;
  if (const pi::HandleProcs* procs = hostHandleProcs()) return procs->getSizeProc ? procs->getSizeProc(handle) : 0;
  return asOwn(handle)->size;
}

bool ensureHandleSize(pi::Handle handle, std::int32_t size) {
  const std::int32_t current = handleSize(handle);
  if (current <= 0 || current >= size) return true;
  const pi::HandleProcs* procs = hostHandleProcs();
  if (!procs || !procs->setSizeProc) return false;
  return procs->setSizeProc(handle, size) == pi::noErr && handleSize(handle) >= size;
}

}  // namespace qm
