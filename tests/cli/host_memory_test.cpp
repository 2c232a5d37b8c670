// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/host_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace qm::cli {
namespace {

bool allZero(const char* data, std::size_t size) {
  return std::all_of(data, data + size, [](char c) { return c == 0; });
}

// Every case starts without faults and must give back every handle and buffer it took.
class HostMemory : public ::testing::Test {
 protected:
  void SetUp() override { setHostMemoryFaults({}); }
  void TearDown() override {
    setHostMemoryFaults({});
    EXPECT_EQ(liveHostHandles(), handlesAtStart_);
    EXPECT_EQ(liveHostBuffers(), buffersAtStart_);
  }
  pi::HandleProcs& handles = *hostHandleProcs();
  pi::BufferProcs& buffers = *hostBufferProcs();
 private:
  int handlesAtStart_ = liveHostHandles();
  int buffersAtStart_ = liveHostBuffers();
};

TEST_F(HostMemory, HandlesKeepTheDataPointerFirstAndStartZeroed) {
  pi::Handle handle = handles.newProc(64);
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(isHostHandle(handle));
  EXPECT_EQ(handles.getSizeProc(handle), 64);
  EXPECT_EQ(handles.lockProc(handle, 1), *handle);
  EXPECT_TRUE(allZero(*handle, 64));
  std::memset(*handle, 0x5A, 64);  // the whole block is writable (the sanitizer checks the bounds)
  handles.unlockProc(handle);
  EXPECT_EQ(handles.lockProc(handle, 0)[63], 0x5A);
  // An empty handle still has data behind it: filters dereference it regardless.
  pi::Handle empty = handles.newProc(0);
  ASSERT_NE(empty, nullptr);
  ASSERT_NE(*empty, nullptr);
  EXPECT_EQ(handles.getSizeProc(empty), 0);
  EXPECT_EQ(handles.newProc(-1), nullptr);
  EXPECT_EQ(newHostHandle(-5), nullptr);
  handles.disposeProc(handle);
  handles.disposeRegularHandleProc(empty);
  EXPECT_FALSE(isHostHandle(handle));
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
  ASSERT_EQ(handles.setSizeProc(handle, 6), pi::noErr);
  EXPECT_EQ(std::memcmp(*handle, "ab\0\0\0\0", 6), 0);  // bytes cut off come back as zeros
  char* const data = *handle;
  EXPECT_EQ(handles.setSizeProc(handle, -1), pi::memFullErr);
  setHostMemoryFaults({.failSetSize = true});
  EXPECT_EQ(handles.setSizeProc(handle, 100), pi::memFullErr);
  EXPECT_EQ(*handle, data);
  EXPECT_EQ(hostHandleSize(handle), 6);
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
  EXPECT_EQ(std::memcmp(*real, "keep", 4), 0);  // the lookalike's dispose freed nothing
  handles.disposeProc(real);
  const int afterFirst = liveHostHandles();
  handles.disposeProc(real);  // a second free here would be a double free under the sanitizer
  disposeHostHandle(real);
  EXPECT_EQ(liveHostHandles(), afterFirst);
  EXPECT_EQ(handles.lockProc(real, 1), nullptr);
}

TEST_F(HostMemory, BuffersAllocateZeroedRefuseBadSizesAndFreeSafely) {
  EXPECT_GE(buffers.spaceProc(), 1 << 28);
  pi::BufferID id = nullptr;
  ASSERT_EQ(buffers.allocateProc(4096, &id), pi::noErr);
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
  const auto refusedSize = [&](pi::int32 size) {
    pi::BufferID out = id;  // stale, so the test sees it being cleared
    const pi::OSErr error = buffers.allocateProc(size, &out);
    if (error == pi::noErr) buffers.freeProc(out);
    return error == pi::memFullErr && out == nullptr;
  };
  EXPECT_TRUE(refusedSize(0));
  EXPECT_TRUE(refusedSize(-16));
  EXPECT_FALSE(refusedSize(16));  // the check itself can tell; this one is kept
  setHostMemoryFaults({.failBufferAllocate = true});
  EXPECT_TRUE(refusedSize(64));
  EXPECT_EQ(buffers.allocateProc(64, nullptr), pi::paramErr);
}

}  // namespace
}  // namespace qm::cli
