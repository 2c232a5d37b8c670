# Writes the version header, run at every build by the quillmark_version target:
#   cmake -DSOURCE_DIR=... -DOUTPUT=.../quillmark_version.h -DPROJECT_VERSION=4.0.0 -P write_version_header.cmake
# The full version is what tools/version prints ("4.0.0", "4.0.0+g1a2b3c4", "...dirty");
# where the script cannot run (no bash, a broken checkout) the plain project version. The
# file is rewritten only when its text changes, so an unchanged version recompiles nothing.
# The header holds only #define lines: windres reads it for the version resource as well.
set(ENV{GIT_OPTIONAL_LOCKS} 0)  # a build must not hold git's index lock while someone commits
execute_process(COMMAND "${SOURCE_DIR}/tools/version"
  OUTPUT_VARIABLE full RESULT_VARIABLE status ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0 OR NOT full MATCHES "^${PROJECT_VERSION}([+][0-9A-Za-z.]+)?$")
  set(full "${PROJECT_VERSION}")
endif()
string(REPLACE "." ";" numbers "${PROJECT_VERSION}")
list(GET numbers 0 major)
list(GET numbers 1 minor)
list(GET numbers 2 patch)
set(text "// Written at every build by cmake/write_version_header.cmake; do not edit.
#ifndef QUILLMARK_VERSION_H
#define QUILLMARK_VERSION_H
// What tools/version prints: the project's version, +g and the commit's short hash unless the
// commit carries the version's tag, .dirty when tracked files differed from it.
#define QUILLMARK_VERSION \"${full}\"
// The numbers alone, from project() in CMakeLists.txt.
#define QUILLMARK_VERSION_NUMBERS \"${PROJECT_VERSION}\"
#define QUILLMARK_VERSION_MAJOR ${major}
#define QUILLMARK_VERSION_MINOR ${minor}
#define QUILLMARK_VERSION_PATCH ${patch}
#endif
")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
else()
  set(old "")
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
