# SPDX-License-Identifier: MIT
# The Windows download: one zip with the README and the link library's header at its top, and
# each set in a folder of its own, x86\ and x64\ (Zarvo.exe, Zarvo.dll, API232.dll, Zarvo.def).
# The files are staged in a folder beside the zip, named as the zip without .zip; it stays, as the
# setup (zarvo.nsi) is made from it. The x64 build's target windows_download runs it:
#   cmake -DX86=<build-win32>/bundle/x86 -DX64=<build-win64>/bundle/x64 -DSOURCE=<tree>
#         -DZIP=<folder>/zarvo-<version>-windows.zip -P download.cmake
cmake_policy(VERSION 3.25)
foreach(path X86 X64 SOURCE ZIP)
    file(REAL_PATH "${${path}}" ${path})
endforeach()
foreach(set X86 X64)
    if(NOT IS_DIRECTORY "${${set}}")
        message(FATAL_ERROR "The ${set} set is not built: ${${set}} is missing (make windows)")
    endif()
endforeach()
get_filename_component(stage "${ZIP}" NAME_WLE)
get_filename_component(folder "${ZIP}" DIRECTORY)
set(stage "${folder}/${stage}")
file(REMOVE_RECURSE "${stage}")
file(MAKE_DIRECTORY "${stage}")
file(COPY "${SOURCE}/packaging/windows/README.txt" "${SOURCE}/library/include/Zarvo.h"
     DESTINATION "${stage}")
file(COPY "${X86}/" DESTINATION "${stage}/x86")
file(COPY "${X64}/" DESTINATION "${stage}/x64")
file(GLOB_RECURSE entries RELATIVE "${stage}" "${stage}/*")
list(SORT entries)
file(REMOVE "${ZIP}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${ZIP}" --format=zip ${entries}
                WORKING_DIRECTORY "${stage}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "Could not write ${ZIP}")
endif()
message(STATUS "The Windows download: ${ZIP}")
