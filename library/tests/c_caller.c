/* SPDX-License-Identifier: MIT */
/* A C caller of the link library: proves Zarvo.h builds as C, and passes and frees counted texts.
 */
#include <stdlib.h>
#include <string.h>

#include "Zarvo.h"

int32_t c_caller_exchange(int32_t port, char *reply, int32_t size);

/* Sends ".36S" through TXRX as a counted text (its length in the 4 bytes before it, low byte
 * first), then copies what RX hands back into reply. */
int32_t c_caller_exchange(int32_t port, char *reply, int32_t size) {
    int32_t(ZARVO_CALL *const txrx)(int32_t, int32_t, const char *) = TXRX;
    void(ZARVO_CALL *const rx)(char **, int32_t, int32_t) = RX;
    static const char block[] = {4, 0, 0, 0, '.', '3', '6', 'S', '\0'};
    char *text = NULL;
    const int32_t result = txrx(port, 10, block + 4);
    rx(&text, port, 10);
    if (text != NULL) {
        strncpy(reply, text, (size_t)size - 1);
        free(text - 4);
    }
    return result;
}
