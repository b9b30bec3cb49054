# SPDX-License-Identifier: MIT
# zarvo_windows_bundle(program): this set's part of the Windows download, staged without debugging
# symbols in ZARVO_WINDOWS_BUNDLE, bundle/<x86|x64>/ of the build (bin/ keeps them): the program,
# zarvo-ports, both DLLs, the link library's .def for this set and the program's icon;
# ZARVO_WINDOWS_BUNDLE.stamp is touched once the folder is complete. The x64 build's release
# (packaging/windows) puts both sets' folders into the download, beside the header and the README.
function(zarvo_windows_bundle program)
    set(stage ${ZARVO_WINDOWS_BUNDLE})
    set(def $<TARGET_PROPERTY:Zarvo,ZARVO_WINDOWS_DEF>)
    set(targets ${program} zarvo-ports Zarvo API232)
    set(files "")
    set(staged "")
    foreach(target IN LISTS targets)
        list(APPEND files $<TARGET_FILE:${target}>)
        list(APPEND staged ${stage}/$<TARGET_FILE_NAME:${target}>)
    endforeach()
    # The program's icon too, which the setup takes for its own and its uninstaller's.
    list(APPEND files ${ZARVO_ICON_DIR}/zarvo.ico)
    set(stamp ${stage}.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
        COMMAND ${CMAKE_COMMAND} -E copy ${files} ${def} ${stage}
        COMMAND ${CMAKE_STRIP} --strip-debug ${staged}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${targets} ${def} ${ZARVO_ICON_DIR}/zarvo.ico
        COMMENT "The ${ZARVO_WINDOWS_ARCH} set of the Windows download in bundle/${ZARVO_WINDOWS_ARCH}"
        VERBATIM)
    add_custom_target(windows_bundle ALL DEPENDS ${stamp})
endfunction()
