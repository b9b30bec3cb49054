/* SPDX-License-Identifier: MIT */
/* A C caller of the link library: proves Zarvo.h builds as C and shows the counted-text contract.
 */
#include <stdlib.h>
#include <string.h>

#include "Zarvo.h"

/* The types a C program binding the exports by name would declare. */
typedef int32_t(ZARVO_CALL *zarvo_port_fn)(int32_t);
typedef int32_t(ZARVO_CALL *zarvo_txrx_fn)(int32_t, int32_t, const char *);
typedef void(ZARVO_CALL *zarvo_rx_fn)(char **, int32_t, int32_t);

int32_t c_caller_send(int32_t port, int32_t timeout_s, const char *chars, int32_t count);
int32_t c_caller_receive(int32_t port, int32_t timeout_s, char *out, int32_t size);

int32_t c_caller_send(int32_t port, int32_t timeout_s, const char *chars, int32_t count) {
    const zarvo_txrx_fn txrx = TXRX;
    unsigned char *block = malloc((size_t)count + 5);
    int32_t result;
    int i;
    if (block == NULL) {
        return ZARVO_WRITE_FAILED;
    }
    for (i = 0; i < 4; ++i) {
        block[i] = (unsigned char)((uint32_t)count >> (8 * i));
    }
    memcpy(block + 4, chars, (size_t)count);
    block[4 + count] = '\0';
    result = txrx(port, timeout_s, (const char *)block + 4);
    free(block);
    return result;
}

/* Copies RX's reply into out as a C string and returns its count, or -1 when it does not fit. */
int32_t c_caller_receive(int32_t port, int32_t timeout_s, char *out, int32_t size) {
    const zarvo_rx_fn rx = RX;
    const zarvo_port_fn open_port = Abre;
    const zarvo_port_fn close_port = Fecha;
    char *reply = NULL;
    const unsigned char *count_bytes;
    int32_t count;
    open_port(port);
    rx(&reply, port, timeout_s);
    close_port(port);
    if (reply == NULL) {
        return -1;
    }
    count_bytes = (const unsigned char *)reply - 4;
    count = (int32_t)((uint32_t)count_bytes[0] | (uint32_t)count_bytes[1] << 8 |
                      (uint32_t)count_bytes[2] << 16 | (uint32_t)count_bytes[3] << 24);
    if (count >= size) {
        count = -1;
    } else {
        memcpy(out, reply, (size_t)count + 1);
    }
    free(reply - 4);
    return count;
}
