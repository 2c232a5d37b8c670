// SPDX-License-Identifier: LicenseRef-Quillmark
// Recorded settings as text, one value a line ("QNky style    = QN14  hatching"): what
// --print-settings shows and --settings reads back, so a recorded look can be replayed.
#pragma once

#include <string>

#include "cli/host_descriptor.h"

namespace qm::cli {

std::string describeSettings(const DescriptorItems& items);
// Reads what describeSettings wrote (blank lines and lines starting with # are passed over); false with the line's number and what is wrong.
bool parseSettingsText(const std::string& text, DescriptorItems& items, std::string& error);
// Items of `overrides` replace those of `base` with the same key; the rest are added.
void mergeSettings(DescriptorItems& base, const DescriptorItems& overrides);

}  // namespace qm::cli
