// SPDX-License-Identifier: LicenseRef-Quillmark
// A look as the ten user values, and as the settings items the command hands the plug-in:
// preset files and random looks arrive as values, the plug-in takes items.
#pragma once

#include "cli/host_descriptor.h"
#include "settings/ink_settings.h"
#include "settings/user_value_table.h"

namespace qm::cli {

// The item the plug-in reads for one value.
DescriptorItem itemFor(const UserValueEntry& entry, std::int32_t value);
// All ten values, in the order the plug-in records them.
DescriptorItems itemsForLook(const UserValues& look);
// The values the items name go into the look; the others stay.
void applyItems(const DescriptorItems& items, UserValues& look);

}  // namespace qm::cli
