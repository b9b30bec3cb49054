/* SPDX-License-Identifier: MIT */
/* A C caller of the link library: proves Zarvo.h builds as C, and builds and frees counted texts.
 */
#include <stdlib.h>
#include <string.h>

#include "Zarvo.h"

int32_t c_caller_exchange(int32_t port, const char *chars, int32_t count, char *reply,
                          int32_t size);

/* Sends chars through TXRX as a counted text, then copies what RX hands back into reply. */
int32_t c_caller_exchange(int32_t port, const char *chars, int32_t count, char *reply,
                          int32_t size) {
    int32_t(ZARVO_CALL *const txrx)(int32_t, int32_t, const char *) = TXRX;
    void(ZARVO_CALL *const rx)(char **, int32_t, int32_t) = RX;
    unsigned char *block = malloc((size_t)count + 5);
    char *text = NULL;
    int32_t result;
    if (block == NULL) {
        return -100;
    }
    block[0] = (unsigned char)count;
    block[1] = (unsigned char)(count >> 8);
    block[2] = (unsigned char)(count >> 16);
    block[3] = (unsigned char)(count >> 24);
    memcpy(block + 4, chars, (size_t)count);
    block[4 + count] = '\0';
    result = txrx(port, 10, (const char *)block + 4);
    free(block);
    rx(&text, port, 10);
    if (text != NULL) {
        strncpy(reply, text, (size_t)size - 1);
        free(text - 4);
    }
    return result;
}
