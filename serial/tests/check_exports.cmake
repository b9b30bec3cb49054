# SPDX-License-Identifier: MIT
# Fails unless the library exports exactly the serial layer's C ABI.
# Usage: cmake -DNM=<nm> -DLIBRARY=<libAPI232.so> -P check_exports.cmake
execute_process(COMMAND "${NM}" -D --defined-only "${LIBRARY}"
    OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^ \n]+\n" names "${listing}")
list(TRANSFORM names STRIP)
list(SORT names)
set(expected sio_close sio_getch sio_ioctl sio_open sio_wait sio_write)
if(NOT names STREQUAL expected)
    message(FATAL_ERROR "${LIBRARY} exports [${names}], expected [${expected}]")
endif()
message(STATUS "exports: ${names}")
