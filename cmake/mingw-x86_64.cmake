# Cross build for Windows (x86_64) with Debian's mingw-w64 compilers (posix thread model,
# so the C++ standard threads are there).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# The static third-party libraries (zlib, libpng, libtiff, libjpeg) that
# tools/build-windows-deps cross-builds for this architecture; searching this prefix as a root
# makes find_package(ZLIB|PNG|TIFF|JPEG) find them, and never the host's Linux ones.
set(QUILLMARK_DEPS_PREFIX /opt/quillmark-deps/mingw-x86_64)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${QUILLMARK_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
