// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/host_memory.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_set>

#include "settings/four_char_code.h"

namespace qm::cli {
namespace {

// What a handle points at. Filters written the old way read *handle as their data, so the
// data pointer must stay the first field.
struct HandleBlock {
  char* data;
  std::int32_t size;
  std::uint32_t tag;
};
static_assert(offsetof(HandleBlock, data) == 0, "*handle must be the data pointer");

// A buffer id is a block of its own rather than the data pointer, so a filter that
// mistakes one for the other fails here instead of in a real host.
struct BufferBlock {
  void* data;
  std::int32_t size;
};

constexpr std::uint32_t kLiveHandleTag = fourCharCode("QmHd");
constexpr std::int32_t kBufferSpace = 1 << 30;

// The callbacks carry no context, and the host calls them from one thread.
struct MemoryState {
  std::unordered_set<const void*> handles;  // live HandleBlocks: checked before any block is read
  std::unordered_set<const void*> buffers;  // live BufferBlocks
  HostMemoryFaults faults;
  long long newCalls = 0;  // newProc calls since the faults were set
};

MemoryState& state() {
  static MemoryState memory;
  return memory;
}

// A 0-byte handle still gets a byte of data: some filters dereference it regardless.
std::size_t bytesFor(std::int32_t size) { return size > 0 ? std::size_t(size) : 1; }

// Callbacks must not let an exception into the filter's frames.
bool remember(std::unordered_set<const void*>& live, const void* block) {
  try {
    live.insert(block);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

HandleBlock* liveBlock(pi::Handle handle) {
  if (!handle) return nullptr;
  auto* block = reinterpret_cast<HandleBlock*>(handle);
  if (!state().handles.count(block) || block->tag != kLiveHandleTag) return nullptr;
  return block;
}

BufferBlock* liveBuffer(pi::BufferID id) {
  auto* block = reinterpret_cast<BufferBlock*>(id);
  return id && state().buffers.count(block) ? block : nullptr;
}

pi::Handle makeHandle(std::int32_t size) {
  if (size < 0) return nullptr;
  auto* block = new (std::nothrow) HandleBlock{};
  if (!block) return nullptr;
  block->data = static_cast<char*>(std::calloc(bytesFor(size), 1));
  if (!block->data || !remember(state().handles, block)) {
    std::free(block->data);
    delete block;
    return nullptr;
  }
  block->size = size;
  block->tag = kLiveHandleTag;
  return &block->data;
}

void disposeHandle(pi::Handle handle) {
  HandleBlock* block = liveBlock(handle);
  if (!block) return;
  block->tag = 0;
  state().handles.erase(block);
  std::free(block->data);
  delete block;
}

// ---- handle procedures ----

pi::Handle newCallback(std::int32_t size) {
  MemoryState& memory = state();
  const long long call = memory.newCalls++;
  if (memory.faults.failNewHandleAfter >= 0 && call >= memory.faults.failNewHandleAfter) return nullptr;
  return makeHandle(size);
}

void disposeCallback(pi::Handle handle) { disposeHandle(handle); }

std::int32_t getSizeCallback(pi::Handle handle) {
  if (state().faults.reportZeroSizes) return 0;
  const HandleBlock* block = liveBlock(handle);
  return block ? block->size : 0;
}

pi::OSErr setSizeCallback(pi::Handle handle, std::int32_t newSize) {
  HandleBlock* block = liveBlock(handle);
  if (!block) return pi::nilHandleErr;
  if (newSize < 0 || state().faults.failSetSize) return pi::memFullErr;
  void* resized = std::realloc(block->data, bytesFor(newSize));
  if (!resized) return pi::memFullErr;
  block->data = static_cast<char*>(resized);
  if (newSize > block->size) std::memset(block->data + block->size, 0, std::size_t(newSize - block->size));
  block->size = newSize;
  return pi::noErr;
}

pi::Ptr lockCallback(pi::Handle handle, pi::Boolean) {
  if (state().faults.failLock) return nullptr;
  const HandleBlock* block = liveBlock(handle);
  return block ? block->data : nullptr;
}

// Blocks never move, so there is nothing to unlock or recover.
void unlockCallback(pi::Handle) {}
void recoverSpaceCallback(std::int32_t) {}

// ---- buffer procedures ----

pi::OSErr allocateBufferCallback(std::int32_t size, pi::BufferID* outId) {
  if (!outId) return pi::paramErr;
  *outId = nullptr;
  if (size <= 0 || state().faults.failBufferAllocate) return pi::memFullErr;
  auto* block = new (std::nothrow) BufferBlock{std::calloc(std::size_t(size), 1), size};
  if (!block) return pi::memFullErr;
  if (!block->data || !remember(state().buffers, block)) {
    std::free(block->data);
    delete block;
    return pi::memFullErr;
  }
  *outId = reinterpret_cast<pi::BufferID>(block);
  return pi::noErr;
}

pi::Ptr lockBufferCallback(pi::BufferID id, pi::Boolean) {
  const BufferBlock* block = liveBuffer(id);
  return block ? static_cast<pi::Ptr>(block->data) : nullptr;
}

void unlockBufferCallback(pi::BufferID) {}

void freeBufferCallback(pi::BufferID id) {
  BufferBlock* block = liveBuffer(id);
  if (!block) return;
  state().buffers.erase(block);
  std::free(block->data);
  delete block;
}

std::int32_t bufferSpaceCallback() { return kBufferSpace; }

}  // namespace

pi::HandleProcs* hostHandleProcs() {
  static pi::HandleProcs procs = {pi::kHandleProcsVersion, pi::kHandleProcsCount, newCallback, disposeCallback,
                                  getSizeCallback, setSizeCallback, lockCallback, unlockCallback,
                                  recoverSpaceCallback, disposeCallback};
  return &procs;
}

pi::BufferProcs* hostBufferProcs() {
  static pi::BufferProcs procs = {pi::kBufferProcsVersion, pi::kBufferProcsCount, allocateBufferCallback,
                                  lockBufferCallback, unlockBufferCallback, freeBufferCallback,
                                  bufferSpaceCallback};
  return &procs;
}

void setHostMemoryFaults(const HostMemoryFaults& faults) {
  state().faults = faults;
  state().newCalls = 0;
}

pi::Handle newHostHandle(std::int32_t size) { return makeHandle(size); }

void disposeHostHandle(pi::Handle handle) { disposeHandle(handle); }

std::int32_t hostHandleSize(pi::Handle handle) {
  const HandleBlock* block = liveBlock(handle);
  return block ? block->size : 0;
}

bool isHostHandle(pi::Handle handle) { return liveBlock(handle) != nullptr; }

int liveHostHandles() { return int(state().handles.size()); }

int liveHostBuffers() { return int(state().buffers.size()); }

}  // namespace qm::cli
