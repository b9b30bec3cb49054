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

# zarvo_add_exports_test(name TARGET lib NAMES a b c ...)
# Checks with nm that the shared library exports exactly those names.
function(zarvo_add_exports_test name)
    cmake_parse_arguments(ARG "" "TARGET" "NAMES;LABELS" ${ARGN})
    string(REPLACE ";" "\\;" expected "${ARG_NAMES}")
    add_test(NAME ${name}
        COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DLIBRARY=$<TARGET_FILE:${ARG_TARGET}>
                "-DEXPECTED=${expected}" -P ${PROJECT_SOURCE_DIR}/cmake/CheckExports.cmake)
    if(ARG_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
endfunction()
