# SPDX-License-Identifier: MIT
# Cross-build of the x86 set (32-bit Windows, stdcall) with g++-mingw-w64-i686-posix:
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ZARVO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
