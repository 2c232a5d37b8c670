// SPDX-License-Identifier: LicenseRef-Quillmark
// The one exported entry point, under exactly this name with the C calling convention, as
// the plug-in property list announces it.
#include <cstdint>

#include "host/plugin_dispatch.h"

#if defined(_WIN32)
#define QUILLMARK_EXPORT __declspec(dllexport)
#else
#define QUILLMARK_EXPORT __attribute__((visibility("default")))
#endif

extern "C" QUILLMARK_EXPORT void PluginMain(std::int16_t selector, void* record, intptr_t* data,
                                            std::int16_t* result) {
  qm::pluginEntry(selector, record, data, result);
}
