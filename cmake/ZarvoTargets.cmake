# SPDX-License-Identifier: MIT
# What the deliverable folders share in their CMakeLists.

find_package(Threads REQUIRED)

if(NOT WIN32)
    # Standalone Asio, header-only (Debian package libasio-dev): the simulator's event loop.
    find_path(ASIO_INCLUDE_DIR asio.hpp REQUIRED DOC "Standalone Asio (Debian package libasio-dev)")
    add_library(zarvo_asio INTERFACE)
    target_include_directories(zarvo_asio SYSTEM INTERFACE ${ASIO_INCLUDE_DIR})
    target_compile_definitions(zarvo_asio INTERFACE ASIO_STANDALONE ASIO_NO_DEPRECATED)
    target_link_libraries(zarvo_asio INTERFACE Threads::Threads)
endif()

# zarvo_c_abi_library(target MAP file): a shared library whose only exports are the names the
# linker version script MAP lists (template code from the C++ library would otherwise leak out
# as weak symbols), versioned as the product.
function(zarvo_c_abi_library target)
    cmake_parse_arguments(ARG "" "MAP" "" ${ARGN})
    target_link_options(${target} PRIVATE "LINKER:--version-script=${ARG_MAP}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${ARG_MAP})
    set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION 1)
endfunction()

# The command that fails unless the shared library @p target exports exactly @p names (a list),
# for zarvo_add_test(... COMMAND ${var}).
function(zarvo_exports_check var target)
    list(JOIN ARGN "," expected)
    set(${var} ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DLIBRARY=$<TARGET_FILE:${target}>
        -DEXPECTED=${expected} -P ${PROJECT_SOURCE_DIR}/cmake/CheckExports.cmake PARENT_SCOPE)
endfunction()

# zarvo_loads_link_library(target): the target loads libZarvo.so by name at run time; in the build
# tree it finds it through its RUNPATH, and building the target builds the library too.
function(zarvo_loads_link_library target)
    if(TARGET Zarvo)
        add_dependencies(${target} Zarvo)
        set_target_properties(${target} PROPERTIES BUILD_RPATH "$<TARGET_FILE_DIR:Zarvo>")
    endif()
endfunction()

# zarvo_runs_simulator(target): ZARVO_SIM_PATH names the printer simulator in the target's code,
# and building the target builds the simulator first.
function(zarvo_runs_simulator target)
    target_compile_definitions(${target} PRIVATE ZARVO_SIM_PATH="$<TARGET_FILE:zarvo-printer-sim>")
    add_dependencies(${target} zarvo-printer-sim)
endfunction()

# zarvo_add_checks(): a folder's tests/ and fuzz/ subfolders. The fuzz targets are libFuzzer
# binaries with ZARVO_FUZZ, else corpus replays run by CTest.
# On Windows, tests/win32 holds the tests that run under Wine instead, and the static checks of
# the set's files. Where the set's Wine does not start, the programs that only Wine would run are
# left out of the build; the static checks read only the set's own files, built all the same.
function(zarvo_add_checks)
    if(WIN32)
        if(ZARVO_BUILD_TESTS AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/win32)
            add_subdirectory(tests/win32)
            if(NOT ZARVO_WINE_RUNS)
                get_property(programs DIRECTORY tests/win32 PROPERTY BUILDSYSTEM_TARGETS)
                set_target_properties(${programs} PROPERTIES EXCLUDE_FROM_ALL ON)
            endif()
        endif()
        return()
    endif()
    if(ZARVO_BUILD_TESTS AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests)
        add_subdirectory(tests)
    endif()
    if((ZARVO_BUILD_TESTS OR ZARVO_FUZZ) AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
        add_subdirectory(fuzz)
    endif()
endfunction()

# zarvo_windows_dll(target DEF file): a Windows DLL named <target>.dll whose exports are exactly
# what the .def lists (undecorated names, ordinals); nothing in the code says dllexport. The .def
# files name each export after its x86 stdcall symbol ("Abre = Abre@4 @2"); x64 has one calling
# convention and no decorations, so the x64 set links a copy that names the symbol by the export's
# own name, at the same ordinal. The .def linked is the target's ZARVO_WINDOWS_DEF.
function(zarvo_windows_dll target)
    cmake_parse_arguments(ARG "" "DEF" "" ${ARGN})
    set(def ${ARG_DEF})
    if(ZARVO_WINDOWS_ARCH STREQUAL "x64")
        get_filename_component(name ${def} NAME)
        file(READ ${def} text)
        string(REGEX REPLACE "=[ \t]*[A-Za-z_0-9]+@[0-9]+" "" text "${text}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
        set(def ${CMAKE_CURRENT_BINARY_DIR}/x64/${name})
        # Rewritten only when it changes (a .def has no @NAME@), so that configuring again does
        # not relink the DLL.
        file(CONFIGURE OUTPUT ${def} CONTENT "${text}" @ONLY)
    endif()
    target_sources(${target} PRIVATE ${def})
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${target} ZARVO_WINDOWS_DEF ${def})
endfunction()

# zarvo_import_library(name DEF file): an import library for linking against a DLL by its
# undecorated names, made from the DLL's .def with dlltool -k (kill the @bytes of the x86 stdcall
# names). Linking against it imports only the names the code calls.
function(zarvo_import_library name)
    cmake_parse_arguments(ARG "" "DEF" "" ${ARGN})
    file(STRINGS ${ARG_DEF} lines)
    set(import_def "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^LIBRARY")
            string(APPEND import_def "${line}\nEXPORTS\n")
        elseif(line MATCHES "^[ \t]*([A-Za-z_0-9]+)[ \t]*=[ \t]*([A-Za-z_0-9]+@[0-9]+)")
            if(ZARVO_WINDOWS_ARCH STREQUAL "x64")
                string(APPEND import_def "    ${CMAKE_MATCH_1}\n")
            else()
                string(APPEND import_def "    ${CMAKE_MATCH_2}\n")
            endif()
        endif()
    endforeach()
    set(def ${CMAKE_CURRENT_BINARY_DIR}/${name}.def)
    set(lib ${CMAKE_CURRENT_BINARY_DIR}/lib${name}.a)
    file(CONFIGURE OUTPUT ${def} CONTENT "${import_def}" @ONLY)
    add_custom_command(OUTPUT ${lib}
        COMMAND ${CMAKE_DLLTOOL} -k -d ${def} -l ${lib}
        DEPENDS ${ARG_DEF} VERBATIM)
    add_custom_target(${name}_file DEPENDS ${lib})
    add_library(${name} STATIC IMPORTED GLOBAL)
    set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${lib})
    add_dependencies(${name} ${name}_file)
endfunction()
