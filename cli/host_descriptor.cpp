// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/host_descriptor.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>
#include <unordered_set>

#include "cli/host_memory.h"
#include "settings/four_char_code.h"

namespace qm::cli {
namespace {

// ---- the stored form ----
// A descriptor handle holds a 12-byte header (tag, format version, item count) and then
// one 32-byte record per item, every field little-endian whatever machine wrote it:
// key, type, integer, number (IEEE bits), enumType, enumValue, unit.

constexpr std::uint32_t kFormatTag = fourCharCode("QmDs");
constexpr std::uint32_t kFormatVersion = 1;
constexpr std::size_t kHeaderBytes = 12;
constexpr std::size_t kItemBytes = 32;

bool keptType(pi::DescriptorTypeID type) {
  return type == pi::typeInteger || type == pi::typeFloat || type == pi::typeUnitFloat ||
         type == pi::typeBoolean || type == pi::typeEnumerated;
}

bool itemStorable(const DescriptorItem& item) {
  if (!keptType(item.type)) return false;
  return item.type != pi::typeBoolean || item.integer == 0 || item.integer == 1;
}

class ByteWriter {
 public:
  explicit ByteWriter(unsigned char* out) : out_(out) {}
  void u32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) *out_++ = static_cast<unsigned char>(value >> shift);
  }
  void u64(std::uint64_t value) {
    u32(static_cast<std::uint32_t>(value));
    u32(static_cast<std::uint32_t>(value >> 32));
  }

 private:
  unsigned char* out_;
};

// The caller has checked the length, so reads never run past the end.
class ByteReader {
 public:
  explicit ByteReader(const unsigned char* in) : in_(in) {}
  std::uint32_t u32() {
    std::uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t(*in_++) << shift;
    return value;
  }
  std::uint64_t u64() {
    const std::uint64_t low = u32();
    return low | (std::uint64_t(u32()) << 32);
  }

 private:
  const unsigned char* in_;
};

void encodeItem(ByteWriter& out, const DescriptorItem& item) {
  out.u32(item.key);
  out.u32(item.type);
  out.u32(static_cast<std::uint32_t>(item.integer));
  out.u64(std::bit_cast<std::uint64_t>(item.number));
  out.u32(item.enumType);
  out.u32(item.enumValue);
  out.u32(item.unit);
}

DescriptorItem decodeItem(ByteReader& in) {
  DescriptorItem item;
  item.key = in.u32();
  item.type = in.u32();
  item.integer = static_cast<std::int32_t>(in.u32());
  item.number = std::bit_cast<double>(in.u64());
  item.enumType = in.u32();
  item.enumValue = in.u32();
  item.unit = in.u32();
  return item;
}

bool decodeItems(const unsigned char* bytes, std::size_t size, DescriptorItems& items) {
  if (!bytes || size < kHeaderBytes) return false;
  ByteReader in(bytes);
  if (in.u32() != kFormatTag || in.u32() != kFormatVersion) return false;
  const std::uint64_t count = in.u32();
  if (kHeaderBytes + count * kItemBytes != size) return false;
  DescriptorItems parsed;
  parsed.reserve(std::size_t(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    parsed.push_back(decodeItem(in));
    if (!itemStorable(parsed.back())) return false;
  }
  items = std::move(parsed);
  return true;
}

// ---- tokens ----
// Tokens are host objects the filter holds only while open; the sets let a stale or
// foreign token be refused rather than followed.

constexpr std::size_t kNoItem = std::size_t(-1);

struct ReadToken {
  DescriptorItems items;  // a copy: the filter may dispose of the handle while reading
  std::size_t next = 0;
  std::size_t current = kNoItem;
  pi::DescriptorKeyID* keyArray = nullptr;
  pi::OSErr sticky = pi::noErr;
};

struct WriteToken {
  DescriptorItems items;
};

struct TokenState {
  std::unordered_set<const void*> reading;
  std::unordered_set<const void*> writing;
};

TokenState& tokens() {
  static TokenState state;
  return state;
}

ReadToken* readToken(pi::PIReadDescriptor token) {
  auto* object = reinterpret_cast<ReadToken*>(token);
  return token && tokens().reading.count(object) ? object : nullptr;
}

WriteToken* writeToken(pi::PIWriteDescriptor token) {
  auto* object = reinterpret_cast<WriteToken*>(token);
  return token && tokens().writing.count(object) ? object : nullptr;
}

// Callbacks must not let an exception into the filter's frames.
bool remember(std::unordered_set<const void*>& open, const void* token) {
  try {
    open.insert(token);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// ---- reading values ----

bool seriousError(pi::OSErr error) { return error != pi::noErr && error != pi::coercedParamErr; }

pi::OSErr note(ReadToken& token, pi::OSErr error) {
  if (seriousError(error) && token.sticky == pi::noErr) token.sticky = error;
  return error;
}

const DescriptorItem* currentItem(const ReadToken& token) {
  return token.current == kNoItem ? nullptr : &token.items[token.current];
}

pi::OSErr integerOf(const DescriptorItem* item, pi::int32& value) {
  if (!item) return pi::paramErr;
  if (item->type == pi::typeInteger) {
    value = item->integer;
    return pi::noErr;
  }
  if (item->type == pi::typeBoolean) {
    value = item->integer;
    return pi::coercedParamErr;
  }
  if (item->type != pi::typeFloat || std::isnan(item->number)) return pi::paramErr;
  value = pi::int32(std::clamp(std::round(item->number), double(INT32_MIN), double(INT32_MAX)));
  return pi::coercedParamErr;
}

pi::OSErr floatOf(const DescriptorItem* item, double& value) {
  if (!item) return pi::paramErr;
  if (item->type == pi::typeFloat) {
    value = item->number;
    return pi::noErr;
  }
  if (item->type != pi::typeInteger) return pi::paramErr;
  value = item->integer;
  return pi::coercedParamErr;
}

pi::OSErr unitFloatOf(const DescriptorItem* item, pi::DescriptorUnitID* unit, double& value) {
  if (!item || item->type != pi::typeUnitFloat) return pi::paramErr;
  if (unit) *unit = item->unit;
  value = item->number;
  return pi::noErr;
}

// Null bounds leave that side open.
pi::OSErr pinFloat(pi::OSErr read, const double* min, const double* max, double& value) {
  if (seriousError(read)) return read;
  if (min && max && *min > *max) return pi::paramErr;
  if (min && value < *min) {
    value = *min;
    return pi::coercedParamErr;
  }
  if (max && value > *max) {
    value = *max;
    return pi::coercedParamErr;
  }
  return read;
}

// Runs one getter on the current item: the token is checked, the output pointer too, and
// the result counts towards the error close reports.
template <typename Read>
pi::OSErr readCurrent(pi::PIReadDescriptor token, const void* out, Read read) {
  ReadToken* open = readToken(token);
  if (!open) return pi::paramErr;
  if (!out) return note(*open, pi::paramErr);
  return note(*open, read(currentItem(*open)));
}

// For the value types we never keep: the filter asked for something that is not there.
pi::OSErr refuseRead(pi::PIReadDescriptor token) {
  ReadToken* open = readToken(token);
  return open ? note(*open, pi::paramErr) : pi::paramErr;
}

// ---- read procedures ----

pi::PIReadDescriptor openReadCallback(pi::PIDescriptorHandle descriptor, pi::DescriptorKeyID* keyArray) {
  DescriptorItems items;
  if (!readDescriptorHandle(descriptor, items)) return nullptr;
  auto* token = new (std::nothrow) ReadToken{};
  if (!token) return nullptr;
  token->items = std::move(items);
  token->keyArray = keyArray;
  if (!remember(tokens().reading, token)) {
    delete token;
    return nullptr;
  }
  return reinterpret_cast<pi::PIReadDescriptor>(token);
}

pi::OSErr closeReadCallback(pi::PIReadDescriptor token) {
  ReadToken* open = readToken(token);
  if (!open) return pi::paramErr;
  const pi::OSErr sticky = open->sticky;
  tokens().reading.erase(open);
  delete open;
  return sticky;
}

// The filter learns which expected keys were missing from the entries left unchanged.
void markKeyRead(pi::DescriptorKeyID* keyArray, pi::DescriptorKeyID key) {
  if (!keyArray) return;
  for (pi::DescriptorKeyID* entry = keyArray; *entry != 0; ++entry)
    if (*entry == key) *entry = pi::typeNull;
}

pi::Boolean getKeyCallback(pi::PIReadDescriptor token, pi::DescriptorKeyID* key, pi::DescriptorTypeID* type,
                           pi::int32* flags) {
  ReadToken* open = readToken(token);
  if (!open) return 0;
  if (open->next >= open->items.size()) {
    open->current = kNoItem;
    return 0;
  }
  open->current = open->next++;
  const DescriptorItem& item = open->items[open->current];
  if (key) *key = item.key;
  if (type) *type = item.type;
  if (flags) *flags = item.type == pi::typeEnumerated ? pi::actionEnumeratedParameter : pi::actionSimpleParameter;
  markKeyRead(open->keyArray, item.key);
  return 1;
}

pi::OSErr getIntegerCallback(pi::PIReadDescriptor token, pi::int32* value) {
  return readCurrent(token, value, [&](const DescriptorItem* item) { return integerOf(item, *value); });
}

pi::OSErr getFloatCallback(pi::PIReadDescriptor token, double* value) {
  return readCurrent(token, value, [&](const DescriptorItem* item) { return floatOf(item, *value); });
}

pi::OSErr getUnitFloatCallback(pi::PIReadDescriptor token, pi::DescriptorUnitID* unit, double* value) {
  return readCurrent(token, value, [&](const DescriptorItem* item) { return unitFloatOf(item, unit, *value); });
}

pi::OSErr getBooleanCallback(pi::PIReadDescriptor token, pi::Boolean* value) {
  return readCurrent(token, value, [&](const DescriptorItem* item) {
    if (!item || item->type != pi::typeBoolean) return pi::paramErr;
    *value = item->integer ? 1 : 0;
    return pi::noErr;
  });
}

pi::OSErr getEnumeratedCallback(pi::PIReadDescriptor token, pi::DescriptorEnumID* value) {
  return readCurrent(token, value, [&](const DescriptorItem* item) {
    if (!item || item->type != pi::typeEnumerated) return pi::paramErr;
    *value = item->enumValue;
    return pi::noErr;
  });
}

pi::OSErr getPinnedIntegerCallback(pi::PIReadDescriptor token, pi::int32 min, pi::int32 max, pi::int32* value) {
  return readCurrent(token, value, [&](const DescriptorItem* item) {
    if (min > max) return pi::paramErr;
    pi::int32 read = 0;
    const pi::OSErr error = integerOf(item, read);
    if (seriousError(error)) return error;
    *value = std::clamp(read, min, max);
    return *value != read ? pi::coercedParamErr : error;
  });
}

pi::OSErr getPinnedFloatCallback(pi::PIReadDescriptor token, const double* min, const double* max,
                                 double* value) {
  return readCurrent(token, value,
                     [&](const DescriptorItem* item) { return pinFloat(floatOf(item, *value), min, max, *value); });
}

pi::OSErr getPinnedUnitFloatCallback(pi::PIReadDescriptor token, const double* min, const double* max,
                                     pi::DescriptorUnitID* unit, double* value) {
  return readCurrent(token, value, [&](const DescriptorItem* item) {
    return pinFloat(unitFloatOf(item, unit, *value), min, max, *value);
  });
}

pi::OSErr getHandleCallback(pi::PIReadDescriptor token, pi::Handle*) { return refuseRead(token); }
pi::OSErr getClassCallback(pi::PIReadDescriptor token, pi::DescriptorTypeID*) { return refuseRead(token); }
pi::OSErr getSimpleReferenceCallback(pi::PIReadDescriptor token, pi::PIDescriptorSimpleReference*) {
  return refuseRead(token);
}
pi::OSErr getObjectCallback(pi::PIReadDescriptor token, pi::DescriptorTypeID*, pi::PIDescriptorHandle*) {
  return refuseRead(token);
}
pi::OSErr getCountCallback(pi::PIReadDescriptor token, pi::uint32*) { return refuseRead(token); }
pi::OSErr getStringCallback(pi::PIReadDescriptor token, pi::Str255*) { return refuseRead(token); }

// ---- write procedures ----

pi::PIWriteDescriptor openWriteCallback() {
  auto* token = new (std::nothrow) WriteToken{};
  if (!token) return nullptr;
  if (!remember(tokens().writing, token)) {
    delete token;
    return nullptr;
  }
  return reinterpret_cast<pi::PIWriteDescriptor>(token);
}

pi::OSErr closeWriteCallback(pi::PIWriteDescriptor token, pi::PIDescriptorHandle* newDescriptor) {
  if (newDescriptor) *newDescriptor = nullptr;
  WriteToken* open = writeToken(token);
  if (!open) return pi::paramErr;
  tokens().writing.erase(open);
  pi::Handle handle = newDescriptor ? makeDescriptorHandle(open->items) : nullptr;
  delete open;
  if (!newDescriptor) return pi::paramErr;
  if (!handle) return pi::memFullErr;
  *newDescriptor = handle;
  return pi::noErr;
}

pi::OSErr append(pi::PIWriteDescriptor token, const DescriptorItem& item) {
  WriteToken* open = writeToken(token);
  if (!open) return pi::paramErr;
  try {
    open->items.push_back(item);
  } catch (const std::bad_alloc&) {
    return pi::memFullErr;
  }
  return pi::noErr;
}

pi::OSErr putIntegerCallback(pi::PIWriteDescriptor token, pi::DescriptorKeyID key, pi::int32 value) {
  return append(token, {.key = key, .type = pi::typeInteger, .integer = value});
}

pi::OSErr putFloatCallback(pi::PIWriteDescriptor token, pi::DescriptorKeyID key, const double* value) {
  if (!value) return pi::paramErr;
  return append(token, {.key = key, .type = pi::typeFloat, .number = *value});
}

pi::OSErr putUnitFloatCallback(pi::PIWriteDescriptor token, pi::DescriptorKeyID key, pi::DescriptorUnitID unit,
                               const double* value) {
  if (!value) return pi::paramErr;
  return append(token, {.key = key, .type = pi::typeUnitFloat, .number = *value, .unit = unit});
}

pi::OSErr putBooleanCallback(pi::PIWriteDescriptor token, pi::DescriptorKeyID key, pi::Boolean value) {
  return append(token, {.key = key, .type = pi::typeBoolean, .integer = value ? 1 : 0});
}

pi::OSErr putEnumeratedCallback(pi::PIWriteDescriptor token, pi::DescriptorKeyID key, pi::DescriptorTypeID type,
                                pi::DescriptorEnumID value) {
  return append(token, {.key = key, .type = pi::typeEnumerated, .enumType = type, .enumValue = value});
}

// The value types we do not keep are refused, so the filter knows they were not recorded.
pi::OSErr putHandleCallback(pi::PIWriteDescriptor, pi::DescriptorKeyID, pi::Handle) { return pi::paramErr; }
pi::OSErr putTypeCallback(pi::PIWriteDescriptor, pi::DescriptorKeyID, pi::DescriptorTypeID) { return pi::paramErr; }
pi::OSErr putSimpleReferenceCallback(pi::PIWriteDescriptor, pi::DescriptorKeyID,
                                     const pi::PIDescriptorSimpleReference*) {
  return pi::paramErr;
}
pi::OSErr putObjectCallback(pi::PIWriteDescriptor, pi::DescriptorKeyID, pi::DescriptorTypeID,
                            pi::PIDescriptorHandle) {
  return pi::paramErr;
}
pi::OSErr putCountCallback(pi::PIWriteDescriptor, pi::DescriptorKeyID, pi::uint32) { return pi::paramErr; }
pi::OSErr putStringCallback(pi::PIWriteDescriptor, pi::DescriptorKeyID, const pi::uint8*) { return pi::paramErr; }

}  // namespace

pi::ReadDescriptorProcs* hostReadDescriptorProcs() {
  static pi::ReadDescriptorProcs procs = {
      pi::kReadDescriptorProcsVersion, pi::kReadDescriptorProcsCount, openReadCallback, closeReadCallback,
      getKeyCallback, getIntegerCallback, getFloatCallback, getUnitFloatCallback, getBooleanCallback,
      getHandleCallback, getHandleCallback, getEnumeratedCallback, getClassCallback, getSimpleReferenceCallback,
      getObjectCallback, getCountCallback, getStringCallback, getPinnedIntegerCallback, getPinnedFloatCallback,
      getPinnedUnitFloatCallback};
  return &procs;
}

pi::WriteDescriptorProcs* hostWriteDescriptorProcs() {
  static pi::WriteDescriptorProcs procs = {
      pi::kWriteDescriptorProcsVersion, pi::kWriteDescriptorProcsCount, openWriteCallback, closeWriteCallback,
      putIntegerCallback, putFloatCallback, putUnitFloatCallback, putBooleanCallback, putHandleCallback,
      putHandleCallback, putEnumeratedCallback, putTypeCallback, putSimpleReferenceCallback, putObjectCallback,
      putCountCallback, putStringCallback, putTypeCallback, putObjectCallback};
  return &procs;
}

pi::Handle makeDescriptorHandle(const DescriptorItems& items) {
  if (!std::all_of(items.begin(), items.end(), itemStorable)) return nullptr;
  if (items.size() > (std::size_t(INT32_MAX) - kHeaderBytes) / kItemBytes) return nullptr;
  const std::size_t bytes = kHeaderBytes + items.size() * kItemBytes;
  pi::Handle handle = newHostHandle(std::int32_t(bytes));
  if (!handle) return nullptr;
  ByteWriter out(reinterpret_cast<unsigned char*>(*handle));
  out.u32(kFormatTag);
  out.u32(kFormatVersion);
  out.u32(static_cast<std::uint32_t>(items.size()));
  for (const DescriptorItem& item : items) encodeItem(out, item);
  return handle;
}

bool readDescriptorHandle(pi::Handle handle, DescriptorItems& items) {
  if (!isHostHandle(handle)) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(*handle);
  try {
    return decodeItems(bytes, std::size_t(hostHandleSize(handle)), items);
  } catch (const std::bad_alloc&) {
    return false;  // the filter calls this through openReadDescriptorProc
  }
}

int openDescriptorTokens() { return int(tokens().reading.size() + tokens().writing.size()); }

}  // namespace qm::cli
