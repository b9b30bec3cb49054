# SPDX-License-Identifier: MIT
# Fails unless libZarvo.so exports exactly Abre, Fecha, RX and TXRX.
# Usage: cmake -DNM=<nm> -DLIBRARY=<libZarvo.so> -P check_exports.cmake
execute_process(COMMAND "${NM}" -D --defined-only "${LIBRARY}"
    OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^ \n]+\n" names "${listing}")
list(TRANSFORM names STRIP)
list(SORT names)
if(NOT names STREQUAL "Abre;Fecha;RX;TXRX")
    message(FATAL_ERROR "${LIBRARY} exports [${names}], expected [Abre;Fecha;RX;TXRX]")
endif()
