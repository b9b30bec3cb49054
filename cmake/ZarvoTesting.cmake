# SPDX-License-Identifier: MIT
# zarvo_add_test(name SOURCES a.cpp b.cpp LIBS x y [ENV VAR=value ...] [LABELS l ...])
# Builds one GoogleTest executable and registers it with CTest as one test.
find_package(GTest REQUIRED)

function(zarvo_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
    if(ARG_ENV)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENV}")
    endif()
    if(ARG_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
endfunction()
