# SPDX-License-Identifier: MIT
# What a Windows set takes from the project's version, and where the release is made.
#   zarvo_version.h        the version for Zarvo.rc of the DLL and of the program, on the resource
#                          compiler's include path only
#   ZARVO_WINDOWS_BUNDLE   this set's part of the download, bundle/<x86|x64> of the build
#                          (ZarvoWindowsBundle.cmake), and ZARVO_WINDOWS_BUNDLE.stamp once complete
#   ZARVO_WINDOWS_DIR      the folder of the release made from both sets (packaging/windows):
#   ZARVO_WINDOWS_DOWNLOAD   the download, zarvo-<version>-windows.zip, with the folder it is made
#   ZARVO_WINDOWS_FILES      from (the zip's files unpacked, which the setup is made from)
#   ZARVO_WINDOWS_SETUP      and the setup, zarvo-<version>-setup.exe
# The x64 build makes the release; the x86 build's tests use it as the x64 build left it.
math(EXPR ZARVO_VERSION_MINOR "${PROJECT_VERSION_MINOR} + 0")
configure_file(${CMAKE_CURRENT_LIST_DIR}/zarvo_version.h.in
               ${PROJECT_BINARY_DIR}/version/zarvo_version.h @ONLY)
include_directories($<$<COMPILE_LANGUAGE:RC>:${PROJECT_BINARY_DIR}/version>)

set(ZARVO_WINDOWS_BUNDLE ${PROJECT_BINARY_DIR}/bundle/${ZARVO_WINDOWS_ARCH})
set(ZARVO_WINDOWS_DIR ${PROJECT_SOURCE_DIR}/build-windows CACHE PATH
    "Where the x64 build makes the Windows download and setup from both sets")
set(ZARVO_WINDOWS_FILES ${ZARVO_WINDOWS_DIR}/zarvo-${PROJECT_VERSION}-windows)
set(ZARVO_WINDOWS_DOWNLOAD ${ZARVO_WINDOWS_FILES}.zip)
set(ZARVO_WINDOWS_SETUP ${ZARVO_WINDOWS_DIR}/zarvo-${PROJECT_VERSION}-setup.exe)
