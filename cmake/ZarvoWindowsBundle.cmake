# SPDX-License-Identifier: MIT
# zarvo_windows_bundle(program): the Windows download, build-win32/zarvo-<version>-win32.zip, made
# with every build: the program, both DLLs, the link library's header and .def, and the README.
function(zarvo_windows_bundle program)
    set(stage ${CMAKE_BINARY_DIR}/bundle/zarvo-${PROJECT_VERSION}-win32)
    set(zip ${CMAKE_BINARY_DIR}/zarvo-${PROJECT_VERSION}-win32.zip)
    set(readme ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt)
    set(header ${PROJECT_SOURCE_DIR}/library/include/Zarvo.h)
    set(def ${PROJECT_SOURCE_DIR}/library/Zarvo.def)
    file(MAKE_DIRECTORY ${stage})
    add_custom_command(OUTPUT ${zip}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${program}> $<TARGET_FILE:zarvo-ports>
                $<TARGET_FILE:Zarvo> $<TARGET_FILE:API232> ${header} ${def} ${readme} ${stage}
        # The download carries no debugging symbols; build-win32/bin keeps them.
        COMMAND ${CMAKE_STRIP} --strip-debug Zarvo.exe zarvo-ports.exe Zarvo.dll API232.dll
        COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
        COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip
                Zarvo.exe zarvo-ports.exe Zarvo.dll API232.dll Zarvo.h Zarvo.def README.txt
        WORKING_DIRECTORY ${stage}
        DEPENDS ${program} zarvo-ports Zarvo API232 ${readme} ${header} ${def}
        COMMENT "The Windows download zarvo-${PROJECT_VERSION}-win32.zip"
        VERBATIM)
    add_custom_target(windows_bundle ALL DEPENDS ${zip})
endfunction()
