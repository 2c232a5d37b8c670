// SPDX-License-Identifier: LicenseRef-Quillmark
// The substitute host's services to the plug-in: memory and scripting descriptors as filters
// reach them through their procedure tables, the pixels it hands out and takes back, and
// its reading of the plug-in's property list.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/host_descriptor.h"
#include "cli/host_memory.h"
#include "cli/host_pixels.h"
#include "cli/property_list_reader.h"
#include "quillmark_version.h"
#include "resources/property_list.h"
#include "settings/four_char_code.h"
#include "tests/test_images.h"

namespace qm::cli {
namespace {

using test::makeFlat;
using test::makeTestImage;
using test::sampleAt;

constexpr pi::DescriptorKeyID kWidth = pi::fourCC("QWid"), kDepth = pi::fourCC("QDep"), kInvert = pi::fourCC("QInv"),
                              kStyle = pi::fourCC("QSty"), kAngle = pi::fourCC("QAng"), kAbsent = pi::fourCC("QAbs");
constexpr pi::DescriptorTypeID kStyleType = pi::fourCC("QStT");
constexpr pi::DescriptorEnumID kHatched = pi::fourCC("QHat");
constexpr pi::DescriptorUnitID kDegrees = pi::fourCC("#Ang");

DescriptorItems sampleItems() {
  return {{.key = kWidth, .type = pi::typeInteger, .integer = INT32_MIN},
          {.key = kDepth, .type = pi::typeFloat, .number = 2.75},
          {.key = kInvert, .type = pi::typeBoolean, .integer = 1},
          {.key = kStyle, .type = pi::typeEnumerated, .enumType = kStyleType, .enumValue = kHatched},
          {.key = kAngle, .type = pi::typeUnitFloat, .number = -45.5, .unit = kDegrees}};
}

bool allZero(const char* data, std::size_t size) {
  return std::all_of(data, data + size, [](char c) { return c == 0; });
}

// Every case starts without faults and must give back every handle and buffer it took and
// close every descriptor token it opened.
class HostServices : public ::testing::Test {
 protected:
  void SetUp() override { setHostMemoryFaults({}); }
  void TearDown() override {
    setHostMemoryFaults({});
    EXPECT_EQ(liveHostHandles(), handlesAtStart_);
    EXPECT_EQ(liveHostBuffers(), buffersAtStart_);
    EXPECT_EQ(openDescriptorTokens(), tokensAtStart_);
  }
  // A reader on a fresh handle of the items, disposed of at once as filters do.
  pi::PIReadDescriptor openOn(const DescriptorItems& items, pi::DescriptorKeyID* keys = nullptr) {
    pi::Handle handle = makeDescriptorHandle(items);
    EXPECT_NE(handle, nullptr);
    pi::PIReadDescriptor token = read.openReadDescriptorProc(handle, keys);
    hostHandleProcs()->disposeProc(handle);
    return token;
  }
  bool nextKey(pi::PIReadDescriptor token) {
    pi::DescriptorKeyID key = 0;
    return read.getKeyProc(token, &key, nullptr, nullptr) != 0;
  }
  // Reads every item through the procedures as a filter does, by the type getKey reports;
  // each read must succeed exactly.
  DescriptorItems readAll(pi::PIReadDescriptor token) {
    DescriptorItems items;
    DescriptorItem item;
    pi::int32 flags = -1;
    while (read.getKeyProc(token, &item.key, &item.type, &flags)) {
      const bool enumerated = item.type == pi::typeEnumerated;
      EXPECT_EQ(flags, enumerated ? pi::actionEnumeratedParameter : pi::actionSimpleParameter);
      pi::Boolean flag = 0;
      pi::OSErr error = pi::paramErr;
      if (item.type == pi::typeInteger) error = read.getIntegerProc(token, &item.integer);
      if (item.type == pi::typeFloat) error = read.getFloatProc(token, &item.number);
      if (item.type == pi::typeUnitFloat) error = read.getUnitFloatProc(token, &item.unit, &item.number);
      if (enumerated) error = read.getEnumeratedProc(token, &item.enumValue);
      if (item.type == pi::typeBoolean) error = read.getBooleanProc(token, &flag);
      item.integer += flag;
      EXPECT_EQ(error, pi::noErr) << fourCharCodeText(item.key);
      items.push_back(std::exchange(item, {}));
    }
    return items;
  }
  pi::HandleProcs& handles = *hostHandleProcs();
  pi::BufferProcs& buffers = *hostBufferProcs();
  pi::ReadDescriptorProcs& read = *hostReadDescriptorProcs();
  pi::WriteDescriptorProcs& write = *hostWriteDescriptorProcs();
 private:
  int handlesAtStart_ = liveHostHandles();
  int buffersAtStart_ = liveHostBuffers();
  int tokensAtStart_ = openDescriptorTokens();
};
using HostMemory = HostServices;
using HostDescriptor = HostServices;

TEST_F(HostDescriptor, WrittenItemsReadBackInOrder) {
  pi::PIWriteDescriptor writer = write.openWriteDescriptorProc();
  ASSERT_NE(writer, nullptr);
  const double depth = 2.75, angle = -45.5;
  EXPECT_EQ(write.putIntegerProc(writer, kWidth, INT32_MIN), pi::noErr);
  EXPECT_EQ(write.putFloatProc(writer, kDepth, &depth), pi::noErr);
  EXPECT_EQ(write.putBooleanProc(writer, kInvert, 200), pi::noErr);  // any non-zero is stored as 1
  EXPECT_EQ(write.putEnumeratedProc(writer, kStyle, kStyleType, kHatched), pi::noErr);
  EXPECT_EQ(write.putUnitFloatProc(writer, kAngle, kDegrees, &angle), pi::noErr);
  pi::PIDescriptorHandle written = nullptr;
  ASSERT_EQ(write.closeWriteDescriptorProc(writer, &written), pi::noErr);
  ASSERT_TRUE(isHostHandle(written));
  DescriptorItems items;
  ASSERT_TRUE(readDescriptorHandle(written, items));
  EXPECT_EQ(items, sampleItems());
  pi::PIReadDescriptor reader = read.openReadDescriptorProc(written, nullptr);
  ASSERT_NE(reader, nullptr);
  hostHandleProcs()->disposeProc(written);  // the reader keeps working without the handle
  DescriptorItems expected = sampleItems();
  expected[3].enumType = 0;  // the read procedures do not give an enumeration's type
  EXPECT_EQ(readAll(reader), expected);
  EXPECT_FALSE(nextKey(reader));  // stays at the end
  double number = 0;
  EXPECT_EQ(read.getUnitFloatProc(reader, nullptr, &number), pi::paramErr);  // past the end: no item
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::paramErr);
  pi::Handle empty = makeDescriptorHandle({});
  items = sampleItems();
  EXPECT_TRUE(readDescriptorHandle(empty, items));
  EXPECT_TRUE(items.empty());
  disposeHostHandle(empty);
}

TEST_F(HostDescriptor, KeyArrayEntriesTurnNullExactlyForKeysRead) {
  pi::DescriptorKeyID keys[] = {kWidth, kAbsent, kDepth, kWidth, kStyle, 0};  // kWidth twice: both marked
  pi::PIReadDescriptor reader = openOn(sampleItems(), keys);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(keys[0], kWidth);  // nothing is marked before it is read
  ASSERT_TRUE(nextKey(reader));
  const pi::DescriptorKeyID afterOne[] = {pi::typeNull, kAbsent, kDepth, pi::typeNull, kStyle, 0};
  EXPECT_EQ(std::memcmp(keys, afterOne, sizeof keys), 0);
  while (nextKey(reader)) continue;
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::noErr);
  const pi::DescriptorKeyID afterAll[] = {pi::typeNull, kAbsent, pi::typeNull, pi::typeNull, pi::typeNull, 0};
  EXPECT_EQ(std::memcmp(keys, afterAll, sizeof keys), 0);
}

TEST_F(HostDescriptor, CoercionsSucceedWithCoercedParamErrOtherMismatchesFail) {
  pi::PIReadDescriptor reader = openOn({{.key = kWidth, .type = pi::typeInteger, .integer = 12},
                                        {.key = kDepth, .type = pi::typeFloat, .number = 2.6},
                                        {.key = kInvert, .type = pi::typeBoolean, .integer = 1},
                                        {.key = kAngle, .type = pi::typeUnitFloat, .number = -400, .unit = kDegrees}});
  ASSERT_NE(reader, nullptr);
  double number = 0;
  pi::int32 integer = 0;
  pi::DescriptorUnitID unit = 0;
  const double low = 0, high = 2, turn = -360;
  // Each read's error and the value it gave (braces take the value after the call).
  ASSERT_TRUE(nextKey(reader));
  EXPECT_EQ((std::pair{read.getFloatProc(reader, &number), number}), std::pair(pi::coercedParamErr, 12.0));
  EXPECT_EQ((std::pair{read.getPinnedIntegerProc(reader, 0, 100, &integer), integer}), std::pair(pi::noErr, 12));
  EXPECT_EQ((std::pair{read.getPinnedIntegerProc(reader, 20, 100, &integer), integer}),
            std::pair(pi::coercedParamErr, 20));
  EXPECT_EQ((std::pair{read.getPinnedIntegerProc(reader, 0, 5, &integer), integer}), std::pair(pi::coercedParamErr, 5));
  ASSERT_TRUE(nextKey(reader));
  EXPECT_EQ((std::pair{read.getIntegerProc(reader, &integer), integer}), std::pair(pi::coercedParamErr, 3));  // rounded
  EXPECT_EQ((std::pair{read.getPinnedFloatProc(reader, &low, &high, &number), number}),
            std::pair(pi::coercedParamErr, 2.0));
  EXPECT_EQ((std::pair{read.getPinnedFloatProc(reader, &low, nullptr, &number), number}),  // no upper bound
            std::pair(pi::noErr, 2.6));
  ASSERT_TRUE(nextKey(reader));
  EXPECT_EQ((std::pair{read.getIntegerProc(reader, &integer), integer}), std::pair(pi::coercedParamErr, 1));
  ASSERT_TRUE(nextKey(reader));
  EXPECT_EQ((std::tuple{read.getPinnedUnitFloatProc(reader, &turn, nullptr, &unit, &number), number, unit}),
            std::tuple(pi::coercedParamErr, -360.0, kDegrees));
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::noErr);  // coercions are no error at close
  // Reads of another type fail, before any key too, and the failure sticks until close.
  reader = openOn({{.key = kWidth, .type = pi::typeInteger, .integer = 1}});
  EXPECT_EQ(read.getIntegerProc(reader, &integer), pi::paramErr);  // no key read yet
  ASSERT_TRUE(nextKey(reader));
  pi::Boolean flag = 0;
  pi::Handle text = nullptr;
  EXPECT_EQ(read.getBooleanProc(reader, &flag), pi::paramErr);  // an integer is no boolean
  EXPECT_EQ(read.getTextProc(reader, &text), pi::paramErr);
  EXPECT_EQ(read.getIntegerProc(reader, nullptr), pi::paramErr);
  EXPECT_EQ(read.getIntegerProc(reader, &integer), pi::noErr);  // a later success clears nothing
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::paramErr);
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::paramErr);  // closed: no longer a token
}

TEST_F(HostDescriptor, UnkeptPutsAndBadTokensAreRefused) {
  pi::PIWriteDescriptor writer = write.openWriteDescriptorProc();
  ASSERT_NE(writer, nullptr);
  const pi::uint8 name[] = {3, 'i', 'n', 'k'};
  EXPECT_EQ(write.putStringProc(writer, kStyle, name), pi::paramErr);
  EXPECT_EQ(write.putCountProc(writer, kStyle, 3), pi::paramErr);
  EXPECT_EQ(write.putClassProc(writer, kStyle, kStyleType), pi::paramErr);
  EXPECT_EQ(write.putFloatProc(writer, kDepth, nullptr), pi::paramErr);
  EXPECT_EQ(write.putIntegerProc(writer, kWidth, 3), pi::noErr);
  pi::PIDescriptorHandle written = nullptr;
  ASSERT_EQ(write.closeWriteDescriptorProc(writer, &written), pi::noErr);
  DescriptorItems items;
  ASSERT_TRUE(readDescriptorHandle(written, items));
  EXPECT_EQ(items, (DescriptorItems{{.key = kWidth, .type = pi::typeInteger, .integer = 3}}));
  disposeHostHandle(written);
  pi::PIDescriptorHandle none = written;
  EXPECT_EQ(write.closeWriteDescriptorProc(writer, &none), pi::paramErr);  // already closed
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(write.putIntegerProc(writer, kWidth, 1), pi::paramErr);
  EXPECT_EQ(write.closeWriteDescriptorProc(nullptr, &none), pi::paramErr);
  auto* wrongKind = reinterpret_cast<pi::PIReadDescriptor>(write.openWriteDescriptorProc());
  EXPECT_FALSE(nextKey(wrongKind));
  EXPECT_EQ(read.closeReadDescriptorProc(wrongKind), pi::paramErr);
  // Nowhere to put the handle: refused, and the token is freed all the same.
  EXPECT_EQ(write.closeWriteDescriptorProc(reinterpret_cast<pi::PIWriteDescriptor>(wrongKind), nullptr),
            pi::paramErr);
}

TEST_F(HostDescriptor, CorruptOrForeignContentsAreRefused) {
  EXPECT_EQ(read.openReadDescriptorProc(nullptr, nullptr), nullptr);
  alignas(void*) char fake[32] = {};
  EXPECT_EQ(read.openReadDescriptorProc(reinterpret_cast<pi::Handle>(fake), nullptr), nullptr);
  EXPECT_EQ(makeDescriptorHandle({{.key = kStyle, .type = pi::typeChar}}), nullptr);
  EXPECT_EQ(makeDescriptorHandle({{.key = kInvert, .type = pi::typeBoolean, .integer = 5}}), nullptr);
  const auto refused = [&](auto spoil) {
    pi::Handle handle = makeDescriptorHandle(sampleItems());
    EXPECT_NE(handle, nullptr);
    spoil(handle);
    DescriptorItems items = {{.key = kAbsent}};
    const bool parsed = readDescriptorHandle(handle, items);
    pi::PIReadDescriptor token = read.openReadDescriptorProc(handle, nullptr);
    if (token) read.closeReadDescriptorProc(token);
    disposeHostHandle(handle);
    return !parsed && !token && items.size() == 1 && items[0].key == kAbsent;
  };
  const auto resize = [](pi::int32 size) { return [size](pi::Handle h) { hostHandleProcs()->setSizeProc(h, size); }; };
  EXPECT_FALSE(refused([](pi::Handle) {}));  // the unspoilt handle does parse
  EXPECT_TRUE(refused([](pi::Handle h) { (*h)[0] ^= 1; }));               // tag
  EXPECT_TRUE(refused([](pi::Handle h) { (*h)[4] = 9; }));                // format version
  EXPECT_TRUE(refused([](pi::Handle h) { (*h)[8] += 1; }));               // count beyond the data
  EXPECT_TRUE(refused(resize(40)));                                       // cut short
  EXPECT_TRUE(refused(resize(8)));                                        // no whole header
  EXPECT_TRUE(refused(resize(12 + 5 * 32 + 1)));                          // trailing bytes
  EXPECT_TRUE(refused([](pi::Handle h) { (*h)[12 + 4] ^= 0x20; }));       // type of the first item
  EXPECT_TRUE(refused([](pi::Handle h) { (*h)[12 + 2 * 32 + 8] = 2; }));  // a boolean that is 2
}

TEST_F(HostMemory, HandlesKeepTheDataPointerFirstStartZeroedAndResizeSafely) {
  pi::Handle handle = handles.newProc(64);
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(isHostHandle(handle));
  EXPECT_EQ(handles.getSizeProc(handle), 64);
  EXPECT_EQ(handles.lockProc(handle, 1), *handle);
  EXPECT_TRUE(allZero(*handle, 64));
  std::memset(*handle, 0x5A, 64);  // the whole block is writable (the sanitizer checks the bounds)
  handles.unlockProc(handle);
  EXPECT_EQ(handles.lockProc(handle, 0)[63], 0x5A);
  // Growing keeps the contents and zero-fills the rest; shrinking drops the bytes cut off.
  std::memcpy(*handle, "abcd", 4);
  ASSERT_EQ(handles.setSizeProc(handle, 1000), pi::noErr);
  EXPECT_EQ(handles.getSizeProc(handle), 1000);
  EXPECT_EQ(std::memcmp(*handle, "abcdZZZZ", 8), 0);
  EXPECT_TRUE(allZero(*handle + 64, 936));
  EXPECT_EQ(handles.lockProc(handle, 1), *handle);  // *handle follows the move
  ASSERT_EQ(handles.setSizeProc(handle, 2), pi::noErr);
  ASSERT_EQ(handles.setSizeProc(handle, 6), pi::noErr);
  EXPECT_EQ(std::memcmp(*handle, "ab\0\0\0\0", 6), 0);
  // A size that cannot be had leaves the handle as it was.
  char* const data = *handle;
  EXPECT_EQ(handles.setSizeProc(handle, -1), pi::memFullErr);
  setHostMemoryFaults({.failSetSize = true});
  EXPECT_EQ(handles.setSizeProc(handle, 100), pi::memFullErr);
  EXPECT_EQ(*handle, data);
  EXPECT_EQ(hostHandleSize(handle), 6);
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

// Both directions of the one conversion between a four-character code and its text.
TEST(FourCharCode, TextToCodeAndBackWithUnprintableBytesEscaped) {
  const std::tuple<std::string_view, std::uint32_t, std::string> cases[] = {
      {"long", 0x6C6F6E67, "long"}, {"#Ang", 0x23416E67, "#Ang"},
      {std::string_view("\0ABC", 4), 0x00414243, "\\x00ABC"}, {"A\x7F \xFF", 0x417F20FF, "A\\x7F \\xFF"}};
  for (const auto& [text, code, printed] : cases) {
    EXPECT_EQ(fourCharCode(text), code) << printed;
    EXPECT_EQ(fourCharCodeText(code), printed);
  }
  EXPECT_THROW(fourCharCode(std::string("abc")), std::invalid_argument);
}

// --- pixels ---

// The byte at (x, y) of a plane.
unsigned sampleIn(const PixelBuffer& buffer, int x, int y, int plane) {
  return buffer.bytes[std::size_t(y) * std::size_t(buffer.rowBytes) + std::size_t(x * buffer.columnBytes + plane)];
}

// A document of a picture (and a selection).
HostDocument documentOf(const RasterImage& picture, std::vector<std::uint8_t> mask = {}) {
  HostDocument document;
  std::string error;
  EXPECT_TRUE(makeDocument(picture, std::move(mask), document, error)) << error;
  return document;
}

// Each request on a picture, and what it returns. What arrives is the document's bytes at
// the sampled positions, the edge repeated past the image unless a fill value is asked for.
TEST(HostPixels, AreasArriveAsStoredOrPaddedAsAsked) {
  const RasterImage rgb = makeTestImage(5, 3, SampleType::UInt8, 3, false);
  const RasterImage grey = makeTestImage(4, 4, SampleType::UInt8, 1, false);
  const RasterImage large = makeTestImage(16, 12, SampleType::UInt8, 1, false);
  const pi::int16 errorPastEdge = pi::plugInWantsErrorOnBoundsException;
  const std::tuple<const char*, RasterImage, PixelRequest, bool, pi::OSErr> cases[] = {
      {"inside, padded rows", makeTestImage(9, 7, SampleType::UInt8, 3, true), {{2, 1, 6, 8}, 0, 3}, false, pi::noErr},
      {"planes 1 and 2, packed rows", rgb, {{0, 0, 3, 5}, 1, 2}, true, pi::noErr},
      {"a plane too many", rgb, {{0, 0, 3, 5}, 2, 3}, true, pi::paramErr},
      {"planes reversed", rgb, {{0, 0, 3, 5}, 2, 1}, true, pi::paramErr},
      {"past every edge", grey, {{-2, -3, 6, 7}, 0, 0}, true, pi::noErr},
      {"a fill value above", grey, {{-1, 0, 2, 4}, 0, 0, pi::kFixedOne, 77}, true, pi::noErr},
      {"inside, error asked", grey, {{0, 0, 4, 4}, 0, 0, pi::kFixedOne, errorPastEdge}, true, pi::noErr},
      {"past the edge, error asked", grey, {{0, 0, 5, 4}, 0, 0, pi::kFixedOne, errorPastEdge}, true, pi::paramErr},
      {"every fourth pixel", large, {{0, 0, 3, 4}, 0, 0, 4 * pi::kFixedOne}, true, pi::noErr},
      {"no rate", large, {{0, 0, 3, 4}, 0, 0, 0}, true, pi::paramErr},
      {"absurdly large, refused before allocating", makeFlat(2, 2, SampleType::Float32, 3, true, 0.5),
       {{0, 0, 100000, 100000}, 0, 3}, true, pi::memFullErr}};
  for (const auto& [what, image, request, packed, status] : cases) {
    SCOPED_TRACE(what);
    PixelBuffer buffer;
    ASSERT_EQ(readPixels(documentOf(image), request, packed, buffer), status);
    EXPECT_EQ(buffer.empty(), status != pi::noErr);
    const int planes = request.hiPlane - request.loPlane + 1, rate = request.rate / pi::kFixedOne;
    const int width = request.rect.right - request.rect.left, height = request.rect.bottom - request.rect.top;
    if (status != pi::noErr) continue;
    EXPECT_EQ(buffer.columnBytes, planes);
    EXPECT_TRUE(packed ? buffer.rowBytes == width * planes : buffer.rowBytes % 16 == 0) << buffer.rowBytes;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const int at[] = {(request.rect.left + x) * rate, (request.rect.top + y) * rate};
        const bool inside = at[0] >= 0 && at[1] >= 0 && at[0] < image.width && at[1] < image.height;
        for (int p = 0; p < planes; ++p)
          ASSERT_EQ(sampleIn(buffer, x, y, p),
                    !inside && request.padding >= 0
                        ? request.padding
                        : sampleAt(image, std::clamp(at[0], 0, image.width - 1), std::clamp(at[1], 0, image.height - 1),
                                   request.loPlane + p))
              << x << "," << y << " plane " << p;
      }
  }
}

// 65536 file values map onto the host's 0..32768, and every host value survives a save.
TEST(HostPixels, SixteenBitSamplesUseTheHostRange) {
  for (const auto& [file, host] : {std::pair{65535, 32768}, std::pair{32767, 16384}, std::pair{1, 1}, std::pair{0, 0}})
    EXPECT_EQ(fileToHost16(std::uint16_t(file)), host) << file;
  for (std::uint32_t host = 0; host <= 32768; ++host)
    ASSERT_EQ(fileToHost16(hostToFile16(std::uint16_t(host))), host);
}

TEST(HostPixels, OutputChangesOnlyTheFilterRectangleAndFollowsTheSelection) {
  const std::vector<std::uint8_t> mask = {0, 255, 255, 128, 255, 0, 0, 255, 255, 255, 255, 0};
  for (const bool autoMask : {true, false}) {
    SCOPED_TRACE(autoMask ? "automatic masking" : "no automatic masking");
    HostDocument document = documentOf(makeFlat(6, 2, SampleType::UInt8, 1, false, 0.0), mask);
    PixelBuffer buffer;
    EXPECT_EQ(std::pair(document.filterRect.left, document.filterRect.right), std::pair(1, 5));
    ASSERT_EQ(readPixels(document, {{0, 0, 2, 6}, 0, 0}, true, buffer), pi::noErr);
    std::fill(buffer.bytes.begin(), buffer.bytes.end(), std::uint8_t(200));
    writePixels(document, {{0, 0, 2, 6}, 0, 0}, buffer, autoMask);
    // Nothing outside the filter rectangle; inside, the half-selected pixel half applied
    // unless the filter's value is to stand.
    EXPECT_EQ(document.image.pixels, (std::vector<std::uint8_t>{0, 200, 200, std::uint8_t(autoMask ? 100 : 200), 200, 0,
                                                                0, 200, 200, 200, 200, 0}));
  }
}

// A 16-bit RGB picture running through values the range conversions round (odd ones, both
// ends, either side of the middle).
RasterImage awkwardSixteenBit(int width, int height) {
  RasterImage image = makeFlat(width, height, SampleType::UInt16, 3, false, 0.0);
  const std::uint16_t values[] = {0, 1, 2, 3, 257, 12345, 32767, 32768, 32769, 40001, 65533, 65534, 65535};
  for (std::size_t i = 0; i < image.pixels.size() / 2; ++i) std::memcpy(&image.pixels[2 * i], &values[i % 13], 2);
  return image;
}

// A 16-bit or float sample as stored at.
double deepSample(const std::uint8_t* at, SampleType type) {
  std::uint16_t whole = 0;
  float real = 0;
  std::memcpy(type == SampleType::UInt16 ? static_cast<void*>(&whole) : &real, at, std::size_t(bytesPerSample(type)));
  return type == SampleType::UInt16 ? double(whole) : double(real);
}

// As the 8-bit areas above, in 16 bits (the host range) and float, and the selection (all
// of the float picture, none being made) alike; the bytes padding each row are zeros even
// in memory that held something before.
TEST(HostPixels, DeepAreasAndTheSelectionArriveAsStoredOrPaddedAsAsked) {
  std::vector<std::uint8_t> mask(35);
  for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = std::uint8_t(i + 1);
  const pi::Fixed one = pi::kFixedOne, two = 2 * one;
  const std::pair<PixelRequest, bool> cases[] = {{{{1, 1, 4, 7}, 0, 2}, false},       {{{0, 0, 5, 7}, 1, 1}, true},
                                                 {{{-2, -3, 7, 9}, 0, 2}, false},     {{{-1, -1, 2, 7}, 0, 2, one, 77}, true},
                                                 {{{0, 0, 3, 4}, 2, 2, two}, false}, {{{0, 0, 4, 5}, 0, 2, two, 200}, true}};
  for (const RasterImage& image : {awkwardSixteenBit(7, 5), makeTestImage(7, 5, SampleType::Float32, 3, false)})
    for (const auto& [request, packed] : cases) {
      const bool deep16 = image.type == SampleType::UInt16;
      SCOPED_TRACE(::testing::Message() << deep16 << " " << request.rect.top << "," << request.rect.left);
      const HostDocument document = documentOf(image, deep16 ? mask : std::vector<std::uint8_t>{});
      PixelBuffer buffer, selection;
      ASSERT_EQ(readPixels(document, request, packed, buffer), pi::noErr);
      std::fill(buffer.bytes.begin(), buffer.bytes.end(), std::uint8_t(0xA5));
      ASSERT_EQ(readPixels(document, request, packed, buffer), pi::noErr);
      ASSERT_EQ(readMask(document, request, packed, selection), pi::noErr);
      const int planes = request.hiPlane - request.loPlane + 1, rate = request.rate / pi::kFixedOne;
      const int width = request.rect.right - request.rect.left, size = bytesPerSample(image.type);
      ASSERT_EQ(buffer.rowBytes, packed ? width * planes * size : (width * planes * size + 15) / 16 * 16);
      for (int y = 0; y < request.rect.bottom - request.rect.top; ++y) {
        const std::uint8_t* row = buffer.bytes.data() + std::ptrdiff_t(y) * buffer.rowBytes;
        for (int x = 0; x < width; ++x) {
          const int atX = (request.rect.left + x) * rate, atY = (request.rect.top + y) * rate;
          const int edgeX = std::clamp(atX, 0, image.width - 1), edgeY = std::clamp(atY, 0, image.height - 1);
          const bool filled = request.padding >= 0 && (atX != edgeX || atY != edgeY);
          const double fill = deep16 ? request.padding * 32768 / 255 : double(float(request.padding) / 255.0f);
          for (int p = 0; p < planes; ++p) {
            const double stored = sampleAt(image, edgeX, edgeY, request.loPlane + p);
            ASSERT_EQ(deepSample(row + (x * planes + p) * size, image.type),
                      filled ? fill : deep16 ? fileToHost16(std::uint16_t(stored)) : stored)
                << x << "," << y << " plane " << p;
          }
          ASSERT_EQ(int(sampleIn(selection, x, y, 0)),
                    filled ? request.padding : deep16 ? mask[std::size_t(edgeY * image.width + edgeX)] : 255);
        }
        EXPECT_TRUE(std::all_of(row + width * planes * size, row + buffer.rowBytes, [](int b) { return b == 0; })) << y;
      }
    }
}

// What the filter hands back, all planes or one, with a selection blended in or only its
// bounds kept to: a 16-bit sample it left as it was keeps its file value even where the
// ranges round, any other is converted; a float one is taken bit for bit; nothing else changes.
TEST(HostPixels, DeepOutputKeepsUntouchedSamplesAndTakesChangedOnes) {
  // Selected within columns 1..5: the filter rectangle leaves out the outer columns.
  const std::vector<std::uint8_t> mask = {0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 0, 255, 255, 0,
                                          0, 255, 255, 255, 255, 255, 0};
  const std::tuple<int, bool, bool> cases[] = {{0, false, false}, {1, false, false}, {0, true, true}, {0, true, false}};
  const float written[] = {-0.0f, 1e-40f, 2.5f, std::numeric_limits<float>::quiet_NaN(), 0.3f};
  const auto moved = [](std::uint16_t host) { return std::uint16_t(host < 32768 ? host + 1 : 40000); };
  for (const RasterImage& picture : {awkwardSixteenBit(7, 3), makeTestImage(7, 3, SampleType::Float32, 3, false)})
    for (const bool change : {false, true})
      for (const auto& [plane, selected, autoMask] : cases) {
        const bool deep16 = picture.type == SampleType::UInt16;
        SCOPED_TRACE(::testing::Message() << deep16 << change << plane << selected << autoMask);
        HostDocument document = documentOf(picture, selected ? mask : std::vector<std::uint8_t>{});
        const PixelRequest request{{0, 0, 3, 7}, plane, plane ? plane : 2};
        PixelBuffer buffer;
        ASSERT_EQ(readPixels(document, request, false, buffer), pi::noErr);
        const int size = bytesPerSample(picture.type), lo = request.loPlane, hi = request.hiPlane;
        const auto inBuffer = [&](int x, int y, int c) {
          return buffer.bytes.data() + std::ptrdiff_t(y) * buffer.rowBytes + (x * (hi - lo + 1) + c - lo) * size;
        };
        for (int y = 0; change && y < 3; ++y)
          for (int x = 0; x < 7; ++x)
            for (int c = lo; c <= hi; ++c) {
              const std::uint16_t host = moved(std::uint16_t(deepSample(inBuffer(x, y, c), picture.type)));
              const void* value = deep16 ? static_cast<const void*>(&host) : &written[(x + y + c) % 5];
              std::memcpy(inBuffer(x, y, c), value, std::size_t(size));
            }
        writePixels(document, request, buffer, autoMask);
        for (int y = 0; y < 3; ++y)
          for (int x = 0; x < 7; ++x)
            for (int c = 0; c < 3; ++c) {
              const bool taken = change && x >= document.filterRect.left && x < document.filterRect.right && c >= lo &&
                                 c <= hi && !(autoMask && mask[std::size_t(y * 7 + x)] == 0);
              const std::size_t offset = (std::size_t(y * 7 + x) * 3 + std::size_t(c)) * std::size_t(size);
              const std::uint8_t* now = document.image.pixels.data() + offset;
              if (taken && deep16)
                ASSERT_EQ(deepSample(now, picture.type),
                          hostToFile16(moved(fileToHost16(std::uint16_t(sampleAt(picture, x, y, c))))));
              else
                ASSERT_EQ(std::memcmp(now, taken ? inBuffer(x, y, c) : picture.pixels.data() + offset, size), 0)
                    << x << "," << y << " channel " << c;
            }
      }
}

// --- the plug-in's property list ---

// The plug-in's main properties as a list whose lengths are exact rather than rounded up to
// 4 (the data is still padded): header, then {vendor, key, index, length, data}.
std::vector<std::uint8_t> exactLengthList() {
  std::vector<std::uint8_t> bytes = {1, 0, 0, 0, 0, 0, 7, 0, 0, 0};
  const auto add = [&](const char* key, const std::string& data) {
    for (std::uint32_t word : {fourCharCode("8BIM"), fourCharCode(key), 0u, std::uint32_t(data.size())})
      for (int shift = 0; shift < 32; shift += 8) bytes.push_back(std::uint8_t(word >> shift));
    bytes.insert(bytes.end(), data.begin(), data.end());
    bytes.insert(bytes.end(), (4 - data.size() % 4) % 4, 0);
  };
  const auto pascal = [](const std::string& text) { return char(text.size()) + text; };
  add("kind", "MFB8");
  add("name", pascal("Quillmark..."));  // 13 bytes: odd
  add("catg", pascal("Tallowbridge"));
  add("cmpt", std::string("\x02\x01\x04\0" "4.1.2+gabcdef0", 19));  // 19 bytes, its terminator included
  add("wx86", std::string("PluginMain", 11));
  add("8664", std::string("PluginMain", 11));
  add("mode", std::string("\x50\0", 2));
  return bytes;
}

TEST(PropertyListReader, ReadsThePluginsListAndOneOfExactLengthsAlike) {
  for (const std::vector<std::uint8_t>& list : {resources::propertyListBytes(), exactLengthList()}) {
    PluginProperties properties;
    std::string error;
    ASSERT_TRUE(readPropertyList(list.data(), list.size(), properties, error)) << error;
    EXPECT_EQ(properties.kind, fourCharCode("8BFM"));
    // In the list of exact lengths the category follows a property of odd length.
    EXPECT_EQ((std::vector<std::string>{properties.name, properties.category, properties.entryX86,
                                        properties.entryX64, entryPointFor(properties)}),
              (std::vector<std::string>{"Quillmark...", "Tallowbridge", "PluginMain", "PluginMain", "PluginMain"}));
    EXPECT_EQ(properties.modes, (std::vector<int>{1, 3}));
    ASSERT_TRUE(properties.component);
  }
}

// 'cmpt', the plug-in's own version: the build's in the plug-in's list, read alike from a
// list of exact lengths, where the next property follows its odd length.
TEST(PropertyListReader, ReadsThePluginsVersion) {
  PluginProperties properties;
  std::string error;
  const std::vector<std::uint8_t> list = resources::propertyListBytes();
  ASSERT_TRUE(readPropertyList(list.data(), list.size(), properties, error)) << error;
  ASSERT_TRUE(properties.component);
  EXPECT_EQ(properties.component->text, QUILLMARK_VERSION);
  EXPECT_EQ(componentVersionNumbers(properties.component->number), QUILLMARK_VERSION_NUMBERS);
  EXPECT_EQ(properties.version, 0x00040000u) << "the interface's version stays 4.0";
  const std::vector<std::uint8_t> exact = exactLengthList();
  ASSERT_TRUE(readPropertyList(exact.data(), exact.size(), properties, error)) << error;
  ASSERT_TRUE(properties.component);
  EXPECT_EQ(properties.component->number, 0x00040102u);
  EXPECT_EQ(componentVersionNumbers(properties.component->number), "4.1.2");
  EXPECT_EQ(properties.component->text, "4.1.2+gabcdef0");
  EXPECT_EQ(properties.entryX86, "PluginMain");
}

// A 'cmpt' too short for its number and a terminated text is refused with a line naming it,
// as is a list that ends inside it; a list without one reads, with no version.
TEST(PropertyListReader, CutComponentVersionsAreRefused) {
  const auto listWithComponent = [](const std::string& data) {
    std::vector<std::uint8_t> bytes = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    for (std::uint32_t word : {fourCharCode("8BIM"), fourCharCode("cmpt"), 0u, std::uint32_t(data.size())})
      for (int shift = 0; shift < 32; shift += 8) bytes.push_back(std::uint8_t(word >> shift));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
  };
  PluginProperties properties;
  std::string error;
  for (const std::string& data : {std::string(), std::string("\0\0\4", 3), std::string("\0\0\4\0", 4),
                                  std::string("\0\0\4\0" "4.0.0", 9)}) {
    const std::vector<std::uint8_t> list = listWithComponent(data);
    EXPECT_FALSE(readPropertyList(list.data(), list.size(), properties, error)) << data.size();
    EXPECT_NE(error.find("'cmpt'"), std::string::npos) << error;
    EXPECT_FALSE(properties.component);
  }
  const std::vector<std::uint8_t> whole = listWithComponent(std::string("\0\0\4\0" "4.0.0\0\0", 11));
  ASSERT_TRUE(readPropertyList(whole.data(), whole.size(), properties, error)) << error;
  EXPECT_EQ(properties.component->text, "4.0.0");
  // The list itself cut inside the version's text.
  EXPECT_FALSE(readPropertyList(whole.data(), whole.size() - 4, properties, error));
  EXPECT_NE(error.find("runs past"), std::string::npos) << error;
  const std::vector<std::uint8_t> none = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(readPropertyList(none.data(), none.size(), properties, error)) << error;
  EXPECT_FALSE(properties.component);
}

TEST(PropertyListReader, DamagedListsAreRefused) {
  const std::vector<std::uint8_t> list = resources::propertyListBytes();
  PluginProperties properties;
  std::string error;
  for (std::size_t cut : {std::size_t(0), std::size_t(9), std::size_t(20), list.size() - 1}) {
    EXPECT_FALSE(readPropertyList(list.data(), cut, properties, error)) << cut;
    EXPECT_FALSE(error.empty());
  }
  // Another version; a first property whose length runs far past the end.
  for (const auto& [at, byte] : {std::pair{2, 1}, std::pair{10 + 12, 0xFF}, std::pair{10 + 15, 0x7F}}) {
    std::vector<std::uint8_t> damaged = list;
    damaged[std::size_t(at)] = std::uint8_t(byte);
    EXPECT_FALSE(readPropertyList(damaged.data(), damaged.size(), properties, error)) << at;
  }
}

}  // namespace
}  // namespace qm::cli
