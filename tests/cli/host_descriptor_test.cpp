// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/host_descriptor.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <tuple>

#include "cli/host_memory.h"
#include "settings/four_char_code.h"

namespace qm::cli {
namespace {

constexpr pi::DescriptorKeyID kWidth = pi::fourCC("QWid");
constexpr pi::DescriptorKeyID kDepth = pi::fourCC("QDep");
constexpr pi::DescriptorKeyID kInvert = pi::fourCC("QInv");
constexpr pi::DescriptorKeyID kStyle = pi::fourCC("QSty");
constexpr pi::DescriptorKeyID kAngle = pi::fourCC("QAng");
constexpr pi::DescriptorKeyID kAbsent = pi::fourCC("QAbs");
constexpr pi::DescriptorTypeID kStyleType = pi::fourCC("QStT");
constexpr pi::DescriptorEnumID kHatched = pi::fourCC("QHat");
constexpr pi::DescriptorUnitID kDegrees = pi::fourCC("#Ang");

DescriptorItems sampleItems() {
  return {
      {.key = kWidth, .type = pi::typeInteger, .integer = INT32_MIN},
      {.key = kDepth, .type = pi::typeFloat, .number = 2.75},
      {.key = kInvert, .type = pi::typeBoolean, .integer = 1},
      {.key = kStyle, .type = pi::typeEnumerated, .enumType = kStyleType, .enumValue = kHatched},
      {.key = kAngle, .type = pi::typeUnitFloat, .number = -45.5, .unit = kDegrees},
  };
}

// Every case must close its tokens and give back its handles.
class HostDescriptor : public ::testing::Test {
 protected:
  void SetUp() override { setHostMemoryFaults({}); }
  void TearDown() override {
    EXPECT_EQ(liveHostHandles(), handlesAtStart_);
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
      items.push_back(item);
      item = {};
    }
    return items;
  }
  pi::ReadDescriptorProcs& read = *hostReadDescriptorProcs();
  pi::WriteDescriptorProcs& write = *hostWriteDescriptorProcs();
 private:
  int handlesAtStart_ = liveHostHandles();
  int tokensAtStart_ = openDescriptorTokens();
};

TEST_F(HostDescriptor, WrittenItemsReadBackInOrder) {
  pi::PIWriteDescriptor writer = write.openWriteDescriptorProc();
  ASSERT_NE(writer, nullptr);
  const double depth = 2.75;
  const double angle = -45.5;
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
  while (nextKey(reader)) {
  }
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::noErr);
  const pi::DescriptorKeyID afterAll[] = {pi::typeNull, kAbsent, pi::typeNull, pi::typeNull, pi::typeNull, 0};
  EXPECT_EQ(std::memcmp(keys, afterAll, sizeof keys), 0);
}

TEST_F(HostDescriptor, CoercionsSucceedWithCoercedParamErrOtherMismatchesFail) {
  pi::PIReadDescriptor reader = openOn({
      {.key = kWidth, .type = pi::typeInteger, .integer = 12},
      {.key = kDepth, .type = pi::typeFloat, .number = 2.6},
      {.key = kInvert, .type = pi::typeBoolean, .integer = 1},
      {.key = kAngle, .type = pi::typeUnitFloat, .number = -400, .unit = kDegrees},
  });
  ASSERT_NE(reader, nullptr);
  double number = 0;
  pi::int32 integer = 0;
  ASSERT_TRUE(nextKey(reader));
  EXPECT_EQ(read.getFloatProc(reader, &number), pi::coercedParamErr);
  EXPECT_EQ(number, 12.0);
  EXPECT_EQ(read.getPinnedIntegerProc(reader, 0, 100, &integer), pi::noErr);
  EXPECT_EQ(integer, 12);
  EXPECT_EQ(read.getPinnedIntegerProc(reader, 20, 100, &integer), pi::coercedParamErr);
  EXPECT_EQ(integer, 20);
  EXPECT_EQ(read.getPinnedIntegerProc(reader, 0, 5, &integer), pi::coercedParamErr);
  EXPECT_EQ(integer, 5);
  ASSERT_TRUE(nextKey(reader));
  EXPECT_EQ(read.getIntegerProc(reader, &integer), pi::coercedParamErr);
  EXPECT_EQ(integer, 3);  // rounded
  const double low = 0, high = 2;
  EXPECT_EQ(read.getPinnedFloatProc(reader, &low, &high, &number), pi::coercedParamErr);
  EXPECT_EQ(number, 2.0);
  EXPECT_EQ(read.getPinnedFloatProc(reader, &low, nullptr, &number), pi::noErr);  // no upper bound
  EXPECT_EQ(number, 2.6);
  ASSERT_TRUE(nextKey(reader));
  EXPECT_EQ(read.getIntegerProc(reader, &integer), pi::coercedParamErr);
  EXPECT_EQ(integer, 1);
  ASSERT_TRUE(nextKey(reader));
  const double turn = -360;
  pi::DescriptorUnitID unit = 0;
  EXPECT_EQ(read.getPinnedUnitFloatProc(reader, &turn, nullptr, &unit, &number), pi::coercedParamErr);
  EXPECT_EQ(number, -360.0);
  EXPECT_EQ(unit, kDegrees);
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

}  // namespace
}  // namespace qm::cli
