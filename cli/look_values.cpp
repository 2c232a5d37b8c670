// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/look_values.h"

namespace qm::cli {

DescriptorItem itemFor(const UserValueEntry& entry, std::int32_t value) {
  DescriptorItem item;
  item.key = entry.descriptorKey;
  if (entry.kind == ValueKind::Enumerated) {
    item.type = pi::typeEnumerated;
    item.enumType = entry.enumType;
    item.enumValue = enumeratorFor(entry, value);
  } else {
    item.type = entry.kind == ValueKind::Boolean ? pi::typeBoolean : pi::typeInteger;
    item.integer = value;
  }
  return item;
}

DescriptorItems itemsForLook(const UserValues& look) {
  DescriptorItems items;
  for (const UserValueEntry& entry : userValueTable()) items.push_back(itemFor(entry, look.*entry.field));
  return items;
}

void applyItems(const DescriptorItems& items, UserValues& look) {
  for (const DescriptorItem& item : items) {
    const UserValueEntry* entry = findUserValueByKey(item.key);
    if (!entry) continue;
    if (item.type != pi::typeEnumerated) {
      look.*entry->field = item.integer;
    } else if (const std::int32_t value = valueOfEnumerator(*entry, item.enumValue)) {
      look.*entry->field = value;
    }
  }
}

}  // namespace qm::cli
