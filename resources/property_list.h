// SPDX-License-Identifier: LicenseRef-Quillmark
// The plug-in property list ("PIPL" 16000): what a host reads from the library before it
// calls anything: kind, menu name and category, interface version ('vers', the version of the
// plug-in interface, 4.0), the product's own version ('cmpt', see below), the entry point of each
// Windows architecture, the scripting terminology, the image modes it may be used on, and
// how each filter case hands over its pixels.
//
// Layout: int16 1, int32 0 (list version), int32 property count, then back-to-back
// properties {'8BIM', key, int32 index, int32 length, data}. Every length is written
// already rounded up to a multiple of 4 and the data zero-padded to it, because some hosts
// step from one property to the next by 16 + length without rounding.
//
// 'cmpt' (component version) carries the build's version from quillmark_version.h: an int32
// (major << 16) | (minor << 8) | patch, so 4.0.0 is 0x00040000 and 4.1.2 is 0x00040102 (minor
// and patch stay below 256), then the full version as a C string, "4.0.0" for a tagged
// release and "4.0.0+g1a2b3c4" (".dirty" after it) otherwise, as tools/version prints it.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/four_char_code.h"

namespace qm::resources {

constexpr int kPropertyListId = 16000;

// Scripting identity shared by the property list and the terminology.
constexpr int kTerminologyId = 16000;
constexpr std::uint32_t kScriptingEventCode = fourCharCode("TbQm");  // class and event alike
constexpr const char* kScriptingScope = "Tallowbridge Quillmark";

// Image-mode expressions a host evaluates before enabling the menu item. The first names
// the modes of older hosts; the second adds the 32-bit float modes for hosts that know them.
extern const char* const kEnableExpression;
extern const char* const kEnableExpressionWithFloat;

std::vector<std::uint8_t> propertyListBytes();

}  // namespace qm::resources
