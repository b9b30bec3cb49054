# SPDX-License-Identifier: MIT
# Fails unless a shared library exports exactly the given names: its C ABI and nothing else.
# Usage: cmake -DNM=<nm> -DLIBRARY=<lib.so> -DEXPECTED=a,b,c -P CheckExports.cmake
execute_process(COMMAND "${NM}" -D --defined-only "${LIBRARY}"
    OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^ \n]+\n" names "${listing}")
list(TRANSFORM names STRIP)
list(SORT names)
string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT expected)
if(NOT names STREQUAL expected)
    message(FATAL_ERROR "${LIBRARY} exports [${names}], expected [${expected}]")
endif()
message(STATUS "exports: ${names}")
