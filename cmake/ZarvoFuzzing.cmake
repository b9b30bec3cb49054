# SPDX-License-Identifier: MIT
# zarvo_add_fuzz_target(name SOURCES a.cpp ... LIBS x ... CORPUS dir): CHECK comes from
# testing/fuzz/fuzz_check.h.
# With ZARVO_FUZZ ON (clang only) every target is compiled for coverage and the fuzz targets are
# libFuzzer binaries, all under AddressSanitizer and UndefinedBehaviorSanitizer. With it OFF the
# same sources get a small driver that runs each file of the corpus once, registered with CTest
# under the label "fuzz", so every ordinary test run replays the corpora.
option(ZARVO_FUZZ "Build the fuzz targets as libFuzzer binaries (needs clang)." OFF)

if(ZARVO_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "ZARVO_FUZZ needs clang: configure with "
                            "-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ (or make fuzz).")
    endif()
    if(ZARVO_SANITIZE)
        message(FATAL_ERROR "ZARVO_FUZZ already builds with the sanitizers; leave ZARVO_SANITIZE OFF.")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()

# Every fuzz target, so `cmake --build DIR --target fuzz_targets` builds them all and nothing else.
if(NOT TARGET fuzz_targets)
    add_custom_target(fuzz_targets)
endif()

function(zarvo_add_fuzz_target name)
    cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_CORPUS OR NOT IS_DIRECTORY ${ARG_CORPUS})
        message(FATAL_ERROR "zarvo_add_fuzz_target(${name}): CORPUS must name a directory")
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} zarvo_fuzz_check)
    add_dependencies(fuzz_targets ${name})
    if(ZARVO_FUZZ)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        return()
    endif()
    target_link_libraries(${name} PRIVATE zarvo_fuzz_replay)
    if(ZARVO_BUILD_TESTS)
        zarvo_add_test(${name} COMMAND ${name} ${ARG_CORPUS} LABELS fuzz)
    endif()
endfunction()
