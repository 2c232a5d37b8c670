// SPDX-License-Identifier: LicenseRef-Quillmark
// What `quillmark plugin-info` prints: the plug-in as a host sees it from its property list.
#pragma once

#include <optional>
#include <string>

#include "cli/property_list_reader.h"

namespace qm::cli {

std::string describePlugin(const std::string& path, const std::optional<PluginProperties>& properties);

}  // namespace qm::cli
