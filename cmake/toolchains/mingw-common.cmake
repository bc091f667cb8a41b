# Shared part of the mingw-w64 toolchains; ZEB_MINGW_TRIPLET names the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ZEB_MINGW_TRIPLET})

# The posix-threads flavour of the compilers, whatever the system's default
# alternative is, so that <thread> and <mutex> work in every build.
set(CMAKE_C_COMPILER ${ZEB_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEB_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEB_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZEB_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread are linked in statically: the DLL and the
# test programs need nothing beyond the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
