# SPDX-License-Identifier: MIT
# The Windows tests run under Wine, headless, in a private prefix under the build folder:
#   ZARVO_WINE_PREFIX   the prefix (made once by the fixture wine_prefix)
#   ZARVO_WINE_PORTS    folder of the links COM1..COM4 point at (a test links COMn to a pty; one
#                       left without a link is a port whose device is missing)
#   ZARVO_WINE_RUN      runs a Windows program in that prefix, on the test run's display; CTest's
#                       emulator for every Windows test program
#   ZARVO_XVFB_DIR      the headless display of the test run (fixture xvfb): DIR/display
#                       holds its name
# Tests that run Windows programs take the fixture "wine" (zarvo_add_wine_test does that): it
# makes the prefix, starts the wineserver before them and stops it after them.
# ZARVO_LINUX_BUILD_DIR names the Linux build whose printer simulator the end-to-end tests drive.
set(ZARVO_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(ZARVO_WINE_PORTS ${CMAKE_BINARY_DIR}/wine-ports)
set(ZARVO_WINE_SESSION ${PROJECT_SOURCE_DIR}/cmake/wine/wine-session.sh)
set(ZARVO_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
set(ZARVO_XVFB_DIR ${CMAKE_BINARY_DIR}/xvfb)
set(ZARVO_XVFB_SESSION ${PROJECT_SOURCE_DIR}/cmake/wine/xvfb-session.sh)
configure_file(${PROJECT_SOURCE_DIR}/cmake/wine/wine-run.sh.in ${ZARVO_WINE_RUN}
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                     WORLD_EXECUTE @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZARVO_WINE_RUN})

set(ZARVO_LINUX_BUILD_DIR "${PROJECT_SOURCE_DIR}/build" CACHE PATH
    "The Linux build holding the printer simulator for the end-to-end tests under Wine")
set(ZARVO_LINUX_SIMULATOR ${ZARVO_LINUX_BUILD_DIR}/simulator/zarvo-printer-sim)

add_test(NAME wine_prefix COMMAND ${ZARVO_WINE_SESSION} prefix ${ZARVO_WINE_PREFIX} ${ZARVO_WINE_PORTS})
add_test(NAME xvfb_start COMMAND ${ZARVO_XVFB_SESSION} start ${ZARVO_XVFB_DIR})
add_test(NAME xvfb_stop COMMAND ${ZARVO_XVFB_SESSION} stop ${ZARVO_XVFB_DIR})
add_test(NAME wine_start COMMAND ${ZARVO_WINE_SESSION} start ${ZARVO_WINE_PREFIX} ${ZARVO_XVFB_DIR})
add_test(NAME wine_stop COMMAND ${ZARVO_WINE_SESSION} stop ${ZARVO_WINE_PREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
set_tests_properties(xvfb_start PROPERTIES FIXTURES_SETUP xvfb)
set_tests_properties(xvfb_stop PROPERTIES FIXTURES_CLEANUP xvfb)
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine FIXTURES_REQUIRED "wine_prefix;xvfb")
# Stopped before the display goes, so that no Wine process sees its display vanish.
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine FIXTURES_REQUIRED xvfb)

# zarvo_add_wine_test(name COMMAND ... [PORTS]): a test that runs Windows programs under Wine;
# PORTS: it uses the COM ports of the prefix, which such tests take one at a time.
function(zarvo_add_wine_test name)
    cmake_parse_arguments(ARG "PORTS" "" "COMMAND" ${ARGN})
    add_test(NAME ${name} COMMAND ${ARG_COMMAND})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine;xvfb" TIMEOUT 300
                                            LABELS windows)
    if(ARG_PORTS)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_com_ports)
    endif()
endfunction()
