/* SPDX-License-Identifier: MIT */
/* A C caller of the link library: Zarvo.h must build as C, and a counted text written out by hand,
 * as a C program does (its length in the 4 bytes before it, low byte first), must be read as the
 * library's own counted_text writes it. */
#include "Zarvo.h"

int32_t c_caller_txrx(int32_t port);

/* TXRX of ".36S". */
int32_t c_caller_txrx(int32_t port) {
    static const char block[] = {4, 0, 0, 0, '.', '3', '6', 'S', '\0'};
    return TXRX(port, 10, block + 4);
}
