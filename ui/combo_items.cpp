// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/combo_items.h"

#include "settings/name_tables.h"
#include "ui/control_table.h"

namespace qm::ui {
namespace {

template <std::size_t N>
std::vector<std::string> namesOf(const std::array<const char*, N>& names) {
  return {names.begin(), names.end()};
}

}  // namespace

const std::vector<int>& listIdsInOrder() {
  static const std::vector<int> order = {kStyleList, kScaleList, kLineWeightList, kInvertList, kBlendList};
  return order;
}

std::vector<std::string> listItemNames(int listId) {
  switch (listId) {
    case kStyleList: return namesOf(kStyleNames);
    case kScaleList: return namesOf(kScaleNames);
    case kLineWeightList: return namesOf(kLineWeightNames);
    case kInvertList: return namesOf(kInvertNames);
    case kBlendList: return namesOf(kBlendNames);
    default: return {};
  }
}

void clearComboRegistry(ComboRegistry& registry) {
  for (int i = 0; i < kComboCapacity; ++i) {
    registry.values[i] = 0;
    registry.commandIds[i] = 0;
    registry.listIds[i] = 1;
  }
  registry.count = 0;
}

void fillComboRegistry(ComboRegistry& registry) {
  for (int list : listIdsInOrder()) {
    const std::size_t items = listItemNames(list).size();
    for (std::size_t i = 0; i < items && registry.count < kComboCapacity; ++i) {
      const int at = registry.count++;
      registry.values[at] = std::int32_t(i + 1);
      registry.commandIds[at] = kFirstItemCommand + at;
      registry.listIds[at] = list;
    }
  }
}

int findComboItem(const ComboRegistry& registry, int commandId) {
  const int at = commandId - kFirstItemCommand;
  if (at < 0 || at >= registry.count || registry.commandIds[at] != commandId) return -1;
  return at;
}

}  // namespace qm::ui
