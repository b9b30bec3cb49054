# SPDX-License-Identifier: MIT
# Reads back what a Windows program carries beside its code: the declarations of its manifest and
# the sizes of its icon.
#   cmake -DFILE=<program.exe> -DWRESTOOL=<wrestool> -DICOTOOL=<icotool> -DWORK=<folder>
#         -DDECLARES=<declaration,...> [-DICON=<size,...>] -P CheckWindowsResources.cmake
# Declarations: controls6 (Common Controls 6, the system's visual styles), dpi (per-monitor DPI
# awareness, version 2, and the older dpiAware beside it), asInvoker (the user's own rights),
# windows7to11 (the ids of Windows 7, 8, 8.1 and 10/11 as supported systems). ICON: the pixel
# sizes that the program's first icon must hold, each once.
cmake_policy(VERSION 3.25)
set(whitespace "[ \t\r\n]+")
set(pattern_controls6
    "name=\"Microsoft\\.Windows\\.Common-Controls\"${whitespace}version=\"6\\.0\\.0\\.0\"")
set(pattern_dpi "<dpiAwareness[^>]*>PerMonitorV2[^<]*</dpiAwareness>" "<dpiAware[ >][^<]*true")
set(pattern_asInvoker "<requestedExecutionLevel${whitespace}level=\"asInvoker\"")
set(pattern_windows7to11
    "Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"" "Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\""
    "Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"" "Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"")

string(REPLACE "," ";" DECLARES "${DECLARES}")
string(REPLACE "," ";" ICON "${ICON}")
if(NOT EXISTS "${FILE}")
    message(FATAL_ERROR "${FILE} is missing (make windows makes it)")
endif()
execute_process(COMMAND "${WRESTOOL}" -x --raw --type=24 "${FILE}" OUTPUT_VARIABLE manifest
                RESULT_VARIABLE failed)
if(failed OR manifest STREQUAL "")
    message(FATAL_ERROR "${FILE} carries no manifest")
endif()
foreach(declaration IN LISTS DECLARES)
    if(NOT DEFINED pattern_${declaration})
        message(FATAL_ERROR "unknown declaration ${declaration}")
    endif()
    foreach(pattern IN LISTS pattern_${declaration})
        if(NOT manifest MATCHES "${pattern}")
            message(FATAL_ERROR "The manifest of ${FILE} lacks ${declaration} (${pattern}):\n${manifest}")
        endif()
    endforeach()
endforeach()

if(ICON)
    file(REMOVE_RECURSE "${WORK}")
    file(MAKE_DIRECTORY "${WORK}")
    # wrestool puts the images of each icon group back together as an .ico file.
    execute_process(COMMAND "${WRESTOOL}" -x --type=14 -o "${WORK}" "${FILE}" RESULT_VARIABLE failed)
    file(GLOB icons "${WORK}/*.ico")
    list(SORT icons)
    list(LENGTH icons count)
    if(failed OR count EQUAL 0)
        message(FATAL_ERROR "${FILE} carries no icon")
    endif()
    list(GET icons 0 icon)
    execute_process(COMMAND "${ICOTOOL}" -l "${icon}" OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
    string(REGEX MATCHALL "--width=[0-9]+" widths "${listing}")
    list(TRANSFORM widths REPLACE "--width=" "")
    list(SORT widths COMPARE NATURAL)
    set(wanted ${ICON})
    list(SORT wanted COMPARE NATURAL)
    if(failed OR NOT widths STREQUAL wanted)
        message(FATAL_ERROR "The icon of ${FILE} holds the sizes '${widths}', not '${wanted}':\n${listing}")
    endif()
endif()
message(STATUS "${FILE}: ${DECLARES}; icon ${ICON}")
