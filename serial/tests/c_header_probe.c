/* SPDX-License-Identifier: MIT */
/* Compiled as C: the serial layer's header must serve C callers as well as C++ ones. */
#include "API232.h"

int api232_c_header_probe(void);

int api232_c_header_probe(void) {
    return (int)sio_getch(0);
}
