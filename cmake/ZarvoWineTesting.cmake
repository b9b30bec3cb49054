# SPDX-License-Identifier: MIT
# A Windows set's tests run under Wine, headless, in a private prefix under the build folder: the
# x86 set under 32-bit Wine in a 32-bit prefix, the x64 set under 64-bit Wine in a 64-bit one.
#   ZARVO_WINE_LOADER   the Wine loader of the set, called directly: ZARVO_WINE32_LOADER for x86,
#                       /usr/lib/wine/wine64 for x64 (Debian's wine wrapper would pick the 32-bit
#                       loader whenever it is installed, even where it cannot run)
#   ZARVO_WINE_PREFIX   the prefix (made once by the fixture wine_prefix)
#   ZARVO_WINE_PORTS    folder of the links COM1..COM4 point at (a test links COMn to a pty; one
#                       left without a link is a port whose device is missing)
#   ZARVO_WINE_RUN      runs a Windows program in that prefix, on the test run's display; CTest's
#                       emulator for every Windows test program
#   ZARVO_XVFB_DIR      the headless display of the test run (fixture xvfb): DIR/display holds
#                       its name
#   ZARVO_WINE_RUNS     whether this set's Wine starts here: always for x64; for x86 where the
#                       32-bit Wine does (ZARVO_WINE32_RUNS)
# Tests registered with zarvo_add_test(... WINE) take the fixture "wine": it makes the prefix,
# starts the wineserver before them and stops it after them. Where the set's Wine does not start,
# they and the fixtures are registered disabled, and only the static checks run.
# ZARVO_LINUX_BUILD_DIR names the Linux build whose printer simulator the end-to-end tests drive.
set(ZARVO_WINE32_LOADER /usr/lib/wine/wine CACHE FILEPATH
    "The 32-bit Wine loader, which starts only where the machine runs 32-bit programs")
set(ZARVO_WINE32_NOTE "" CACHE FILEPATH
    "Why the 32-bit Wine could not be installed, when it could not (testing/wine/wine32.sh)")
set(ZARVO_WINE_SCRIPTS ${PROJECT_SOURCE_DIR}/testing/wine)

# Whether the 32-bit Wine starts, asked at configure time: it decides whether the x86 set runs
# under Wine, and which setup the x64 set's setup test installs (the shipped one is an x86
# program). ZARVO_WINE32_WHY is the probe's one line: the loader's version, or why it does not
# start. Configured again when the loader or the install step's note changes.
execute_process(COMMAND ${ZARVO_WINE_SCRIPTS}/wine32.sh probe ${ZARVO_WINE32_LOADER}
                        ${ZARVO_WINE32_NOTE}
                OUTPUT_VARIABLE ZARVO_WINE32_WHY OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE status)
if(status EQUAL 0)
    set(ZARVO_WINE32_RUNS ON)
else()
    set(ZARVO_WINE32_RUNS OFF)
endif()
foreach(input IN ITEMS ${ZARVO_WINE32_LOADER} ${ZARVO_WINE32_NOTE})
    if(EXISTS ${input})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${input})
    endif()
endforeach()

# What the set's test run says first, once: how the set runs, and why not under Wine if not.
if(ZARVO_WINDOWS_ARCH STREQUAL "x64")
    set(ZARVO_WINE_LOADER /usr/lib/wine/wine64)
    set(ZARVO_WINE_ARCH win64)
    set(ZARVO_WINE_RUNS ON)
    if(ZARVO_WINE32_RUNS)
        set(heading "The x64 set under 64-bit Wine (its setup test runs the shipped x86 setup)")
    else()
        set(heading "The x64 set under 64-bit Wine (its setup test runs the setup's script built \
as a 64-bit setup: the shipped x86 setup needs the 32-bit Wine)")
    endif()
else()
    set(ZARVO_WINE_LOADER ${ZARVO_WINE32_LOADER})
    set(ZARVO_WINE_ARCH win32)
    set(ZARVO_WINE_RUNS ${ZARVO_WINE32_RUNS})
    if(ZARVO_WINE32_RUNS)
        set(heading "The x86 set under 32-bit Wine (${ZARVO_WINE32_WHY})")
    else()
        set(why "${ZARVO_WINE32_WHY}")
        if(NOT why MATCHES "[.]$")
            string(APPEND why ".")
        endif()
        set(heading "The x86 set: static checks only. Its tests under Wine are skipped: ${why}")
    endif()
endif()
set(heading_file ${CMAKE_BINARY_DIR}/wine-heading.txt)
file(WRITE ${heading_file} "== ${heading}\n")
file(WRITE ${CMAKE_BINARY_DIR}/CTestCustom.cmake
     "set(CTEST_CUSTOM_PRE_TEST [[\"${CMAKE_COMMAND}\" -E cat \"${heading_file}\"]])\n")

set(ZARVO_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(ZARVO_WINE_PORTS ${CMAKE_BINARY_DIR}/wine-ports)
set(ZARVO_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
set(ZARVO_XVFB_DIR ${CMAKE_BINARY_DIR}/xvfb)
configure_file(${ZARVO_WINE_SCRIPTS}/wine-run.sh.in ${ZARVO_WINE_RUN}
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                     WORLD_EXECUTE @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZARVO_WINE_RUN})

set(ZARVO_LINUX_BUILD_DIR "${PROJECT_SOURCE_DIR}/build" CACHE PATH
    "The Linux build holding the printer simulator for the end-to-end tests under Wine")
set(ZARVO_LINUX_SIMULATOR ${ZARVO_LINUX_BUILD_DIR}/simulator/zarvo-printer-sim)

# The fixtures of the Wine tests: the prefix, the display, the wineserver around the run.
set(session ${ZARVO_WINE_SCRIPTS}/wine-session.sh)
set(xvfb ${ZARVO_WINE_SCRIPTS}/xvfb-session.sh)
add_test(NAME wine_prefix COMMAND ${session} prefix ${ZARVO_WINE_PREFIX} ${ZARVO_WINE_PORTS})
add_test(NAME xvfb_start COMMAND ${xvfb} start ${ZARVO_XVFB_DIR})
add_test(NAME xvfb_stop COMMAND ${xvfb} stop ${ZARVO_XVFB_DIR})
add_test(NAME wine_start COMMAND ${session} start ${ZARVO_WINE_PREFIX} ${ZARVO_XVFB_DIR})
add_test(NAME wine_stop COMMAND ${session} stop ${ZARVO_WINE_PREFIX})
set_tests_properties(wine_prefix wine_start wine_stop PROPERTIES
    ENVIRONMENT "WINELOADER=${ZARVO_WINE_LOADER};WINEARCH=${ZARVO_WINE_ARCH}")
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
set_tests_properties(xvfb_start PROPERTIES FIXTURES_SETUP xvfb)
set_tests_properties(xvfb_stop PROPERTIES FIXTURES_CLEANUP xvfb)
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine FIXTURES_REQUIRED "wine_prefix;xvfb")
# Stopped before the display goes, so that no Wine process sees its display vanish.
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine FIXTURES_REQUIRED xvfb)
if(NOT ZARVO_WINE_RUNS)
    set_tests_properties(wine_prefix xvfb_start xvfb_stop wine_start wine_stop PROPERTIES
        DISABLED ON)
endif()

# GoogleTest for the Windows test programs, built from Debian's sources (libgtest-dev) by the
# cross compiler; GTest::gmock_main as on Linux.
find_path(ZARVO_GOOGLETEST_SOURCE_DIR CMakeLists.txt PATHS /usr/src/googletest NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH DOC "GoogleTest's sources (Debian package libgtest-dev)")
if(NOT ZARVO_GOOGLETEST_SOURCE_DIR)
    message(FATAL_ERROR "GoogleTest's sources are missing: install Debian's libgtest-dev")
endif()
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${ZARVO_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL
                 SYSTEM)

# zarvo_dll_check(name FILE file EXPORTS ... DLLS ... [IMPORTED_FROM dll IMPORTS ...]
#                 [VERSION]): the file is a PE of this set's machine with exactly these exports
# (name@ordinal) and imports, and with VERSION the product's version resource.
function(zarvo_dll_check name)
    cmake_parse_arguments(ARG "VERSION" "FILE;IMPORTED_FROM" "EXPORTS;DLLS;IMPORTS" ${ARGN})
    list(JOIN ARG_EXPORTS "," exports)
    list(JOIN ARG_DLLS "," dlls)
    list(JOIN ARG_IMPORTS "," imports)
    set(version "")
    if(ARG_VERSION)
        set(version ${PROJECT_VERSION})
    endif()
    zarvo_add_test(${name} COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=${ARG_FILE}
        -DMACHINE=${ZARVO_WINDOWS_ARCH} "-DEXPORTS=${exports}" "-DDLLS=${dlls}"
        -DIMPORTED_FROM=${ARG_IMPORTED_FROM} "-DIMPORTS=${imports}" -DVERSION=${version}
        -P ${PROJECT_SOURCE_DIR}/cmake/CheckWindowsDll.cmake)
endfunction()
