# SPDX-License-Identifier: MIT
# What both Windows cross-builds share, with Debian's mingw-w64 (posix thread model). The toolchain
# files mingw-w64-i686.cmake (x86) and mingw-w64-x86_64.cmake (x64) set ZARVO_MINGW_TRIPLE and
# include this one.
# The posix thread model gives std::thread and std::mutex; -static keeps its winpthread, libgcc and
# libstdc++ inside each DLL and program, so none of mingw's runtime DLLs is needed where they run.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ZARVO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZARVO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZARVO_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${ZARVO_MINGW_TRIPLE}-dlltool)
set(CMAKE_OBJDUMP ${ZARVO_MINGW_TRIPLE}-objdump)

# Only mingw's own tree is searched for headers and libraries: /usr/include holds glibc's headers,
# which break the build. Header-only libraries come in through folders that hold only them.
set(CMAKE_FIND_ROOT_PATH /usr/${ZARVO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
