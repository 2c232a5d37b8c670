// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/host_descriptor.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "cli/host_memory.h"

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
      {.key = kWidth, .type = pi::typeInteger, .integer = -7},
      {.key = kDepth, .type = pi::typeFloat, .number = 2.75},
      {.key = kInvert, .type = pi::typeBoolean, .integer = 1},
      {.key = kStyle, .type = pi::typeEnumerated, .enumType = kStyleType, .enumValue = kHatched},
      {.key = kAngle, .type = pi::typeUnitFloat, .number = -45.5, .unit = kDegrees},
  };
}

// Every case must close its tokens and give back its handles.
class HostDescriptor : public ::testing::Test {
 protected:
  void SetUp() override {
    setHostMemoryFaults({});
    handlesAtStart_ = liveHostHandles();
    tokensAtStart_ = openDescriptorTokens();
  }
  void TearDown() override {
    EXPECT_EQ(liveHostHandles(), handlesAtStart_);
    EXPECT_EQ(openDescriptorTokens(), tokensAtStart_);
  }

  // Opens a reader on a fresh handle of the items; the handle is gone once it is open,
  // as when a filter disposes of it straight away.
  pi::PIReadDescriptor openOn(const DescriptorItems& items, pi::DescriptorKeyID* keys = nullptr) {
    pi::Handle handle = makeDescriptorHandle(items);
    EXPECT_NE(handle, nullptr);
    pi::PIReadDescriptor token = read.openReadDescriptorProc(handle, keys);
    hostHandleProcs()->disposeProc(handle);
    return token;
  }
  bool nextKey(pi::PIReadDescriptor token, pi::DescriptorKeyID& key) {
    pi::DescriptorTypeID type = 0;
    pi::int32 flags = 0;
    return read.getKeyProc(token, &key, &type, &flags) != 0;
  }

  pi::ReadDescriptorProcs& read = *hostReadDescriptorProcs();
  pi::WriteDescriptorProcs& write = *hostWriteDescriptorProcs();

 private:
  int handlesAtStart_ = 0;
  int tokensAtStart_ = 0;
};

TEST_F(HostDescriptor, TablesAreComplete) {
  EXPECT_EQ(read.readDescriptorProcsVersion, 0);
  EXPECT_EQ(read.numReadDescriptorProcs, 18);
  EXPECT_EQ(write.writeDescriptorProcsVersion, 0);
  EXPECT_EQ(write.numWriteDescriptorProcs, 16);
  // Both tables are nothing but the two int16 fields and then procedure pointers.
  const auto* readProcs = reinterpret_cast<void* const*>(reinterpret_cast<const char*>(&read) + sizeof(void*));
  for (int i = 0; i < 18; ++i) EXPECT_NE(readProcs[i], nullptr) << "read procedure " << i;
  const auto* writeProcs = reinterpret_cast<void* const*>(reinterpret_cast<const char*>(&write) + sizeof(void*));
  for (int i = 0; i < 16; ++i) EXPECT_NE(writeProcs[i], nullptr) << "write procedure " << i;
}

TEST_F(HostDescriptor, WrittenItemsReadBackInOrder) {
  pi::PIWriteDescriptor writer = write.openWriteDescriptorProc();
  ASSERT_NE(writer, nullptr);
  const double depth = 2.75;
  const double angle = -45.5;
  EXPECT_EQ(write.putIntegerProc(writer, kWidth, -7), pi::noErr);
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
  const pi::DescriptorTypeID types[] = {pi::typeInteger, pi::typeFloat, pi::typeBoolean, pi::typeEnumerated,
                                        pi::typeUnitFloat};
  for (std::size_t i = 0; i < items.size(); ++i) {
    pi::DescriptorKeyID key = 0;
    pi::DescriptorTypeID type = 0;
    pi::int32 flags = -1;
    ASSERT_TRUE(read.getKeyProc(reader, &key, &type, &flags));
    EXPECT_EQ(key, items[i].key);
    EXPECT_EQ(type, types[i]);
    EXPECT_EQ(flags, i == 3 ? pi::actionEnumeratedParameter : pi::actionSimpleParameter);
  }
  pi::DescriptorKeyID key = 0;
  EXPECT_FALSE(nextKey(reader, key));
  EXPECT_FALSE(nextKey(reader, key));  // stays at the end
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::noErr);
}

TEST_F(HostDescriptor, ValuesReadAsWritten) {
  pi::PIReadDescriptor reader = openOn(sampleItems());
  ASSERT_NE(reader, nullptr);
  pi::DescriptorKeyID key = 0;
  pi::int32 integer = 0;
  double number = 0;
  pi::Boolean flag = 0;
  pi::DescriptorEnumID enumerator = 0;
  pi::DescriptorUnitID unit = 0;
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(read.getIntegerProc(reader, &integer), pi::noErr);
  EXPECT_EQ(integer, -7);
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(read.getFloatProc(reader, &number), pi::noErr);
  EXPECT_EQ(number, 2.75);
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(read.getBooleanProc(reader, &flag), pi::noErr);
  EXPECT_EQ(flag, 1);
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(read.getEnumeratedProc(reader, &enumerator), pi::noErr);
  EXPECT_EQ(enumerator, kHatched);
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(read.getUnitFloatProc(reader, &unit, &number), pi::noErr);
  EXPECT_EQ(unit, kDegrees);
  EXPECT_EQ(number, -45.5);
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::noErr);
}

TEST_F(HostDescriptor, KeyArrayEntriesTurnNullExactlyForKeysRead) {
  // kWidth twice in the array: every matching entry is marked.
  pi::DescriptorKeyID keys[] = {kWidth, kAbsent, kDepth, kWidth, kStyle, 0};
  pi::PIReadDescriptor reader = openOn(sampleItems(), keys);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(keys[0], kWidth);  // nothing is marked before it is read
  pi::DescriptorKeyID key = 0;
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(keys[0], pi::typeNull);
  EXPECT_EQ(keys[3], pi::typeNull);
  EXPECT_EQ(keys[2], kDepth);
  while (nextKey(reader, key)) {
  }
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::noErr);
  const pi::DescriptorKeyID expected[] = {pi::typeNull, kAbsent, pi::typeNull, pi::typeNull, pi::typeNull, 0};
  EXPECT_EQ(std::memcmp(keys, expected, sizeof keys), 0);
}

TEST_F(HostDescriptor, MismatchesAreParamErrAndCloseReportsTheFirstSeriousOne) {
  pi::PIReadDescriptor reader = openOn(sampleItems());
  ASSERT_NE(reader, nullptr);
  pi::int32 integer = 0;
  EXPECT_EQ(read.getIntegerProc(reader, &integer), pi::paramErr);  // no key read yet
  pi::DescriptorKeyID key = 0;
  ASSERT_TRUE(nextKey(reader, key));  // the integer
  pi::Boolean flag = 0;
  pi::DescriptorEnumID enumerator = 0;
  pi::DescriptorUnitID unit = 0;
  double number = 0;
  pi::Handle text = nullptr;
  EXPECT_EQ(read.getBooleanProc(reader, &flag), pi::paramErr);
  EXPECT_EQ(read.getEnumeratedProc(reader, &enumerator), pi::paramErr);
  EXPECT_EQ(read.getUnitFloatProc(reader, &unit, &number), pi::paramErr);
  EXPECT_EQ(read.getTextProc(reader, &text), pi::paramErr);
  EXPECT_EQ(read.getIntegerProc(reader, nullptr), pi::paramErr);
  EXPECT_EQ(read.getIntegerProc(reader, &integer), pi::noErr);  // a later success clears nothing
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::paramErr);
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::paramErr);  // closed: no longer a token
}

TEST_F(HostDescriptor, CoercionsSucceedWithCoercedParamErr) {
  pi::PIReadDescriptor reader = openOn({
      {.key = kWidth, .type = pi::typeInteger, .integer = 12},
      {.key = kDepth, .type = pi::typeFloat, .number = 2.6},
      {.key = kInvert, .type = pi::typeBoolean, .integer = 1},
      {.key = kAngle, .type = pi::typeFloat, .number = 1e12},
  });
  ASSERT_NE(reader, nullptr);
  pi::DescriptorKeyID key = 0;
  double number = 0;
  pi::int32 integer = 0;
  pi::Boolean flag = 0;
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(read.getFloatProc(reader, &number), pi::coercedParamErr);
  EXPECT_EQ(number, 12.0);
  EXPECT_EQ(read.getBooleanProc(reader, &flag), pi::paramErr);  // an integer is no boolean
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(read.getIntegerProc(reader, &integer), pi::coercedParamErr);
  EXPECT_EQ(integer, 3);
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(read.getIntegerProc(reader, &integer), pi::coercedParamErr);
  EXPECT_EQ(integer, 1);
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(read.getIntegerProc(reader, &integer), pi::coercedParamErr);
  EXPECT_EQ(integer, INT32_MAX);
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::paramErr);  // the boolean read above

  // Coercions alone are no error at close.
  reader = openOn({{.key = kWidth, .type = pi::typeInteger, .integer = 12}});
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(read.getFloatProc(reader, &number), pi::coercedParamErr);
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::noErr);
}

TEST_F(HostDescriptor, PinnedReadsClampAndSayWhenTheyDid) {
  pi::PIReadDescriptor reader = openOn({
      {.key = kWidth, .type = pi::typeInteger, .integer = 50},
      {.key = kDepth, .type = pi::typeFloat, .number = 9.5},
      {.key = kAngle, .type = pi::typeUnitFloat, .number = -400, .unit = kDegrees},
  });
  ASSERT_NE(reader, nullptr);
  pi::DescriptorKeyID key = 0;
  pi::int32 integer = 0;
  ASSERT_TRUE(nextKey(reader, key));
  EXPECT_EQ(read.getPinnedIntegerProc(reader, 0, 100, &integer), pi::noErr);
  EXPECT_EQ(integer, 50);
  EXPECT_EQ(read.getPinnedIntegerProc(reader, 60, 100, &integer), pi::coercedParamErr);
  EXPECT_EQ(integer, 60);
  EXPECT_EQ(read.getPinnedIntegerProc(reader, 0, 40, &integer), pi::coercedParamErr);
  EXPECT_EQ(integer, 40);
  EXPECT_EQ(read.getPinnedIntegerProc(reader, 50, 50, &integer), pi::noErr);

  ASSERT_TRUE(nextKey(reader, key));
  const double low = 0, high = 4;
  double number = 0;
  EXPECT_EQ(read.getPinnedFloatProc(reader, &low, &high, &number), pi::coercedParamErr);
  EXPECT_EQ(number, 4.0);
  EXPECT_EQ(read.getPinnedFloatProc(reader, &low, nullptr, &number), pi::noErr);  // no upper bound
  EXPECT_EQ(number, 9.5);
  EXPECT_EQ(read.getPinnedIntegerProc(reader, 0, 5, &integer), pi::coercedParamErr);  // coerced and pinned
  EXPECT_EQ(integer, 5);

  ASSERT_TRUE(nextKey(reader, key));
  const double turn = -360;
  pi::DescriptorUnitID unit = 0;
  EXPECT_EQ(read.getPinnedUnitFloatProc(reader, &turn, nullptr, &unit, &number), pi::coercedParamErr);
  EXPECT_EQ(number, -360.0);
  EXPECT_EQ(unit, kDegrees);
  EXPECT_EQ(read.closeReadDescriptorProc(reader), pi::noErr);
}

TEST_F(HostDescriptor, UnkeptPutsAndBadTokensAreRefused) {
  pi::PIWriteDescriptor writer = write.openWriteDescriptorProc();
  ASSERT_NE(writer, nullptr);
  const pi::uint8 name[] = {3, 'i', 'n', 'k'};
  pi::PIDescriptorSimpleReference reference{};
  EXPECT_EQ(write.putStringProc(writer, kStyle, name), pi::paramErr);
  EXPECT_EQ(write.putCountProc(writer, kStyle, 3), pi::paramErr);
  EXPECT_EQ(write.putClassProc(writer, kStyle, kStyleType), pi::paramErr);
  EXPECT_EQ(write.putTextProc(writer, kStyle, nullptr), pi::paramErr);
  EXPECT_EQ(write.putSimpleReferenceProc(writer, kStyle, &reference), pi::paramErr);
  EXPECT_EQ(write.putFloatProc(writer, kDepth, nullptr), pi::paramErr);
  EXPECT_EQ(write.putIntegerProc(writer, kWidth, 3), pi::noErr);
  pi::PIDescriptorHandle written = nullptr;
  ASSERT_EQ(write.closeWriteDescriptorProc(writer, &written), pi::noErr);
  DescriptorItems items;
  ASSERT_TRUE(readDescriptorHandle(written, items));
  EXPECT_EQ(items, (DescriptorItems{{.key = kWidth, .type = pi::typeInteger, .integer = 3}}));
  disposeHostHandle(written);

  // Closed, foreign and null tokens.
  pi::PIDescriptorHandle none = written;
  EXPECT_EQ(write.closeWriteDescriptorProc(writer, &none), pi::paramErr);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(write.putIntegerProc(writer, kWidth, 1), pi::paramErr);
  EXPECT_EQ(write.closeWriteDescriptorProc(nullptr, &none), pi::paramErr);
  auto* wrongKind = reinterpret_cast<pi::PIReadDescriptor>(write.openWriteDescriptorProc());
  pi::DescriptorKeyID key = 0;
  EXPECT_FALSE(nextKey(wrongKind, key));
  EXPECT_EQ(read.closeReadDescriptorProc(wrongKind), pi::paramErr);
  EXPECT_EQ(write.closeWriteDescriptorProc(reinterpret_cast<pi::PIWriteDescriptor>(wrongKind), nullptr),
            pi::paramErr);  // no place for the handle: refused, token freed
}

TEST_F(HostDescriptor, CorruptOrForeignContentsAreRefused) {
  EXPECT_EQ(read.openReadDescriptorProc(nullptr, nullptr), nullptr);
  alignas(void*) char fake[32] = {};
  EXPECT_EQ(read.openReadDescriptorProc(reinterpret_cast<pi::Handle>(fake), nullptr), nullptr);

  const auto refused = [&](auto spoil) {
    pi::Handle handle = makeDescriptorHandle(sampleItems());
    EXPECT_NE(handle, nullptr);
    spoil(handle);
    DescriptorItems items = {{.key = kAbsent}};
    const bool parsed = readDescriptorHandle(handle, items);
    pi::PIReadDescriptor token = read.openReadDescriptorProc(handle, nullptr);
    const bool opened = token != nullptr;
    if (opened) read.closeReadDescriptorProc(token);
    const bool untouched = items.size() == 1 && items[0].key == kAbsent;
    disposeHostHandle(handle);
    return !parsed && !opened && untouched;
  };
  EXPECT_FALSE(refused([](pi::Handle) {}));  // the unspoilt handle does parse
  EXPECT_TRUE(refused([](pi::Handle h) { (*h)[0] ^= 1; }));                        // tag
  EXPECT_TRUE(refused([](pi::Handle h) { (*h)[4] = 9; }));                         // format version
  EXPECT_TRUE(refused([](pi::Handle h) { (*h)[8] += 1; }));                        // count beyond the data
  EXPECT_TRUE(refused([](pi::Handle h) { hostHandleProcs()->setSizeProc(h, 40); }));  // cut short
  EXPECT_TRUE(refused([](pi::Handle h) { hostHandleProcs()->setSizeProc(h, 8); }));   // no header
  EXPECT_TRUE(refused([](pi::Handle h) { hostHandleProcs()->setSizeProc(h, 12 + 5 * 32 + 1); }));  // trailing
  EXPECT_TRUE(refused([](pi::Handle h) { (*h)[12 + 4] ^= 0x20; }));                // type of the first item
  EXPECT_TRUE(refused([](pi::Handle h) { (*h)[12 + 2 * 32 + 8] = 2; }));           // boolean that is 2

  EXPECT_EQ(makeDescriptorHandle({{.key = kStyle, .type = pi::typeChar}}), nullptr);
  EXPECT_EQ(makeDescriptorHandle({{.key = kInvert, .type = pi::typeBoolean, .integer = 5}}), nullptr);
}

TEST_F(HostDescriptor, EmptyDescriptorAndExtremeValuesRoundTrip) {
  const DescriptorItems extremes = {
      {.key = kWidth, .type = pi::typeInteger, .integer = INT32_MIN},
      {.key = kDepth, .type = pi::typeFloat, .number = -1e-300},
      {.key = 0xFF00017F, .type = pi::typeEnumerated, .enumType = 0xFFFFFFFF, .enumValue = 0x80000000},
  };
  for (const DescriptorItems& items : {DescriptorItems{}, extremes}) {
    pi::Handle handle = makeDescriptorHandle(items);
    ASSERT_NE(handle, nullptr);
    DescriptorItems back = {{.key = kAbsent}};
    EXPECT_TRUE(readDescriptorHandle(handle, back));
    EXPECT_EQ(back, items);
    disposeHostHandle(handle);
  }
}

TEST(FourCCText, PrintableCharactersAsIsOthersEscaped) {
  EXPECT_EQ(fourCCText(pi::typeInteger), "long");
  EXPECT_EQ(fourCCText(pi::fourCC("#Ang")), "#Ang");
  EXPECT_EQ(fourCCText(0x00414243), "\\x00ABC");
  EXPECT_EQ(fourCCText(0x417F20FF), "A\\x7F \\xFF");
}

}  // namespace
}  // namespace qm::cli
