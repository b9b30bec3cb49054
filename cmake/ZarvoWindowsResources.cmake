# SPDX-License-Identifier: MIT
# What Windows shows of the programs beside their code:
#   zarvo_windows_icon(<var>)          the program's icon, zarvo.ico, made at build time from
#                                      packaging/zarvo.svg at 16, 24, 32, 48 and 256 pixels
#                                      (rsvg-convert of librsvg2-bin, icotool of icoutils; the
#                                      256-pixel image kept as PNG, as Windows reads it from Vista
#                                      on); <var> names the file, in the folder ZARVO_ICON_DIR
#   zarvo_windows_manifest(<target>)   program/win32/Zarvo.manifest embedded in a program that has
#                                      no resource file of its own (Zarvo.rc names it itself)
set(ZARVO_WINDOWS_MANIFEST ${PROJECT_SOURCE_DIR}/program/win32/Zarvo.manifest)
set(ZARVO_ICON_DIR ${CMAKE_BINARY_DIR}/icon)

function(zarvo_windows_icon var)
    # The cross toolchain searches only mingw's tree, but these are the build machine's programs.
    find_program(ZARVO_RSVG_CONVERT rsvg-convert NO_CMAKE_FIND_ROOT_PATH REQUIRED
                 DOC "rsvg-convert (Debian package librsvg2-bin)")
    find_program(ZARVO_ICOTOOL icotool NO_CMAKE_FIND_ROOT_PATH REQUIRED
                 DOC "icotool (Debian package icoutils)")
    set(svg ${PROJECT_SOURCE_DIR}/packaging/zarvo.svg)
    set(ico ${ZARVO_ICON_DIR}/zarvo.ico)
    set(commands "")
    set(images "")
    foreach(size IN ITEMS 16 24 32 48 256)
        set(png ${ZARVO_ICON_DIR}/zarvo-${size}.png)
        list(APPEND commands COMMAND ${ZARVO_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg})
        if(size EQUAL 256)
            list(APPEND images --raw=${png})
        else()
            list(APPEND images ${png})
        endif()
    endforeach()
    add_custom_command(OUTPUT ${ico}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${ZARVO_ICON_DIR}
        ${commands}
        COMMAND ${ZARVO_ICOTOOL} -c -o ${ico} ${images}
        DEPENDS ${svg}
        COMMENT "The program's icon from packaging/zarvo.svg"
        VERBATIM)
    set(${var} ${ico} PARENT_SCOPE)
endfunction()

function(zarvo_windows_manifest target)
    set(rc ${CMAKE_BINARY_DIR}/manifest/${target}.rc)
    file(CONFIGURE OUTPUT ${rc} CONTENT "1 24 \"${ZARVO_WINDOWS_MANIFEST}\"\n")
    target_sources(${target} PRIVATE ${rc})
    set_source_files_properties(${rc} TARGET_DIRECTORY ${target} PROPERTIES
                                OBJECT_DEPENDS ${ZARVO_WINDOWS_MANIFEST})
endfunction()

# zarvo_resources_check(<name> FILE <file> DECLARES <declaration>... [ICON <size>...]): a static
# check that <file> carries a manifest with those declarations (cmake/CheckWindowsResources.cmake
# names them) and, with ICON, an icon of those sizes; read back with wrestool and icotool.
function(zarvo_resources_check name)
    cmake_parse_arguments(ARG "" "FILE" "DECLARES;ICON" ${ARGN})
    find_program(ZARVO_WRESTOOL wrestool NO_CMAKE_FIND_ROOT_PATH REQUIRED
                 DOC "wrestool (Debian package icoutils)")
    find_program(ZARVO_ICOTOOL icotool NO_CMAKE_FIND_ROOT_PATH REQUIRED
                 DOC "icotool (Debian package icoutils)")
    list(JOIN ARG_DECLARES "," declares)
    list(JOIN ARG_ICON "," icon)
    zarvo_add_test(${name} COMMAND ${CMAKE_COMMAND} -DFILE=${ARG_FILE}
        -DWRESTOOL=${ZARVO_WRESTOOL} -DICOTOOL=${ZARVO_ICOTOOL}
        -DWORK=${CMAKE_CURRENT_BINARY_DIR}/${name} -DDECLARES=${declares} -DICON=${icon}
        -P ${PROJECT_SOURCE_DIR}/cmake/CheckWindowsResources.cmake)
endfunction()
