// SPDX-License-Identifier: LicenseRef-Quillmark
// The scripting terminology ("AETE" 16000, the id named by the property list): the names a
// host shows for the descriptor keys of a recorded run. One suite with one event, whose
// direct parameter is the image and whose ten parameters are the user values in the order
// of the scripting keys, and the enumerations of the enumerated values.
//
// Windows form: int16 1, major 1, minor 0, int16 language, int16 script, int16 suite count;
// numbers little-endian, codes as little-endian 32-bit numbers, names as Pascal strings
// with no padding after them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::resources {

struct TerminologyEnumerator {
  std::string name;
  std::uint32_t code;
};

struct TerminologyEnumeration {
  std::uint32_t type;  // e.g. 'QNty'
  std::vector<TerminologyEnumerator> enumerators;
};

// The enumerations as they appear in the terminology, in resource order. The code accepts
// more enumerators than these lists name (every value of each range).
std::vector<TerminologyEnumeration> terminologyEnumerations();

std::vector<std::uint8_t> terminologyBytes();

}  // namespace qm::resources
