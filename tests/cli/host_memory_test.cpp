// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/host_memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qm::cli {
namespace {

// Every case starts without faults and must give back every handle and buffer it took.
class HostMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    setHostMemoryFaults({});
    handlesAtStart_ = liveHostHandles();
    buffersAtStart_ = liveHostBuffers();
  }
  void TearDown() override {
    setHostMemoryFaults({});
    EXPECT_EQ(liveHostHandles(), handlesAtStart_);
    EXPECT_EQ(liveHostBuffers(), buffersAtStart_);
  }
  static bool allZero(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
      if (data[i] != 0) return false;
    return true;
  }

  pi::HandleProcs& handles = *hostHandleProcs();
  pi::BufferProcs& buffers = *hostBufferProcs();

 private:
  int handlesAtStart_ = 0;
  int buffersAtStart_ = 0;
};

TEST_F(HostMemory, HandleTableIsCompleteAndDataPointerComesFirst) {
  EXPECT_EQ(handles.handleProcsVersion, 1);
  EXPECT_EQ(handles.numHandleProcs, 8);
  ASSERT_TRUE(handles.newProc && handles.disposeProc && handles.getSizeProc && handles.setSizeProc &&
              handles.lockProc && handles.unlockProc && handles.recoverSpaceProc && handles.disposeRegularHandleProc);

  const int before = liveHostHandles();
  pi::Handle handle = handles.newProc(64);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(liveHostHandles(), before + 1);
  EXPECT_TRUE(isHostHandle(handle));
  EXPECT_EQ(handles.getSizeProc(handle), 64);
  EXPECT_EQ(hostHandleSize(handle), 64);
  ASSERT_NE(*handle, nullptr);
  EXPECT_EQ(handles.lockProc(handle, 1), *handle);
  EXPECT_TRUE(allZero(*handle, 64));
  std::memset(*handle, 0x5A, 64);  // the whole block is writable (the sanitizer checks the bounds)
  handles.unlockProc(handle);
  EXPECT_EQ(handles.lockProc(handle, 0)[63], 0x5A);
  handles.disposeProc(handle);
  EXPECT_FALSE(isHostHandle(handle));
}

TEST_F(HostMemory, SizesAtTheEdges) {
  const int before = liveHostHandles();
  EXPECT_EQ(handles.newProc(-1), nullptr);
  EXPECT_EQ(newHostHandle(-5), nullptr);
  EXPECT_EQ(liveHostHandles(), before);

  // An empty handle still has data behind it: filters dereference it regardless.
  pi::Handle empty = handles.newProc(0);
  ASSERT_NE(empty, nullptr);
  ASSERT_NE(*empty, nullptr);
  EXPECT_EQ(**empty, 0);
  EXPECT_EQ(handles.getSizeProc(empty), 0);
  EXPECT_EQ(liveHostHandles(), before + 1);
  handles.disposeRegularHandleProc(empty);
  EXPECT_EQ(liveHostHandles(), before);
}

TEST_F(HostMemory, SetSizeKeepsContentsZeroFillsGrowthAndFailsSafely) {
  pi::Handle handle = handles.newProc(4);
  ASSERT_NE(handle, nullptr);
  std::memcpy(*handle, "abcd", 4);

  ASSERT_EQ(handles.setSizeProc(handle, 1000), pi::noErr);
  EXPECT_EQ(handles.getSizeProc(handle), 1000);
  EXPECT_EQ(std::memcmp(*handle, "abcd", 4), 0);
  EXPECT_TRUE(allZero(*handle + 4, 996));
  EXPECT_EQ(handles.lockProc(handle, 1), *handle);  // *handle follows the move

  ASSERT_EQ(handles.setSizeProc(handle, 2), pi::noErr);
  EXPECT_EQ(handles.getSizeProc(handle), 2);
  ASSERT_EQ(handles.setSizeProc(handle, 6), pi::noErr);
  EXPECT_EQ(std::memcmp(*handle, "ab\0\0\0\0", 6), 0);  // bytes cut off come back as zeros

  char* const data = *handle;
  EXPECT_EQ(handles.setSizeProc(handle, -1), pi::memFullErr);
  setHostMemoryFaults({.failSetSize = true});
  EXPECT_EQ(handles.setSizeProc(handle, 100), pi::memFullErr);
  EXPECT_EQ(*handle, data);
  EXPECT_EQ(hostHandleSize(handle), 6);
  EXPECT_EQ(std::memcmp(*handle, "ab", 2), 0);
  handles.disposeProc(handle);
}

TEST_F(HostMemory, ForeignNullAndDisposedHandlesAreIgnored) {
  pi::Handle real = handles.newProc(16);
  ASSERT_NE(real, nullptr);
  std::memcpy(*real, "keep", 4);

  // A copy of a live block, tag and all, is still not ours: the registry decides.
  alignas(void*) unsigned char lookalike[sizeof(void*) + 8];
  std::memcpy(lookalike, real, sizeof lookalike);
  auto foreign = reinterpret_cast<pi::Handle>(lookalike);
  EXPECT_FALSE(isHostHandle(foreign));
  EXPECT_EQ(handles.lockProc(foreign, 1), nullptr);
  EXPECT_EQ(handles.getSizeProc(foreign), 0);
  EXPECT_EQ(handles.setSizeProc(foreign, 4), pi::nilHandleErr);
  EXPECT_EQ(handles.setSizeProc(nullptr, 4), pi::nilHandleErr);
  handles.disposeProc(foreign);
  handles.disposeProc(nullptr);
  handles.disposeRegularHandleProc(nullptr);
  handles.unlockProc(nullptr);
  handles.recoverSpaceProc(1 << 20);
  EXPECT_EQ(std::memcmp(*real, "keep", 4), 0);  // the lookalike's dispose freed nothing

  handles.disposeProc(real);
  const int afterFirst = liveHostHandles();
  handles.disposeProc(real);  // a second free here would be a double free under the sanitizer
  disposeHostHandle(real);
  EXPECT_EQ(liveHostHandles(), afterFirst);
  EXPECT_EQ(handles.lockProc(real, 1), nullptr);
}

TEST_F(HostMemory, NewHandleFaultCountsFromWhenItWasSet) {
  pi::Handle early = handles.newProc(8);  // before the fault: not counted
  setHostMemoryFaults({.failNewHandleAfter = 2});
  pi::Handle first = handles.newProc(8);
  pi::Handle second = handles.newProc(8);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(handles.newProc(8), nullptr);
  EXPECT_EQ(handles.newProc(8), nullptr);
  pi::Handle hostSide = newHostHandle(8);  // the host's own helpers are not limited
  EXPECT_NE(hostSide, nullptr);

  setHostMemoryFaults({.failNewHandleAfter = 1});  // setting again restarts the count
  pi::Handle afterReset = handles.newProc(8);
  EXPECT_NE(afterReset, nullptr);
  EXPECT_EQ(handles.newProc(8), nullptr);
  for (pi::Handle handle : {early, first, second, hostSide, afterReset}) handles.disposeProc(handle);
}

TEST_F(HostMemory, LockAndSizeFaultsImitateLesserHosts) {
  pi::Handle handle = handles.newProc(32);
  ASSERT_NE(handle, nullptr);
  setHostMemoryFaults({.failLock = true, .reportZeroSizes = true});
  EXPECT_EQ(handles.lockProc(handle, 1), nullptr);
  EXPECT_EQ(handles.getSizeProc(handle), 0);
  EXPECT_EQ(hostHandleSize(handle), 32);  // the host itself still knows
  EXPECT_NE(*handle, nullptr);
  setHostMemoryFaults({});
  EXPECT_EQ(handles.lockProc(handle, 1), *handle);
  EXPECT_EQ(handles.getSizeProc(handle), 32);
  handles.disposeProc(handle);
}

TEST_F(HostMemory, BuffersAllocateZeroedAndFreeSafely) {
  EXPECT_EQ(buffers.bufferProcsVersion, 2);
  EXPECT_EQ(buffers.numBufferProcs, 5);
  ASSERT_TRUE(buffers.allocateProc && buffers.lockProc && buffers.unlockProc && buffers.freeProc &&
              buffers.spaceProc);
  EXPECT_GE(buffers.spaceProc(), 1 << 28);

  const int before = liveHostBuffers();
  pi::BufferID id = nullptr;
  ASSERT_EQ(buffers.allocateProc(4096, &id), pi::noErr);
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(liveHostBuffers(), before + 1);
  char* data = buffers.lockProc(id, 1);
  ASSERT_NE(data, nullptr);
  EXPECT_NE(static_cast<void*>(data), static_cast<void*>(id));  // an id is not the memory
  EXPECT_TRUE(allZero(data, 4096));
  std::memset(data, 1, 4096);
  buffers.unlockProc(id);
  buffers.freeProc(id);
  buffers.freeProc(id);  // twice: ignored, not a double free
  buffers.freeProc(nullptr);
  EXPECT_EQ(buffers.lockProc(id, 1), nullptr);
  EXPECT_EQ(liveHostBuffers(), before);
}

TEST_F(HostMemory, BufferRefusalsLeaveANullId) {
  pi::BufferID dummy = nullptr;
  auto* const stale = reinterpret_cast<pi::BufferID>(&dummy);
  for (pi::int32 size : {0, -16}) {
    pi::BufferID id = stale;
    EXPECT_EQ(buffers.allocateProc(size, &id), pi::memFullErr) << size;
    EXPECT_EQ(id, nullptr) << size;
  }
  setHostMemoryFaults({.failBufferAllocate = true});
  pi::BufferID id = stale;
  EXPECT_EQ(buffers.allocateProc(64, &id), pi::memFullErr);
  EXPECT_EQ(id, nullptr);
  EXPECT_EQ(buffers.allocateProc(64, nullptr), pi::paramErr);
  EXPECT_EQ(buffers.lockProc(stale, 1), nullptr);
  buffers.freeProc(stale);  // unknown id: ignored
}

}  // namespace
}  // namespace qm::cli
