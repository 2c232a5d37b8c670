# Reproducible builds, for the packages (tools/package turns this on in its own Release
# build folders): the same commit gives the same bytes whatever folder it is built in.
#  - __FILE__, assertions and any debug information name files relative to the source
#    folder ("./render/...") and the build folder ("build/..."), never by their absolute
#    paths. The build folder's map comes last so that it wins for a build folder inside the
#    source folder (GCC tries the last map given first).
#  - Windows: no link time in the PE headers (the linker writes 0 instead).
# Off by default: the tests find their data files beside their sources through __FILE__,
# so the test builds keep absolute paths. SOURCE_DATE_EPOCH (set by tools/package) fixes
# __DATE__ and __TIME__ should any code use them.
option(QUILLMARK_REPRODUCIBLE "Build binaries that carry no build folder or build time" OFF)
if(QUILLMARK_REPRODUCIBLE)
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
  if(WIN32)
    add_link_options(-Wl,--no-insert-timestamp)
  endif()
endif()
