# Cross-builds for 64-bit Windows with mingw-w64 (Debian: mingw-w64).
set(ZEB_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
