# Cross-compiles the 32-bit Windows program with mingw-w64's posix-thread compilers.
set(TESSALY_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
