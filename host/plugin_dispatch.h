// SPDX-License-Identifier: LicenseRef-Quillmark
// The body of PluginMain: every host call comes through here. Nothing thrown inside ever
// reaches the host; it becomes the host's result.
#pragma once

#include <cstdint>

namespace qm {

void pluginEntry(std::int16_t selector, void* record, intptr_t* data, std::int16_t* result);

}  // namespace qm
