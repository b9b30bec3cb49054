# SPDX-License-Identifier: MIT
# zarvo_add_test: the one way a test is registered with CTest.
#
# zarvo_add_test(<name>
#     [SOURCES a.cpp ...]    build the executable <name> from them, with GoogleTest's main
#     [QT]                   ... a Qt Test instead: AUTOMOC, Qt6::Test, run offscreen
#     [LIBS x ...]           link these
#     [COMMAND cmd arg ...]  run this instead of the executable (no SOURCES: no executable built)
#     [SIMULATOR]            ZARVO_SIM_PATH names the printer simulator (zarvo_runs_simulator)
#     [LOADS_LINK_LIBRARY]   the test loads libZarvo.so at run time (see zarvo_loads_link_library)
#     [WINE]                 a Windows build's test that runs Windows programs under Wine (in the
#                            prefix and on the display of ZarvoWineTesting.cmake; disabled where
#                            the set's Wine does not start); a Windows build's test without it is
#                            a static check of the files, label static
#     [PORTS]                with WINE: it uses the prefix's COM ports, taken one test at a time
#     [ENV VAR=value ...] [LABELS l ...] [TIMEOUT seconds, 300 unless given])
if(WIN32)
    include(ZarvoWineTesting)
else()
    find_package(GTest REQUIRED)
endif()

function(zarvo_add_test name)
    cmake_parse_arguments(ARG "QT;SIMULATOR;LOADS_LINK_LIBRARY;WINE;PORTS" "TIMEOUT"
                          "SOURCES;LIBS;COMMAND;ENV;LABELS" ${ARGN})
    if(ARG_SOURCES)
        add_executable(${name} ${ARG_SOURCES})
        target_link_libraries(${name} PRIVATE ${ARG_LIBS})
        if(ARG_QT)
            find_package(Qt6 REQUIRED COMPONENTS Test)
            set_target_properties(${name} PROPERTIES AUTOMOC ON)
            target_link_libraries(${name} PRIVATE Qt6::Test)
            list(APPEND ARG_ENV QT_QPA_PLATFORM=offscreen)
        else()
            target_link_libraries(${name} PRIVATE GTest::gmock_main)
        endif()
        if(ARG_SIMULATOR)
            zarvo_runs_simulator(${name})
        endif()
        if(ARG_LOADS_LINK_LIBRARY)
            zarvo_loads_link_library(${name})
            # Under the sanitizers dlopen is entered through their runtime, whose RUNPATH is not
            # the executable's, so the library's directory is named to the loader as well.
            if(ZARVO_SANITIZE)
                list(APPEND ARG_ENV "LD_LIBRARY_PATH=$<TARGET_FILE_DIR:Zarvo>")
            endif()
        endif()
    endif()
    if(NOT ARG_COMMAND)
        set(ARG_COMMAND ${name})
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    add_test(NAME ${name} COMMAND ${ARG_COMMAND})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    if(ARG_WINE)
        list(APPEND ARG_LABELS windows)
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine;xvfb")
        if(ARG_PORTS)
            set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_com_ports)
        endif()
        if(NOT ZARVO_WINE_RUNS)
            set_tests_properties(${name} PROPERTIES DISABLED ON)
        endif()
    elseif(WIN32)
        list(APPEND ARG_LABELS static)
    endif()
    if(ARG_ENV)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENV}")
    endif()
    if(ARG_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
endfunction()
