// SPDX-License-Identifier: LicenseRef-Quillmark
// Writes the generated Windows resources of the plug-in into a folder (resources/
// generated_files.cpp lists them): the property list, terminology and dot textures as
// resource script text, and our own artwork for the about box and the main dialog as
// bitmaps, JPEG pictures, icons and cursors.
// With --property-list FILE it writes the property list's bytes alone, which the Linux
// shared library carries as a note (resources/property_list_note.S).
// Runs on the build machine (also when the plug-in is cross-compiled); the output depends
// only on the source and the version, so two runs give the same bytes.
#include <cstdio>
#include <fstream>
#include <string>

#include "resources/generated_files.h"
#include "resources/property_list.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--property-list") {
    const std::vector<std::uint8_t> bytes = qm::resources::propertyListBytes();
    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (file.flush()) return 0;
    std::fprintf(stderr, "make_resources: cannot write %s\n", argv[2]);
    return 1;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_resources OUTPUT_FOLDER | --property-list FILE\n");
    return 2;
  }
  std::string error;
  if (!qm::resources::writeGeneratedFiles(argv[1], error)) {
    std::fprintf(stderr, "make_resources: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
