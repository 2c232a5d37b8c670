// SPDX-License-Identifier: LicenseRef-Quillmark
// The items of the dialog's five drop-down lists, all in one registry: each item's value
// (1-based within its list), its command id (2000 + its place in the registry) and its list.
// The names come from the name tables, so a new style or blend mode appears by itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::ui {

constexpr int kComboCapacity = 1000;
constexpr int kFirstItemCommand = 2000;

struct ComboRegistry {
  std::int32_t values[kComboCapacity];
  std::int32_t commandIds[kComboCapacity];
  std::int32_t listIds[kComboCapacity];
  std::int32_t count;
};

// Every entry: value and command 0, list 1; count 0.
void clearComboRegistry(ComboRegistry& registry);
// Style, scale, line weight, invert and blend lists, in that order.
void fillComboRegistry(ComboRegistry& registry);
// The item with this command id, or -1.
int findComboItem(const ComboRegistry& registry, int commandId);

// The names a list shows, in order (empty for an id that is no list).
std::vector<std::string> listItemNames(int listId);
// The lists in the order the registry fills them.
const std::vector<int>& listIdsInOrder();

}  // namespace qm::ui
