// SPDX-License-Identifier: LicenseRef-Quillmark
// The substitute host's scripting descriptors: an in-memory list of keyed values kept in a
// host handle, with the read and write procedure tables a filter uses to walk and build it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/plugin_interface.h"

namespace qm::cli {

struct DescriptorItem {
  pi::DescriptorKeyID key = 0;
  pi::DescriptorTypeID type = 0;  // pi::typeInteger, typeBoolean, typeFloat, typeEnumerated, ...
  std::int32_t integer = 0;       // integer value, boolean as 0/1
  double number = 0.0;            // float value
  pi::DescriptorTypeID enumType = 0;
  pi::DescriptorEnumID enumValue = 0;
  pi::DescriptorUnitID unit = 0;  // unit of a pi::typeUnitFloat value

  bool operator==(const DescriptorItem&) const = default;
};

using DescriptorItems = std::vector<DescriptorItem>;

// The values kept are integers, floats, unit floats, booleans and enumerations. Reading
// coerces integer to float, float to integer (rounded) and boolean to integer with
// coercedParamErr; any other mismatch is paramErr. The text, alias, class, reference,
// object, count, string and scoped put procedures store nothing and answer paramErr.
pi::ReadDescriptorProcs* hostReadDescriptorProcs();
pi::WriteDescriptorProcs* hostWriteDescriptorProcs();

// A host handle (see host_memory.h) holding the items; the filter may dispose of it
// through the handle procedures. Null when an item's type is not one of those kept or
// memory runs out.
pi::Handle makeDescriptorHandle(const DescriptorItems& items);
// Reads the items back from a handle made here or returned by closeWriteDescriptorProc.
// False, with items untouched, for a null or foreign handle or contents that do not parse.
bool readDescriptorHandle(pi::Handle handle, DescriptorItems& items);

// Read and write tokens currently open, for leak checks in tests.
int openDescriptorTokens();

}  // namespace qm::cli
