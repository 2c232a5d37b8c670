// SPDX-License-Identifier: LicenseRef-Quillmark
// Writes the generated Windows resources of the plug-in into a folder (resources/
// generated_files.cpp lists them): the property list, terminology and dot textures as
// resource script text, and our own artwork for the about box and the main dialog as
// bitmaps, JPEG pictures, icons and cursors.
// Runs on the build machine (also when the plug-in is cross-compiled); the output depends
// only on the source, so two runs give the same bytes.
#include <cstdio>
#include <string>

#include "resources/generated_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_resources OUTPUT_FOLDER\n");
    return 2;
  }
  std::string error;
  if (!qm::resources::writeGeneratedFiles(argv[1], error)) {
    std::fprintf(stderr, "make_resources: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
