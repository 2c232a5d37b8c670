// SPDX-License-Identifier: LicenseRef-Quillmark
// Binary resources written as resource-script text: `ID TYPE DISCARDABLE BEGIN ... END`
// with the bytes as plain numbers, which the resource compiler stores as 16-bit
// little-endian words. Numbers, unlike quoted strings, pass through untouched whatever
// code page the compiler assumes. An odd byte count gets one zero byte of padding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::resources {

std::string rawDataResource(int id, std::string_view type, const std::vector<std::uint8_t>& bytes);

}  // namespace qm::resources
