// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/scripting.h"

#include "host/filter_state.h"
#include "host/host_handles.h"
#include "settings/four_char_code.h"
#include "settings/ink_settings.h"
#include "settings/user_value_table.h"

namespace qm {
namespace {

bool readProcsComplete(const pi::ReadDescriptorProcs* procs) {
  return procs && procs->readDescriptorProcsVersion == pi::kReadDescriptorProcsVersion &&
         procs->numReadDescriptorProcs >= pi::kReadDescriptorProcsCount && procs->openReadDescriptorProc &&
         procs->closeReadDescriptorProc && procs->getKeyProc && procs->getIntegerProc && procs->getFloatProc &&
         procs->getUnitFloatProc && procs->getBooleanProc && procs->getTextProc && procs->getAliasProc &&
         procs->getEnumeratedProc && procs->getClassProc && procs->getSimpleReferenceProc &&
         procs->getObjectProc && procs->getCountProc && procs->getStringProc && procs->getPinnedIntegerProc &&
         procs->getPinnedFloatProc && procs->getPinnedUnitFloatProc;
}

bool writeProcsComplete(const pi::WriteDescriptorProcs* procs) {
  return procs && procs->writeDescriptorProcsVersion == pi::kWriteDescriptorProcsVersion &&
         procs->numWriteDescriptorProcs >= pi::kWriteDescriptorProcsCount && procs->openWriteDescriptorProc &&
         procs->closeWriteDescriptorProc && procs->putIntegerProc && procs->putFloatProc &&
         procs->putUnitFloatProc && procs->putBooleanProc && procs->putTextProc && procs->putAliasProc &&
         procs->putEnumeratedProc && procs->putClassProc && procs->putSimpleReferenceProc &&
         procs->putObjectProc && procs->putCountProc && procs->putStringProc && procs->putScopedClassProc &&
         procs->putScopedObjectProc;
}

bool accepted(pi::OSErr error) { return error == pi::noErr || error == pi::coercedParamErr; }

// One key's value into the settings, in range. A value the host cannot give, or an
// enumerator the type does not have, leaves the default in place.
void readValue(const pi::ReadDescriptorProcs& procs, pi::PIReadDescriptor token, const UserValueEntry& entry,
               UserValues& look) {
  switch (entry.kind) {
    case ValueKind::Enumerated: {
      pi::DescriptorEnumID code = 0;
      if (!accepted(procs.getEnumeratedProc(token, &code))) return;
      if (const std::int32_t value = valueOfEnumerator(entry, code)) look.*entry.field = value;
      return;
    }
    case ValueKind::Integer: {
      pi::int32 value = 0;
      if (accepted(procs.getIntegerProc(token, &value))) look.*entry.field = limitToRange(entry, value);
      return;
    }
    case ValueKind::Boolean: {
      pi::Boolean value = 0;
      if (accepted(procs.getBooleanProc(token, &value))) look.*entry.field = value ? 1 : 0;
      return;
    }
  }
}

void readAllKeys(const pi::ReadDescriptorProcs& procs, pi::PIReadDescriptor token, UserValues& look) {
  pi::DescriptorKeyID key = 0;
  pi::DescriptorTypeID type = 0;
  pi::int32 flags = 0;
  while (procs.getKeyProc(token, &key, &type, &flags))
    if (const UserValueEntry* entry = findUserValueByKey(key)) readValue(procs, token, *entry, look);
}

void writeValue(const pi::WriteDescriptorProcs& procs, pi::PIWriteDescriptor token, const UserValueEntry& entry,
                const UserValues& look) {
  const std::int32_t value = look.*entry.field;
  switch (entry.kind) {
    case ValueKind::Enumerated:
      procs.putEnumeratedProc(token, entry.descriptorKey, entry.enumType, enumeratorFor(entry, value));
      return;
    case ValueKind::Integer:
      procs.putIntegerProc(token, entry.descriptorKey, value);
      return;
    case ValueKind::Boolean:
      procs.putBooleanProc(token, entry.descriptorKey, pi::Boolean(value ? 1 : 0));
      return;
  }
}

}  // namespace

bool descriptorUsable(const pi::FilterRecord& record) {
  const pi::PIDescriptorParameters* parameters = record.descriptorParameters;
  return parameters && parameters->descriptorParametersVersion == 0 &&
         readProcsComplete(parameters->readDescriptorProcs) && writeProcsComplete(parameters->writeDescriptorProcs);
}

bool hostSuppliesDescriptor(const pi::FilterRecord& record) {
  if (record.hostSig == fourCharCode("PSP8") || record.hostSig == fourCharCode("PSP9")) return false;
  return descriptorUsable(record);
}

bool readScriptingParameters(pi::FilterRecord& record, InkSettings& settings, FilterState& state) {
  if (!hostSuppliesDescriptor(record)) return state.showDialog != 0;
  pi::PIDescriptorParameters& parameters = *record.descriptorParameters;
  const pi::ReadDescriptorProcs& procs = *parameters.readDescriptorProcs;
  if (parameters.descriptor) {
    pi::DescriptorKeyID keys[kUserValueCount + 1] = {};
    for (int i = 0; i < kUserValueCount; ++i) keys[i] = userValueTable()[std::size_t(i)].descriptorKey;
    if (pi::PIReadDescriptor token = procs.openReadDescriptorProc(parameters.descriptor, keys)) {
      setDefaults(settings);
      readAllKeys(procs, token, settings.look);
      procs.closeReadDescriptorProc(token);
      disposeHandle(parameters.descriptor);
      parameters.descriptor = nullptr;
    }
  }
  state.showDialog = parameters.playInfo == pi::plugInDialogDisplay ? 1 : 0;
  return state.showDialog != 0;
}

void writeScriptingParameters(pi::FilterRecord& record, const InkSettings& settings) {
  if (!descriptorUsable(record)) return;
  pi::PIDescriptorParameters& parameters = *record.descriptorParameters;
  const pi::WriteDescriptorProcs& procs = *parameters.writeDescriptorProcs;
  pi::PIWriteDescriptor token = procs.openWriteDescriptorProc();
  if (!token) return;
  for (const UserValueEntry& entry : userValueTable()) writeValue(procs, token, entry, settings.look);
  pi::PIDescriptorHandle written = nullptr;
  procs.closeWriteDescriptorProc(token, &written);
  if (parameters.descriptor) disposeHandle(parameters.descriptor);
  parameters.descriptor = written;
  parameters.recordInfo = 0;
}

}  // namespace qm
